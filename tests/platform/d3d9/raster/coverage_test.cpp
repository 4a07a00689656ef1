// Which pixels a primitive covers: pixel centres at integer coordinates, the top-left fill rule,
// shared edges, primitive topologies, culling, lines and the viewport.
#include <gtest/gtest.h>

#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::CullMode;
using r::PrimitiveType;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kOne = 0xFF010101u;  // one level per channel: hit counts under additive blending

std::vector<Vtx> tri(float x0, float y0, float x1, float y1, float x2, float y2, uint32_t c = kWhite) {
    return {{x0, y0, 0, c, 0, 0}, {x1, y1, 0, c, 0, 0}, {x2, y2, 0, c, 0, 0}};
}

struct TriangleCase {
    const char* name;
    float v[6];
    std::vector<std::string> expected;
};

TEST(RasterCoverage, TopLeftRuleOnTrianglesAtPixelCentres) {
    const TriangleCase cases[] = {
        {"upper-left half: left and top edges own their centres, the diagonal does not",
         {0, 0, 4, 0, 0, 4},
         rows({"XXXX....", "XXX.....", "XX......", "X.......", "........", "........", "........", "........"})},
        {"lower-right half: the diagonal (a left edge here) owns its centres, right and bottom do not",
         {4, 0, 4, 4, 0, 4},
         rows({"........", "...X....", "..XX....", ".XXX....", "........", "........", "........", "........"})},
        {"the same triangle given counter-clockwise covers the same pixels",
         {4, 0, 0, 4, 4, 4},
         rows({"........", "...X....", "..XX....", ".XXX....", "........", "........", "........", "........"})},
        {"vertices just off the centres",
         {0.6f, 0.6f, 5.4f, 0.6f, 0.6f, 5.4f},
         rows({"........", ".XXXX...", ".XXX....", ".XX.....", ".X......", "........", "........", "........"})},
        {"a sliver between centres covers nothing",
         {0.2f, 0.1f, 7.8f, 0.4f, 0.2f, 0.6f},
         rows({"........", "........", "........", "........", "........", "........", "........", "........"})},
    };
    for (const TriangleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(8, 8);
        drawList(vtxState(8, 8), canvas, tri(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5]));
        EXPECT_EQ(canvas.coverage(), c.expected);
    }
}

TEST(RasterCoverage, AxisAlignedSquareCoversHalfOpenPixelRange) {
    Canvas canvas(8, 8);
    auto s = vtxState(8, 8);
    countHits(s);
    auto v = tri(1, 2, 5, 2, 1, 6, kOne);
    auto w = tri(5, 2, 5, 6, 1, 6, kOne);
    v.insert(v.end(), w.begin(), w.end());
    drawList(s, canvas, v);
    EXPECT_EQ(canvas.coverage(), rows({"........", "........", ".XXXX...", ".XXXX...", ".XXXX...", ".XXXX...",
                                       "........", "........"}));
    for (uint32_t p : canvas.pixels) EXPECT_TRUE(p == 0 || p == kOne) << std::hex << p;
}

// A quad split along either diagonal covers the same pixels, each exactly once: no gaps and no
// double hits along the shared edge, whatever its slope.
TEST(RasterCoverage, SharedEdgesAreHitExactlyOnce) {
    struct Quad {
        const char* name;
        float p[8];
        int minCovered;  // the quad's area rounded down, less a margin: it must not vanish
    };
    const Quad quads[] = {
        {"irregular", {0.3f, 0.7f, 6.6f, 1.2f, 7.1f, 6.5f, 1.2f, 5.9f}, 30},
        {"diagonals through centres", {0, 0, 7, 1, 7, 7, 1, 7}, 30},
        {"thin and steep", {3.1f, 0.2f, 4.2f, 0.1f, 4.9f, 7.8f, 3.7f, 7.9f}, 6},
        {"half-pixel corners", {0.5f, 0.5f, 7.5f, 0.5f, 7.5f, 7.5f, 0.5f, 7.5f}, 49},
    };
    for (const Quad& q : quads) {
        SCOPED_TRACE(q.name);
        const float* p = q.p;
        Canvas a(8, 8), b(8, 8);
        auto s = vtxState(8, 8);
        countHits(s);
        auto va = tri(p[0], p[1], p[2], p[3], p[4], p[5], kOne);
        auto va2 = tri(p[0], p[1], p[4], p[5], p[6], p[7], kOne);
        va.insert(va.end(), va2.begin(), va2.end());
        auto vb = tri(p[0], p[1], p[2], p[3], p[6], p[7], kOne);
        auto vb2 = tri(p[2], p[3], p[4], p[5], p[6], p[7], kOne);
        vb.insert(vb.end(), vb2.begin(), vb2.end());
        drawList(s, a, va);
        drawList(s, b, vb);
        EXPECT_EQ(a.coverage(), b.coverage());
        int covered = 0;
        for (uint32_t px : a.pixels) {
            EXPECT_TRUE(px == 0 || px == kOne) << std::hex << px;
            covered += px == kOne;
        }
        for (uint32_t px : b.pixels) EXPECT_TRUE(px == 0 || px == kOne) << std::hex << px;
        EXPECT_GE(covered, q.minCovered);
    }
}

