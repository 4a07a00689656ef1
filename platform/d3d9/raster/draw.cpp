// raster::draw: primitive assembly over the vertex stage, clipping and the fill of each primitive.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/d3d9/raster/clip.h"
#include "platform/d3d9/raster/direct_fill.h"
#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/vertex_kernel.h"
#include "platform/d3d9/raster/line.h"
#include "platform/d3d9/raster/mesh_kernel.h"
#include "platform/d3d9/raster/pixel_pipeline.h"
#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/transform_light.h"
#include "platform/d3d9/raster/triangle.h"
#include "platform/d3d9/raster/vertex_fetch.h"
#include "platform/d3d9/raster/workers.h"

namespace platform::d3d9::raster {
namespace {

std::atomic<StopAfter> g_stopAfter{StopAfter::Full};

// Vertices needed by primitiveCount primitives of a type.
uint64_t verticesFor(PrimitiveType type, uint64_t count) {
    switch (type) {
    case PrimitiveType::PointList: return count;
    case PrimitiveType::LineList: return count * 2;
    case PrimitiveType::LineStrip: return count + 1;
    case PrimitiveType::TriangleList: return count * 3;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan: return count + 2;
    }
    return 0;
}

// The vertex numbers of triangle p of a list, strip or fan. Odd triangles of a strip are taken
// in swapped order, so all keep one winding.
void triangleVertices(PrimitiveType type, uint64_t p, uint64_t& i0, uint64_t& i1, uint64_t& i2) {
    if (type == PrimitiveType::TriangleList) {
        i0 = 3 * p, i1 = 3 * p + 1, i2 = 3 * p + 2;
    } else if (type == PrimitiveType::TriangleStrip) {
        i0 = (p & 1) ? p + 1 : p, i1 = (p & 1) ? p : p + 1, i2 = p + 2;
    } else {
        i0 = 0, i1 = p + 1, i2 = p + 2;
    }
}

// The processed vertices of one draw, computed once each on first use.
struct VertexCache {
    int64_t first = 0;  // vertex index of entry 0
    std::vector<ClipVertex> vertices;
    std::vector<ScreenVertex> screen;  // for vertices inside every clip plane: their screen form
    std::vector<uint32_t> codes;
    std::vector<uint8_t> state;  // 0 not yet processed, 1 ready, 2 unreadable
};

struct DrawContext {
    const PipelineState* state;
    const DrawCall* call;
    // The vertex number of each position of the primitive sequence, read from the index buffer
    // once per draw (indexed draws only; -1 where the index cannot be read).
    bool indexed = false;
    std::vector<int64_t> indices;

    int64_t vertexAt(uint64_t i) const {
        return indexed ? (i < indices.size() ? indices[i] : -1) : int64_t(call->baseVertex) + int64_t(i);
    }
    // Every entry of `indices` lies in the vertex cache's range (none is -1).
    bool indicesInCache = false;
    VertexStage vertexStage;
    PixelPipeline pixels;
    Scissor scissor;
    int userPlanes;
    int varyingCount;
    VertexCache cache;
    // Vertices [0, readableEnd) can be read whole from their streams. Whether a vertex can be
    // read only ever turns false as its index grows (each element must end inside its stream),
    // so one bound, found once per draw, answers it for every vertex.
    int64_t readableEnd = 0;
};

// The vertex index of the i-th vertex of the primitive sequence, or -1 when it cannot be read.
int64_t vertexIndex(const DrawCall& call, uint64_t i) {
    if (call.indexFormat == IndexFormat::None) return int64_t(call.baseVertex) + int64_t(i);
    if (call.indices == nullptr || i >= call.indexCount) return -1;
    uint32_t idx;
    if (call.indexFormat == IndexFormat::U16) {
        uint16_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(call.indices) + i * 2, 2);
        idx = v;
    } else {
        std::memcpy(&idx, static_cast<const uint8_t*>(call.indices) + i * 4, 4);
    }
    return int64_t(call.baseVertex) + int64_t(idx);
}

const ClipVertex* fetch(DrawContext& ctx, int64_t index, uint32_t& code) {
    VertexCache& c = ctx.cache;
    if (index < c.first || index - c.first >= int64_t(c.state.size())) return nullptr;
    const size_t slot = size_t(index - c.first);
    if (c.state[slot] == 0) {
        if (index >= ctx.readableEnd) {
            c.state[slot] = 2;
        } else {
            processVertex(ctx.vertexStage, *ctx.call, index, c.vertices[slot]);
            c.codes[slot] = ctx.state->layout.pretransformed || !ctx.state->clipping
                                ? 0
                                : outcode(c.vertices[slot], ctx.userPlanes);
            // Shared vertices are mapped to the screen once, not once per triangle.
            if (c.codes[slot] == 0) {
                c.screen[slot] = toScreen(c.vertices[slot], ctx.state->viewport, ctx.state->layout.pretransformed,
                                          ctx.varyingCount);
            }
            c.state[slot] = 1;
        }
    }
    if (c.state[slot] != 1) return nullptr;
    code = c.codes[slot];
    return &c.vertices[slot];
}

void fillOne(const DrawContext& ctx, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
             CullMode cull, const RowFilter& rows, FragmentBatcher& batcher) {
    TriangleSetup t;
    const Scissor scissor = rowScissor(ctx.scissor, rows);
    if (!setupTriangle(a, b, c, cull, scissor, ctx.varyingCount, ctx.pixels.needsDepth, t)) return;
    if (g_stopAfter.load(std::memory_order_relaxed) != StopAfter::Full) return;
    batcher.fillTriangle(t, rows);
}

void drawTriangle(const DrawContext& ctx, const RowFilter& rows, FragmentBatcher& batcher, const ClipVertex* v0, const ClipVertex* v1, const ClipVertex* v2, uint32_t c0,
                  uint32_t c1, uint32_t c2) {
    if (c0 & c1 & c2) return;  // wholly outside one plane
    const PipelineState& s = *ctx.state;
    ClipVertex flat[3];
    if (s.shadeMode == ShadeMode::Flat) {
        // Flat shading takes the first vertex's colour for the whole triangle.
        flat[0] = *v0;
        flat[1] = *v1;
        flat[2] = *v2;
        for (int j = 0; j < 4; ++j) flat[1].varyings[j] = flat[2].varyings[j] = flat[0].varyings[j];
        v0 = &flat[0];
        v1 = &flat[1];
        v2 = &flat[2];
    }
    const Viewport& vp = s.viewport;
    const bool pre = s.layout.pretransformed;
    const int nv = ctx.varyingCount;
    if ((c0 | c1 | c2) == 0) {
        if (s.shadeMode == ShadeMode::Gouraud) {
            // Unclipped vertices come with their screen form (same computation, done once).
            const ClipVertex* base = ctx.cache.vertices.data();
            const ScreenVertex* screen = ctx.cache.screen.data();
            fillOne(ctx, screen[v0 - base], screen[v1 - base], screen[v2 - base], s.cullMode, rows, batcher);
            return;
        }
        fillOne(ctx, toScreen(*v0, vp, pre, nv), toScreen(*v1, vp, pre, nv), toScreen(*v2, vp, pre, nv), s.cullMode,
                rows, batcher);
        return;
    }
    ClipVertex in[3] = {*v0, *v1, *v2};
    ClipVertex poly[kMaxClippedVertices];
    const int n = clipPolygon(in, 3, c0 | c1 | c2, ctx.userPlanes, nv, poly);
    if (n < 3) return;
    ScreenVertex sv[kMaxClippedVertices];
    for (int i = 0; i < n; ++i) sv[i] = toScreen(poly[i], vp, pre, nv);
    // The winding is decided once for the whole clipped polygon; fan pieces of the other winding
    // can only be rounding slivers and are dropped with it.
    float area = 0.0f;
    for (int i = 1; i + 1 < n; ++i) {
        area += (sv[i].x - sv[0].x) * (sv[i + 1].y - sv[0].y) - (sv[i + 1].x - sv[0].x) * (sv[i].y - sv[0].y);
    }
    if (!(area != 0.0f)) return;
    const bool clockwise = area > 0.0f;
    if ((s.cullMode == CullMode::CW && clockwise) || (s.cullMode == CullMode::CCW && !clockwise)) return;
    const CullMode keepOnly = clockwise ? CullMode::CCW : CullMode::CW;
    for (int i = 1; i + 1 < n; ++i) fillOne(ctx, sv[0], sv[i], sv[i + 1], keepOnly, rows, batcher);
}

void drawSegment(const DrawContext& ctx, const RowFilter& rows, const ClipVertex* v0, const ClipVertex* v1, uint32_t c0, uint32_t c1) {
    if (c0 & c1) return;
    const PipelineState& s = *ctx.state;
    ClipVertex a = *v0, b = *v1;
    if (s.shadeMode == ShadeMode::Flat) {
        for (int j = 0; j < 4; ++j) b.varyings[j] = a.varyings[j];
    }
    if ((c0 | c1) != 0 && !clipLine(a, b, c0 | c1, ctx.userPlanes, ctx.varyingCount)) return;
    if (g_stopAfter.load(std::memory_order_relaxed) != StopAfter::Full) return;
    const Viewport& vp = s.viewport;
    const bool pre = s.layout.pretransformed;
    drawLine(ctx.pixels, toScreen(a, vp, pre, ctx.varyingCount), toScreen(b, vp, pre, ctx.varyingCount),
             s.lastPixel, ctx.scissor, ctx.varyingCount, rows);
}

// Looks a vertex up in the filled cache (never processes one: the walk may run on several threads).
const ClipVertex* cached(const DrawContext& ctx, int64_t index, uint32_t& code) {
    const VertexCache& c = ctx.cache;
    if (index < c.first || index - c.first >= int64_t(c.state.size())) return nullptr;
    const size_t slot = size_t(index - c.first);
    if (c.state[slot] != 1) return nullptr;
    code = c.codes[slot];
    return &c.vertices[slot];
}

// A triangle list whose triangles all go straight to the direct fill (lit meshes such as the
// spheres): the common case of three unclipped vertices goes from the cache to set-up and fill
// without the general path's steps (with AVX2, eight triangles set up at once); the rest take
// that path.
struct DirectListWalk {
    const DrawContext& ctx;
    const RowFilter& rows;
    Scissor scissor;
    bool fill;

