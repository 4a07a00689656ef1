// The draw queue: small untextured draws are held back and drawn later on several threads. What
// matters is that the bytes are exactly those of drawing each call at once, whatever the thread
// count, even where held draws overlap and blend, and that a held draw no longer reads the
// caller's vertices and indices.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/platform/d3d9/raster/raster_fixture.h"

using namespace raster_test;

namespace {

constexpr uint32_t kSize = 96;

// Restores the default thread count however a test ends.
struct ThreadCount {
    explicit ThreadCount(int n) { r::setThreadCount(n); }
    ~ThreadCount() { r::setThreadCount(2); }
};

// A draw of the scene below: its state, its vertices and (when indexed) its indices.
struct SceneDraw {
    r::PipelineState state;
    r::PrimitiveType type;
    uint32_t prims;
    std::vector<Vtx> vertices;
    std::vector<uint16_t> indices;
    int32_t baseVertex = 0;
    bool clear = false;  // a clear of the whole target to vertices[0].color instead of a draw
};

r::DrawCall callOf(const SceneDraw& d, const std::vector<Vtx>& vertices, const std::vector<uint16_t>& indices) {
    r::DrawCall call = callFor(vertices, d.type, d.prims);
    call.baseVertex = d.baseVertex;
    if (!indices.empty()) {
        call.indexFormat = r::IndexFormat::U16;
        call.indices = indices.data();
        call.indexCount = uint32_t(indices.size());
    }
    return call;
}

// Many small draws that overlap: blended triangles (so that their order shows), indexed fans,
// lines and points, a few in perspective with vertices behind the eye, a few cut by a clip plane,
// and now and then a draw covering the whole target or a clear, which are not held.
std::vector<SceneDraw> overlappingScene() {
    Lcg rng;
    std::vector<SceneDraw> scene;
    for (int i = 0; i < 600; ++i) {
        SceneDraw d;
        d.state = vtxState(kSize, kSize);
        d.state.layout.texCoord[0] = {};
        d.state.alphaBlendEnable = true;
        d.state.srcBlend = r::BlendFactor::SrcAlpha;
        d.state.destBlend = r::BlendFactor::InvSrcAlpha;
        const float cx = rng.unit() * kSize, cy = rng.unit() * kSize, size = 2.0f + rng.unit() * 30.0f;
        const auto vertex = [&](float z = 0.5f) {
            return Vtx{cx + (rng.unit() - 0.5f) * size, cy + (rng.unit() - 0.5f) * size, z, rng.color(), 0, 0};
        };
        const uint32_t kind = rng.next() % 64;
        if (kind < 28) {  // a few blended triangles
            d.type = r::PrimitiveType::TriangleList;
            d.prims = 1 + rng.next() % 3;
            for (uint32_t k = 0; k < 3 * d.prims; ++k) d.vertices.push_back(vertex());
        } else if (kind < 36) {  // an indexed fan of a shared centre
            d.type = r::PrimitiveType::TriangleList;
            d.vertices.push_back(Vtx{cx, cy, 0.5f, rng.color(), 0, 0});
            for (int k = 0; k < 6; ++k) d.vertices.push_back(vertex());
            for (uint16_t k = 1; k <= 6; ++k) d.indices.insert(d.indices.end(), {0, k, uint16_t(k % 6 + 1)});
            d.prims = 6;
        } else if (kind < 48) {  // lines, stored as they are (runs of them are gathered into one draw)
            d.state.alphaBlendEnable = false;
            if (rng.next() % 4 == 0) d.state.colorWriteMask = r::kWriteRed | r::kWriteAlpha;  // another state
            d.type = r::PrimitiveType::LineList;
            d.prims = 1 + rng.next() % 2;
            if (rng.next() % 2 == 0) {  // from the second vertex on
                d.vertices.push_back(Vtx{-1e9f, 1e9f, 0.5f, 0xFFFFFFFFu, 0, 0});
                d.baseVertex = 1;
            }
            for (uint32_t k = 0; k < 2 * d.prims; ++k) d.vertices.push_back(vertex());
        } else if (kind < 52) {  // points
            d.type = r::PrimitiveType::PointList;
            d.prims = 4;
            for (int k = 0; k < 4; ++k) d.vertices.push_back(vertex());
        } else if (kind < 56) {  // perspective (w = z), some vertices behind the eye
            d.state.projection.m[2][3] = 1.0f;
            d.state.projection.m[3][3] = 0.0f;
            d.type = r::PrimitiveType::TriangleList;
            d.prims = 1;
            for (int k = 0; k < 3; ++k) d.vertices.push_back(vertex(rng.unit() * 2.0f - 0.3f));
        } else if (kind < 62) {  // cut by a clip plane through the triangle's centre
            d.state.clipPlaneEnable = 1;
            d.state.clipPlanes[0][0] = 1.0f;
            d.state.clipPlanes[0][3] = -cx;
            d.type = r::PrimitiveType::TriangleList;
            d.prims = 1;
            for (int k = 0; k < 3; ++k) d.vertices.push_back(vertex());
        } else if (kind == 62) {  // a whole-target triangle, drawn at once by rows
            d.type = r::PrimitiveType::TriangleList;
            d.prims = 1;
            d.vertices = {Vtx{-10, -10, 0.5f, rng.color() & 0x40FFFFFFu, 0, 0},
                          Vtx{3 * kSize, -10, 0.5f, rng.color() & 0x40FFFFFFu, 0, 0},
                          Vtx{-10, 3 * kSize, 0.5f, rng.color() & 0x40FFFFFFu, 0, 0}};
        } else {
            d.clear = true;
            d.vertices = {Vtx{0, 0, 0, rng.color(), 0, 0}};
        }
        scene.push_back(d);
    }
    return scene;
}

r::ClearRequest clearTo(uint32_t color) {
    r::ClearRequest c;
    c.flags = r::kClearTarget;
    c.color = color;
    c.viewport = {0, 0, kSize, kSize, 0.0f, 1.0f};
    return c;
}

Canvas drawnAtOnce(const std::vector<SceneDraw>& scene) {
    ThreadCount one(1);
    Canvas canvas(kSize, kSize, 0xFF203040u);
    for (const SceneDraw& d : scene) {
        if (d.clear) r::clear(clearTo(d.vertices[0].color), canvas.targets());
        else r::draw(d.state, callOf(d, d.vertices, d.indices), canvas.targets());
    }
    return canvas;
}

TEST(DrawQueue, HeldDrawsGiveTheBytesOfDrawingEachAtOnceOnAnyThreadCount) {
    const std::vector<SceneDraw> scene = overlappingScene();
    const Canvas expected = drawnAtOnce(scene);
    for (int threads : {1, 2, 3}) {
        for (int run = 0; run < 4; ++run) {  // the threads race differently each time
            ThreadCount count(threads);
            Canvas canvas(kSize, kSize, 0xFF203040u);
            r::DrawQueue queue;
            size_t mostHeld = 0;
            for (const SceneDraw& d : scene) {
                if (d.clear) {
                    queue.clear(clearTo(d.vertices[0].color), canvas.targets());
                    continue;
                }
                // The caller's copies are overwritten as soon as the call returns.
                std::vector<Vtx> vertices = d.vertices;
                std::vector<uint16_t> indices = d.indices;
                queue.draw(d.state, callOf(d, vertices, indices), canvas.targets());
                for (Vtx& v : vertices) v = Vtx{1e9f, -1e9f, 0.5f, 0xFFFFFFFFu, 0, 0};
                for (uint16_t& i : indices) i = 0xFFFF;
                mostHeld = std::max(mostHeld, queue.held());
            }
            queue.finish();
            EXPECT_EQ(queue.held(), 0u);
            if (threads == 1) EXPECT_EQ(mostHeld, 0u) << "one thread has no one to share with";
            else EXPECT_GT(mostHeld, 4u) << "small untextured draws are held";
            ASSERT_EQ(canvas.pixels, expected.pixels) << threads << " threads, run " << run;
        }
    }
}

// Held draws wait only for earlier ones whose rectangles overlap theirs, so a rectangle must hold
// every pixel its draw touches: drawn alone, in white on black, nothing may show outside it.
TEST(DrawQueue, ADrawTouchesNoPixelOutsideItsRectangle) {
    int inside = 0;
    for (SceneDraw d : overlappingScene()) {
        if (d.clear) continue;
        d.state.alphaBlendEnable = false;
        for (Vtx& v : d.vertices) v.color = 0xFFFFFFFFu;
        Canvas canvas(kSize, kSize, 0xFF000000u);
        const r::DrawCall call = callOf(d, d.vertices, d.indices);
        const r::Rect box = r::drawBounds(d.state, call, canvas.targets());
        r::draw(d.state, call, canvas.targets());
        for (uint32_t y = 0; y < kSize; ++y) {
            for (uint32_t x = 0; x < kSize; ++x) {
                if (canvas.at(x, y) == 0xFF000000u) continue;
                const bool within = int32_t(x) >= box.left && int32_t(x) < box.right && int32_t(y) >= box.top &&
                                    int32_t(y) < box.bottom;
                ASSERT_TRUE(within) << "pixel (" << x << ", " << y << ") outside (" << box.left << ", " << box.top
                                    << ")-(" << box.right << ", " << box.bottom << ")";
                ++inside;
            }
        }
    }
    EXPECT_GT(inside, 10000) << "the scene draws something";
}

// While one queue's helpers are at work, the same thread may still draw elsewhere: a large draw
// (which shares its rows) and a second queue both go on without the helpers instead of waiting
// for them.
TEST(DrawQueue, DrawingElsewhereWhileDrawsAreHeldNeitherWaitsNorMixesTargets) {
    ThreadCount two(2);
    r::PipelineState s = vtxState(kSize, kSize);
    s.layout.texCoord[0] = {};
    std::vector<Vtx> small, large;
    Lcg rng;
    for (int i = 0; i < 40; ++i) {
        const float x = rng.unit() * kSize, y = rng.unit() * kSize;
        for (int k = 0; k < 3; ++k) small.push_back(Vtx{x + rng.unit() * 9, y + rng.unit() * 9, 0.5f, rng.color(), 0, 0});
    }
    large = {{-10, -10, 0.5f, 0xFF336699u, 0, 0}, {300, -10, 0.5f, 0xFF996633u, 0, 0}, {-10, 300, 0.5f, 0xFF669933u, 0, 0}};
    const auto drawSmall = [&](auto&& drawOne) {
        for (int i = 0; i < 40; ++i) {
            const std::vector<Vtx> one(small.begin() + 3 * i, small.begin() + 3 * i + 3);
            drawOne(callFor(one, r::PrimitiveType::TriangleList, 1), one);
        }
    };
    Canvas expectedSmall(kSize, kSize), expectedLarge(kSize, kSize);
    {
        ThreadCount one(1);
        drawSmall([&](const r::DrawCall& c, const std::vector<Vtx>&) { r::draw(s, c, expectedSmall.targets()); });
        r::draw(s, callFor(large, r::PrimitiveType::TriangleList, 1), expectedLarge.targets());
        drawSmall([&](const r::DrawCall& c, const std::vector<Vtx>&) { r::draw(s, c, expectedLarge.targets()); });
    }
    Canvas first(kSize, kSize), second(kSize, kSize);
    r::DrawQueue a, b;
    drawSmall([&](const r::DrawCall& c, const std::vector<Vtx>&) { a.draw(s, c, first.targets()); });
    EXPECT_GT(a.held(), 0u);
    r::draw(s, callFor(large, r::PrimitiveType::TriangleList, 1), second.targets());
    drawSmall([&](const r::DrawCall& c, const std::vector<Vtx>&) { b.draw(s, c, second.targets()); });
    b.finish();
    a.finish();
    EXPECT_EQ(first.pixels, expectedSmall.pixels);
    EXPECT_EQ(second.pixels, expectedLarge.pixels);
}

// Helpers that find no held draw for a while go back to sleep; draws held after that (a caller
// busy with other things between two draws) must still be drawn when the queue is finished.
TEST(DrawQueue, DrawsHeldAfterTheHelpersLeftAreStillDrawn) {
    ThreadCount two(2);
    const std::vector<SceneDraw> scene = overlappingScene();
    std::vector<SceneDraw> small;
    for (const SceneDraw& d : scene) {
        if (!d.clear && d.type == r::PrimitiveType::TriangleList && d.vertices.size() < 12) small.push_back(d);
    }
    ASSERT_GT(small.size(), 40u);
    small.resize(40);
    const Canvas expected = drawnAtOnce(small);
    Canvas canvas(kSize, kSize, 0xFF203040u);
    r::DrawQueue queue;
    for (size_t i = 0; i < small.size(); ++i) {
        const SceneDraw& d = small[i];
        queue.draw(d.state, callOf(d, d.vertices, d.indices), canvas.targets());
        if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    queue.finish();
    EXPECT_EQ(canvas.pixels, expected.pixels);
}

// Lines gathered into one draw keep their own target: a line of the same state for another
// target ends the gathering, and each target gets exactly its own lines, in order.
TEST(DrawQueue, GatheredLinesKeepToTheirTarget) {
    for (int threads : {1, 2}) {
        ThreadCount count(threads);
        r::PipelineState s = vtxState(kSize, kSize);
        s.layout.texCoord[0] = {};
        const std::vector<Vtx> lines[3] = {
            {{5, 5, 0.5f, 0xFFFF0000u, 0, 0}, {90, 60, 0.5f, 0xFFFF0000u, 0, 0}},
            {{5, 60, 0.5f, 0xFF00FF00u, 0, 0}, {90, 5, 0.5f, 0xFF00FF00u, 0, 0}},
            {{40, 2, 0.5f, 0xFF0000FFu, 0, 0}, {50, 90, 0.5f, 0xFF0000FFu, 0, 0}},
        };
        const int targetOf[3] = {0, 1, 0};
        Canvas expected[2] = {Canvas(kSize, kSize), Canvas(kSize, kSize)};
        Canvas canvas[2] = {Canvas(kSize, kSize), Canvas(kSize, kSize)};
        r::DrawQueue queue;
        for (int i = 0; i < 3; ++i) {
            const r::DrawCall call = callFor(lines[i], r::PrimitiveType::LineList, 1);
            r::draw(s, call, expected[targetOf[i]].targets());
            queue.draw(s, call, canvas[targetOf[i]].targets());
        }
        queue.finish();
        for (int t = 0; t < 2; ++t) EXPECT_EQ(canvas[t].pixels, expected[t].pixels) << "target " << t;
        EXPECT_NE(canvas[0].pixels, canvas[1].pixels);
    }
}

// Depth clears wait until the depth buffer is used, but the memory must always end up as if
// every clear and draw had been done at once: a draw testing depth, a later clear that does not
// cover the pending one (part of the buffer, or other channels) and settle() carry it out, a
// later one that covers it replaces it, and finish() leaves it pending.
TEST(DrawQueue, DepthClearsWaitUntilTheDepthBufferIsUsed) {
    const auto depthClear = [](uint32_t flags, float z, uint32_t stencil, const std::vector<r::Rect>& rects) {
        r::ClearRequest c;
        c.flags = flags;
        c.color = 0xFF102030u;
        c.z = z;
        c.stencil = stencil;
        c.viewport = {0, 0, kSize, kSize, 0.0f, 1.0f};
        c.rects = rects.empty() ? nullptr : rects.data();
        c.rectCount = uint32_t(rects.size());
        return c;
    };
    const std::vector<r::Rect> corner = {{10, 10, 30, 30}}, none;
    r::PipelineState tested = vtxState(kSize, kSize);
    tested.layout.texCoord[0] = {};
    tested.zEnable = true;
    tested.zFunc = r::CompareFunc::Less;
    const std::vector<Vtx> quad = {{-5, -5, 0.5f, 0xFF00FF00u, 0, 0}, {200, -5, 0.5f, 0xFF00FF00u, 0, 0},
                                   {-5, 200, 0.5f, 0xFF00FF00u, 0, 0}};
    struct Step {
        r::ClearRequest clear;
        bool draw;
        bool settle = false;  // and the depth memory is looked at
    };
    r::ClearRequest rightHalf = depthClear(r::kClearZBuffer | r::kClearStencil, 0.9f, 1, none);
    rightHalf.viewport = {kSize / 2, 0, kSize / 2, kSize, 0.0f, 1.0f};
    const std::vector<Step> steps = {
        {depthClear(r::kClearZBuffer | r::kClearStencil, 0.3f, 2, none), false},
        {rightHalf, false, true},  // a smaller viewport: only part of the pending one
        {depthClear(r::kClearTarget | r::kClearZBuffer, 1.0f, 0, none), false},
        {depthClear(r::kClearZBuffer | r::kClearStencil, 0.25f, 3, none), false},  // covers the first
        {depthClear(r::kClearZBuffer | r::kClearStencil, 0.6f, 5, corner), false, true},  // a part of it only
        {depthClear(r::kClearZBuffer, 0.75f, 0, corner), false},
        {depthClear(r::kClearStencil, 0.0f, 9, none), false},                        // other channels
        {depthClear(r::kClearZBuffer, 0.25f, 0, {}), true},  // then a draw that tests depth: fails there
        {depthClear(r::kClearZBuffer, 1.0f, 0, corner), true},  // passes in the corner only
        {depthClear(r::kClearZBuffer, 0.0f, 0, none), false},
    };
    Canvas expected(kSize, kSize, 0xFF000000u), canvas(kSize, kSize, 0xFF000000u);
    for (uint32_t& d : expected.depth) d = 0x12345678u;
    canvas.depth = expected.depth;
    r::DrawQueue queue;
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        r::clear(steps[i].clear, expected.targets(true));
        queue.clear(steps[i].clear, canvas.targets(true));
        if (steps[i].draw) {
            r::draw(tested, callFor(quad, r::PrimitiveType::TriangleList, 1), expected.targets(true));
            queue.draw(tested, callFor(quad, r::PrimitiveType::TriangleList, 1), canvas.targets(true));
        }
        queue.finish();
        EXPECT_EQ(canvas.pixels, expected.pixels);
        EXPECT_TRUE(queue.depthClearPending() || steps[i].draw);
        if (steps[i].settle) {
            queue.settle();
            EXPECT_EQ(canvas.depth, expected.depth);
        }
    }
    EXPECT_NE(canvas.depth, expected.depth) << "the last clear is still pending";
    queue.settle();
    EXPECT_FALSE(queue.depthClearPending());
    EXPECT_EQ(canvas.depth, expected.depth);
    EXPECT_EQ(canvas.at(20, 20), 0xFF00FF00u);
    EXPECT_EQ(canvas.at(50, 50), 0xFF102030u);

    // A clear of no rectangles clears nothing, now or later.
    const r::Rect* noRects = corner.data();
    r::ClearRequest nothing = depthClear(r::kClearZBuffer, 0.5f, 0, none);
    nothing.rects = noRects;
    nothing.rectCount = 0;
    queue.clear(nothing, canvas.targets(true));
    EXPECT_FALSE(queue.depthClearPending());
    queue.settle();
    EXPECT_EQ(canvas.depth, expected.depth);
}

TEST(DrawQueue, ClearsLargeAndTexturedDrawsFinishWhatIsHeld) {
    ThreadCount two(2);
    Canvas canvas(kSize, kSize, 0xFF000000u);
    r::DrawQueue queue;
    r::PipelineState s = vtxState(kSize, kSize);
    s.layout.texCoord[0] = {};
    const std::vector<Vtx> small = {{10, 10, 0.5f, 0xFFFF0000u, 0, 0}, {20, 10, 0.5f, 0xFFFF0000u, 0, 0},
                                    {10, 20, 0.5f, 0xFFFF0000u, 0, 0}};
    const std::vector<Vtx> large = {{-10, -10, 0.5f, 0xFF00FF00u, 0, 0}, {300, -10, 0.5f, 0xFF00FF00u, 0, 0},
                                    {-10, 300, 0.5f, 0xFF00FF00u, 0, 0}};
    queue.draw(s, callFor(small, r::PrimitiveType::TriangleList, 1), canvas.targets());
    EXPECT_EQ(queue.held(), 1u);
    queue.draw(s, callFor(large, r::PrimitiveType::TriangleList, 1), canvas.targets());
    EXPECT_EQ(queue.held(), 0u);
    EXPECT_EQ(canvas.at(12, 12), 0xFF00FF00u) << "the large draw came after the small one";

    queue.draw(s, callFor(small, r::PrimitiveType::TriangleList, 1), canvas.targets());
    queue.clear(clearTo(0xFF0000FFu), canvas.targets());
    EXPECT_EQ(queue.held(), 0u);
    EXPECT_EQ(canvas.at(12, 12), 0xFF0000FFu) << "the clear came after the small draw";

    uint32_t texel = 0xFFFFFFFFu;
    r::TextureView view;
    view.format = r::TextureFormat::A8R8G8B8;
    view.levelCount = 1;
    view.levels[0] = r::TextureLevel{&texel, 4, 1, 1};
    r::PipelineState textured = vtxState(kSize, kSize);
    textured.stages[0].texture = &view;
    textured.stages[0].colorOp = r::TextureOp::SelectArg1;
    queue.draw(s, callFor(small, r::PrimitiveType::TriangleList, 1), canvas.targets());
    queue.draw(textured, callFor(small, r::PrimitiveType::TriangleList, 1), canvas.targets());
    EXPECT_EQ(queue.held(), 0u) << "a texture may change once the call returns";
    EXPECT_EQ(canvas.at(12, 12), 0xFFFFFFFFu);

    // A stream that claims vertices but has no memory is never read, held or not.
    r::DrawCall noMemory = callFor(small, r::PrimitiveType::TriangleList, 1);
    noMemory.streams[0].data = nullptr;
    queue.draw(s, noMemory, canvas.targets());
    queue.finish();
    EXPECT_EQ(canvas.at(12, 12), 0xFFFFFFFFu);
}

}  // namespace
