// Helpers for the rasteriser tests: a small render target in memory, vertex records, states that
// map world units to pixels, and coverage as ASCII rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/raster.h"

namespace raster_test {

namespace r = platform::d3d9::raster;

// Position, colour and one texture coordinate pair.
struct Vtx {
    float x, y, z;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(Vtx) == 24);

// Pretransformed: screen position, z, 1/w, colour, texture coordinates.
struct TVtx {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(TVtx) == 28);

// Position, normal, colour: the scene's coloured vertex.
struct LitVtx {
    float x, y, z;
    float nx, ny, nz;
    uint32_t color;
};
static_assert(sizeof(LitVtx) == 28);

struct Canvas {
    uint32_t width, height;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> depth;
    r::ColorFormat format = r::ColorFormat::A8R8G8B8;

    Canvas(uint32_t w, uint32_t h, uint32_t fill = 0) : width(w), height(h), pixels(w * h, fill), depth(w * h, 0xFFFFFF00u) {}

    r::Targets targets(bool withDepth = false) {
        r::Targets t;
        t.color = {pixels.data(), int32_t(width * 4), width, height, format};
        if (withDepth) t.depth = {depth.data(), int32_t(width * 4), width, height, r::DepthFormat::D24S8};
        return t;
    }
    uint32_t at(uint32_t x, uint32_t y) const { return pixels[y * width + x]; }

    // One string per row: 'X' where the pixel differs from `background`.
    std::vector<std::string> coverage(uint32_t background = 0) const {
        std::vector<std::string> rows;
        for (uint32_t y = 0; y < height; ++y) {
            std::string row;
            for (uint32_t x = 0; x < width; ++x) row += at(x, y) == background ? '.' : 'X';
            rows.push_back(row);
        }
        return rows;
    }
};

inline std::vector<std::string> rows(std::initializer_list<const char*> list) {
    return {list.begin(), list.end()};
}

// A small deterministic generator, so that random scenes are varied but fixed.
struct Lcg {
    uint32_t state = 12345;
    uint32_t next() {  // 24 random bits
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    uint32_t color() { return next() ^ (next() << 8); }
    float unit() { return float(next() & 0xFFFF) / 65536.0f; }
};

// A projection that maps world (x, y) to pixel (x, y) with the pixel centre at integer
// coordinates, z to z: clip x = 2x/W - 1, clip y = 1 - 2y/H.
inline r::Mat4 pixelProjection(uint32_t w, uint32_t h) {
    r::Mat4 m;
    m.m[0][0] = 2.0f / float(w);
    m.m[1][1] = -2.0f / float(h);
    m.m[3][0] = -1.0f;
    m.m[3][1] = 1.0f;
    return m;
}

// Unlit state drawing Vtx records through the pixel projection, no culling.
inline r::PipelineState vtxState(uint32_t w, uint32_t h) {
    r::PipelineState s;
    s.projection = pixelProjection(w, h);
    s.viewport = {0, 0, w, h, 0.0f, 1.0f};
    s.lighting = false;
    s.cullMode = r::CullMode::None;
    s.layout.position = {true, 0, 0, r::ElementType::Float3};
    s.layout.diffuse = {true, 0, 12, r::ElementType::D3DColor};
    s.layout.texCoord[0] = {true, 0, 16, r::ElementType::Float2};
    return s;
}

// Unlit state drawing pretransformed TVtx records.
inline r::PipelineState tvtxState(uint32_t w, uint32_t h) {
    r::PipelineState s;
    s.viewport = {0, 0, w, h, 0.0f, 1.0f};
    s.lighting = false;
    s.cullMode = r::CullMode::None;
    s.layout.pretransformed = true;
    s.layout.position = {true, 0, 0, r::ElementType::Float4};
    s.layout.diffuse = {true, 0, 16, r::ElementType::D3DColor};
    s.layout.texCoord[0] = {true, 0, 20, r::ElementType::Float2};
    return s;
}

template <class V>
r::DrawCall callFor(const std::vector<V>& v, r::PrimitiveType type, uint32_t prims) {
    r::DrawCall c;
    c.type = type;
    c.primitiveCount = prims;
    c.streams[0] = {reinterpret_cast<const std::byte*>(v.data()), uint32_t(sizeof(V)), uint32_t(v.size())};
    return c;
}

template <class V>
void drawList(const r::PipelineState& s, Canvas& canvas, const std::vector<V>& v,
              r::PrimitiveType type = r::PrimitiveType::TriangleList, bool depth = false) {
    uint32_t prims = 0;
    switch (type) {
    case r::PrimitiveType::TriangleList: prims = uint32_t(v.size() / 3); break;
    case r::PrimitiveType::TriangleStrip:
    case r::PrimitiveType::TriangleFan: prims = uint32_t(v.size() - 2); break;
    case r::PrimitiveType::LineList: prims = uint32_t(v.size() / 2); break;
    case r::PrimitiveType::LineStrip: prims = uint32_t(v.size() - 1); break;
    case r::PrimitiveType::PointList: prims = uint32_t(v.size()); break;
    }
    r::draw(s, callFor(v, type, prims), canvas.targets(depth));
}

// Additive blending of a dim colour: a pixel hit twice shows 2, so double hits are visible.
inline void countHits(r::PipelineState& s) {
    s.alphaBlendEnable = true;
    s.srcBlend = r::BlendFactor::One;
    s.destBlend = r::BlendFactor::One;
}

inline uint32_t argb(uint32_t a, uint32_t r_, uint32_t g, uint32_t b) {
    return (a << 24) | (r_ << 16) | (g << 8) | b;
}

}  // namespace raster_test
