// The 8-lane (AVX2) instantiations of the vertex, sprite, textured, Gouraud, mesh, uniform-blend and
// line kernels, called only when the processor has AVX2 (wideLanes()). Everything this file
// shares with the rest of the library is included before the target pragma, so no function
// compiled here for AVX2 can be chosen by the linker for a baseline caller; the kernels included
// after it have internal linkage.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/d3d9/raster/clip.h"
#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/transform_light.h"
#include "platform/d3d9/raster/triangle.h"

#if defined(__x86_64__)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "platform/d3d9/raster/blend_kernel.h"
#include "platform/d3d9/raster/gouraud_kernel.h"
#include "platform/d3d9/raster/line_kernel.h"
#include "platform/d3d9/raster/mesh_kernel.h"
#include "platform/d3d9/raster/sprite_kernel.h"
#include "platform/d3d9/raster/textured_kernel.h"
#include "platform/d3d9/raster/vertex_kernel.h"

namespace platform::d3d9::raster {

void spriteRowsAvx2(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        spriteRows<8, true>(s, t, rows);
    } else {
        spriteRows<8, false>(s, t, rows);
    }
}

void spritePairRowsAvx2(const SpriteTriangle& sa, const TriangleSetup& a, const SpriteTriangle& sb,
                        const TriangleSetup& b, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        spritePairRows<8, true>(sa, a, sb, b, rows);
    } else {
        spritePairRows<8, false>(sa, a, sb, b, rows);
    }
}

void texturedRowsAvx2(const TexturedTriangle& s, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        texturedRows<8, true>(s, rows);
    } else {
        texturedRows<8, false>(s, rows);
    }
}

void vertexBlocksAvx2(const VertexBlockSetup& s, int64_t first, int64_t count, ClipVertex* out, uint32_t* codes,
                      ScreenVertex* screen) {
    for (int64_t i = 0; i < count; i += 8) {
        vertexBlock<8>(s, first + i, int(std::min<int64_t>(count - i, 8)), out + i, codes + i, screen + i);
    }
}

int blendUniformAvx2(const UniformBlend& b, int n, uint32_t* dst) {
    return blendUniformRun<8>(b, n, dst);
}

void gouraudRowsAvx2(const TriangleSetup& t, const RowFilter& rows, const GouraudTarget& target) {
    gouraudRows<8>(t, rows, target);
}

void directLineAvx2(const DirectLine& l) {
    directLinePixels<8>(l);
}

void gouraudMeshAvx2(const MeshFill& f, const MeshTriangle* triangles, int count) {
    gouraudMesh<8>(f, triangles, count);
}

}  // namespace platform::d3d9::raster

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
