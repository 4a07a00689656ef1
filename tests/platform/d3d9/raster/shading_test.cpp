// Colours and texture coordinates across a primitive: Gouraud and flat shading, perspective
// correction, texture sampling and the texture stages.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::PrimitiveType;

uint32_t channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

uint32_t rounded(float v) {
    return uint32_t(v * 255.0f + 0.5f);
}

TEST(RasterShading, GouraudColoursAtKnownPixels) {
    // Red at (0,0), green at (8,0), blue at (0,8): at pixel (x, y) the weights are
    // green x/8, blue y/8, red 1 - x/8 - y/8. Pixels are chosen away from rounding ties.
    auto s = vtxState(8, 8);
    Canvas canvas(8, 8);
    drawList(s, canvas, std::vector<Vtx>{{0, 0, 0, 0xFFFF0000u, 0, 0}, {8, 0, 0, 0xFF00FF00u, 0, 0},
                                         {0, 8, 0, 0xFF0000FFu, 0, 0}});
    struct Case {
        uint32_t x, y;
    };
    const Case cases[] = {{0, 0}, {1, 2}, {3, 1}, {2, 5}, {5, 1}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        const float g = float(c.x) / 8.0f, b = float(c.y) / 8.0f, red = 1.0f - g - b;
        const uint32_t px = canvas.at(c.x, c.y);
        EXPECT_EQ(channel(px, 16), rounded(red));
        EXPECT_EQ(channel(px, 8), rounded(g));
        EXPECT_EQ(channel(px, 0), rounded(b));
        EXPECT_EQ(channel(px, 24), 255u);
    }
    EXPECT_EQ(canvas.at(1, 2), argb(255, 159, 32, 64));  // 0.625, 0.125 and 0.25 of 255
}

TEST(RasterShading, InterpolationIsPerspectiveCorrect) {
    // Pretransformed: the far vertex (8,0) has 1/w = 0.25. At pixel (4,0) the screen weights are
    // 0.5 / 0.5 / 0, so the colour weight of that vertex is 0.5*0.25 / (0.5*1 + 0.5*0.25) = 0.2.
    auto s = tvtxState(8, 8);
    Canvas canvas(8, 8);
    drawList(s, canvas, std::vector<TVtx>{{0, 0, 0, 1, 0xFF000000u, 0, 0}, {8, 0, 0, 0.25f, 0xFFFFFFFFu, 0, 0},
                                          {0, 8, 0, 1, 0xFF000000u, 0, 0}});
    EXPECT_EQ(canvas.at(4, 0), argb(255, 51, 51, 51));
    EXPECT_EQ(canvas.at(0, 0), argb(255, 0, 0, 0));
}

TEST(RasterShading, FlatShadingUsesTheFirstVertex) {
    auto s = vtxState(8, 8);
    s.shadeMode = r::ShadeMode::Flat;
    Canvas canvas(8, 8);
    drawList(s, canvas, std::vector<Vtx>{{0, 0, 0, 0xFF204080u, 0, 0}, {8, 0, 0, 0xFF00FF00u, 0, 0},
                                         {0, 8, 0, 0xFF0000FFu, 0, 0}});
    for (auto [x, y] : {std::pair{0u, 0u}, std::pair{6u, 1u}, std::pair{1u, 6u}, std::pair{3u, 3u}}) {
        EXPECT_EQ(canvas.at(x, y), 0xFF204080u) << x << "," << y;
    }
}

TEST(RasterShading, UnlitVertexWithoutColourIsOpaqueWhite) {
    auto s = vtxState(4, 4);
    s.layout.diffuse.present = false;
    Canvas canvas(4, 4);
    drawList(s, canvas, std::vector<Vtx>{{0, 0, 0, 0x12345678u, 0, 0}, {8, 0, 0, 0, 0, 0}, {0, 8, 0, 0, 0, 0}});
    EXPECT_EQ(canvas.at(1, 1), 0xFFFFFFFFu);
}

// ---- textures ---------------------------------------------------------------------------------