    // One triangle through setupTriangle and the direct fill.
    void draw(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) const {
        TriangleSetup t;
        if (!setupTriangle(a, b, c, ctx.state->cullMode, scissor, ctx.varyingCount, ctx.pixels.needsDepth, t)) return;
        if (fill) fillDirect(ctx.pixels, t, rows);
    }
    static void general(void* context, const MeshTriangle& t) {
        static_cast<const DirectListWalk*>(context)->draw(*t.v[0], *t.v[1], *t.v[2]);
    }
};

void walkDirectList(const DrawContext& ctx, uint64_t first, uint64_t prims, const RowFilter& rows,
                    FragmentBatcher& batcher) {
    const VertexCache& c = ctx.cache;
    const int64_t count = int64_t(c.state.size());
    const PipelineState& s = *ctx.state;
    DirectListWalk walk{ctx, rows, rowScissor(ctx.scissor, rows),
                        g_stopAfter.load(std::memory_order_relaxed) == StopAfter::Full};
    // A mesh whose indices all point into the cache and whose vertices could all be read (the
    // usual case) needs no test per vertex.
    const bool allReady = ctx.indicesInCache && std::all_of(c.state.begin(), c.state.end(),
                                                             [](uint8_t v) { return v == 1; });
#if defined(__x86_64__)
    const bool eightAtOnce = wideLanes();
    const bool widest = eightAtOnce && widestLanes();
#else
    const bool eightAtOnce = false;
#endif
    constexpr int kPending = 64;
    MeshTriangle pending[kPending];
    int pendingCount = 0;
    const PixelPipeline& px = ctx.pixels;
    const MeshFill mesh{walk.scissor,
                        rows,
                        GouraudTarget{px.colorBase, px.colorPitch, px.output.destHasAlpha ? 0u : 0xFF000000u,
                                      px.output.keepMask},
                        walk.fill,
                        &DirectListWalk::general,
                        &walk};
    const auto flush = [&] {
#if defined(__x86_64__)
        if (pendingCount > 0) (widest ? gouraudMeshAvx512 : gouraudMeshAvx2)(mesh, pending, pendingCount);
#endif
        pendingCount = 0;
    };
    for (uint64_t p = first; p < prims; ++p) {
        size_t slot[3];
        if (allReady) {
            for (int k = 0; k < 3; ++k) slot[k] = size_t(ctx.indices[3 * p + uint64_t(k)] - c.first);
        } else {
            bool ready = true;
            for (int k = 0; k < 3 && ready; ++k) {
                const int64_t rel = ctx.vertexAt(3 * p + uint64_t(k)) - c.first;
                ready = rel >= 0 && rel < count && c.state[size_t(rel)] == 1;
                slot[k] = size_t(rel);
            }
            if (!ready) continue;
        }
        const uint32_t c0 = c.codes[slot[0]], c1 = c.codes[slot[1]], c2 = c.codes[slot[2]];
        if ((c0 | c1 | c2) != 0) {
            flush();  // the triangles before it first
            drawTriangle(ctx, rows, batcher, &c.vertices[slot[0]], &c.vertices[slot[1]], &c.vertices[slot[2]], c0, c1, c2);
            continue;
        }
        const ScreenVertex& a = c.screen[slot[0]];
        const ScreenVertex& b = c.screen[slot[1]];
        const ScreenVertex& cc = c.screen[slot[2]];
        if (!facesTheViewer(a, b, cc, s.cullMode)) continue;  // half of a closed mesh
        if (eightAtOnce) {
            pending[pendingCount++] = MeshTriangle{{&a, &b, &cc}};
            if (pendingCount == kPending) flush();
            continue;
        }
        walk.draw(a, b, cc);
    }
    flush();
}

// Walks primitives [first, prims) of the draw in order, drawing the rows `rows` accepts.
void walkPrimitives(const DrawContext& ctx, uint64_t prims, const RowFilter& rows, uint64_t first = 0) {
    const DrawCall& call = *ctx.call;
    uint32_t c0 = 0, c1 = 0, c2 = 0;
    switch (call.type) {
    case PrimitiveType::PointList:
        for (uint64_t p = first; p < prims; ++p) {
            const ClipVertex* a = cached(ctx, ctx.vertexAt(p), c0);
            if (a) drawSegment(ctx, rows, a, a, c0, c0);
        }
        break;
    case PrimitiveType::LineList:
    case PrimitiveType::LineStrip:
        for (uint64_t p = first; p < prims; ++p) {
            const uint64_t i = call.type == PrimitiveType::LineList ? 2 * p : p;
            const ClipVertex* a = cached(ctx, ctx.vertexAt(i), c0);
            const ClipVertex* b = cached(ctx, ctx.vertexAt(i + 1), c1);
            if (a && b) drawSegment(ctx, rows, a, b, c0, c1);
        }
        break;
    case PrimitiveType::TriangleList:
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan: {
        FragmentBatcher batcher(ctx.pixels, ctx.scissor);
        if (call.type == PrimitiveType::TriangleList && ctx.pixels.direct == DirectPath::Gouraud &&
            ctx.state->shadeMode == ShadeMode::Gouraud) {
            walkDirectList(ctx, first, prims, rows, batcher);
            batcher.flush();
            break;
        }
        for (uint64_t p = first; p < prims; ++p) {
            uint64_t i0, i1, i2;
            triangleVertices(call.type, p, i0, i1, i2);
            const ClipVertex* a = cached(ctx, ctx.vertexAt(i0), c0);
            const ClipVertex* b = cached(ctx, ctx.vertexAt(i1), c1);
            const ClipVertex* c = cached(ctx, ctx.vertexAt(i2), c2);
            if (a && b && c) drawTriangle(ctx, rows, batcher, a, b, c, c0, c1, c2);
        }
        batcher.flush();
        break;
    }
    }
}

// Below this many pixels (summed over the draw's triangles) a helper thread costs more than it
// saves: handing work over takes a few microseconds, a small glyph or a sphere facet far less.
// Lit, textured pixels in perspective cost a few nanoseconds each, so the mirror's reflected
// floor (some ten thousand pixels) is already worth sharing.
constexpr float kParallelArea = 8192.0f;

// A quick estimate of the pixels a triangle draw covers; triangles reaching behind the eye count
// as a whole viewport.
float estimatedArea(const DrawContext& ctx, uint64_t prims) {
    const DrawCall& call = *ctx.call;
    const Viewport& vp = ctx.state->viewport;
    const float full = float(vp.width) * float(vp.height);
    const float sx = float(vp.width) * 0.5f, sy = float(vp.height) * 0.5f;
    const bool pre = ctx.state->layout.pretransformed;
    float area = 0.0f;
    for (uint64_t p = 0; p < prims && area < kParallelArea; ++p) {
        uint64_t idx[3];
        triangleVertices(call.type, p, idx[0], idx[1], idx[2]);
        float x[3], y[3];
        bool ok = true;
        for (int k = 0; k < 3 && ok; ++k) {
            uint32_t code = 0;
            const ClipVertex* v = cached(ctx, ctx.vertexAt(idx[k]), code);
            if (v == nullptr) {
                ok = false;
            } else if (code != 0 && (pre || !(v->pos[3] > 0.0f))) {
                // Behind the eye, its projection says nothing: count the whole viewport. (In
                // front, a vertex cut only by a user plane or the guard band still projects.)
                area += full;
                ok = false;
            } else {
                const float q = pre ? 1.0f : 1.0f / v->pos[3];
                x[k] = v->pos[0] * q * (pre ? 1.0f : sx);
                y[k] = v->pos[1] * q * (pre ? 1.0f : sy);
            }
        }
        if (ok) area += std::fabs((x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0])) * 0.5f;
    }
    return area;
}

