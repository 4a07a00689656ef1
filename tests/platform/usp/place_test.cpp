// ScriptPlace and ScriptTextOut: advances are the ones GDI draws with, offsets move marks the way
// the layout expects (dv downward), and a placed run draws exactly as ExtTextOutW draws the text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <hb-ft.h>

#include "font_dc.h"
#include "platform/gdi/font_access.h"
#include "platform/usp/script_table.h"

namespace {

using namespace platform::usp;
using usptest::FontDc;

struct Placed {
    std::vector<WORD> glyphs;
    std::vector<SCRIPT_VISATTR> visAttrs;
    std::vector<int> advances;
    std::vector<GOFFSET> offsets;
    ABC extent{};
};

SCRIPT_ANALYSIS latin() {
    SCRIPT_ANALYSIS a{};
    a.eScript = kScriptLatin;
    return a;
}

Placed shapeAndPlace(FontDc& f, std::u16string_view text, SCRIPT_ANALYSIS a) {
    Placed p;
    p.glyphs.resize(64);
    p.visAttrs.resize(64);
    std::vector<WORD> clusters(text.size());
    int count = 0;
    EXPECT_EQ(ScriptShape(f.dc(), f.cache(), text.data(), static_cast<int>(text.size()), 64, &a, p.glyphs.data(),
                          clusters.data(), p.visAttrs.data(), &count),
              S_OK);
    p.glyphs.resize(count);
    p.visAttrs.resize(count);
    p.advances.resize(count);
    p.offsets.resize(count);
    EXPECT_EQ(ScriptPlace(f.dc(), f.cache(), p.glyphs.data(), count, p.visAttrs.data(), &a, p.advances.data(),
                          p.offsets.data(), &p.extent),
              S_OK);
    return p;
}

class PlaceTest : public ::testing::Test {
protected:
    FontDc m_font{u"Arial", -18, FW_BOLD, 320, 32};
    void SetUp() override { ASSERT_TRUE(m_font.ok()); }
};

TEST_F(PlaceTest, AdvancesAreGdiWidthsAndExtentsAddUp) {
    const char16_t* kTexts[] = {u"Verlet Intergrator", u"Restart = ", u"( 10.f, -30 ~ -35.0f, 0.0f )", u"WAVE fi"};
    for (const char16_t* text : kTexts) {
        SCOPED_TRACE(std::string(text, text + std::char_traits<char16_t>::length(text)));
        Placed p = shapeAndPlace(m_font, text, latin());
        ASSERT_FALSE(p.glyphs.empty());
        std::vector<INT> widths(p.glyphs.size());
        ASSERT_TRUE(GetCharWidthI(m_font.dc(), 0, static_cast<UINT>(p.glyphs.size()), p.glyphs.data(), widths.data()));
        int total = 0;
        for (std::size_t i = 0; i < p.glyphs.size(); ++i) {
            EXPECT_EQ(p.advances[i], widths[i]) << "glyph " << i;
            EXPECT_EQ(p.offsets[i].du, 0);
            EXPECT_EQ(p.offsets[i].dv, 0);
            total += p.advances[i];
        }
        EXPECT_EQ(p.extent.abcA + static_cast<int>(p.extent.abcB) + p.extent.abcC, total);
    }
}

TEST_F(PlaceTest, PlacedRunDrawsAsExtTextOutDraws) {
    const char16_t* kTexts[] = {u"Verlet Intergrator", u"m = 5~10, WAVE fi"};
    for (const char16_t* text : kTexts) {
        std::u16string_view view(text);
        SCOPED_TRACE(std::string(view.begin(), view.end()));
        m_font.clear();
        ASSERT_TRUE(ExtTextOutW(m_font.dc(), 3, 2, 0, nullptr, text, static_cast<UINT>(view.size()), nullptr));
        std::vector<BYTE> expected(320 * 32);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 320; ++x) {
                expected[y * 320 + x] = m_font.green(x, y);
            }
        }
        m_font.clear();
        SCRIPT_ANALYSIS a = latin();
        Placed p = shapeAndPlace(m_font, view, a);
        ASSERT_EQ(ScriptTextOut(m_font.dc(), m_font.cache(), 3, 2, 0, nullptr, &a, nullptr, 0, p.glyphs.data(),
                                static_cast<int>(p.glyphs.size()), p.advances.data(), nullptr, p.offsets.data()),
                  S_OK);
        int differing = 0, lit = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 320; ++x) {
                differing += m_font.green(x, y) != expected[y * 320 + x];
                lit += expected[y * 320 + x] != 0;
            }
        }
        EXPECT_GT(lit, 100);
        EXPECT_EQ(differing, 0);
    }
}

