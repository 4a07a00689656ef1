// Sprite and lit triangles are shaded row by row, straight into the target, in 4-lane and (on
// processors with AVX2) 8-lane loops, and sprites (with AVX-512F) in 16-lane loops. Every such pixel must carry exactly the bytes the general
// fragment batch gives it: each test draws the same primitives with the direct paths on (both
// lane widths) and off, and compares the targets byte for byte.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"
#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::AddressMode;
using r::ArgSource;
using r::BlendFactor;
using r::Filter;
using r::TextureOp;

// Restores the knobs whatever a test does with them.
struct Knobs {
    ~Knobs() {
        r::setDirectFill(true);
        r::setWideLanes(true);
        r::setWidestLanes(true);
    }
};

// Widest is Wide on a processor without AVX-512F.
enum class Path { Batch, Narrow, Wide, Widest };

// Draws with the given path and returns the target's pixels.
template <class Draw>
std::vector<uint32_t> drawWith(Path path, Canvas canvas, Draw&& draw) {
    Knobs restore;
    r::setDirectFill(path != Path::Batch);
    r::setWideLanes(path == Path::Wide || path == Path::Widest);
    r::setWidestLanes(path == Path::Widest);
    draw(canvas);
    return canvas.pixels;
}

// Draws the scene on a copy of `canvas` with each path, expects the same bytes from all three,
// and returns how many pixels the scene changed from `background` (so that a test can tell a
// scene that drew nothing from one that drew the same thing every way).
template <class Draw>
int expectSameBytesOnEveryPath(const Canvas& canvas, Draw&& draw, uint32_t background) {
    const auto batch = drawWith(Path::Batch, canvas, draw);
    EXPECT_EQ(drawWith(Path::Narrow, canvas, draw), batch);
    EXPECT_EQ(drawWith(Path::Wide, canvas, draw), batch);
    EXPECT_EQ(drawWith(Path::Widest, canvas, draw), batch);
    int changed = 0;
    for (uint32_t p : batch) changed += p != background;
    return changed;
}

// A texture whose texels vary in every channel, with runs of zero alpha (as in a glyph cell),
// in a pitch wider than its rows.
struct SpriteTexture {
    std::vector<uint32_t> texels;
    r::TextureView view;

    // whiteGlyphs: every texel white, only the alpha varies (a font's glyph cache).
    SpriteTexture(uint32_t w, uint32_t h, r::TextureFormat format, uint32_t seed, bool whiteGlyphs = false) {
        const uint32_t pitchWords = w + 3;
        texels.assign(size_t(pitchWords) * h, 0xDEADBEEFu);
        Lcg g{seed};
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t t = g.next() * 2654435761u;
                if ((x / 3 + y / 2) % 3 == 0) t &= 0x00FFFFFFu;  // transparent patches
                if (whiteGlyphs) t |= 0x00FFFFFFu;
                texels[size_t(y) * pitchWords + x] = t;
            }
        }
        view.format = format;
        view.levelCount = 1;
        view.levels[0] = {texels.data(), int32_t(pitchWords * 4), w, h};
    }
};

void spriteState(r::PipelineState& s, const r::TextureView& tex) {
    s.stages[0].texture = &tex;
    s.stages[0].colorOp = TextureOp::Modulate;
    s.stages[0].colorArg1 = {ArgSource::Texture};
    s.stages[0].colorArg2 = {ArgSource::Diffuse};
    s.stages[0].alphaOp = TextureOp::Modulate;
    s.stages[0].alphaArg1 = {ArgSource::Texture};
    s.stages[0].alphaArg2 = {ArgSource::Diffuse};
    s.stages[0].sampler.magFilter = Filter::Linear;
    s.stages[0].sampler.minFilter = Filter::Linear;
    s.stages[0].sampler.addressU = AddressMode::Clamp;
    s.stages[0].sampler.addressV = AddressMode::Clamp;
}

