// What the script layer and the font code read of a font: fallback faces, glyph drawing,
// language information and Unicode coverage.
#include <string>
#include <vector>

#include "gdi_test_support.h"

namespace {

using gdi_test::helpFont;
using gdi_test::logFont;
using gdi_test::TextDc;
using platform::gdi::fallbackFace;
using platform::gdi::selectedFace;
using platform::gdi::selectedLoadFlags;

TEST(FontAccess, FallbackFacesHaveTheCharacterAndTheSelectedSize) {
    TextDc text(helpFont());
    FT_Face hangul = fallbackFace(text.dc(), 0xD55C);  // a Hangul syllable
    ASSERT_NE(hangul, nullptr);
    EXPECT_NE(FT_Get_Char_Index(hangul, 0xD55C), 0u);
    EXPECT_STREQ(hangul->family_name, "NanumGothic") << "the Korean fallback the setup script installs";
    EXPECT_EQ(hangul->size->metrics.y_ppem, selectedFace(text.dc())->size->metrics.y_ppem);
    EXPECT_EQ(fallbackFace(text.dc(), 0xAE00), hangul) << "the face handed out answers again";
    FT_Face arabic = fallbackFace(text.dc(), 0x0628);
    ASSERT_NE(arabic, nullptr);
    EXPECT_NE(FT_Get_Char_Index(arabic, 0x0628), 0u);
    EXPECT_EQ(fallbackFace(text.dc(), 0x10FFFD), nullptr) << "a private-use character no font has";
    EXPECT_EQ(fallbackFace(nullptr, 0xD55C), nullptr);
}

TEST(FontAccess, LoadFlagsFollowTheQuality) {
    TextDc grey(helpFont(), 4, 4);
    TextDc mono(logFont(18, FW_BOLD, NONANTIALIASED_QUALITY, u"Arial"), 4, 4);
    EXPECT_EQ(FT_LOAD_TARGET_MODE(selectedLoadFlags(grey.dc())), FT_RENDER_MODE_NORMAL);
    EXPECT_EQ(FT_LOAD_TARGET_MODE(selectedLoadFlags(mono.dc())), FT_RENDER_MODE_MONO);
    EXPECT_EQ(selectedLoadFlags(nullptr), 0);
    EXPECT_EQ(selectedFace(nullptr), nullptr);
}

// drawGlyphs at the baseline draws what ExtTextOutW draws for the same glyphs.
TEST(FontAccess, DrawGlyphsMatchesExtTextOut) {
    TextDc viaText(helpFont(), 60, 20);
    TextDc viaAccess(helpFont(), 60, 20);
    FT_Face face = selectedFace(viaText.dc());
    const WORD glyphs[] = {static_cast<WORD>(FT_Get_Char_Index(face, U'k')),
                           static_cast<WORD>(FT_Get_Char_Index(face, U'=')),
                           static_cast<WORD>(FT_Get_Char_Index(face, U'9'))};
    const INT dx[] = {11, 12, 10};
    ASSERT_TRUE(ExtTextOutW(viaText.dc(), 0, 0, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(glyphs), 3, dx));
    const platform::gdi::PlacedGlyph placed[] = {{glyphs[0], 0, 0}, {glyphs[1], 11, 0}, {glyphs[2], 23, 0}};
    const RECT all{0, 0, 60, 20};
    ASSERT_TRUE(platform::gdi::drawGlyphs(viaAccess.dc(), selectedFace(viaAccess.dc()),
                                          selectedLoadFlags(viaAccess.dc()), 0, viaAccess.metrics().tmAscent, placed,
                                          3, &all));
    EXPECT_EQ(viaAccess.picture(), viaText.picture());
    EXPECT_FALSE(platform::gdi::drawGlyphs(viaAccess.dc(), nullptr, 0, 0, 0, placed, 3, nullptr));
}

TEST(FontAccess, LanguageInfoFollowsWhatTheFaceCovers) {
    struct Case {
        const char* name;
        const char16_t* face;
        BYTE charSet;
        DWORD set;
        DWORD clear;
    };
    constexpr Case kCases[] = {
        // Liberation Sans has Hebrew letters but no Arabic.
        {"Arial", u"Arial", DEFAULT_CHARSET, GCP_REORDER, GCP_GLYPHSHAPE | GCP_LIGATE | GCP_DBCS},
        {"DejaVu Sans", u"DejaVu Sans", DEFAULT_CHARSET, GCP_REORDER | GCP_GLYPHSHAPE | GCP_LIGATE, GCP_DBCS},
        {"NanumGothic", u"NanumGothic", HANGUL_CHARSET, GCP_DBCS, GCP_REORDER | GCP_GLYPHSHAPE},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        LOGFONTW request = logFont(-16, FW_NORMAL, DEFAULT_QUALITY, c.face);
        request.lfCharSet = c.charSet;
        TextDc text(request, 4, 4);
        const DWORD info = GetFontLanguageInfo(text.dc());
        EXPECT_EQ(info & c.set, c.set) << std::hex << info;
        EXPECT_EQ(info & c.clear, 0u) << std::hex << info;
        EXPECT_EQ((info & GCP_USEKERNING) != 0, FT_HAS_KERNING(selectedFace(text.dc())) != 0);
    }
}

TEST(FontAccess, UnicodeRangesListTheCharacterMap) {
    TextDc text(helpFont(), 4, 4);
    const DWORD size = GetFontUnicodeRanges(text.dc(), nullptr);
    ASSERT_GT(size, sizeof(GLYPHSET));
    std::vector<std::uint8_t> buffer(size);
    auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
    set->cbThis = size - 1;
    gdi_test::TraceCapture trace;
    EXPECT_EQ(GetFontUnicodeRanges(text.dc(), set), 0u) << "a buffer too small is refused";
    EXPECT_EQ(trace.notes().size(), 1u);
    set->cbThis = size;
    ASSERT_EQ(GetFontUnicodeRanges(text.dc(), set), size);
    EXPECT_EQ(set->cbThis, size);
    ASSERT_EQ(offsetof(GLYPHSET, ranges) + set->cRanges * sizeof(WCRANGE), size);
    FT_Face face = selectedFace(text.dc());
    DWORD covered = 0;
    bool hasA = false;
    bool hasAlef = false;
    for (DWORD r = 0; r < set->cRanges; ++r) {
        const WCRANGE range = set->ranges[r];
        covered += range.cGlyphs;
        for (UINT c = range.wcLow; c < range.wcLow + range.cGlyphs; ++c) {
            ASSERT_NE(FT_Get_Char_Index(face, c), 0u) << std::hex << c;
        }
        hasA |= range.wcLow <= u'A' && u'A' < range.wcLow + range.cGlyphs;
        hasAlef |= range.wcLow <= 0x05D0 && 0x05D0 < range.wcLow + range.cGlyphs;
    }
    EXPECT_EQ(covered, set->cGlyphsSupported);
    EXPECT_TRUE(hasA);
    EXPECT_TRUE(hasAlef);
}

}  // namespace
