// Alpha test, blending, the colour write mask and the depth buffer.
#include <gtest/gtest.h>

#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::BlendFactor;
using r::BlendOp;
using r::CompareFunc;

std::vector<Vtx> fullQuad(uint32_t color, float z = 0.0f) {
    return {{0, 0, z, color, 0, 0}, {8, 0, z, color, 0, 0}, {0, 8, z, color, 0, 0},
            {8, 0, z, color, 0, 0}, {8, 8, z, color, 0, 0}, {0, 8, z, color, 0, 0}};
}

TEST(RasterPixelOps, EachBlendFactorAndOperation) {
    // Destination (a 40, r 200, g 100, b 50); source (a 51 = 0.2, r 100, g 150, b 250).
    // Expected bytes worked out by hand as round(255 * (s * fs op d * fd)), clamped.
    const uint32_t dst = argb(40, 200, 100, 50), src = argb(51, 100, 150, 250);
    struct Case {
        const char* name;
        BlendFactor sf, df;
        BlendOp op;
        uint32_t expected;
    };
    const Case cases[] = {
        {"one, zero", BlendFactor::One, BlendFactor::Zero, BlendOp::Add, src},
        {"zero, one", BlendFactor::Zero, BlendFactor::One, BlendOp::Add, dst},
        {"src alpha, inv src alpha", BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, BlendOp::Add, argb(42, 180, 110, 90)},
        {"one, one saturates", BlendFactor::One, BlendFactor::One, BlendOp::Add, argb(91, 255, 250, 255)},
        {"src colour", BlendFactor::SrcColor, BlendFactor::Zero, BlendOp::Add, argb(10, 39, 88, 245)},
        {"inv src colour", BlendFactor::InvSrcColor, BlendFactor::Zero, BlendOp::Add, argb(41, 61, 62, 5)},
        {"src alpha alone", BlendFactor::SrcAlpha, BlendFactor::Zero, BlendOp::Add, argb(10, 20, 30, 50)},
        {"inv src alpha alone", BlendFactor::InvSrcAlpha, BlendFactor::Zero, BlendOp::Add, argb(41, 80, 120, 200)},
        {"dest alpha", BlendFactor::DestAlpha, BlendFactor::Zero, BlendOp::Add, argb(8, 16, 24, 39)},
        {"inv dest alpha", BlendFactor::InvDestAlpha, BlendFactor::Zero, BlendOp::Add, argb(43, 84, 126, 211)},
        {"dest colour", BlendFactor::DestColor, BlendFactor::Zero, BlendOp::Add, argb(8, 78, 59, 49)},
        {"inv dest colour", BlendFactor::InvDestColor, BlendFactor::Zero, BlendOp::Add, argb(43, 22, 91, 201)},
        {"src alpha saturated", BlendFactor::SrcAlphaSat, BlendFactor::Zero, BlendOp::Add, argb(51, 20, 30, 50)},
        {"dest side: src colour", BlendFactor::Zero, BlendFactor::SrcColor, BlendOp::Add, argb(8, 78, 59, 49)},
        {"dest side: dest colour", BlendFactor::Zero, BlendFactor::DestColor, BlendOp::Add, argb(6, 157, 39, 10)},
        {"subtract", BlendFactor::One, BlendFactor::One, BlendOp::Subtract, argb(11, 0, 50, 200)},
        {"reverse subtract", BlendFactor::One, BlendFactor::One, BlendOp::RevSubtract, argb(0, 100, 0, 0)},
        {"min", BlendFactor::Zero, BlendFactor::Zero, BlendOp::Min, argb(40, 100, 100, 50)},
        {"max", BlendFactor::Zero, BlendFactor::Zero, BlendOp::Max, argb(51, 200, 150, 250)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.alphaBlendEnable = true;
        s.srcBlend = c.sf;
        s.destBlend = c.df;
        s.blendOp = c.op;
        Canvas canvas(8, 8, dst);
        drawList(s, canvas, fullQuad(src));
        EXPECT_EQ(canvas.at(3, 4), c.expected) << std::hex << canvas.at(3, 4);
    }
}

TEST(RasterPixelOps, BlendingOffWritesTheSourceWhateverTheFactors) {
    auto s = vtxState(8, 8);
    s.alphaBlendEnable = false;
    s.srcBlend = BlendFactor::Zero;
    s.destBlend = BlendFactor::One;
    Canvas canvas(8, 8, 0xFF000000u);
    drawList(s, canvas, fullQuad(0x80102030u));
    EXPECT_EQ(canvas.at(0, 0), 0x80102030u);
}

TEST(RasterPixelOps, XrgbTargetKeepsAlphaOpaqueAndReadsItAsOne) {
    auto s = vtxState(8, 8);
    s.alphaBlendEnable = true;
    s.srcBlend = BlendFactor::InvDestAlpha;  // 1 - 1 = 0: nothing of the source
    s.destBlend = BlendFactor::One;
    Canvas canvas(8, 8, 0xFF405060u);
    canvas.format = r::ColorFormat::X8R8G8B8;
    drawList(s, canvas, fullQuad(0x80FFFFFFu));
    EXPECT_EQ(canvas.at(2, 2), 0xFF405060u);
    s.alphaBlendEnable = false;
    drawList(s, canvas, fullQuad(0x10203040u));
    EXPECT_EQ(canvas.at(2, 2), 0xFF203040u);
}

TEST(RasterPixelOps, AlphaTestFunctions) {
    // Source alpha 128 against each function and reference.
    struct Case {
        const char* name;
        CompareFunc func;
        uint8_t ref;
        bool passes;
    };
    const Case cases[] = {
        {"never", CompareFunc::Never, 0, false},
        {"less, 129", CompareFunc::Less, 129, true},
        {"less, 128", CompareFunc::Less, 128, false},
        {"equal, 128", CompareFunc::Equal, 128, true},
        {"equal, 127", CompareFunc::Equal, 127, false},
        {"less-equal, 128", CompareFunc::LessEqual, 128, true},
        {"less-equal, 127", CompareFunc::LessEqual, 127, false},
        {"greater, 127", CompareFunc::Greater, 127, true},
        {"greater, 128", CompareFunc::Greater, 128, false},
        {"not-equal, 128", CompareFunc::NotEqual, 128, false},
        {"not-equal, 0", CompareFunc::NotEqual, 0, true},
        {"greater-equal, 128", CompareFunc::GreaterEqual, 128, true},
        {"greater-equal, 129", CompareFunc::GreaterEqual, 129, false},
        {"always", CompareFunc::Always, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.alphaTestEnable = true;
        s.alphaFunc = c.func;
        s.alphaRef = c.ref;
        Canvas canvas(8, 8, 0xFF000000u);
        drawList(s, canvas, fullQuad(0x80FF0000u));
        EXPECT_EQ(canvas.at(5, 5), c.passes ? 0x80FF0000u : 0xFF000000u);
    }
}

TEST(RasterPixelOps, AlphaTestDisabledIgnoresTheFunction) {
    auto s = vtxState(8, 8);
    s.alphaTestEnable = false;
    s.alphaFunc = CompareFunc::Never;
    Canvas canvas(8, 8);
    drawList(s, canvas, fullQuad(0x80FF0000u));
    EXPECT_EQ(canvas.at(5, 5), 0x80FF0000u);
}

TEST(RasterPixelOps, ColourWriteMaskKeepsMaskedChannels) {
    struct Case {
        const char* name;
        uint8_t mask;
        uint32_t expected;
    };
    const uint32_t before = 0x11223344u, color = 0xAABBCCDDu;
    const Case cases[] = {
        {"all", r::kWriteAll, color},
        {"none", 0, before},
        {"red", r::kWriteRed, 0x11BB3344u},
        {"green and alpha", r::kWriteGreen | r::kWriteAlpha, 0xAA22CC44u},
        {"blue", r::kWriteBlue, 0x112233DDu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.colorWriteMask = c.mask;
        Canvas canvas(8, 8, before);
        drawList(s, canvas, fullQuad(color));
        EXPECT_EQ(canvas.at(1, 6), c.expected) << std::hex << canvas.at(1, 6);
    }
}

TEST(RasterPixelOps, DepthTestAndWriteWhenEnabled) {
    const uint32_t near = 0xFFFF0000u, far = 0xFF0000FFu;
    auto s = vtxState(8, 8);
    s.zEnable = true;
    {
        SCOPED_TRACE("far then near: near wins");
        Canvas canvas(8, 8);
        drawList(s, canvas, fullQuad(far, 0.75f), r::PrimitiveType::TriangleList, true);
        drawList(s, canvas, fullQuad(near, 0.25f), r::PrimitiveType::TriangleList, true);
        EXPECT_EQ(canvas.at(4, 4), near);
        EXPECT_EQ(canvas.depth[4 * 8 + 4] >> 8, uint32_t(0.25f * 16777215.0f + 0.5f));
    }
    {
        SCOPED_TRACE("near then far: near stays");
        Canvas canvas(8, 8);
        drawList(s, canvas, fullQuad(near, 0.25f), r::PrimitiveType::TriangleList, true);
        drawList(s, canvas, fullQuad(far, 0.75f), r::PrimitiveType::TriangleList, true);
        EXPECT_EQ(canvas.at(4, 4), near);
    }
    {
        SCOPED_TRACE("depth off: drawing order decides, the buffer is untouched");
        s.zEnable = false;
        Canvas canvas(8, 8);
        drawList(s, canvas, fullQuad(near, 0.25f), r::PrimitiveType::TriangleList, true);
        drawList(s, canvas, fullQuad(far, 0.75f), r::PrimitiveType::TriangleList, true);
        EXPECT_EQ(canvas.at(4, 4), far);
        EXPECT_EQ(canvas.depth[4 * 8 + 4], 0xFFFFFF00u);
    }
    {
        SCOPED_TRACE("write disabled: tested but not stored; stencil bits kept");
        s.zEnable = true;
        s.zWriteEnable = false;
        Canvas canvas(8, 8);
        for (uint32_t& d : canvas.depth) d = 0xFFFFFF5Au;
        drawList(s, canvas, fullQuad(near, 0.25f), r::PrimitiveType::TriangleList, true);
        drawList(s, canvas, fullQuad(far, 0.75f), r::PrimitiveType::TriangleList, true);
        EXPECT_EQ(canvas.at(4, 4), far);
        EXPECT_EQ(canvas.depth[4 * 8 + 4], 0xFFFFFF5Au);
        s.zWriteEnable = true;
        drawList(s, canvas, fullQuad(near, 0.25f), r::PrimitiveType::TriangleList, true);
        EXPECT_EQ(canvas.depth[4 * 8 + 4] & 0xFF, 0x5Au);
    }
}

TEST(RasterPixelOps, AlphaTestFailureDoesNotWriteDepth) {
    auto s = vtxState(8, 8);
    s.zEnable = true;
    s.alphaTestEnable = true;
    s.alphaFunc = CompareFunc::Greater;
    s.alphaRef = 200;
    Canvas canvas(8, 8);
    drawList(s, canvas, fullQuad(0x80FF0000u, 0.25f), r::PrimitiveType::TriangleList, true);
    EXPECT_EQ(canvas.depth[10], 0xFFFFFF00u);
    EXPECT_EQ(canvas.at(2, 1), 0u);
}

TEST(RasterClear, ClearsInsideViewportAndRects) {
    Canvas canvas(8, 8, 0x01010101u);
    r::ClearRequest req;
    req.flags = r::kClearTarget | r::kClearZBuffer;
    req.color = 0x806F93BFu;
    req.z = 0.5f;
    req.viewport = {1, 2, 4, 4, 0, 1};
    const r::Rect rects[] = {{0, 0, 3, 8}, {4, 5, 100, 100}};
    req.rects = rects;
    req.rectCount = 2;
    for (uint32_t& d : canvas.depth) d = 0x000000A5u;
    r::clear(req, canvas.targets(true));
    EXPECT_EQ(canvas.coverage(0x01010101u), rows({"........", "........", ".XX.....", ".XX.....", ".XX.....",
                                                  ".XX.X...", "........", "........"}));
    EXPECT_EQ(canvas.at(1, 2), 0x806F93BFu);
    EXPECT_EQ(canvas.depth[2 * 8 + 1], (uint32_t(0.5f * 16777215.0f + 0.5f) << 8) | 0xA5u);
    EXPECT_EQ(canvas.depth[0], 0x000000A5u);

    canvas.format = r::ColorFormat::X8R8G8B8;
    req.rects = nullptr;
    req.flags = r::kClearTarget | r::kClearStencil;
    req.stencil = 0x13;
    req.viewport = {0, 0, 8, 8, 0, 1};
    r::clear(req, canvas.targets(true));
    EXPECT_EQ(canvas.at(7, 7), 0xFF6F93BFu);  // an X8 target stores an opaque top byte
    EXPECT_EQ(canvas.depth[0], 0x00000013u);
}

// Clears of large targets are split into row ranges between the threads: every word inside the
// viewport is written once, with the stencil kept where only the depth is cleared, and nothing
// outside it, whatever the thread count.
TEST(RasterClear, LargeClearsSplitBetweenThreadsCoverTheViewportExactly) {
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        r::setThreadCount(threads);
        Canvas canvas(700, 420, 0x01010101u);
        for (uint32_t& d : canvas.depth) d = 0x123456A5u;
        r::ClearRequest req;
        req.flags = r::kClearTarget | r::kClearZBuffer;
        req.color = 0xFF204060u;
        req.z = 1.0f;
        req.viewport = {3, 5, 690, 411, 0, 1};
        r::clear(req, canvas.targets(true));
        int inside = 0;
        for (uint32_t y = 0; y < 420; ++y) {
            for (uint32_t x = 0; x < 700; ++x) {
                const bool in = x >= 3 && x < 693 && y >= 5 && y < 416;
                inside += in;
                ASSERT_EQ(canvas.at(x, y), in ? 0xFF204060u : 0x01010101u) << x << ", " << y;
                ASSERT_EQ(canvas.depth[y * 700 + x], in ? 0xFFFFFFA5u : 0x123456A5u) << x << ", " << y;
            }
        }
        EXPECT_EQ(inside, 690 * 411);
    }
    r::setThreadCount(2);
}

// Row copies (a frame being presented) between buffers of different pitches: each row's bytes
// land once at their place, the bytes past a row in the destination stay, whatever the thread
// count and whether or not the copy is large enough to be shared.
TEST(RasterClear, RowCopiesKeepEveryRowAndTouchNothingElse) {
    struct Case {
        size_t rowBytes;
        int32_t rows;
    };
    for (const Case c : {Case{800 * 4, 600}, Case{13, 3}, Case{5 * 4, 1}}) {
        for (int threads : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << c.rowBytes << " x " << c.rows << " on " << threads);
            r::setThreadCount(threads);
            const ptrdiff_t srcPitch = ptrdiff_t(c.rowBytes) + 24, dstPitch = ptrdiff_t(c.rowBytes) + 8;
            std::vector<uint8_t> src(size_t(srcPitch) * size_t(c.rows));
            for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 7 + i / 251);
            std::vector<uint8_t> dst(size_t(dstPitch) * size_t(c.rows), 0xEE);
            r::copyRows(dst.data(), dstPitch, src.data(), srcPitch, c.rowBytes, c.rows);
            for (int32_t y = 0; y < c.rows; ++y) {
                for (ptrdiff_t x = 0; x < dstPitch; ++x) {
                    const uint8_t want = size_t(x) < c.rowBytes ? src[size_t(y * srcPitch + x)] : 0xEE;
                    ASSERT_EQ(dst[size_t(y * dstPitch + x)], want) << x << ", " << y;
                }
            }
        }
    }
    r::setThreadCount(2);
}

}  // namespace