// Screen-aligned quads in the sprite batcher's vertex order, of many widths (so every run length
// and every tail occurs), some texel for pixel (a third of them with every pixel centre on a
// texel centre, as text is drawn), some scaled, some reaching past the texture.
std::vector<TVtx> spriteQuads(int count, uint32_t texW, uint32_t texH, uint32_t seed) {
    Lcg g{seed};
    std::vector<TVtx> v;
    for (int q = 0; q < count; ++q) {
        const bool onCentres = q % 3 == 1;
        const float shift = onCentres ? -0.5f : 0.0f;  // pixel centres are at integers
        const float x = float(int(g.next() % 40)) - 3.0f + shift, y = float(int(g.next() % 30)) - 3.0f + shift;
        const float w = float(1 + g.next() % 19), h = float(1 + g.next() % 12);
        const bool texelForPixel = q % 3 != 2;
        const float su = texelForPixel ? 1.0f / float(texW) : (0.3f + g.unit() * 1.2f) / float(texW);
        const float sv = texelForPixel ? 1.0f / float(texH) : (0.3f + g.unit() * 1.2f) / float(texH);
        const float edge = onCentres ? 2.0f / float(texW) : 0.1f;
        const float u0 = float(int(g.next() % (texW + 4))) / float(texW) - edge;
        const float v0 = float(int(g.next() % (texH + 4))) / float(texH) - (onCentres ? 2.0f / float(texH) : 0.1f);
        const uint32_t c = (q % 4 == 0) ? 0xFFFFDC00u : (g.next() | 0x40000000u);
        const TVtx a{x, y, 0, 1, c, u0, v0}, b{x, y + h, 0, 1, c, u0, v0 + h * sv};
        const TVtx d{x + w, y, 0, 1, c, u0 + w * su, v0}, e{x + w, y + h, 0, 1, c, u0 + w * su, v0 + h * sv};
        v.insert(v.end(), {a, b, d, d, b, e});
    }
    return v;
}

TEST(RasterDirectFill, SpritesGiveTheBatchBytesInEveryLaneWidth) {
    struct Case {
        const char* name;
        r::TextureFormat texture;
        r::ColorFormat target;
        bool alphaTest, blend, textureAlphaOnly;
        uint8_t writeMask;
        bool whiteGlyphs = false;
        uint32_t alphaRef = 0x30;
        uint32_t viewportWidth = 48;  // narrower than the target: quads cut on the right
    };
    constexpr Case kCases[] = {
        {"text: alpha test and source-alpha blend", r::TextureFormat::A8R8G8B8, r::ColorFormat::X8R8G8B8, true, true, false, r::kWriteAll},
        {"blend into a target with alpha", r::TextureFormat::A8R8G8B8, r::ColorFormat::A8R8G8B8, false, true, false, r::kWriteAll},
        {"opaque, texture alpha selected", r::TextureFormat::A8R8G8B8, r::ColorFormat::A8R8G8B8, true, false, true, r::kWriteAll},
        {"opaque X8 texture", r::TextureFormat::X8R8G8B8, r::ColorFormat::X8R8G8B8, false, false, false, r::kWriteAll},
        {"write mask red and alpha", r::TextureFormat::A8R8G8B8, r::ColorFormat::A8R8G8B8, false, true, false, r::kWriteRed | r::kWriteAlpha},
        {"white glyphs, alpha test > 0", r::TextureFormat::A8R8G8B8, r::ColorFormat::X8R8G8B8, true, true, false, r::kWriteAll, true, 0},
        {"white glyphs, no alpha test", r::TextureFormat::A8R8G8B8, r::ColorFormat::A8R8G8B8, false, true, false, r::kWriteAll, true},
        {"viewport narrower than the target", r::TextureFormat::A8R8G8B8, r::ColorFormat::X8R8G8B8, true, true, false, r::kWriteAll, false, 0x30, 37},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SpriteTexture tex(23, 17, c.texture, 5, c.whiteGlyphs);
        auto s = tvtxState(48, 40);
        s.viewport.width = c.viewportWidth;
        spriteState(s, tex.view);
        if (c.textureAlphaOnly) s.stages[0].alphaOp = TextureOp::SelectArg1;
        s.alphaTestEnable = c.alphaTest;
        s.alphaFunc = r::CompareFunc::Greater;
        s.alphaRef = c.alphaRef;
        s.alphaBlendEnable = c.blend;
        s.srcBlend = BlendFactor::SrcAlpha;
        s.destBlend = BlendFactor::InvSrcAlpha;
        s.colorWriteMask = c.writeMask;
        const auto quads = spriteQuads(60, 23, 17, 11);
        Canvas canvas(48, 40, 0x80336699u);
        canvas.format = c.target;
        const auto draw = [&](Canvas& target) { drawList(s, target, quads); };
        EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0x80336699u), 400);
    }
}