bool makeScissor(const PipelineState& s, const Targets& t, bool depthUsed, Scissor& out) {
    const ColorTarget& c = t.color;
    if (c.data == nullptr || c.width == 0 || c.height == 0 || c.pitch < int32_t(c.width * 4)) return false;
    int64_t x0 = s.viewport.x, y0 = s.viewport.y;
    int64_t x1 = x0 + s.viewport.width, y1 = y0 + s.viewport.height;
    x1 = std::min<int64_t>(x1, c.width);
    y1 = std::min<int64_t>(y1, c.height);
    if (depthUsed) {  // never touch depth memory the depth target does not have
        x1 = std::min<int64_t>(x1, t.depth.width);
        y1 = std::min<int64_t>(y1, t.depth.height);
    }
    if (x0 >= x1 || y0 >= y1) return false;
    out = {int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1)};
    return true;
}

// Everything of a draw up to the primitive walk: the pixel pipeline for the state and the vertex
// stage over every vertex the draw uses. Returns how many primitives the walk is to draw (0 when
// there is nothing to draw). ctx keeps pointers to state and call.
// From this many vertices on, the vertex stage is shared between the threads (a batch of glyphs).
constexpr int64_t kParallelVertices = 512;

uint64_t prepareDraw(const PipelineState& state, const DrawCall& call, const Targets& targets, DrawContext& ctx) {
    if (call.primitiveCount == 0 || !state.layout.position.present) return 0;
    const bool depthUsed = state.zEnable && targets.depth.data != nullptr;
    if (depthUsed && targets.depth.pitch < int32_t(targets.depth.width * 4)) return 0;
    if (!makeScissor(state, targets, depthUsed, ctx.scissor)) return 0;
    ctx.state = &state;
    ctx.call = &call;
    prepareVertexStage(state, ctx.vertexStage);
    preparePixelPipeline(state, targets, ctx.pixels);
    ctx.userPlanes = state.layout.pretransformed ? 0 : ctx.vertexStage.clipPlaneCount;
    ctx.varyingCount = ctx.pixels.varyingCount;

    // Only primitives whose vertices can exist are walked: a huge primitive count over a small
    // buffer costs nothing.
    uint32_t streamVertices = 0;
    for (const VertexStream& st : call.streams) streamVertices = std::max(streamVertices, st.vertexCount);
    const uint64_t available = call.indexFormat == IndexFormat::None
                                   ? uint64_t(std::max<int64_t>(0, int64_t(streamVertices) - call.baseVertex))
                                   : (call.indices ? uint64_t(call.indexCount) : 0);
    uint64_t prims = call.primitiveCount;
    while (prims > 0 && verticesFor(call.type, prims) > available) {
        const uint64_t fit = call.type == PrimitiveType::LineList       ? available / 2
                             : call.type == PrimitiveType::TriangleList ? available / 3
                             : call.type == PrimitiveType::PointList    ? available
                             : call.type == PrimitiveType::LineStrip    ? (available > 0 ? available - 1 : 0)
                                                                        : (available > 1 ? available - 2 : 0);
        prims = std::min(prims, fit);
        if (verticesFor(call.type, prims) <= available) break;
    }
    if (prims == 0) return 0;
    const uint64_t needed = verticesFor(call.type, prims);

    // The range of vertex indices the draw refers to; indexed draws scan their indices once.
    int64_t lo, hi;
    ctx.indexed = call.indexFormat != IndexFormat::None;
    ctx.indicesInCache = false;
    bool indicesInRange = false;  // every index was read and none fell below zero
    if (!ctx.indexed) {
        lo = std::max<int64_t>(call.baseVertex, 0);
        hi = int64_t(call.baseVertex) + int64_t(needed) - 1;
    } else {
        lo = INT64_MAX;
        hi = INT64_MIN;
        ctx.indices.resize(needed);
        const uint64_t readable = call.indices ? std::min<uint64_t>(needed, call.indexCount) : 0;
        if (call.indexFormat == IndexFormat::U16 && readable > 0) {
            // The common case (meshes, sprites) in a loop the compiler can vectorise.
            const uint8_t* bytes = static_cast<const uint8_t*>(call.indices);
            const int64_t base = call.baseVertex;
            int64_t* out = ctx.indices.data();
            uint16_t least = 0xFFFF, most = 0;
            for (uint64_t i = 0; i < readable; ++i) {
                uint16_t index;
                std::memcpy(&index, bytes + 2 * i, 2);
                out[i] = base + int64_t(index);
                least = std::min(least, index);
                most = std::max(most, index);
            }
            for (uint64_t i = readable; i < needed; ++i) out[i] = -1;
            if (base >= 0) {
                // No index falls below zero: the range is the indices' own, found on 16-bit values.
                lo = base + least;
                hi = base + most;
                indicesInRange = readable == needed;
            } else {
                for (uint64_t i = 0; i < readable; ++i) {
                    const int64_t v = out[i];
                    if (v < 0) continue;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            }
        } else {
            for (uint64_t i = 0; i < needed; ++i) {
                const int64_t v = vertexIndex(call, i);
                ctx.indices[i] = v;
                if (v < 0) continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    // Vertices that no stream holds are never processed, so the cache never outgrows the streams.
    if (hi >= int64_t(streamVertices)) {
        hi = int64_t(streamVertices) - 1;
        indicesInRange = false;
    }
    if (lo > hi) return 0;
    ctx.indicesInCache = indicesInRange;
    VertexCache& cache = ctx.cache;
    cache.first = lo;
    const size_t count = size_t(hi - lo + 1);
    cache.vertices.resize(count);
    cache.screen.resize(count);
    cache.codes.resize(count);
    cache.state.assign(count, 0);

    // The first unreadable vertex of [lo, hi], by bisection (hi + 1 when all can be read).
    if (vertexReadable(state.layout, call, hi)) {
        ctx.readableEnd = hi + 1;
    } else {
        int64_t good = lo - 1, bad = hi;  // readable at good (or before lo), unreadable at bad
        while (bad - good > 1) {
            const int64_t mid = good + (bad - good) / 2;
            if (vertexReadable(state.layout, call, mid)) good = mid;
            else bad = mid;
        }
        ctx.readableEnd = bad;
    }

    // Every vertex the draw uses is processed first, so the primitive walk below only reads the
    // cache and can run on several threads at once.
    // When the referenced range is no longer than the index list (a mesh), the range is walked in
    // order instead, which touches each vertex once without going through the indices.
    uint32_t code;
    VertexBlockSetup blocks;
    if (ctx.indexed && count > needed) {
        for (uint64_t i = 0; i < needed; ++i) fetch(ctx, ctx.indices[i], code);
    } else if (wideLanes() && prepareVertexBlocks(state, ctx.vertexStage, call, ctx.varyingCount, blocks)) {
        // Eight vertices at a time, with the same results as one at a time.
        const int64_t end = std::min(hi + 1, ctx.readableEnd);
        if (end > lo) {
            const int64_t n = end - lo;
            const int threads = n >= kParallelVertices ? threadCount() : 1;
            runParallel(threads, [&](int part) {
                // Whole blocks of eight to each thread, each vertex computed as it would be alone.
                const int64_t from = (n * part / threads) & ~int64_t(7);
                const int64_t to = part + 1 == threads ? n : (n * (part + 1) / threads) & ~int64_t(7);
                if (to > from) {
                    vertexBlocksAvx2(blocks, lo + from, to - from, cache.vertices.data() + from,
                                     cache.codes.data() + from, cache.screen.data() + from);
                }
            });
            std::fill(cache.state.begin(), cache.state.begin() + n, uint8_t(1));
        }
        std::fill(cache.state.begin() + (std::max(end, lo) - lo), cache.state.end(), uint8_t(2));
    } else {
        for (int64_t v = lo; v <= hi; ++v) fetch(ctx, v, code);
    }
    return g_stopAfter.load(std::memory_order_relaxed) == StopAfter::Vertex ? 0 : prims;
}

// Whether the primitive walk is worth sharing between threads by bands of rows.
bool splitsByRows(const DrawContext& ctx, uint64_t prims) {
    return threadCount() > 1 && ctx.call->type >= PrimitiveType::TriangleList &&
           estimatedArea(ctx, prims) >= kParallelArea;
}

// From this many triangles on, a draw's set-up costs more than its pixels' uneven spread: it is
// split into one run of rows per thread, so that most triangles are set up by one thread only
// (glyph quads), rather than into interleaved bands that every triangle reaches.
constexpr uint64_t kManyTriangles = 64;

// Splits the scissor's rows into `parts` runs of about equal work, counting for each triangle
// inside the view volume its box's pixels plus a fixed cost for its set-up, spread evenly over
// its rows (a triangle cut by a plane counts over every row). A cut through a triangle costs
// another set-up (both runs set it up), so each cut goes where the imbalance plus that cost is
// least: between two lines of text rather than one row above the end of a line. cuts[i] is the
// first row of part i.
void balancedRows(const DrawContext& ctx, uint64_t prims, int parts, int32_t* cuts, uint64_t* firstPrim,
                  uint64_t* endPrim) {
    const Scissor& sc = ctx.scissor;
    // Each primitive's rows (clamped to the scissor), or all of them when it is cut by a plane;
    // an empty range for one that is not drawn at all.
    std::vector<int32_t> rowLo(prims, 1), rowHi(prims, 0);
    const int32_t rows = sc.y1 - sc.y0;
    // Work per row as differences: slope[y] changes the per-row work from row y on; likewise
    // crossings[y], the number of triangles a cut above row y would go through.
    std::vector<double> slope(size_t(rows) + 1, 0.0);
    std::vector<int32_t> crossings(size_t(rows) + 1, 0);
    constexpr double kSetupPixels = 48.0;
    const auto spread = [&](int32_t y0, int32_t y1, double work) {  // rows [y0, y1]
        y0 = std::max(y0, sc.y0);
        y1 = std::min(y1, sc.y1 - 1);
        if (y0 > y1) return;
        const double perRow = work / double(y1 - y0 + 1);
        slope[size_t(y0 - sc.y0)] += perRow;
        slope[size_t(y1 - sc.y0 + 1)] -= perRow;
        crossings[size_t(y0 - sc.y0) + 1] += 1;  // cuts above rows y0 + 1 .. y1
        crossings[size_t(y1 - sc.y0) + 1] -= 1;
    };
    const VertexCache& c = ctx.cache;
    for (uint64_t p = 0; p < prims; ++p) {
        uint64_t idx[3];
        triangleVertices(ctx.call->type, p, idx[0], idx[1], idx[2]);
        float minX = 0, maxX = 0, minY = 0, maxY = 0;
        bool inside = true, found = true;
        for (int k = 0; k < 3 && found; ++k) {
            uint32_t code = 0;
            const int64_t index = ctx.vertexAt(idx[k]);
            found = cached(ctx, index, code) != nullptr;
            if (!found) break;
            if (code != 0) {
                inside = false;
                continue;
            }
            const ScreenVertex& v = c.screen[size_t(index - c.first)];
            minX = k == 0 ? v.x : std::min(minX, v.x);
            maxX = k == 0 ? v.x : std::max(maxX, v.x);
            minY = k == 0 ? v.y : std::min(minY, v.y);
            maxY = k == 0 ? v.y : std::max(maxY, v.y);
        }
        if (!found) continue;
        // Pretransformed positions may be anything: far away or not a number counts as cut.
        constexpr float kFar = 1e7f;
        if (!(minX >= -kFar && maxX <= kFar && minY >= -kFar && maxY <= kFar)) inside = false;
        if (!inside) {
            spread(sc.y0, sc.y1 - 1, double(sc.x1 - sc.x0) * double(rows) * 0.5);
            rowLo[p] = sc.y0, rowHi[p] = sc.y1 - 1;
            continue;
        }
        // Rows from the one above the box to the one below it: a pixel centre inside the
        // triangle lies within its box.
        rowLo[p] = std::max(int32_t(std::floor(minY)), sc.y0);
        rowHi[p] = std::min(int32_t(std::ceil(maxY)), sc.y1 - 1);
        const double area = std::min(double(maxX - minX), double(sc.x1 - sc.x0)) *
                            std::min(double(maxY - minY), double(rows)) * 0.5;
        spread(int32_t(std::max(minY, float(sc.y0))), int32_t(std::min(maxY, float(sc.y1))), area + kSetupPixels);
    }
    // before[y]: the work of the rows above row y; the cost of a cut above row y.
    std::vector<double> before(size_t(rows) + 1, 0.0);
    double perRow = 0.0;
    int32_t crossing = 0;
    for (int32_t y = 0; y < rows; ++y) {
        perRow += slope[size_t(y)];
        before[size_t(y) + 1] = before[size_t(y)] + perRow;
        crossing += crossings[size_t(y)];
        crossings[size_t(y)] = crossing;
    }
    crossings[size_t(rows)] = 0;
    const double total = before[size_t(rows)];
    cuts[0] = sc.y0;
    int32_t from = 0;
    for (int part = 1; part < parts; ++part) {
        const double target = total * double(part) / double(parts);
        int32_t best = from;
        double bestCost = INFINITY;
        for (int32_t y = from; y <= rows; ++y) {
            const double cost = std::abs(before[size_t(y)] - target) + kSetupPixels * double(crossings[size_t(y)]);
            if (cost < bestCost) {
                bestCost = cost;
                best = y;
            }
            if (before[size_t(y)] - target > bestCost) break;  // only worse further down
        }
        cuts[part] = sc.y0 + best;
        from = best;
    }
    cuts[parts] = sc.y1;
    // The primitives each run reaches: the run walks only [firstPrim, endPrim) of them.
    for (int part = 0; part < parts; ++part) firstPrim[part] = prims, endPrim[part] = 0;
    for (uint64_t p = 0; p < prims; ++p) {
        for (int part = 0; part < parts; ++part) {
            if (rowLo[p] > rowHi[p] || rowHi[p] < cuts[part] || rowLo[p] >= cuts[part + 1]) continue;
            firstPrim[part] = std::min(firstPrim[part], p);
            endPrim[part] = p + 1;
        }
    }
}

void walkAll(const DrawContext& ctx, uint64_t prims) {
    if (!splitsByRows(ctx, prims)) {
        walkPrimitives(ctx, prims, RowFilter{});
        return;
    }
    const int threads = threadCount();
    if (prims >= kManyTriangles) {
        // One run of rows a thread, each walking only the primitives that reach its rows.
        const int runs = threads;
        std::vector<int32_t> cuts(size_t(runs) + 1);
        std::vector<uint64_t> firstPrim(static_cast<size_t>(runs)), endPrim(static_cast<size_t>(runs));
        balancedRows(ctx, prims, runs, cuts.data(), firstPrim.data(), endPrim.data());
        runParallel(runs, [&](int index) {
            RowFilter rows;
            rows.firstRow = cuts[size_t(index)];
            rows.endRow = cuts[size_t(index) + 1];
            const uint64_t first = firstPrim[size_t(index)], end = endPrim[size_t(index)];
            if (rows.firstRow < rows.endRow && first < end) walkPrimitives(ctx, end, rows, first);
        });
        return;
    }
    runParallel(threads, [&](int index) { walkPrimitives(ctx, prims, RowFilter{kBandShift, threads, index}); });
}

// The pixels a draw may touch, as a rectangle inside the scissor: the bounds of its vertices on
// the screen with a margin for snapping and line ends, or the whole scissor when a vertex has no
// place on the screen (behind the eye). A vertex cut away by a clip plane or the guard band but in
// front of the eye still bounds the draw: what clipping keeps of a primitive lies inside the
// projection of the whole primitive.
Rect screenBox(const DrawContext& ctx) {
    const Scissor& sc = ctx.scissor;
    const Rect whole{sc.x0, sc.y0, sc.x1, sc.y1};
    const VertexCache& c = ctx.cache;
    const Viewport& vp = ctx.state->viewport;
    const float halfW = float(vp.width) * 0.5f, halfH = float(vp.height) * 0.5f;
    constexpr float kFar = 1e30f;
    float x0 = kFar, y0 = kFar, x1 = -kFar, y1 = -kFar;
    for (size_t i = 0; i < c.state.size(); ++i) {
        if (c.state[i] != 1) continue;
        float x, y;
        if (c.codes[i] == 0) {
            x = c.screen[i].x;
            y = c.screen[i].y;
        } else {
            const ClipVertex& v = c.vertices[i];
            if (!(v.pos[3] > 0.0f)) return whole;
            const float q = 1.0f / v.pos[3];
            x = float(vp.x) + (1.0f + v.pos[0] * q) * halfW;
            y = float(vp.y) + (1.0f - v.pos[1] * q) * halfH;
        }
        if (!(std::fabs(x) < kFar && std::fabs(y) < kFar)) return whole;  // also NaN
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    if (x0 > x1) return Rect{};  // no vertex: nothing is drawn
    constexpr float kMargin = 2.0f;
    const auto lower = [](float v, int32_t lo, int32_t hi) {
        return v - kMargin <= float(lo) ? lo : (v - kMargin >= float(hi) ? hi : int32_t(v - kMargin));
    };
    const auto upper = [](float v, int32_t lo, int32_t hi) {
        return v + kMargin <= float(lo) ? lo : (v + kMargin >= float(hi) ? hi : int32_t(v + kMargin) + 1);
    };
    return Rect{lower(x0, sc.x0, sc.x1), lower(y0, sc.y0, sc.y1), upper(x1, sc.x0, sc.x1), upper(y1, sc.y0, sc.y1)};
}

bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool textured(const PipelineState& state) {
    for (const TextureStage& stage : state.stages) {
        if (stage.texture != nullptr) return true;
    }
    return false;
}

void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// A queue holds at most this many draws; the next one finishes it. A frame's runs of small draws
// (the springs, the spheres) are a few dozen long between the large draws that finish it anyway.
constexpr size_t kQueueLength = 128;

}  // namespace

void setStopAfter(StopAfter stop) {
    g_stopAfter.store(stop, std::memory_order_relaxed);
}

void draw(const PipelineState& state, const DrawCall& call, const Targets& targets) {
    thread_local DrawContext ctx;
    if (const uint64_t prims = prepareDraw(state, call, targets, ctx)) walkAll(ctx, prims);
}

Rect drawBounds(const PipelineState& state, const DrawCall& call, const Targets& targets) {
    thread_local DrawContext ctx;
    const uint64_t prims = prepareDraw(state, call, targets, ctx);
    return prims ? screenBox(ctx) : Rect{};
}

// A held draw: copies of its state, of its call and of the vertices and indices the call reads,
// so that it can be drawn after the caller has moved on.
struct DrawQueue::Held {
    PipelineState state;
    DrawCall call;
    Targets targets;
    std::vector<std::byte> vertices[kMaxStreams];
    std::vector<std::byte> indices;
    Rect box;                          // set by the thread that draws it, before boxKnown
    std::atomic<bool> boxKnown{false};
    std::atomic<bool> done{false};
};

namespace {

// Draws larger than this are drawn at once rather than copied (a small draw is a sphere; a
// draw this large is large on the screen too, or reads far more than it draws).
constexpr uint64_t kMaxHeldVertices = 4096;
constexpr uint64_t kMaxHeldPrimitives = 4096;
constexpr uint64_t kLookedAtPrimitives = 16;

// Copies what the draw reads into h and points h.call at the copies; false when the draw is not
// one to hold back (too large, or a stream layout the copy does not cover).
bool capture(const PipelineState& state, const DrawCall& call, DrawQueue::Held& h) {
    if (call.primitiveCount == 0 || call.primitiveCount > kMaxHeldPrimitives) return false;
    const VertexLayout& layout = state.layout;
    const VertexElement* elements[4 + kMaxTexCoords] = {&layout.position, &layout.normal, &layout.diffuse,
                                                         &layout.specular};
    for (int k = 0; k < kMaxTexCoords; ++k) elements[4 + k] = &layout.texCoord[k];
    bool used[kMaxStreams] = {};
    for (const VertexElement* e : elements) {
        if (!e->present) continue;
        if (e->stream >= kMaxStreams) return false;
        const VertexStream& st = call.streams[e->stream];
        // An element reaching past its vertex's stride reads the next vertex, which the copy may
        // not have: such layouts (and a stride of 0) are left to draw().
        if (st.stride == 0 || uint64_t(e->offset) + elementSize(e->type) > st.stride) return false;
        used[e->stream] = true;
    }

    // The vertex numbers the draw refers to.
    const uint64_t needed = verticesFor(call.type, call.primitiveCount);
    int64_t lo = INT64_MAX, hi = -1;
    h.call = call;
    if (call.indexFormat == IndexFormat::None) {
        lo = std::max<int64_t>(call.baseVertex, 0);
        hi = int64_t(call.baseVertex) + int64_t(needed) - 1;
    } else {
        const uint64_t count = call.indices ? std::min<uint64_t>(needed, call.indexCount) : 0;
        const size_t size = call.indexFormat == IndexFormat::U16 ? 2 : 4;
        h.indices.resize(count * size);
        if (count > 0) std::memcpy(h.indices.data(), call.indices, count * size);
        h.call.indices = h.indices.data();
        h.call.indexCount = uint32_t(count);
        // The range of the indices, in loops the compiler can vectorise (a sphere has 336).
        uint32_t first = UINT32_MAX, last = 0;
        if (size == 2) {
            uint16_t least = 0xFFFF, most = 0;
            for (uint64_t i = 0; i < count; ++i) {
                uint16_t v;
                std::memcpy(&v, h.indices.data() + 2 * i, 2);
                least = std::min(least, v);
                most = std::max(most, v);
            }
            first = least;
            last = most;
        } else {
            for (uint64_t i = 0; i < count; ++i) {
                uint32_t v;
                std::memcpy(&v, h.indices.data() + 4 * i, 4);
                first = std::min(first, v);
                last = std::max(last, v);
            }
        }
        if (count > 0) {
            lo = std::max<int64_t>(int64_t(call.baseVertex) + first, 0);
            hi = int64_t(call.baseVertex) + last;
        }
    }
    if (hi >= lo && uint64_t(hi - lo) >= kMaxHeldVertices) return false;

    // Vertex lo of each stream becomes vertex 0 of its copy.
    for (int k = 0; k < kMaxStreams; ++k) {
        VertexStream& st = h.call.streams[k];
        h.vertices[k].clear();
        if (!used[k]) {
            st = VertexStream{};
            continue;
        }
        const int64_t last = st.data ? std::min<int64_t>(hi, int64_t(st.vertexCount) - 1) : -1;
        const uint64_t count = last >= lo ? uint64_t(last - lo + 1) : 0;
        h.vertices[k].resize(count * st.stride);
        if (count > 0) std::memcpy(h.vertices[k].data(), st.data + uint64_t(lo) * st.stride, count * st.stride);
        st.data = count > 0 ? h.vertices[k].data() : nullptr;
        st.vertexCount = uint32_t(count);
    }
    if (hi >= lo) h.call.baseVertex = int32_t(int64_t(call.baseVertex) - lo);
    return true;
}

}  // namespace

// Consecutive line-list draws gathered into one (see DrawQueue): the first draw's state and
// targets, and a call whose stream 0 is the copies of every draw's vertices in turn.
struct DrawQueue::LineBatch {
    PipelineState state;
    Targets targets;
    DrawCall call;
    std::vector<std::byte> vertices;
    bool active = false;
};

namespace {

constexpr uint64_t kMaxGatheredLines = 4096;

// Whether a draw may join a line batch: an untextured, non-indexed line list whose elements all
// lie in stream 0 inside its stride, with every vertex it uses readable (so that its lines are
// the batch's, one for one).
bool gatherable(const PipelineState& state, const DrawCall& call) {
    if (call.type != PrimitiveType::LineList || call.indexFormat != IndexFormat::None || textured(state)) return false;
    if (call.primitiveCount == 0 || call.primitiveCount > kMaxGatheredLines || call.baseVertex < 0) return false;
    const VertexStream& st = call.streams[0];
    if (st.data == nullptr || st.stride == 0 ||
        uint64_t(call.baseVertex) + 2 * uint64_t(call.primitiveCount) > st.vertexCount) {
        return false;
    }
    const VertexLayout& layout = state.layout;
    const VertexElement* elements[4 + kMaxTexCoords] = {&layout.position, &layout.normal, &layout.diffuse,
                                                         &layout.specular};
    for (int k = 0; k < kMaxTexCoords; ++k) elements[4 + k] = &layout.texCoord[k];
    for (const VertexElement* e : elements) {
        if (e->present && (e->stream != 0 || uint64_t(e->offset) + elementSize(e->type) > st.stride)) return false;
    }
    return true;
}

}  // namespace

// A depth (and stencil) clear put off until the buffer is used (see DrawQueue).
struct DrawQueue::DepthClear {
    DepthTarget target;
    ClearRequest request;  // depth and stencil flags only; rects point at `rects`
    std::vector<Rect> rects;
    bool active = false;
};

namespace {

bool sameMemory(const DepthTarget& a, const DepthTarget& b) {
    return a.data == b.data && a.pitch == b.pitch && a.width == b.width && a.height == b.height;
}

// Whether `later` rewrites every word `earlier` would write, in every channel it would write: a
// clear of the whole viewport (no rectangles) that contains the earlier one's area.
bool covers(const ClearRequest& later, const ClearRequest& earlier) {
    if ((earlier.flags & ~later.flags) != 0 || later.rects != nullptr) return false;
    const Viewport& a = later.viewport;
    const Viewport& b = earlier.viewport;
    const auto end = [](uint32_t start, uint32_t size) { return uint64_t(start) + size; };
    return a.x <= b.x && a.y <= b.y && end(a.x, a.width) >= end(b.x, b.width) &&
           end(a.y, a.height) >= end(b.y, b.height);
}

}  // namespace

// The run of held draws being drawn: draws [0, published) may be claimed, in order, by any
// thread taking part; `closed` says no more will come.
struct DrawQueue::Run {
    std::atomic<size_t> published{0};
    std::atomic<size_t> next{0};
    std::atomic<bool> closed{false};
    BackgroundWork helpers;
};

DrawQueue::DrawQueue()
    : m_run(std::make_unique<Run>()), m_lines(std::make_unique<LineBatch>()), m_depth(std::make_unique<DepthClear>()) {
    m_held.reserve(kQueueLength);  // helpers read the list while it grows: it never moves
}

DrawQueue::~DrawQueue() {
    finish();
}

void DrawQueue::draw(const PipelineState& state, const DrawCall& call, const Targets& targets) {
    if (m_depth->active && state.zEnable && targets.depth.data != nullptr &&
        sameMemory(targets.depth, m_depth->target)) {
        finish();
        clearDepth();
    }
    if (gatherable(state, call)) {
        LineBatch& b = *m_lines;
        const VertexStream& st = call.streams[0];
        // (The same bytes answer at once; a state rebuilt for each draw is compared field by field.)
        const bool joins = b.active && b.call.streams[0].stride == st.stride &&
                           b.call.primitiveCount + call.primitiveCount <= kMaxGatheredLines && b.targets == targets &&
                           (std::memcmp(&b.state, &state, sizeof state) == 0 || b.state == state);
        if (!joins) {
            finish();  // what came before goes first
            b.state = state;
            b.targets = targets;
            b.call = DrawCall{};
            b.call.type = PrimitiveType::LineList;
            b.call.streams[0].stride = st.stride;
            b.vertices.clear();
            b.active = true;
        }
        const std::byte* first = st.data + uint64_t(call.baseVertex) * st.stride;
        b.vertices.insert(b.vertices.end(), first, first + 2 * uint64_t(call.primitiveCount) * st.stride);
        b.call.primitiveCount += call.primitiveCount;
        return;
    }
    drawLines();
    // With one thread there is nothing to share the work with; textures may change as soon as
    // the draw returns. Lines and points are left alone too: a line is long and thin, so its
    // rectangle meets most others and held lines would mostly wait for each other.
    if (threadCount() <= 1 || textured(state) || call.type < PrimitiveType::TriangleList) {
        finish();
        raster::draw(state, call, targets);
        return;
    }
    // A draw of a few triangles may be large on the screen (a quad over the mirror): those are
    // looked at first, and the large ones shared by rows at once. Meshes of more triangles are
    // held unseen (the check would cost a second vertex stage); a large one is then drawn by
    // one thread.
    if (call.primitiveCount <= kLookedAtPrimitives) {
        thread_local DrawContext ctx;
        const uint64_t prims = prepareDraw(state, call, targets, ctx);
        if (prims == 0) return;
        if (splitsByRows(ctx, prims)) {
            finish();
            walkAll(ctx, prims);
            return;
        }
    }
    if (m_count == kQueueLength) finish();
    if (m_count == m_held.size()) m_held.push_back(std::make_unique<Held>());
    Held& h = *m_held[m_count];
    if (!capture(state, call, h)) {
        finish();
        raster::draw(state, call, targets);
        return;
    }
    h.state = state;
    h.targets = targets;
    h.boxKnown.store(false, std::memory_order_relaxed);
    h.done.store(false, std::memory_order_relaxed);
    ++m_count;
    m_run->published.store(m_count, std::memory_order_release);
    // The helpers start on the first held draw while this thread goes on to the next (if the
    // pool is busy with other work, the draws wait for finish()).
    if (m_count == 1) m_run->helpers.start(threadCount(), [this](int) { drawHeld(); });
}

void DrawQueue::clear(const ClearRequest& request, const Targets& targets) {
    finish();
    ClearRequest now = request;
    const uint32_t depthFlags = request.flags & (kClearZBuffer | kClearStencil);
    const bool noRects = request.rects != nullptr && request.rectCount == 0;  // clears nothing
    if (depthFlags != 0 && targets.depth.data != nullptr && !noRects) {
        DepthClear& d = *m_depth;
        ClearRequest later = request;
        later.flags = depthFlags;
        if (d.active && !(sameMemory(d.target, targets.depth) && covers(later, d.request))) clearDepth();
        d.target = targets.depth;
        d.rects.assign(request.rects, request.rects + (request.rects ? request.rectCount : 0));
        later.rects = d.rects.empty() ? nullptr : d.rects.data();
        d.request = later;
        d.active = true;
        now.flags &= ~depthFlags;
    }
    if (now.flags != 0) raster::clear(now, targets);
}

void DrawQueue::clearDepth() {
    DepthClear& d = *m_depth;
    if (!d.active) return;
    d.active = false;
    Targets depthOnly;
    depthOnly.depth = d.target;
    raster::clear(d.request, depthOnly);
}

void DrawQueue::settle() {
    finish();
    clearDepth();
}

bool DrawQueue::depthClearPending() const {
    return m_depth->active;
}

void DrawQueue::drawLines() {
    LineBatch& b = *m_lines;
    if (!b.active) return;
    b.active = false;
    b.call.streams[0].data = b.vertices.data();
    b.call.streams[0].vertexCount = uint32_t(b.vertices.size() / b.call.streams[0].stride);
    raster::draw(b.state, b.call, b.targets);
}

void DrawQueue::finish() {
    drawLines();
    if (m_count == 0) return;
    m_run->closed.store(true, std::memory_order_release);
    m_run->helpers.join();  // this thread takes the parts no helper has taken
    // A helper that found no draw for a while has left, maybe before the last draws came (or
    // the helpers were busy elsewhere): whatever nobody claimed is drawn here.
    drawHeld();
    m_count = 0;
    m_run->published.store(0, std::memory_order_relaxed);
    m_run->next.store(0, std::memory_order_relaxed);
    m_run->closed.store(false, std::memory_order_relaxed);
}

// One thread's part of drawing the held draws. Draws are claimed in order by whichever thread is
// free, which runs the vertex stage, finds the draw's rectangle and publishes it. Before filling,
// it waits for every earlier draw whose rectangle overlaps its own to be done: claiming in order
// means each earlier draw is done or in another thread's hands, and publishes its rectangle
// without waiting for anything. A helper that finds nothing to claim waits for the next draw
// for a while, and leaves when the run is closed (or after 200 microseconds without work: the
// caller may hold draws for long, and finishes the rest itself).
void DrawQueue::drawHeld() {
    using Clock = std::chrono::steady_clock;
    const auto wait = [](const std::atomic<bool>& flag) {
        for (int spins = 0; !flag.load(std::memory_order_acquire); ++spins) {
            if (spins < 4096) cpuRelax();
            else std::this_thread::yield();  // its thread may be waiting for a processor
        }
    };
    thread_local DrawContext ctx;
    Run& run = *m_run;
    size_t known = 0;  // draws [0, known) are done, as far as this thread has seen
    Clock::time_point idleSince{};
    for (int idle = 0;;) {
        size_t j = run.next.load(std::memory_order_relaxed);
        const bool closed = run.closed.load(std::memory_order_acquire);
        if (j >= run.published.load(std::memory_order_acquire)) {
            if (closed) return;
            if (idle == 0) idleSince = Clock::now();
            if ((++idle & 255) == 0 && Clock::now() - idleSince > std::chrono::microseconds(200)) return;
            cpuRelax();
            continue;
        }
        idle = 0;
        if (!run.next.compare_exchange_weak(j, j + 1, std::memory_order_relaxed)) continue;
        Held& h = *m_held[j];
        const uint64_t prims = prepareDraw(h.state, h.call, h.targets, ctx);
        h.box = prims ? screenBox(ctx) : Rect{};
        h.boxKnown.store(true, std::memory_order_release);
        while (known < j && m_held[known]->done.load(std::memory_order_acquire)) ++known;
        for (size_t i = known; i < j; ++i) {
            const Held& earlier = *m_held[i];
            wait(earlier.boxKnown);
            if (overlaps(earlier.box, h.box)) wait(earlier.done);
        }
        if (prims) walkPrimitives(ctx, prims, RowFilter{});
        h.done.store(true, std::memory_order_release);
    }
}

}  // namespace platform::d3d9::raster
