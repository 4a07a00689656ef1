// The 16-lane (AVX-512F) instantiations of the sprite, uniform-blend, line, mesh and textured
// kernels, called only when the processor has AVX-512F (widestLanes()). A glyph row of up to 16
// pixels is then one block instead of two.
// As in the AVX2 file, everything shared with the rest of the library is included before the
// target pragma, and the kernels included after it have internal linkage.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

#if defined(__x86_64__)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,avx512f")
// GCC 12's AVX-512 headers start some intrinsics from an undefined register, which its
// uninitialised-use analysis reports in every caller.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "platform/d3d9/raster/blend_kernel.h"
#include "platform/d3d9/raster/line_kernel.h"
#include "platform/d3d9/raster/mesh_kernel.h"
#include "platform/d3d9/raster/sprite_kernel.h"
#include "platform/d3d9/raster/textured_kernel.h"

namespace platform::d3d9::raster {

void spriteRowsAvx512(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        spriteRows<16, true>(s, t, rows);
    } else {
        spriteRows<16, false>(s, t, rows);
    }
}

void spritePairRowsAvx512(const SpriteTriangle& sa, const TriangleSetup& a, const SpriteTriangle& sb,
                          const TriangleSetup& b, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        spritePairRows<16, true>(sa, a, sb, b, rows);
    } else {
        spritePairRows<16, false>(sa, a, sb, b, rows);
    }
}

int blendUniformAvx512(const UniformBlend& b, int n, uint32_t* dst) {
    return blendUniformRun<16>(b, n, dst);
}

void directLineAvx512(const DirectLine& l) {
    directLinePixels<16>(l);
}

void gouraudMeshAvx512(const MeshFill& f, const MeshTriangle* triangles, int count) {
    gouraudMesh<16>(f, triangles, count);
}

void texturedRowsAvx512(const TexturedTriangle& s, const RowFilter& rows, bool textureAlpha) {
    if (textureAlpha) {
        texturedRows<16, true>(s, rows);
    } else {
        texturedRows<16, false>(s, rows);
    }
}

}  // namespace platform::d3d9::raster

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