// Sprite quads that are not screen-aligned rectangles with u across and v down: a texture turned
// a quarter (u changes down the rows), the other diagonal first (so the first triangle's run is
// the right one of a row), and parallelograms whose rows start further right row by row while u
// still depends on x alone. A pair of halves keeps u's part of a row for the next row only where
// it cannot change; these show whether it is kept where it should not be.
TEST(RasterDirectFill, TurnedAndShearedSpritesGiveTheBatchBytes) {
    constexpr uint32_t kTexW = 32, kTexH = 16;
    SpriteTexture tex(kTexW, kTexH, r::TextureFormat::A8R8G8B8, 8);
    auto s = tvtxState(48, 40);
    spriteState(s, tex.view);
    s.alphaBlendEnable = true;
    s.srcBlend = BlendFactor::SrcAlpha;
    s.destBlend = BlendFactor::InvSrcAlpha;
    std::vector<TVtx> v;
    Lcg g{21};
    for (int q = 0; q < 24; ++q) {
        // Texel for pixel, every sample on a texel centre (as text is drawn), in exact binary
        // fractions so that planes meant to be flat in y come out exactly flat.
        const float x = float(int(g.next() % 36)) - 0.5f, y = float(int(g.next() % 30)) - 0.5f;
        const float w = float(2 + g.next() % 12), h = float(2 + g.next() % 9);
        const float u0 = float(g.next() % 8) / kTexW, v0 = float(g.next() % 4) / kTexH;
        const float su = 1.0f / kTexW, sv = 1.0f / kTexH;
        const uint32_t c = 0xFFFFDC00u;
        switch (q % 3) {
        case 0: {  // turned: u down the rows, v across
            const TVtx a{x, y, 0, 1, c, u0, v0}, b{x, y + h, 0, 1, c, u0 + h * su, v0};
            const TVtx d{x + w, y, 0, 1, c, u0, v0 + w * sv}, e{x + w, y + h, 0, 1, c, u0 + h * su, v0 + w * sv};
            v.insert(v.end(), {a, b, d, d, b, e});
            break;
        }
        case 1: {  // the upper right half first
            const TVtx a{x, y, 0, 1, c, u0, v0}, b{x, y + h, 0, 1, c, u0, v0 + h * sv};
            const TVtx d{x + w, y, 0, 1, c, u0 + w * su, v0}, e{x + w, y + h, 0, 1, c, u0 + w * su, v0 + h * sv};
            v.insert(v.end(), {a, e, d, a, b, e});
            break;
        }
        default: {  // sheared right by 3 pixels over its height, u following x
            const TVtx a{x, y, 0, 1, c, u0, v0}, b{x + 3, y + h, 0, 1, c, u0 + 3 * su, v0 + h * sv};
            const TVtx d{x + w, y, 0, 1, c, u0 + w * su, v0};
            const TVtx e{x + w + 3, y + h, 0, 1, c, u0 + (w + 3) * su, v0 + h * sv};
            v.insert(v.end(), {a, b, d, d, b, e});
            break;
        }
        }
    }
    Canvas canvas(48, 40, 0x80336699u);
    const auto draw = [&](Canvas& target) { drawList(s, target, v); };
    EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0x80336699u), 400);
}