// HarfBuzz's y grows upward; GOFFSET.dv grows downward, because the layout adds it to a
// top-down y. A second mark stacked on a base is moved by the font's mark placement: its dv is
// HarfBuzz's offset negated, and drawing the mark with it moves its ink down by dv rows.
TEST_F(PlaceTest, OffsetsGrowDownward) {
    SCRIPT_ANALYSIS a = latin();
    std::u16string_view text = u"a\u0308\u0301";  // a with diaeresis (composed), then an acute
    Placed p = shapeAndPlace(m_font, text, a);
    ASSERT_EQ(p.glyphs.size(), 2u);

    hb_font_t* font = hb_ft_font_create_referenced(platform::gdi::selectedFace(m_font.dc()));
    hb_ft_font_set_load_flags(font, platform::gdi::selectedLoadFlags(m_font.dc()));
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()), 3, 0, 3);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned int n = 0;
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &n);
    ASSERT_EQ(n, 2u);
    const int expectedDv = -((pos[1].y_offset + 32) >> 6);
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    ASSERT_NE(expectedDv, 0) << "the case must move the mark";
    EXPECT_EQ(p.offsets[1].dv, expectedDv);

    auto topInk = [&](GOFFSET offset) {
        m_font.clear();
        int advance = 0;
        EXPECT_EQ(ScriptTextOut(m_font.dc(), m_font.cache(), 10, 8, 0, nullptr, &a, nullptr, 0, &p.glyphs[1], 1,
                                &advance, nullptr, &offset),
                  S_OK);
        for (int y = 0; y < m_font.height(); ++y) {
            for (int x = 0; x < 40; ++x) {
                if (m_font.green(x, y) != 0) {
                    return y;
                }
            }
        }
        return -1;
    };
    int unmoved = topInk(GOFFSET{p.offsets[1].du, 0});
    int moved = topInk(p.offsets[1]);
    ASSERT_GE(unmoved, 0);
    EXPECT_EQ(moved - unmoved, p.offsets[1].dv);
}

TEST_F(PlaceTest, Misuse) {
    SCRIPT_ANALYSIS a = latin();
    Placed p = shapeAndPlace(m_font, u"ab", a);
    int advances[2] = {-1, -1};
    HDC dc = m_font.dc();
    SCRIPT_CACHE* cache = m_font.cache();
    struct Case {
        const char* name;
        HRESULT status;
    };
    const Case kCases[] = {
        {"null cache", ScriptPlace(dc, nullptr, p.glyphs.data(), 2, p.visAttrs.data(), &a, advances, nullptr, nullptr)},
        {"null glyphs", ScriptPlace(dc, cache, nullptr, 2, p.visAttrs.data(), &a, advances, nullptr, nullptr)},
        {"no glyphs", ScriptPlace(dc, cache, p.glyphs.data(), 0, p.visAttrs.data(), &a, advances, nullptr, nullptr)},
        {"null attributes", ScriptPlace(dc, cache, p.glyphs.data(), 2, nullptr, &a, advances, nullptr, nullptr)},
        {"null analysis", ScriptPlace(dc, cache, p.glyphs.data(), 2, p.visAttrs.data(), nullptr, advances, nullptr, nullptr)},
        {"null advances", ScriptPlace(dc, cache, p.glyphs.data(), 2, p.visAttrs.data(), &a, nullptr, nullptr, nullptr)},
        {"text out: null glyphs", ScriptTextOut(dc, cache, 0, 0, 0, nullptr, &a, nullptr, 0, nullptr, 2,
                                                p.advances.data(), nullptr, p.offsets.data())},
        {"text out: clipping", ScriptTextOut(dc, cache, 0, 0, ETO_CLIPPED, nullptr, &a, nullptr, 0, p.glyphs.data(), 2,
                                             p.advances.data(), nullptr, p.offsets.data())},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status, E_INVALIDARG);
    }
    EXPECT_EQ(advances[0], -1);
}

TEST_F(PlaceTest, FontProperties) {
    SCRIPT_FONTPROPERTIES properties{};
    properties.cBytes = sizeof properties;
    ASSERT_EQ(ScriptGetFontProperties(m_font.dc(), m_font.cache(), &properties), S_OK);
    WCHAR glyphs[2] = {};
    GCP_RESULTSW results{};
    results.lStructSize = sizeof results;
    results.lpGlyphs = glyphs;
    results.nGlyphs = 1;
    ASSERT_NE(GetCharacterPlacementW(m_font.dc(), u" ", 1, 0, &results, 0), 0u);
    EXPECT_EQ(properties.wgBlank, glyphs[0]);
    EXPECT_NE(properties.wgBlank, 0);
    EXPECT_EQ(properties.wgDefault, 0);

    SCRIPT_FONTPROPERTIES wrongSize{};
    wrongSize.cBytes = 12;
    EXPECT_EQ(ScriptGetFontProperties(m_font.dc(), m_font.cache(), &wrongSize), E_INVALIDARG);
    EXPECT_EQ(wrongSize.wgBlank, 0);
    EXPECT_EQ(ScriptGetFontProperties(m_font.dc(), m_font.cache(), nullptr), E_INVALIDARG);
    SCRIPT_CACHE empty = nullptr;
    EXPECT_EQ(ScriptGetFontProperties(nullptr, &empty, &properties), E_PENDING);
}

TEST(ScriptFreeCache, EmptiesTheCache) {
    FontDc font(u"Arial", -18, FW_BOLD, 16, 16);
    ASSERT_TRUE(font.ok());
    SCRIPT_CACHE cache = nullptr;
    SCRIPT_FONTPROPERTIES properties{};
    properties.cBytes = sizeof properties;
    ASSERT_EQ(ScriptGetFontProperties(font.dc(), &cache, &properties), S_OK);
    EXPECT_NE(cache, nullptr);
    EXPECT_EQ(ScriptFreeCache(&cache), S_OK);
    EXPECT_EQ(cache, nullptr);
    EXPECT_EQ(ScriptFreeCache(&cache), S_OK) << "an empty cache is freed again harmlessly";
    EXPECT_EQ(ScriptFreeCache(nullptr), E_INVALIDARG);
}

}  // namespace
