// ScriptShape and ScriptPlace over the help font ("Arial", 18 pixels, bold).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font_dc.h"
#include "platform/usp/script_table.h"

namespace {

using namespace platform::usp;
using usptest::FontDc;

struct Shaped {
    HRESULT status = E_FAIL;
    std::vector<WORD> glyphs;
    std::vector<WORD> clusters;
    std::vector<SCRIPT_VISATTR> visAttrs;
};

SCRIPT_ANALYSIS analysisFor(WORD script, bool rtl) {
    SCRIPT_ANALYSIS a{};
    a.eScript = script;
    a.fRTL = rtl;
    a.fLayoutRTL = rtl;
    a.s.uBidiLevel = rtl;
    return a;
}

Shaped shape(FontDc& f, std::u16string_view text, SCRIPT_ANALYSIS a, int maxGlyphs = 64) {
    Shaped s;
    s.glyphs.resize(maxGlyphs);
    s.clusters.resize(text.size());
    s.visAttrs.resize(maxGlyphs);
    int count = 0;
    s.status = ScriptShape(f.dc(), f.cache(), text.data(), static_cast<int>(text.size()), maxGlyphs, &a,
                           s.glyphs.data(), s.clusters.data(), s.visAttrs.data(), &count);
    s.glyphs.resize(SUCCEEDED(s.status) ? count : 0);
    s.visAttrs.resize(s.glyphs.size());
    return s;
}

class ShapeTest : public ::testing::Test {
protected:
    FontDc m_font{u"Arial", -18, FW_BOLD, 256, 32};
    void SetUp() override { ASSERT_TRUE(m_font.ok()); }
};

TEST_F(ShapeTest, ClusterMaps) {
    struct Case {
        const char* name;
        const char16_t* text;
        WORD script;
        bool rtl;
        std::vector<WORD> clusters;
        const char* clusterStarts;  // per glyph: 'S' cluster start, '.' not
        const char* diacritics;     // per glyph: 'D' diacritic, '.' not
    };
    const Case kCases[] = {
        {"one glyph per letter", u"ab", kScriptLatin, false, {0, 1}, "SS", ".."},
        {"a combining mark shares its base's cluster", u"x\u0301y", kScriptLatin, false, {0, 0, 2}, "S.S", ".D."},
        {"right to left: glyphs in visual order", u"\u05D0\u05D1", kScriptHebrew, true, {1, 0}, "SS", ".."},
        // Alef with sheva, then bet: visually bet, sheva, alef.
        {"right to left with a point: the cluster starts at its rightmost glyph",
         u"\u05D0\u05B0\u05D1", kScriptHebrew, true, {2, 2, 0}, "S.S", ".D."},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Shaped s = shape(m_font, c.text, analysisFor(c.script, c.rtl));
        ASSERT_EQ(s.status, S_OK);
        EXPECT_EQ(s.clusters, c.clusters);
        std::string starts, diacritics;
        for (const SCRIPT_VISATTR& v : s.visAttrs) {
            starts.push_back(v.fClusterStart ? 'S' : '.');
            diacritics.push_back(v.fDiacritic ? 'D' : '.');
        }
        EXPECT_EQ(starts, c.clusterStarts);
        EXPECT_EQ(diacritics, c.diacritics);
        for (WORD g : s.glyphs) {
            EXPECT_NE(g, 0) << "the font has every character here";
        }
    }
}

TEST_F(ShapeTest, TextTheFontCannotShow) {
    struct Case {
        const char* name;
        const char16_t* text;
        WORD script;
        HRESULT status;
        bool defaultGlyph;  // succeeded, but with the default glyph (0) among the glyphs
    };
    const Case kCases[] = {
        {"Korean is not in Arial", u"적용식", kScriptHangul, USP_E_SCRIPT_NOT_IN_FONT, false},
        {"one Korean letter in a Latin run", u"ab가", kScriptLatin, USP_E_SCRIPT_NOT_IN_FONT, false},
        {"the help text's sign in a Korean item", u"▷ ", kScriptHangul, USP_E_SCRIPT_NOT_IN_FONT, false},
        {"the sign alone: an undefined item shows the default glyph", u"▷", kScriptUndefined, S_OK, true},
        {"Latin is", u"Verlet", kScriptLatin, S_OK, false},
        {"control characters never count as missing", u"a\tb\r\n", kScriptLatin, S_OK, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Shaped s = shape(m_font, c.text, analysisFor(c.script, false));
        EXPECT_EQ(s.status, c.status);
        bool hasDefault = false;
        for (WORD g : s.glyphs) {
            hasDefault = hasDefault || g == 0;
        }
        EXPECT_EQ(hasDefault, c.defaultGlyph);
    }
}

TEST_F(ShapeTest, ControlCharactersAreZeroWidthBlanks) {
    SCRIPT_FONTPROPERTIES properties{};
    properties.cBytes = sizeof properties;
    ASSERT_EQ(ScriptGetFontProperties(m_font.dc(), m_font.cache(), &properties), S_OK);
    SCRIPT_ANALYSIS a = analysisFor(kScriptLatin, false);
    Shaped s = shape(m_font, u"a\tb", a);
    ASSERT_EQ(s.status, S_OK);
    ASSERT_EQ(s.glyphs.size(), 3u);
    EXPECT_EQ(s.glyphs[1], properties.wgBlank);
    EXPECT_TRUE(s.visAttrs[1].fZeroWidth);
    int advances[3];
    ASSERT_EQ(ScriptPlace(m_font.dc(), m_font.cache(), s.glyphs.data(), 3, s.visAttrs.data(), &a, advances, nullptr,
                          nullptr),
              S_OK);
    EXPECT_EQ(advances[1], 0);
    // The same glyphs with a real blank keep the blank's advance: placements are not confused.
    Shaped spaced = shape(m_font, u"a b", a);
    ASSERT_EQ(spaced.glyphs, s.glyphs);
    ASSERT_EQ(ScriptPlace(m_font.dc(), m_font.cache(), spaced.glyphs.data(), 3, spaced.visAttrs.data(), &a, advances,
                          nullptr, nullptr),
              S_OK);
    EXPECT_GT(advances[1], 0);
}

TEST_F(ShapeTest, RoomAndCacheStatuses) {
    SCRIPT_ANALYSIS a = analysisFor(kScriptLatin, false);
    Shaped tooSmall = shape(m_font, u"Verlet", a, 3);
    EXPECT_EQ(tooSmall.status, E_OUTOFMEMORY);
    // An empty cache and no DC: the caller must come back with a DC.
    SCRIPT_CACHE empty = nullptr;
    WORD glyphs[8], clusters[8];
    SCRIPT_VISATTR attrs[8];
    int count = -1;
    EXPECT_EQ(ScriptShape(nullptr, &empty, u"ab", 2, 8, &a, glyphs, clusters, attrs, &count), E_PENDING);
    EXPECT_EQ(count, -1);
    // A filled cache works without the DC.
    ASSERT_EQ(shape(m_font, u"ab", a).status, S_OK);
    EXPECT_EQ(ScriptShape(nullptr, m_font.cache(), u"ab", 2, 8, &a, glyphs, clusters, attrs, &count), S_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(ShapeTest, ACacheBelongsToOneFont) {
    FontDc other(u"Arial", -30, FW_NORMAL, 64, 64);
    ASSERT_TRUE(other.ok());
    SCRIPT_ANALYSIS a = analysisFor(kScriptLatin, false);
    ASSERT_EQ(shape(m_font, u"ab", a).status, S_OK);
    WORD glyphs[8], clusters[8];
    SCRIPT_VISATTR attrs[8];
    int count = -1;
    EXPECT_EQ(ScriptShape(other.dc(), m_font.cache(), u"ab", 2, 8, &a, glyphs, clusters, attrs, &count), E_INVALIDARG);
    EXPECT_EQ(count, -1);
}

TEST_F(ShapeTest, Misuse) {
    SCRIPT_ANALYSIS a = analysisFor(kScriptLatin, false);
    WORD glyphs[8], clusters[8];
    SCRIPT_VISATTR attrs[8];
    int count = -1;
    HDC dc = m_font.dc();
    SCRIPT_CACHE* cache = m_font.cache();
    struct Case {
        const char* name;
        HRESULT status;
    };
    const Case kCases[] = {
        {"null cache", ScriptShape(dc, nullptr, u"ab", 2, 8, &a, glyphs, clusters, attrs, &count)},
        {"null text", ScriptShape(dc, cache, nullptr, 2, 8, &a, glyphs, clusters, attrs, &count)},
        {"zero length", ScriptShape(dc, cache, u"ab", 0, 8, &a, glyphs, clusters, attrs, &count)},
        {"null analysis", ScriptShape(dc, cache, u"ab", 2, 8, nullptr, glyphs, clusters, attrs, &count)},
        {"null glyphs", ScriptShape(dc, cache, u"ab", 2, 8, &a, nullptr, clusters, attrs, &count)},
        {"null clusters", ScriptShape(dc, cache, u"ab", 2, 8, &a, glyphs, nullptr, attrs, &count)},
        {"null attributes", ScriptShape(dc, cache, u"ab", 2, 8, &a, glyphs, clusters, nullptr, &count)},
        {"null count", ScriptShape(dc, cache, u"ab", 2, 8, &a, glyphs, clusters, attrs, nullptr)},
        {"no room", ScriptShape(dc, cache, u"ab", 2, 0, &a, glyphs, clusters, attrs, &count)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status, E_INVALIDARG);
    }
    EXPECT_EQ(count, -1);
}

}  // namespace