// Minified quads (a level of detail above 0) and quads with a perspective or a colour gradient
// are left to the batch within the same draw as direct ones; overlapping blended quads show
// whether the writes still land in primitive order.
TEST(RasterDirectFill, TrianglesTheDirectPathDeclinesKeepTheirOrder) {
    std::vector<std::vector<uint32_t>> levels;
    r::TextureView view;
    view.format = r::TextureFormat::A8R8G8B8;
    view.levelCount = 4;
    Lcg g{3};
    for (uint32_t l = 0; l < 4; ++l) {
        const uint32_t size = 16u >> l;
        std::vector<uint32_t> texels(size * size);
        for (uint32_t& t : texels) t = g.next() * 2654435761u | 0x20000000u;
        levels.push_back(std::move(texels));
        view.levels[l] = {levels.back().data(), int32_t(size * 4), size, size};
    }
    auto s = tvtxState(40, 40);
    spriteState(s, view);
    s.stages[0].sampler.mipFilter = Filter::Linear;
    s.alphaBlendEnable = true;
    s.srcBlend = BlendFactor::SrcAlpha;
    s.destBlend = BlendFactor::InvSrcAlpha;

    std::vector<TVtx> v;
    for (int q = 0; q < 40; ++q) {
        const float x = float(int(g.next() % 30)), y = float(int(g.next() % 30));
        const float w = float(3 + g.next() % 12), h = float(3 + g.next() % 12);
        const float scale = (q % 3 == 0) ? 3.0f / 16.0f : 1.0f / 16.0f;  // every third minified
        const float rhw = (q % 5 == 1) ? 0.5f : 1.0f;                    // some with a perspective
        const uint32_t c0 = g.next() | 0x80000000u;
        const uint32_t c1 = (q % 7 == 3) ? (g.next() | 0x80000000u) : c0;  // some with a gradient
        const TVtx a{x, y, 0, 1, c0, 0, 0}, b{x, y + h, 0, rhw, c0, 0, h * scale};
        const TVtx d{x + w, y, 0, 1, c1, w * scale, 0}, e{x + w, y + h, 0, rhw, c1, w * scale, h * scale};
        v.insert(v.end(), {a, b, d, d, b, e});
    }
    Canvas canvas(40, 40, 0xFF204060u);
    canvas.format = r::ColorFormat::X8R8G8B8;
    const auto draw = [&](Canvas& target) { drawList(s, target, v); };
    EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0xFF204060u), 400);
}

// Textured scenery: a wrapped, point-sampled texture modulated by a lit colour, in perspective
// (w varies across each triangle) and without, with coordinates well outside 0..1.
TEST(RasterDirectFill, TexturedSceneryGivesTheBatchBytes) {
    struct Case {
        const char* name;
        r::TextureFormat texture;
        bool flat, textureAlphaOnly;
        uint8_t writeMask;
    };
    constexpr Case kCases[] = {
        {"wood: X8 texture, lit gradients", r::TextureFormat::X8R8G8B8, false, true, r::kWriteAll},
        {"A8 texture, alpha modulated", r::TextureFormat::A8R8G8B8, false, false, r::kWriteAll},
        {"one colour a triangle, red and alpha written", r::TextureFormat::A8R8G8B8, true, false, r::kWriteRed | r::kWriteAlpha},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SpriteTexture tex(19, 13, c.texture, 23);
        Lcg g{31};
        std::vector<TVtx> v;
        for (int t = 0; t < 40; ++t) {
            const uint32_t base = g.next() | 0x40000000u;
            const float size = (t % 3 == 0) ? 44.0f : 12.0f;
            const float cx = g.unit() * 40.0f, cy = g.unit() * 40.0f;
            for (int k = 0; k < 3; ++k) {
                const float rhw = (t % 4 == 1) ? 1.0f : 0.1f + g.unit() * 3.0f;
                v.push_back({cx + g.unit() * size - size / 2, cy + g.unit() * size - size / 2, 0.5f, rhw,
                             c.flat ? base : (g.next() | 0x30000000u), g.unit() * 6.0f - 3.0f, g.unit() * 6.0f - 3.0f});
            }
        }
        auto s = tvtxState(40, 40);
        s.stages[0].texture = &tex.view;
        s.stages[0].colorOp = TextureOp::Modulate;
        s.stages[0].colorArg1 = {ArgSource::Texture};
        s.stages[0].colorArg2 = {ArgSource::Diffuse};
        s.stages[0].alphaOp = c.textureAlphaOnly ? TextureOp::SelectArg1 : TextureOp::Modulate;
        s.stages[0].alphaArg1 = {ArgSource::Texture};
        s.stages[0].alphaArg2 = {ArgSource::Diffuse};
        s.colorWriteMask = c.writeMask;
        Canvas canvas(40, 40, 0x55667788u);
        canvas.format = r::ColorFormat::A8R8G8B8;
        const auto draw = [&](Canvas& target) { drawList(s, target, v); };
        EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0x55667788u), 800);
    }
}

