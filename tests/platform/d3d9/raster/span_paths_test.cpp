// The rasteriser's specialised paths (flat colours written straight to the target, batches of
// one colour, the texture-times-diffuse stage, four-pixel sampling, levels of detail filled in
// only when read) must give exactly the bytes of the general paths. Each test draws the same
// primitives two ways that differ only in which path they take.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/d3d9/raster/raster_fixture.h"

namespace {

using namespace raster_test;
using r::AddressMode;
using r::ArgSource;
using r::BlendFactor;
using r::Filter;
using r::TextureOp;

// Texels with every channel varied, alpha included.
struct Texture {
    std::vector<std::vector<uint32_t>> levels;
    r::TextureView view;

    Texture(uint32_t size, uint32_t levelCount, uint32_t seed) {
        Lcg g{seed};
        view.format = r::TextureFormat::A8R8G8B8;
        view.levelCount = levelCount;
        for (uint32_t l = 0; l < levelCount; ++l) {
            const uint32_t s = size >> l;
            std::vector<uint32_t> texels(s * s);
            for (uint32_t& t : texels) t = g.next() * 2654435761u;
            levels.push_back(std::move(texels));
        }
        for (uint32_t l = 0; l < levelCount; ++l) {
            const uint32_t s = size >> l;
            view.levels[l] = {levels[l].data(), int32_t(s * 4), s, s};
        }
    }
};

// Each triangle of a list drawn on its own: no batch ever holds two triangles.
template <class V>
void drawEach(const r::PipelineState& s, Canvas& canvas, const std::vector<V>& v) {
    for (size_t i = 0; i + 3 <= v.size(); i += 3) drawList(s, canvas, std::vector<V>(v.begin() + long(i), v.begin() + long(i) + 3));
}

int differing(const Canvas& canvas, uint32_t background) {
    int n = 0;
    for (uint32_t p : canvas.pixels) n += p != background;
    return n;
}

// Random overlapping triangles over a 24 x 24 target; `flat` gives each one colour.
std::vector<Vtx> triangles(int count, bool flat, bool mixed, uint32_t seed) {
    Lcg g{seed};
    std::vector<Vtx> v;
    for (int t = 0; t < count; ++t) {
        const uint32_t base = g.color() | 0x20000000u;
        const bool oneColour = flat || (mixed && t % 2 == 0);
        for (int k = 0; k < 3; ++k) {
            const uint32_t color = oneColour ? base : (g.color() | 0x10000000u);
            v.push_back({g.unit() * 26.0f - 1.0f, g.unit() * 26.0f - 1.0f, 0, color, g.unit() * 0.9f + 0.05f,
                         g.unit() * 0.9f + 0.05f});
        }
    }
    return v;
}

void srcAlphaBlend(r::PipelineState& s) {
    s.alphaBlendEnable = true;
    s.srcBlend = BlendFactor::SrcAlpha;
    s.destBlend = BlendFactor::InvSrcAlpha;
}

void modulateTexture(r::PipelineState& s, const r::TextureView& tex, Filter filter, AddressMode address) {
    s.stages[0].texture = &tex;
    s.stages[0].colorOp = TextureOp::Modulate;
    s.stages[0].colorArg1 = {ArgSource::Texture};
    s.stages[0].colorArg2 = {ArgSource::Diffuse};
    s.stages[0].alphaOp = TextureOp::Modulate;
    s.stages[0].alphaArg1 = {ArgSource::Texture};
    s.stages[0].alphaArg2 = {ArgSource::Diffuse};
    s.stages[0].sampler.magFilter = filter;
    s.stages[0].sampler.minFilter = filter;
    s.stages[0].sampler.addressU = address;
    s.stages[0].sampler.addressV = address;
}

TEST(RasterSpanPaths, OneDrawGivesTheBytesOfOneDrawPerTriangle) {
    Texture tex(16, 1, 7);
    struct Case {
        const char* name;
        bool flat, mixed, textured, blend, alphaTest;
        BlendFactor src, dest;
    };
    constexpr Case kCases[] = {
        {"flat colours blended", true, false, false, true, false, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha},
        {"flat colours opaque", true, false, false, false, false, BlendFactor::One, BlendFactor::Zero},
        {"flat colours, other factors", true, false, false, true, false, BlendFactor::One, BlendFactor::InvSrcColor},
        {"flat colours, alpha test", true, false, false, true, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha},
        {"flat and shaded mixed, textured", false, true, true, true, false, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha},
        {"flat textured, alpha test", true, false, true, true, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha},
        {"shaded textured opaque", false, false, true, false, false, BlendFactor::One, BlendFactor::Zero},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(24, 24);
        if (c.textured) modulateTexture(s, tex.view, Filter::Linear, AddressMode::Clamp);
        s.alphaBlendEnable = c.blend;
        s.srcBlend = c.src;
        s.destBlend = c.dest;
        s.alphaTestEnable = c.alphaTest;
        s.alphaFunc = r::CompareFunc::Greater;
        s.alphaRef = 0x60;
        const auto v = triangles(40, c.flat, c.mixed, 99);
        Canvas together(24, 24, 0x80406080u), apart(24, 24, 0x80406080u);
        drawList(s, together, v);
        drawEach(s, apart, v);
        EXPECT_EQ(together.pixels, apart.pixels);
        EXPECT_GT(differing(together, 0x80406080u), 200);
    }
}

// The texture-times-diffuse stage against the general cascade: a second stage that selects the
// current colour and alpha changes nothing but takes the general path.
TEST(RasterSpanPaths, ModulatedTextureStageMatchesTheGeneralCascade) {
    Texture tex(16, 1, 11);
    struct Case {
        const char* name;
        ArgSource colorTexture, colorOther;
        TextureOp alphaOp;
        ArgSource alpha1, alpha2;
    };
    constexpr Case kCases[] = {
        {"texture times diffuse", ArgSource::Texture, ArgSource::Diffuse, TextureOp::Modulate, ArgSource::Texture,
         ArgSource::Diffuse},
        {"diffuse times texture", ArgSource::Diffuse, ArgSource::Texture, TextureOp::Modulate, ArgSource::Diffuse,
         ArgSource::Texture},
        {"texture times current, texture alpha", ArgSource::Texture, ArgSource::Current, TextureOp::SelectArg1,
         ArgSource::Texture, ArgSource::Current},
        {"texture alpha as second argument", ArgSource::Current, ArgSource::Texture, TextureOp::SelectArg2,
         ArgSource::Diffuse, ArgSource::Texture},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto s = vtxState(24, 24);
        modulateTexture(s, tex.view, Filter::Linear, AddressMode::Wrap);
        s.stages[0].colorArg1 = {c.colorTexture};
        s.stages[0].colorArg2 = {c.colorOther};
        s.stages[0].alphaOp = c.alphaOp;
        s.stages[0].alphaArg1 = {c.alpha1};
        s.stages[0].alphaArg2 = {c.alpha2};
        srcAlphaBlend(s);
        auto general = s;
        general.stages[1].colorOp = TextureOp::SelectArg1;
        general.stages[1].colorArg1 = {ArgSource::Current};
        general.stages[1].alphaOp = TextureOp::SelectArg1;
        general.stages[1].alphaArg1 = {ArgSource::Current};
        for (bool flat : {true, false}) {
            SCOPED_TRACE(flat ? "flat" : "shaded");
            const auto v = triangles(30, flat, false, 5);
            Canvas fast(24, 24, 0xFF000000u), slow(24, 24, 0xFF000000u);
            drawList(s, fast, v);
            drawList(general, slow, v);
            EXPECT_EQ(fast.pixels, slow.pixels);
            EXPECT_GT(differing(fast, 0xFF000000u), 300);
        }
    }
}

// Four-pixel sampling (bilinear with clamp, point with wrap) against the one-pixel sampler of
// other address modes that give the same texels for these coordinates: border equals clamp
// while the bilinear footprint stays inside the texture, mirror equals wrap on 0..1.
TEST(RasterSpanPaths, FourPixelSamplingMatchesTheOnePixelSampler) {
    Texture tex(16, 1, 3);
    struct Case {
        const char* name;
        Filter filter;
        AddressMode fast, general;
        float lo, hi;  // the range of the texture coordinates
    };
    constexpr Case kCases[] = {
        {"bilinear, clamp and border", Filter::Linear, AddressMode::Clamp, AddressMode::Border, 1.0f / 16, 15.0f / 16},
        {"point, wrap and mirror", Filter::Point, AddressMode::Wrap, AddressMode::Mirror, 0.001f, 0.99f},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Lcg g{21};
        std::vector<Vtx> v;
        for (int t = 0; t < 30; ++t) {
            for (int k = 0; k < 3; ++k) {
                v.push_back({g.unit() * 26.0f - 1.0f, g.unit() * 26.0f - 1.0f, 0, g.next() | 0xFF000000u,
                             c.lo + g.unit() * (c.hi - c.lo), c.lo + g.unit() * (c.hi - c.lo)});
            }
        }
        auto s = vtxState(24, 24);
        modulateTexture(s, tex.view, c.filter, c.fast);
        auto general = s;
        general.stages[0].sampler.addressU = c.general;
        general.stages[0].sampler.addressV = c.general;
        general.stages[0].sampler.borderColor = 0xFF00FF00u;
        Canvas fast(24, 24), slow(24, 24);
        drawList(s, fast, v);
        drawList(general, slow, v);
        EXPECT_EQ(fast.pixels, slow.pixels);
        EXPECT_GT(differing(fast, 0), 400);
    }
}

// Flat, screen-aligned quads (sprites) skip writing their level of detail while everything in
// the batch is magnified. A minified quad that joins the batch later must not make them read a
// stale level of detail: here the first quads fill a batch with minified fragments, then a
// magnified quad and a minified one share the next batch. Point magnification and bilinear
// minification tell the two apart.
TEST(RasterSpanPaths, MagnifiedSpritesSharingABatchWithMinifiedOnes) {
    Texture tex(16, 5, 17);
    auto s = tvtxState(40, 40);
    modulateTexture(s, tex.view, Filter::Linear, AddressMode::Clamp);
    s.stages[0].sampler.magFilter = Filter::Point;
    s.stages[0].sampler.mipFilter = Filter::Linear;
    const auto quad = [](std::vector<TVtx>& v, float x, float y, float w, float h, float uvScale) {
        const uint32_t c = 0xFFFFFFFFu;
        const TVtx a{x, y, 0, 1, c, 0.1f, 0.1f}, b{x + w, y, 0, 1, c, 0.1f + w * uvScale, 0.1f};
        const TVtx d{x, y + h, 0, 1, c, 0.1f, 0.1f + h * uvScale}, e{x + w, y + h, 0, 1, c, 0.1f + w * uvScale, 0.1f + h * uvScale};
        v.insert(v.end(), {a, b, d, b, e, d});
    };
    std::vector<TVtx> v;
    quad(v, 0, 0, 16, 8, 1.0f / 6);      // minified (about 2.7 texels a pixel): 128 fragments
    quad(v, 2, 20, 5, 3, 1.0f / 64);     // magnified, a new batch
    quad(v, 20, 20, 6, 3, 1.0f / 4);     // minified, joins it
    Canvas together(40, 40), apart(40, 40);
    drawList(s, together, v);
    drawEach(s, apart, v);
    EXPECT_EQ(together.pixels, apart.pixels);
    // The magnified quad's texels come from level 0 unfiltered.
    const uint32_t t = tex.levels[0][1 * 16 + 1];
    EXPECT_EQ(together.at(2, 20) & 0x00FFFFFFu, t & 0x00FFFFFFu);
}

}  // namespace
