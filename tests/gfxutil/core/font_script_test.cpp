// Text on the script path (this program links the script layer whole, so "usp10.dll" is there):
// right-to-left runs and paragraphs, the cluster map of a combining mark, and runs the font cannot
// shape drawn as cached strips.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/kernel/modules.h"
#include "tests/gfxutil/core/font_test_support.h"

namespace font_test {
namespace {

class ScriptTextTest : public FontTest {
protected:
    void SetUp() override {
        m_font = createHelpFont(device());
        ASSERT_TRUE(m_font);
        m_tf = textureFont(m_font.get());
        m_sprite = ComPtr<RecordingSprite>::adopt(new RecordingSprite);
        ASSERT_TRUE(gfxutil::core::fontProcess().uniscribeAvailable);
    }
    INT draw(const char16_t* text, DWORD format, RECT rect = RECT{0, 0, 0, 0}) {
        m_sprite->quads.clear();
        return m_font->DrawTextW(m_sprite.get(), text, -1, &rect, format, 0xFFFFFFFF);
    }

    ComPtr<ID3DXFont> m_font;
    gfxutil::core::TextureFont* m_tf = nullptr;
    ComPtr<RecordingSprite> m_sprite;
};

// Hebrew (which the installed Arial twin has) forms right-to-left runs; in a left-to-right
// paragraph they sit between the Latin words, read from the right.
TEST_F(ScriptTextTest, AHebrewRunIsLaidOutRightToLeft) {
    const char16_t* text = u"ab \u05E9\u05DC\u05D5\u05DD cd";  // "ab shalom cd"
    draw(text, DT_NOCLIP);
    ASSERT_EQ(m_tf->lineCount(), 1u);
    UINT rtlRuns = 0;
    UINT rtlFirst = 0, rtlEnd = 0;
    for (UINT r = 0; r < m_tf->runCount(); ++r) {
        if (m_tf->run(r).flags & gfxutil::core::kRunRightToLeft) {
            if (rtlRuns++ == 0) {
                rtlFirst = m_tf->run(r).firstGlyph;
            }
            rtlEnd = m_tf->run(r + 1).firstGlyph;
        }
    }
    ASSERT_GE(rtlRuns, 1u);
    ASSERT_EQ(rtlEnd - rtlFirst, 4u) << "one glyph per Hebrew letter";
    // The Latin words are left and right of the Hebrew block.
    const INT cdX = m_tf->glyphX(m_tf->glyphCount() - 1);
    for (UINT g = rtlFirst; g < rtlEnd; ++g) {
        EXPECT_GT(m_tf->glyphX(g), m_tf->glyphX(1));
        EXPECT_LT(m_tf->glyphX(g), cdX);
    }
    // The glyph of the first letter (shin) is drawn rightmost within the block.
    const std::vector<WORD> shin = glyphsOf(m_font.get(), u"\u05E9");
    INT shinX = -1, maxX = -1;
    for (UINT g = rtlFirst; g < rtlEnd; ++g) {
        maxX = std::max(maxX, m_tf->glyphX(g));
        if (m_tf->glyph(g) == shin[0]) {
            shinX = m_tf->glyphX(g);
        }
    }
    EXPECT_EQ(shinX, maxX);
}

// A right-to-left paragraph puts its first Latin word at the right and aligns to the right.
TEST_F(ScriptTextTest, ARightToLeftParagraphRunsFromTheRight) {
    RECT rect{0, 0, 300, 50};
    draw(u"\u05E9\u05DC\u05D5\u05DD ab", DT_RTLREADING, rect);
    ASSERT_EQ(m_tf->lineCount(), 1u);
    const INT width = m_tf->line(0).width;
    ASSERT_FALSE(m_sprite->quads.empty());
    for (const RecordedQuad& q : m_sprite->quads) {
        EXPECT_GE(q.left(), 300 - width - 1) << "the block is right-aligned";
    }
    // Logical glyph 0 (shin) is at the right end, "ab" at the left.
    const UINT last = m_tf->glyphCount() - 1;
    EXPECT_GT(m_tf->glyphX(0), m_tf->glyphX(last));
}

// A base letter with a combining mark is one cluster: both characters map to its first glyph.
TEST_F(ScriptTextTest, TheClusterMapOfACombiningMark) {
    draw(u"xe\u0301y", DT_NOCLIP);
    const WORD* clusters = m_tf->clusters();
    EXPECT_EQ(clusters[0], 0);
    EXPECT_EQ(clusters[1], clusters[2]) << "e and its acute accent share a cluster";
    EXPECT_GT(clusters[3], clusters[2]);
    EXPECT_LE(m_tf->glyphCount(), 4u);
}

// Hangul, which the Arial twin lacks, is drawn as strips of a fallback rendering, cached by the
// run's text: drawing it again analyses and rasterises nothing.
TEST_F(ScriptTextTest, ARunTheFontCannotShapeTakesTheStripPath) {
    draw(u"\uAC00\uB098\uB2E4", DT_NOCLIP);  // three syllables
    ASSERT_GT(m_tf->glyphCount(), 0u);
    INT sum = 0;
    for (UINT g = 0; g < m_tf->glyphCount(); ++g) {
        EXPECT_EQ(m_tf->glyph(g), 0xFFFF) << "a strip";
        EXPECT_LE(m_tf->advance(g), static_cast<INT>(m_tf->stripPool().cellSize));
        sum += m_tf->advance(g);
    }
    EXPECT_EQ(m_tf->line(0).width, sum);
    EXPECT_GE(sum, 3 * m_tf->metrics().tmAveCharWidth) << "three full-width syllables";
    ASSERT_FALSE(m_sprite->quads.empty());
    for (const RecordedQuad& q : m_sprite->quads) {
        EXPECT_EQ(q.texture, m_tf->stripPool().texture);
    }
    const UINT used = m_tf->stripPool().used;
    const UINT textures = m_tf->textureCount();
    const std::vector<RecordedQuad> first = m_sprite->quads;
    m_device.takeCalls();
    draw(u"\uAC00\uB098\uB2E4", DT_NOCLIP);
    EXPECT_EQ(m_tf->stripPool().used, used);
    EXPECT_EQ(m_tf->textureCount(), textures);
    EXPECT_TRUE(m_device.takeCalls().empty()) << "no texture was locked again";
    ASSERT_EQ(m_sprite->quads.size(), first.size());
    // The other reading direction reuses the same rendering (the key is the text alone).
    draw(u"\uAC00\uB098\uB2E4", DT_NOCLIP | DT_RTLREADING);
    EXPECT_EQ(m_tf->stripPool().used, used);
}

// A run wider than the DIB widens it for its strips; the DIB never gets lower than the cell
// height (glyphs are still drawn into it), and no strip is taller or wider than its cell.
TEST_F(ScriptTextTest, ALongStripRunWidensTheBitmapButKeepsItsHeight) {
    std::u16string longRun;
    for (int i = 0; i < 40; ++i) {
        longRun.push_back(static_cast<char16_t>(0xAC00 + 28 * i));
    }
    const INT before = m_tf->bitmapHeight();
    draw(longRun.c_str(), DT_NOCLIP);
    EXPECT_GE(m_tf->bitmapHeight(), before);
    EXPECT_GE(m_tf->bitmapHeight(), m_tf->metrics().tmHeight);
    const LONG cell = static_cast<LONG>(m_tf->stripPool().cellSize);
    ASSERT_FALSE(m_sprite->quads.empty());
    for (const RecordedQuad& q : m_sprite->quads) {
        EXPECT_LE(q.width(), cell);
        EXPECT_LE(q.height(), cell);
    }
    EXPECT_GT(m_tf->line(0).width, 40 * m_tf->metrics().tmAveCharWidth);
    // Glyphs drawn after the widening still come out whole.
    const std::vector<WORD> w = glyphsOf(m_font.get(), u"W");
    draw(u"W", DT_NOCLIP);
    ASSERT_EQ(m_sprite->quads.size(), 1u);
    ABC abc{};
    WORD index = w[0];
    GetCharABCWidthsI(m_font->GetDC(), 0, 1, &index, &abc);
    EXPECT_GE(m_sprite->quads[0].width(), static_cast<LONG>(abc.abcB));
}

// The demo's help line mixes the ANSI code page's Hangul and the Arial twin's Latin: narrow text
// is widened with code page 949, Latin words are glyphs and Hangul words are strips.
TEST_F(ScriptTextTest, NarrowTextIsReadInTheAnsiCodePage) {
    const char line[] = "\xA2\xB9 \xC0\xFB\xBF\xEB\xBD\xC4; Verlet";  // "▷ 적용식; Verlet" in code page 949
    RECT rect{5, 5, 0, 0};
    m_sprite->quads.clear();
    EXPECT_EQ(m_font->DrawTextA(m_sprite.get(), line, -1, &rect, DT_NOCLIP, 0xFFFFDC00), m_tf->metrics().tmHeight);
    UINT strips = 0, glyphs = 0;
    for (UINT g = 0; g < m_tf->glyphCount(); ++g) {
        (m_tf->glyph(g) == 0xFFFF ? strips : glyphs) += 1;
    }
    EXPECT_GT(strips, 0u);
    EXPECT_GE(glyphs, 6u) << "V e r l e t";
}

}  // namespace
}  // namespace font_test