// Untextured lines store their colour straight into the target as well.
TEST(RasterDirectFill, ColouredLinesGiveTheBatchBytes) {
    Lcg g{41};
    std::vector<TVtx> v;
    for (int i = 0; i < 60; ++i) {
        for (int k = 0; k < 2; ++k) {
            v.push_back({g.unit() * 44.0f - 2.0f, g.unit() * 44.0f - 2.0f, 0.5f, 0.2f + g.unit() * 2.0f,
                         g.next() | 0x20000000u, 0, 0});
        }
    }
    for (bool lastPixel : {true, false}) {
        for (uint8_t mask : {uint8_t(r::kWriteAll), uint8_t(r::kWriteRed | r::kWriteGreen | r::kWriteBlue)}) {
            SCOPED_TRACE(testing::Message() << "last pixel " << lastPixel << ", write mask " << int(mask));
            auto s = tvtxState(40, 40);
            s.stages[0].texture = nullptr;
            s.lastPixel = lastPixel;
            s.colorWriteMask = mask;
            Canvas canvas(40, 40, 0x99887766u);
            canvas.format = r::ColorFormat::A8R8G8B8;
            const auto draw = [&](Canvas& target) { drawList(s, target, v, r::PrimitiveType::LineList); };
            EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0x99887766u), 600);
        }
    }
}

// Lit and vertex-coloured triangles with a perspective and without, flat ones, and a write
// mask; flat blended ones (the mirror quad) take the one-colour blend, in 8 lanes where there is
// AVX2. Most are facets of a few pixels, which the 8-lane mesh path shades a pixel per triangle
// across lanes.
TEST(RasterDirectFill, ColouredTrianglesGiveTheBatchBytes) {
    struct Case {
        const char* name;
        bool flat, blend;
        uint8_t writeMask;
        r::ColorFormat target;
        bool perspective;
    };
    constexpr Case kCases[] = {
        {"gradients", false, false, r::kWriteAll, r::ColorFormat::X8R8G8B8, true},
        {"gradients, no perspective", false, false, r::kWriteAll, r::ColorFormat::A8R8G8B8, false},
        {"one colour a triangle", true, false, r::kWriteAll, r::ColorFormat::A8R8G8B8, true},
        {"one colour a triangle, no alpha channel", true, false, r::kWriteAll, r::ColorFormat::X8R8G8B8, true},
        {"green and blue only", false, false, r::kWriteGreen | r::kWriteBlue, r::ColorFormat::A8R8G8B8, true},
        {"one colour, blended", true, true, r::kWriteAll, r::ColorFormat::X8R8G8B8, true},
        {"one colour, blended, alpha kept", true, true, r::kWriteAll & ~r::kWriteAlpha, r::ColorFormat::A8R8G8B8,
         true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Lcg g{9};
        std::vector<TVtx> v;
        for (int t = 0; t < 80; ++t) {
            const uint32_t base = g.next() | 0x30000000u;
            const float size = (t % 4 == 0) ? 30.0f : 4.0f;  // mostly facets of a few pixels
            const float cx = g.unit() * 36.0f, cy = g.unit() * 36.0f;
            for (int k = 0; k < 3; ++k) {
                v.push_back({cx + g.unit() * size - size / 2, cy + g.unit() * size - size / 2, 0.5f,
                             c.perspective ? 0.2f + g.unit() * 2.0f : 0.5f,
                             c.flat ? base : (g.next() | 0x10000000u), 0, 0});
            }
        }
        auto s = tvtxState(36, 36);
        s.stages[0].texture = nullptr;
        s.colorWriteMask = c.writeMask;
        s.alphaBlendEnable = c.blend;
        s.srcBlend = BlendFactor::SrcAlpha;
        s.destBlend = BlendFactor::InvSrcAlpha;
        Canvas canvas(36, 36, 0x11223344u);
        canvas.format = c.target;
        const auto draw = [&](Canvas& target) { drawList(s, target, v); };
        EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0x11223344u), 500);
    }
}

}  // namespace

