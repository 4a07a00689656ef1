// Text on the GDI path (this program links no script layer): how the glyphs are split into runs
// by character class, which decides where words wrap.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/gfxutil/core/font_test_support.h"

namespace font_test {
namespace {

TEST_F(FontTest, GdiRunsFollowTheCharacterClasses) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    ASSERT_FALSE(gfxutil::core::fontProcess().uniscribeAvailable);
    struct Case {
        const char* name;
        const char16_t* text;
        std::vector<DWORD> firstGlyphs;  // of each run, then the sentinel
        std::vector<DWORD> flags;
    };
    const Case kCases[] = {
        {"word with digits and its spaces", u"ab12_x  cd", {0, 8, 10}, {0, 0}},
        {"digits, punctuation", u"12.5!? ", {0, 2, 3, 4, 7}, {0, 0, 0, 0}},
        {"leading spaces", u"  ab", {0, 2, 4}, {0, 0}},
        {"controls are single runs", u"a\r\n\tb", {0, 1, 2, 3, 4, 5}, {0, 1, 2, 4, 0}},
        {"Hangul letters are letters", u"\uAC00\uB098 x", {0, 3, 4}, {0, 0}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RECT rect{0, 0, 0, 0};
        font->DrawTextW(nullptr, c.text, -1, &rect, DT_CALCRECT | DT_SINGLELINE, 0);
        std::vector<DWORD> firstGlyphs, flags;
        for (UINT r = 0; r <= tf->runCount(); ++r) {
            firstGlyphs.push_back(tf->run(r).firstGlyph);
            if (r < tf->runCount()) {
                flags.push_back(tf->run(r).flags);
            }
        }
        EXPECT_EQ(firstGlyphs, c.firstGlyphs);
        EXPECT_EQ(flags, c.flags);
    }
}

// A Hebrew word (right-to-left class) is one run with the right-to-left flag, laid out from its
// last glyph: its first letter ends up rightmost, between the Latin words.
TEST_F(FontTest, GdiHebrewRunIsLaidOutRightToLeft) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    RECT rect{0, 0, 0, 0};
    font->DrawTextW(nullptr, u"ab \u05E9\u05DC\u05D5\u05DD cd", -1, &rect, DT_CALCRECT, 0);
    ASSERT_EQ(tf->runCount(), 3u);
    EXPECT_EQ(tf->run(1).flags, gfxutil::core::kRunRightToLeft);
    const UINT first = tf->run(1).firstGlyph;
    const UINT end = tf->run(2).firstGlyph;
    ASSERT_EQ(end - first, 5u) << "four letters and the space after them";
    const WORD shin = glyphsOf(font.get(), u"\u05E9").at(0);
    const WORD mem = glyphsOf(font.get(), u"\u05DD").at(0);
    INT shinX = -1, memX = -1;
    for (UINT g = first; g < end; ++g) {
        EXPECT_GT(tf->glyphX(g), tf->glyphX(1));
        EXPECT_LT(tf->glyphX(g), tf->glyphX(end));
        shinX = tf->glyph(g) == shin ? tf->glyphX(g) : shinX;
        memX = tf->glyph(g) == mem ? tf->glyphX(g) : memX;
    }
    EXPECT_GT(shinX, memX) << "read from the right";
}

// A right-to-left word longer than the wrap width is split from its logical start: each line
// holds the next letters in reading order, each read from the right, and no letter is lost or
// doubled however many lines it takes.
TEST_F(FontTest, GdiRightToLeftWordSplitsFromItsLogicalStart) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    const std::u16string word = u"\u05D0\u05D1\u05D2\u05D3\u05D4\u05D5\u05D6\u05D7\u05D8\u05D9";
    const std::vector<WORD> letters = glyphsOf(font.get(), word);  // alef ... yod, logical order
    RECT measure{0, 0, 0, 0};
    font->DrawTextW(nullptr, word.c_str(), -1, &measure, DT_CALCRECT, 0);
    RECT rect{0, 0, measure.right * 4 / 10, 200};
    font->DrawTextW(nullptr, word.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK, 0);
    ASSERT_GE(tf->lineCount(), 3u);
    std::vector<WORD> readingOrder;
    for (UINT l = 0; l < tf->lineCount(); ++l) {
        // This line's glyphs from right to left.
        std::vector<std::pair<INT, WORD>> byX;
        for (UINT i = tf->line(l).firstGlyph; i < tf->line(l).endGlyph; ++i) {
            byX.push_back({tf->glyphX(i), tf->glyph(i)});
        }
        std::sort(byX.rbegin(), byX.rend());
        for (const auto& [x, g] : byX) {
            readingOrder.push_back(g);
        }
        EXPECT_LE(tf->line(l).width, rect.right);
    }
    EXPECT_EQ(readingOrder, letters);
}

// Characters the font lacks are drawn as its default glyph on this path (there is no fallback).
TEST_F(FontTest, GdiPathShowsMissingCharactersAsTheDefaultGlyph) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    RECT rect{0, 0, 0, 0};
    font->DrawTextW(nullptr, u"\uAC00", -1, &rect, DT_CALCRECT, 0);
    ASSERT_EQ(tf->glyphCount(), 1u);
    EXPECT_EQ(tf->glyph(0), tf->defaultGlyph());
}

}  // namespace
}  // namespace font_test

namespace font_test {
namespace {

// On the old (non-NT) system line the font works in bytes: glyph widths come from the current
// position that drawing advances, descriptors and text are converted through the ANSI code page.
TEST_F(FontTest, OffNtTheFontWorksInBytes) {
    ASSERT_EQ(gfxutil::core::setUpFontProcess(), S_OK);
    gfxutil::core::fontProcess().isNT = false;
    ComPtr<ID3DXFont> font;
    ASSERT_EQ(D3DXCreateFontW(device(), 18, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, u"Arial", font.put()),
              S_OK);
    auto* tf = textureFont(font.get());
    EXPECT_LE(tf->metrics().tmLastChar, 255);
    D3DXFONT_DESCW desc{};
    ASSERT_EQ(font->GetDescW(&desc), S_OK);
    EXPECT_EQ(std::u16string(desc.FaceName), u"Arial");
    EXPECT_EQ(tf->MapGlyphToFont(0x1234), 0x1234u) << "no range look-up off NT";
    RECT rect{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextW(nullptr, u"Hi", -1, &rect, DT_CALCRECT, 0), tf->metrics().tmHeight);
    EXPECT_GT(rect.right, 0);
    ASSERT_EQ(tf->glyphCount(), 2u);
    const gfxutil::core::GlyphRecord* h = tf->findRecord(tf->glyph(0));
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h->texture, nullptr);
    EXPECT_NE(h->texture, gfxutil::core::noPixels());
    EXPECT_GT(tf->advance(0), 0);
    font.reset();
    gfxutil::core::fontProcess().isNT = true;
}

}  // namespace
}  // namespace font_test