// A fan of triangles around an off-centre point hits every pixel of its outline once.
TEST(RasterCoverage, FanAroundInteriorPointHasNoCracks) {
    Canvas canvas(16, 16);
    auto s = vtxState(16, 16);
    countHits(s);
    std::vector<Vtx> v;
    const float cx = 7.37f, cy = 8.13f;
    const float rim[][2] = {{1.2f, 1.7f}, {8.9f, 0.4f}, {15.1f, 3.3f}, {14.6f, 12.2f},
                            {9.1f, 15.6f}, {2.2f, 13.9f}, {0.6f, 7.1f}};
    const int n = 7;
    for (int i = 0; i < n; ++i) {
        const auto& a = rim[i];
        const auto& b = rim[(i + 1) % n];
        auto t = tri(cx, cy, a[0], a[1], b[0], b[1], kOne);
        v.insert(v.end(), t.begin(), t.end());
    }
    drawList(s, canvas, v);
    int covered = 0;
    for (uint32_t px : canvas.pixels) {
        EXPECT_TRUE(px == 0 || px == kOne) << std::hex << px;
        covered += px == kOne;
    }
    // Every pixel centre inside the polygon's core region must be covered.
    for (uint32_t y = 5; y <= 11; ++y)
        for (uint32_t x = 4; x <= 11; ++x) EXPECT_EQ(canvas.at(x, y), kOne) << x << "," << y;
    EXPECT_GT(covered, 150);
}