struct Texture {
    std::vector<std::vector<uint8_t>> levels;
    r::TextureView view;

    Texture(r::TextureFormat format, uint32_t bytesPerTexel, std::initializer_list<std::pair<uint32_t, uint32_t>> sizes) {
        view.format = format;
        for (auto [w, h] : sizes) levels.emplace_back(size_t(w) * h * bytesPerTexel, 0);
        view.levelCount = uint32_t(sizes.size());
        int i = 0;
        for (auto [w, h] : sizes) {
            view.levels[i] = {levels[size_t(i)].data(), int32_t(w * bytesPerTexel), w, h};
            ++i;
        }
    }
    void set32(int level, uint32_t x, uint32_t y, uint32_t v) {
        std::memcpy(levels[size_t(level)].data() + (y * view.levels[level].width + x) * 4, &v, 4);
    }
    void fill32(int level, uint32_t v) {
        for (uint32_t y = 0; y < view.levels[level].height; ++y)
            for (uint32_t x = 0; x < view.levels[level].width; ++x) set32(level, x, y, v);
    }
};

// A full 8 x 8 quad (two triangles) with texture coordinates from (u0, v0) to (u1, v1).
std::vector<Vtx> texturedQuad(float u0, float v0, float u1, float v1, uint32_t color = 0xFFFFFFFFu) {
    return {{0, 0, 0, color, u0, v0}, {8, 0, 0, color, u1, v0}, {0, 8, 0, color, u0, v1},
            {8, 0, 0, color, u1, v0}, {8, 8, 0, color, u1, v1}, {0, 8, 0, color, u0, v1}};
}

r::PipelineState textureOnly(const r::TextureView& view) {
    auto s = vtxState(8, 8);
    s.stages[0].texture = &view;
    s.stages[0].colorOp = r::TextureOp::SelectArg1;
    s.stages[0].alphaOp = r::TextureOp::SelectArg1;
    return s;
}