namespace {

r::ScreenVertex screenVertex(float x, float y) {
    r::ScreenVertex v{};
    v.x = x;
    v.y = y;
    v.q = 1.0f;
    v.sx = int64_t(std::llround(double(x) * double(r::kSubPixel)));
    v.sy = int64_t(std::llround(double(y) * double(r::kSubPixel)));
    v.snapped = true;
    return v;
}

// The row walker steps each edge's crossing from row to row; it must find exactly the spans that
// solving every row afresh finds, for slivers, huge triangles, axis-aligned edges and rows
// skipped the way the thread bands skip them.
TEST(RasterRowWalker, StepsToTheSpansOfEveryRow) {
    Lcg g{77};
    const r::Scissor scissor{0, 0, 4000, 3000};
    int rowsCompared = 0;
    for (int n = 0; n < 3000; ++n) {
        const float range = (n % 3 == 0) ? 3000.0f : (n % 3 == 1 ? 60.0f : 8.0f);
        float xs[3], ys[3];
        for (int k = 0; k < 3; ++k) {
            xs[k] = g.unit() * range + (n % 5 == 0 ? 0.0f : g.unit());
            ys[k] = g.unit() * range * 0.75f;
        }
        if (n % 7 == 0) xs[1] = xs[0];  // a vertical edge
        if (n % 11 == 0) ys[2] = ys[1];  // a horizontal edge
        r::TriangleSetup t;
        if (!r::setupTriangle(screenVertex(xs[0], ys[0]), screenVertex(xs[1], ys[1]), screenVertex(xs[2], ys[2]),
                              r::CullMode::None, scissor, 4, false, t)) {
            continue;
        }
        r::RowWalker walker(t);
        const int skip = n % 4;  // 0: every row; else bands of 8 rows, every other one
        for (int32_t y = t.minY; y <= t.maxY; ++y) {
            if (skip != 0 && ((y >> 3) & 1) == skip % 2) continue;
            int32_t a0 = 0, a1 = 0, b0 = 0, b1 = 0;
            const bool solved = r::rowSpan(t, y, a0, a1);
            const bool walked = walker.span(y, b0, b1);
            ASSERT_EQ(walked, solved) << "triangle " << n << " row " << y;
            if (solved) {
                ASSERT_EQ(b0, a0) << "triangle " << n << " row " << y;
                ASSERT_EQ(b1, a1) << "triangle " << n << " row " << y;
            }
            ++rowsCompared;
        }
    }
    EXPECT_GT(rowsCompared, 100000);
}

}  // namespace