namespace font_test {
namespace {

WORD g_unplaceable = 0xFFFF;

// Places every run but those holding g_unplaceable, which fail and leave garbage in the extent.
HRESULT placeAllButOne(HDC dc, SCRIPT_CACHE* cache, const WORD* glyphs, int count, const SCRIPT_VISATTR* visAttrs,
                       SCRIPT_ANALYSIS* analysis, int* advances, GOFFSET* offsets, ABC* extent) {
    if (std::find(glyphs, glyphs + count, g_unplaceable) != glyphs + count) {
        *extent = ABC{1000, 1000, 1000};
        return E_FAIL;
    }
    return ::ScriptPlace(dc, cache, glyphs, count, visAttrs, analysis, advances, offsets, extent);
}

// A run whose placing fails contributes no glyphs, and its extent counts as zero, so it makes no
// line wrap.
TEST_F(FontTest, ARunThatCannotBePlacedContributesNothing) {
    ComPtr<ID3DXFont> font = createHelpFont(device());
    ASSERT_TRUE(font);
    g_unplaceable = glyphsOf(font.get(), u"c").at(0);
    RECT wide{0, 0, 0, 0};
    font->DrawTextW(nullptr, u"ab ef", -1, &wide, DT_CALCRECT | DT_SINGLELINE, 0);
    const std::vector<WORD> expected = glyphsOf(font.get(), u"ab ef");
    platform::kernel::registerModule("usp10.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"ScriptPlace", platform::kernel::exportAddress(&placeAllButOne)}});
    gfxutil::core::resetFontProcessForTesting();
    font = createHelpFont(device());
    auto* tf = textureFont(font.get());
    RECT rect{0, 0, wide.right + 1, 100};
    EXPECT_EQ(font->DrawTextW(nullptr, u"ab cd ef", -1, &rect, DT_WORDBREAK | DT_CALCRECT, 0),
              tf->metrics().tmHeight);
    EXPECT_EQ(tf->lineCount(), 1u);
    std::vector<WORD> laidOut;
    for (UINT g = 0; g < tf->glyphCount(); ++g) {
        laidOut.push_back(tf->glyph(g));
    }
    EXPECT_EQ(laidOut, expected);
    font.reset();
    platform::kernel::registerModule("usp10.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"ScriptPlace", platform::kernel::exportAddress(&::ScriptPlace)}});
}

}  // namespace
}  // namespace font_test

namespace font_test {
namespace {

// Shapes every run but those starting with a line feed, which the font "cannot show".
HRESULT shapeAllButLineFeeds(HDC dc, SCRIPT_CACHE* cache, const WCHAR* text, int length, int maxGlyphs,
                             SCRIPT_ANALYSIS* analysis, WORD* glyphs, WORD* clusters, SCRIPT_VISATTR* visAttrs,
                             int* glyphCount) {
    if (length > 0 && text[0] == u'\n') {
        return USP_E_SCRIPT_NOT_IN_FONT;
    }
    return ::ScriptShape(dc, cache, text, length, maxGlyphs, analysis, glyphs, clusters, visAttrs, glyphCount);
}

// A line feed drawn as strips (here none: it has no width) still ends its line, and closing the
// line drops only the line feed's own glyphs.
TEST_F(FontTest, ALineFeedWithoutGlyphsStillEndsItsLine) {
    platform::kernel::registerModule("usp10.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"ScriptShape", platform::kernel::exportAddress(&shapeAllButLineFeeds)}});
    gfxutil::core::resetFontProcessForTesting();
    {
        ComPtr<ID3DXFont> font = createHelpFont(device());
        auto* tf = textureFont(font.get());
        RECT rect{0, 0, 0, 0};
        EXPECT_EQ(font->DrawTextW(nullptr, u"ab\ncd", -1, &rect, DT_CALCRECT, 0), 2 * tf->metrics().tmHeight);
        ASSERT_EQ(tf->lineCount(), 2u);
        const std::vector<WORD> ab = glyphsOf(font.get(), u"ab");
        const std::vector<WORD> cd = glyphsOf(font.get(), u"cd");
        ASSERT_EQ(tf->line(0).endGlyph - tf->line(0).firstGlyph, 2u);
        EXPECT_EQ(tf->glyph(tf->line(0).firstGlyph), ab[0]);
        EXPECT_EQ(tf->glyph(tf->line(0).firstGlyph + 1), ab[1]);
        EXPECT_EQ(tf->glyph(tf->line(1).firstGlyph), cd[0]);
        EXPECT_EQ(tf->line(1).endGlyph - tf->line(1).firstGlyph, 2u);
    }
    platform::kernel::registerModule("usp10.dll", platform::kernel::ModuleLoading::OnDemand,
                                     {{"ScriptShape", platform::kernel::exportAddress(&::ScriptShape)}});
}

}  // namespace
}  // namespace font_test