TEST(RasterTexture, WrapRepeatsAndClampHoldsTheEdge) {
    // 2 x 2 texture: red, green / blue, white. u and v run 0..2 over 8 pixels: at pixel x the
    // coordinate is x / 4, so point sampling takes texel floor(x / 2) before addressing.
    Texture tex(r::TextureFormat::A8R8G8B8, 4, {{2, 2}});
    tex.set32(0, 0, 0, 0xFFFF0000u);
    tex.set32(0, 1, 0, 0xFF00FF00u);
    tex.set32(0, 0, 1, 0xFF0000FFu);
    tex.set32(0, 1, 1, 0xFFFFFFFFu);
    struct Case {
        const char* name;
        r::AddressMode mode;
        uint32_t expectRow0[8];
    };
    const uint32_t R = 0xFFFF0000u, G = 0xFF00FF00u;
    const Case cases[] = {
        {"wrap", r::AddressMode::Wrap, {R, R, G, G, R, R, G, G}},
        {"clamp", r::AddressMode::Clamp, {R, R, G, G, G, G, G, G}},
        {"mirror", r::AddressMode::Mirror, {R, R, G, G, G, G, R, R}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = textureOnly(tex.view);
        s.stages[0].sampler.addressU = c.mode;
        s.stages[0].sampler.addressV = c.mode;
        Canvas canvas(8, 8);
        drawList(s, canvas, texturedQuad(0, 0, 2, 2));
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(canvas.at(x, 0), c.expectRow0[x]) << "x=" << x;
        // Rows 4 and 5 have v in 1..1.5: wrap goes back to texel row 0, clamp stays on row 1.
        const uint32_t expected = c.mode == r::AddressMode::Wrap ? R : 0xFF0000FFu;
        EXPECT_EQ(canvas.at(0, 5), expected);
    }
}

TEST(RasterTexture, BorderAddressingUsesTheBorderColour) {
    Texture tex(r::TextureFormat::A8R8G8B8, 4, {{1, 1}});
    tex.set32(0, 0, 0, 0xFF112233u);
    auto s = textureOnly(tex.view);
    s.stages[0].sampler.addressU = r::AddressMode::Border;
    s.stages[0].sampler.addressV = r::AddressMode::Border;
    s.stages[0].sampler.borderColor = 0xFFA0B0C0u;
    Canvas canvas(8, 8);
    drawList(s, canvas, texturedQuad(0, 0, 2, 2));
    EXPECT_EQ(canvas.at(1, 1), 0xFF112233u);
    EXPECT_EQ(canvas.at(5, 1), 0xFFA0B0C0u);
    EXPECT_EQ(canvas.at(1, 5), 0xFFA0B0C0u);
}

TEST(RasterTexture, PointAndBilinearFilteringAtFixedCoordinates) {
    // 2 x 1 texture, black then white. Every vertex has the same coordinates, so every pixel
    // samples the same spot; v = 0.5 is the centre of the only row.
    Texture tex(r::TextureFormat::A8R8G8B8, 4, {{2, 1}});
    tex.set32(0, 0, 0, 0xFF000000u);
    tex.set32(0, 1, 0, 0xFFFFFFFFu);
    struct Case {
        const char* name;
        r::Filter filter;
        r::AddressMode mode;
        float u;
        uint32_t expectedLevel;  // grey level of the result
    };
    const Case cases[] = {
        {"point, first texel", r::Filter::Point, r::AddressMode::Clamp, 0.49f, 0},
        {"point, second texel", r::Filter::Point, r::AddressMode::Clamp, 0.5f, 255},
        {"linear at a texel centre", r::Filter::Linear, r::AddressMode::Clamp, 0.25f, 0},
        {"linear a quarter of the way", r::Filter::Linear, r::AddressMode::Clamp, 0.375f, 64},  // 63.75
        {"linear three quarters of the way", r::Filter::Linear, r::AddressMode::Clamp, 0.625f, 191},  // 191.25
        // u = 1/16: texel coordinate -0.375, between texel -1 and texel 0 (weight 0.625 on texel 0).
        {"linear clamped at the left edge", r::Filter::Linear, r::AddressMode::Clamp, 0.0625f, 0},
        {"linear wraps across the left edge", r::Filter::Linear, r::AddressMode::Wrap, 0.0625f, 96},  // 95.625
        {"linear wraps: coordinates 1 apart agree", r::Filter::Linear, r::AddressMode::Wrap, 1.375f, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = textureOnly(tex.view);
        s.stages[0].sampler.magFilter = c.filter;
        s.stages[0].sampler.minFilter = c.filter;
        s.stages[0].sampler.addressU = c.mode;
        s.stages[0].sampler.addressV = c.mode;
        Canvas canvas(8, 8);
        drawList(s, canvas, texturedQuad(c.u, 0.5f, c.u, 0.5f));
        const uint32_t px = canvas.at(3, 3);
        EXPECT_EQ(channel(px, 16), c.expectedLevel);
        EXPECT_EQ(channel(px, 0), c.expectedLevel);
    }
}

TEST(RasterTexture, MipSelectionFollowsTheFootprint) {
    // Levels: 4 x 4 red, 2 x 2 green, 1 x 1 blue. Over 8 pixels, u running to `uMax` covers
    // 4 * uMax / 8 level-0 texels per pixel; the level of detail is log2 of that.
    Texture tex(r::TextureFormat::A8R8G8B8, 4, {{4, 4}, {2, 2}, {1, 1}});
    tex.fill32(0, 0xFFFF0000u);
    tex.fill32(1, 0xFF00FF00u);
    tex.fill32(2, 0xFF0000FFu);
    const uint32_t R = 0xFFFF0000u, G = 0xFF00FF00u, B = 0xFF0000FFu;
    struct Case {
        const char* name;
        float uMax;
        r::Filter mip;
        float bias;
        uint32_t maxLevel;
        uint32_t expected;
    };
    const Case cases[] = {
        {"magnified: level 0", 1, r::Filter::Point, 0, 0, R},
        {"one texel per pixel: level 0", 2, r::Filter::Point, 0, 0, R},
        {"two texels per pixel: level 1", 4, r::Filter::Point, 0, 0, G},
        {"four texels per pixel: level 2", 8, r::Filter::Point, 0, 0, B},
        {"far beyond the last level", 64, r::Filter::Point, 0, 0, B},
        {"no mip filter stays on level 0", 8, r::Filter::None, 0, 0, R},
        {"bias moves one level down", 4, r::Filter::Point, 1, 0, B},
        {"maximum level keeps level 0 out", 2, r::Filter::Point, 0, 1, G},
        {"no mip filter with a maximum level", 8, r::Filter::None, 0, 1, G},
        {"linear mip at an exact level", 4, r::Filter::Linear, 0, 0, G},
        {"linear mip a quarter past level 1", 4, r::Filter::Linear, 0.25f, 0, argb(255, 0, 191, 64)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = textureOnly(tex.view);
        s.stages[0].sampler.minFilter = r::Filter::Point;
        s.stages[0].sampler.magFilter = r::Filter::Point;
        s.stages[0].sampler.mipFilter = c.mip;
        s.stages[0].sampler.mipLodBias = c.bias;
        s.stages[0].sampler.maxMipLevel = c.maxLevel;
        Canvas canvas(8, 8);
        drawList(s, canvas, texturedQuad(0, 0, c.uMax, c.uMax));
        EXPECT_EQ(canvas.at(3, 3), c.expected) << std::hex << canvas.at(3, 3);
    }
}

TEST(RasterTexture, EveryTexelFormatDecodes) {
    struct Case {
        const char* name;
        r::TextureFormat format;
        uint32_t bytes;
        uint32_t texel;
        uint32_t expected;  // A8R8G8B8
    };
    const Case cases[] = {
        {"A8R8G8B8", r::TextureFormat::A8R8G8B8, 4, 0x80123456u, 0x80123456u},
        {"X8R8G8B8 reads alpha as opaque", r::TextureFormat::X8R8G8B8, 4, 0x00123456u, 0xFF123456u},
        {"R5G6B5 red", r::TextureFormat::R5G6B5, 2, 0xF800u, 0xFFFF0000u},
        {"R5G6B5 mid green", r::TextureFormat::R5G6B5, 2, 0x0400u, argb(255, 0, 130, 0)},  // 32/63
        {"X1R5G5B5", r::TextureFormat::X1R5G5B5, 2, 0x7C00u, 0xFFFF0000u},
        {"A1R5G5B5 transparent blue", r::TextureFormat::A1R5G5B5, 2, 0x001Fu, 0x000000FFu},
        {"A1R5G5B5 opaque blue", r::TextureFormat::A1R5G5B5, 2, 0x801Fu, 0xFF0000FFu},
        {"A4R4G4B4", r::TextureFormat::A4R4G4B4, 2, 0x8F05u, argb(136, 255, 0, 85)},
        {"L8", r::TextureFormat::L8, 1, 0x80u, 0xFF808080u},
        {"A8 is black with alpha", r::TextureFormat::A8, 1, 0x40u, 0x40000000u},
        {"A8L8", r::TextureFormat::A8L8, 2, 0x40C0u, 0x40C0C0C0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Texture tex(c.format, c.bytes, {{1, 1}});
        std::memcpy(tex.levels[0].data(), &c.texel, c.bytes);
        auto s = textureOnly(tex.view);
        Canvas canvas(8, 8);
        drawList(s, canvas, texturedQuad(0.5f, 0.5f, 0.5f, 0.5f));
        EXPECT_EQ(canvas.at(2, 2), c.expected) << std::hex << canvas.at(2, 2);
    }
}

TEST(RasterTexture, StageOperationsAndArguments) {
    Texture tex(r::TextureFormat::A8R8G8B8, 4, {{1, 1}});
    tex.set32(0, 0, 0, 0x80FF8000u);  // a 128, r 255, g 128, b 0
    const uint32_t diffuse = 0xC0804020u;  // a 192, r 128, g 64, b 32
    using Op = r::TextureOp;
    using Src = r::ArgSource;
    struct Case {
        const char* name;
        bool bindTexture;
        Op colorOp;
        r::TextureArg c1, c2;
        Op alphaOp;
        r::TextureArg a1, a2;
        Op stage1ColorOp;
        uint32_t expected;
    };
    const r::TextureArg tex0{Src::Texture}, dif{Src::Diffuse}, cur{Src::Current}, tf{Src::TFactor};
    const Case cases[] = {
        {"defaults: texture modulated by diffuse, texture alpha", true, Op::Modulate, tex0, cur, Op::SelectArg1, tex0, cur,
         Op::Disable, argb(128, 128, 32, 0)},
        {"select texture", true, Op::SelectArg1, tex0, dif, Op::SelectArg1, tex0, dif, Op::Disable, 0x80FF8000u},
        {"select diffuse", true, Op::SelectArg2, tex0, dif, Op::SelectArg2, tex0, dif, Op::Disable, diffuse},
        {"alpha from diffuse, colour from texture", true, Op::SelectArg1, tex0, dif, Op::SelectArg2, tex0, dif,
         Op::Disable, 0xC0FF8000u},
        // Without a texture the texture argument is white in colour and the current alpha, so
        // the default stages pass an untextured vertex colour through, alpha included.
        {"no texture bound: white colour, current alpha", false, Op::Modulate, tex0, dif, Op::SelectArg1, tex0, dif,
         Op::Disable, argb(192, 128, 64, 32)},
        {"no texture bound, modulated alpha squares the current alpha", false, Op::Modulate, tex0, dif, Op::Modulate,
         tex0, dif, Op::Disable, argb(145, 128, 64, 32)},  // 192 * 192 / 255 = 144.6
        {"modulate alpha", true, Op::SelectArg1, tex0, dif, Op::Modulate, tex0, dif, Op::Disable, argb(96, 255, 128, 0)},
        {"texture factor", true, Op::Modulate, tf, dif, Op::SelectArg1, tf, dif, Op::Disable, argb(64, 128, 64, 32)},
        {"complemented texture", true, Op::SelectArg1, {Src::Texture, true, false}, dif, Op::SelectArg1, tex0, dif,
         Op::Disable, argb(128, 0, 127, 255)},
        {"alpha replicated", true, Op::SelectArg1, {Src::Texture, false, true}, dif, Op::SelectArg1, tex0, dif,
         Op::Disable, argb(128, 128, 128, 128)},
        {"stage 1 enabled: selects current", true, Op::SelectArg1, tex0, dif, Op::SelectArg1, tex0, dif,
         Op::SelectArg1, 0x80FF8000u},
        {"stage 0 disabled: diffuse passes", true, Op::Disable, tex0, dif, Op::Disable, tex0, dif, Op::Modulate,
         diffuse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(8, 8);
        s.textureFactor = 0x40FFFFFFu;
        r::TextureStage& st = s.stages[0];
        st.texture = c.bindTexture ? &tex.view : nullptr;
        st.colorOp = c.colorOp;
        st.colorArg1 = c.c1;
        st.colorArg2 = c.c2;
        st.alphaOp = c.alphaOp;
        st.alphaArg1 = c.a1;
        st.alphaArg2 = c.a2;
        s.stages[1].colorOp = c.stage1ColorOp;
        s.stages[1].colorArg1 = {Src::Current};
        s.stages[1].alphaOp = c.stage1ColorOp == Op::Disable ? Op::Disable : Op::SelectArg1;
        s.stages[1].alphaArg1 = {Src::Current};
        Canvas canvas(8, 8);
        drawList(s, canvas, texturedQuad(0.5f, 0.5f, 0.5f, 0.5f, diffuse));
        EXPECT_EQ(canvas.at(2, 2), c.expected) << std::hex << canvas.at(2, 2);
    }
}

}  // namespace