// Triangles of one draw that overlap must blend in order: the second sees the first's result,
// also where the overlap starts only rows after the later triangle's first row.
TEST(RasterCoverage, OverlappingTrianglesOfOneDrawBlendInOrder) {
    struct Case {
        const char* name;
        float a[6], b[6];
    };
    const Case cases[] = {
        {"overlap from the first row", {0.5f, 0.5f, 6.5f, 1.5f, 1.5f, 6.5f}, {1.2f, 1.1f, 7.3f, 2.2f, 2.1f, 7.4f}},
        {"overlap only in the later rows", {1.0f, 4.0f, 6.0f, 4.0f, 3.5f, 6.9f}, {0.2f, 0.2f, 7.8f, 0.3f, 3.9f, 7.8f}},
        {"neighbouring glyph-like quads", {0.0f, 0.0f, 5.0f, 0.0f, 0.0f, 8.0f}, {3.0f, 0.0f, 8.0f, 0.0f, 3.0f, 8.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        countHits(s);
        auto v = tri(c.a[0], c.a[1], c.a[2], c.a[3], c.a[4], c.a[5], kOne);
        auto b = tri(c.b[0], c.b[1], c.b[2], c.b[3], c.b[4], c.b[5], kOne);
        Canvas first(8, 8), second(8, 8), both(8, 8);
        drawList(s, first, v);
        drawList(s, second, b);
        v.insert(v.end(), b.begin(), b.end());
        drawList(s, both, v);
        int overlap = 0;
        for (size_t i = 0; i < both.pixels.size(); ++i) {
            const uint32_t hits = (first.pixels[i] != 0) + (second.pixels[i] != 0);
            overlap += hits == 2;
            EXPECT_EQ(both.pixels[i], hits == 0 ? 0u : 0xFF000000u | hits * 0x010101u) << i;
        }
        EXPECT_GT(overlap, 3);
    }
}

TEST(RasterCoverage, StripsAndFansCoverLikeTheirTriangleLists) {
    const std::vector<Vtx> strip = {{0.5f, 0.5f, 0, kOne, 0, 0}, {0.5f, 7.5f, 0, kOne, 0, 0},
                                    {4.2f, 0.3f, 0, kOne, 0, 0}, {3.8f, 7.7f, 0, kOne, 0, 0},
                                    {7.6f, 0.9f, 0, kOne, 0, 0}, {7.4f, 7.2f, 0, kOne, 0, 0}};
    std::vector<Vtx> list;
    for (size_t i = 0; i + 2 < strip.size(); ++i) {
        list.push_back(strip[i]);
        list.push_back(strip[i + 1]);
        list.push_back(strip[i + 2]);
    }
    auto s = vtxState(8, 8);
    countHits(s);
    Canvas a(8, 8), b(8, 8);
    drawList(s, a, strip, PrimitiveType::TriangleStrip);
    drawList(s, b, list);
    EXPECT_EQ(a.pixels, b.pixels);
    int covered = 0;
    for (uint32_t px : a.pixels) {
        EXPECT_TRUE(px == 0 || px == kOne);
        covered += px == kOne;
    }
    EXPECT_GT(covered, 40);

    const std::vector<Vtx> fan = {{4, 4, 0, kOne, 0, 0}, {0.5f, 0.5f, 0, kOne, 0, 0}, {7.5f, 0.5f, 0, kOne, 0, 0},
                                  {7.5f, 7.5f, 0, kOne, 0, 0}, {0.5f, 7.5f, 0, kOne, 0, 0}};
    std::vector<Vtx> fanList;
    for (size_t i = 1; i + 1 < fan.size(); ++i) {
        fanList.push_back(fan[0]);
        fanList.push_back(fan[i]);
        fanList.push_back(fan[i + 1]);
    }
    Canvas c(8, 8), d(8, 8);
    drawList(s, c, fan, PrimitiveType::TriangleFan);
    drawList(s, d, fanList);
    EXPECT_EQ(c.pixels, d.pixels);
}

TEST(RasterCoverage, CullingByScreenWinding) {
    // (0,0) (8,0) (0,8) runs clockwise on screen (y grows downwards).
    const auto clockwise = tri(0, 0, 8, 0, 0, 8);
    const auto counterClockwise = tri(0, 0, 0, 8, 8, 0);
    struct Case {
        const char* name;
        CullMode mode;
        bool drawsClockwise, drawsCounterClockwise;
    };
    const Case cases[] = {
        {"none", CullMode::None, true, true},
        {"cull clockwise", CullMode::CW, false, true},
        {"cull counter-clockwise", CullMode::CCW, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.cullMode = c.mode;
        Canvas a(8, 8), b(8, 8);
        drawList(s, a, clockwise);
        drawList(s, b, counterClockwise);
        EXPECT_EQ(a.at(1, 1) != 0, c.drawsClockwise);
        EXPECT_EQ(b.at(1, 1) != 0, c.drawsCounterClockwise);
    }
}

TEST(RasterCoverage, StripKeepsOneWindingForCulling) {
    // Every triangle of this strip appears clockwise once odd triangles are swapped back.
    const std::vector<Vtx> strip = {{0, 0, 0, kWhite, 0, 0}, {8, 0, 0, kWhite, 0, 0},
                                    {0, 4, 0, kWhite, 0, 0}, {8, 4, 0, kWhite, 0, 0},
                                    {0, 8, 0, kWhite, 0, 0}, {8, 8, 0, kWhite, 0, 0}};
    auto s = vtxState(8, 8);
    s.cullMode = CullMode::CCW;
    Canvas a(8, 8);
    drawList(s, a, strip, PrimitiveType::TriangleStrip);
    for (uint32_t px : a.pixels) EXPECT_EQ(px, kWhite);
    s.cullMode = CullMode::CW;
    Canvas b(8, 8);
    drawList(s, b, strip, PrimitiveType::TriangleStrip);
    for (uint32_t px : b.pixels) EXPECT_EQ(px, 0u);
}

struct LineCase {
    const char* name;
    float x0, y0, x1, y1;
    bool lastPixel;
    std::vector<std::string> expected;
};

TEST(RasterCoverage, OnePixelLines) {
    const LineCase cases[] = {
        {"x-major with last pixel", 1, 1, 6, 3, true,
         rows({"........", ".XX.....", "...XX...", ".....XX.", "........", "........", "........", "........"})},
        {"x-major without last pixel", 1, 1, 6, 3, false,
         rows({"........", ".XX.....", "...XX...", ".....X..", "........", "........", "........", "........"})},
        {"reversed direction ends on the first vertex's pixel", 6, 3, 1, 1, true,
         rows({"........", ".XX.....", "...XX...", ".....XX.", "........", "........", "........", "........"})},
        {"vertical", 2, 1, 2, 5, true,
         rows({"........", "..X.....", "..X.....", "..X.....", "..X.....", "..X.....", "........", "........"})},
        {"y-major diagonal-ish", 1, 0, 3, 6, true,
         rows({".X......", ".X......", "..X.....", "..X.....", "..X.....", "...X....", "...X....", "........"})},
        {"endpoints rounded to the nearest centre", 0.6f, 2.4f, 4.4f, 2.4f, true,
         rows({"........", "........", ".XXXX...", "........", "........", "........", "........", "........"})},
        {"clipped by the viewport", -5, 7, 12, 7, true,
         rows({"........", "........", "........", "........", "........", "........", "........", "XXXXXXXX"})},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.lastPixel = c.lastPixel;
        Canvas canvas(8, 8);
        drawList(s, canvas, std::vector<Vtx>{{c.x0, c.y0, 0, kWhite, 0, 0}, {c.x1, c.y1, 0, kWhite, 0, 0}},
                 PrimitiveType::LineList);
        EXPECT_EQ(canvas.coverage(), c.expected);
    }
}

TEST(RasterCoverage, LineStripTouchesJointsOnce) {
    auto s = vtxState(8, 8);
    s.lastPixel = false;
    countHits(s);
    Canvas canvas(8, 8);
    drawList(s, canvas,
             std::vector<Vtx>{{1, 1, 0, kOne, 0, 0}, {6, 1, 0, kOne, 0, 0}, {6, 6, 0, kOne, 0, 0}},
             PrimitiveType::LineStrip);
    // The joint pixel (6, 1) is the second segment's first pixel; the end (6, 6) is not drawn.
    EXPECT_EQ(canvas.coverage(), rows({"........", ".XXXXXX.", "......X.", "......X.", "......X.", "......X.",
                                       "........", "........"}));
    for (uint32_t px : canvas.pixels) EXPECT_TRUE(px == 0 || px == kOne);
}

TEST(RasterCoverage, ViewportLimitsAndOffsetsDrawing) {
    auto s = vtxState(4, 4);  // maps world 0..4 onto the viewport
    s.viewport = {2, 3, 4, 4, 0.0f, 1.0f};
    Canvas canvas(8, 8);
    auto v = tri(-10, -10, 30, -10, -10, 30);
    drawList(s, canvas, v);
    EXPECT_EQ(canvas.coverage(), rows({"........", "........", "........", "..XXXX..", "..XXXX..", "..XXXX..",
                                       "..XXXX..", "........"}));
}

TEST(RasterCoverage, ViewportBeyondTargetNeverWritesOutside) {
    auto s = vtxState(16, 16);
    s.viewport = {4, 4, 16, 16, 0.0f, 1.0f};  // reaches past an 8 x 8 target
    Canvas canvas(8, 8);
    drawList(s, canvas, tri(-100, -100, 300, -100, -100, 300));
    EXPECT_EQ(canvas.coverage(), rows({"........", "........", "........", "........", "....XXXX", "....XXXX",
                                       "....XXXX", "....XXXX"}));
}

}  // namespace