namespace {

// A perspective view of a box of space: x, y in -20..20 at z = 40 fill the 48 x 48 target.
void perspectiveView(r::PipelineState& s) {
    s.viewport = {0, 0, 48, 48, 0.0f, 1.0f};
    s.projection = r::Mat4{};
    s.projection.m[0][0] = 2.0f;
    s.projection.m[1][1] = 2.0f;
    s.projection.m[2][2] = 1.0f;
    s.projection.m[2][3] = 1.0f;   // w = z
    s.projection.m[3][2] = -1.0f;  // near plane at z = 1
    s.projection.m[3][3] = 0.0f;
}

// The vertex stage runs eight vertices at a time where the processor has AVX2; it must make the
// vertices the one-vertex path makes, bit for bit: lit and unlit, with and without vertex
// colours and normals, with lights behind the surface, user clip planes, vertices behind the eye
// and far outside the view, and texture coordinates. 600 vertices: enough for the threads to
// share the vertex stage.
TEST(RasterVertexBlocks, GiveTheOneVertexResults) {
    struct Case {
        const char* name;
        bool lighting, colorVertex, normals;
        int clipPlanes;  // 0, 2 or 6
    };
    constexpr Case kCases[] = {
        {"lit, vertex colour as diffuse", true, true, true, 0},
        {"lit, material colour", true, false, true, 2},
        {"lit without normals", true, true, false, 0},
        {"unlit, user clip planes", false, true, true, 2},
        {"unlit, six user clip planes", false, true, true, 6},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Lcg g{53};
        std::vector<LitVtx> v;
        for (int t = 0; t < 200; ++t) {
            const float cx = g.unit() * 60.0f - 30.0f, cy = g.unit() * 60.0f - 30.0f;
            const float cz = (t % 10 == 0) ? g.unit() * 60.0f - 20.0f : 10.0f + g.unit() * 60.0f;  // some behind the eye
            const float size = (t % 7 == 0) ? 400.0f : 6.0f;  // some far outside the view
            for (int k = 0; k < 3; ++k) {
                v.push_back({cx + (g.unit() - 0.5f) * size, cy + (g.unit() - 0.5f) * size, cz + (g.unit() - 0.5f) * 4.0f,
                             g.unit() * 2.0f - 1.0f, g.unit() * 2.0f - 1.0f, g.unit() * 2.0f - 1.0f,
                             g.next() | 0x80000000u});
            }
        }
        r::PipelineState s;
        perspectiveView(s);
        s.cullMode = r::CullMode::None;
        s.layout.position = {true, 0, 0, r::ElementType::Float3};
        s.layout.normal = {c.normals, 0, 12, r::ElementType::Float3};
        s.layout.diffuse = {true, 0, 24, r::ElementType::D3DColor};
        s.stages[0].texture = nullptr;
        s.lighting = c.lighting;
        s.colorVertex = c.colorVertex;
        s.ambient = {0.1f, 0.15f, 0.2f, 0.0f};
        s.material.diffuse = {0.9f, 0.6f, 0.3f, 0.7f};
        s.material.ambient = {0.5f, 0.5f, 1.0f, 1.0f};
        s.material.emissive = {0.05f, 0.0f, 0.1f, 0.0f};
        const float dirs[2][3] = {{0.3f, -0.5f, 0.8f}, {-0.7f, 0.2f, -0.1f}};
        for (int i = 0; i < 2; ++i) {
            s.lights[i].enabled = true;
            s.lights[i].type = r::LightType::Directional;
            s.lights[i].diffuse = {0.8f, 0.7f - 0.3f * float(i), 0.5f, 1.0f};
            s.lights[i].ambient = {0.05f, 0.05f, 0.05f, 0.0f};
            s.lights[i].direction = {dirs[i][0], dirs[i][1], dirs[i][2]};
        }
        s.world.m[3][0] = 1.5f;  // the clip planes are in world space
        if (c.clipPlanes > 0) {
            s.clipPlaneEnable = 0x5;
            s.clipPlanes[0][0] = 1.0f, s.clipPlanes[0][3] = 12.0f;                          // x >= -12
            s.clipPlanes[2][1] = -0.6f, s.clipPlanes[2][2] = 0.8f, s.clipPlanes[2][3] = 3.0f;  // a slanted one
        }
        if (c.clipPlanes > 2) {
            s.clipPlaneEnable = 0x3F;
            s.clipPlanes[1][1] = 1.0f, s.clipPlanes[1][3] = 15.0f;                            // y >= -15
            s.clipPlanes[3][0] = -1.0f, s.clipPlanes[3][3] = 25.0f;                           // x <= 25
            s.clipPlanes[4][1] = -1.0f, s.clipPlanes[4][3] = 14.0f;                           // y <= 14
            s.clipPlanes[5][0] = 0.5f, s.clipPlanes[5][1] = 0.5f, s.clipPlanes[5][3] = 16.0f;  // x + y >= -32
        }
        Canvas canvas(48, 48, 0xFF000000u);
        // The same vertices in reverse order are drawn first, elsewhere, by the one-vertex path,
        // which writes every word: they are left in the vertex cache, so a word the vertex
        // blocks fail to write shows as a wrong pixel.
        const std::vector<LitVtx> reversed(v.rbegin(), v.rend());
        const auto draw = [&](Canvas& target) {
            const bool wide = r::wideLanes();
            r::setWideLanes(false);
            Canvas elsewhere(48, 48, 0xFF000000u);
            drawList(s, elsewhere, reversed);
            r::setWideLanes(wide);
            drawList(s, target, v);
        };
        EXPECT_GT(expectSameBytesOnEveryPath(canvas, draw, 0xFF000000u), 600);
    }
}

}  // namespace
