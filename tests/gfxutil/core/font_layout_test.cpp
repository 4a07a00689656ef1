// Text layout and drawing: the cases that hold on either shaping path. This file is built into
// both the GDI-path program and the script-path program, so each case runs on both.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/gfxutil/core/font_test_support.h"

namespace font_test {
namespace {

class LayoutTest : public FontTest {
protected:
    void SetUp() override {
        m_font = createHelpFont(device());
        ASSERT_TRUE(m_font);
        m_tf = textureFont(m_font.get());
        m_lineHeight = m_tf->metrics().tmHeight;
        m_sprite = ComPtr<RecordingSprite>::adopt(new RecordingSprite);
    }
    // The width of one line of text, as measured by the font itself.
    LONG widthOf(const char16_t* text) {
        RECT r{0, 0, 0, 0};
        m_font->DrawTextW(nullptr, text, -1, &r, DT_CALCRECT | DT_SINGLELINE, 0);
        return r.right - r.left;
    }
    INT draw(const char16_t* text, RECT rect, DWORD format, INT count = -1) {
        m_sprite->quads.clear();
        return m_font->DrawTextW(m_sprite.get(), text, count, &rect, format, 0xFF808080);
    }
    // The glyph indices of each line, in logical order.
    std::vector<std::vector<WORD>> lines() {
        std::vector<std::vector<WORD>> out;
        for (UINT l = 0; l < m_tf->lineCount(); ++l) {
            std::vector<WORD> glyphs;
            for (UINT g = m_tf->line(l).firstGlyph; g < m_tf->line(l).endGlyph; ++g) {
                glyphs.push_back(m_tf->glyph(g));
            }
            out.push_back(glyphs);
        }
        return out;
    }
    std::vector<WORD> glyphs(const std::u16string& text) { return glyphsOf(m_font.get(), text); }

    ComPtr<ID3DXFont> m_font;
    gfxutil::core::TextureFont* m_tf = nullptr;
    INT m_lineHeight = 0;
    ComPtr<RecordingSprite> m_sprite;
};

// Heights, line counts and what is drawn, for empty texts, line feeds and the vertical flags.
TEST_F(LayoutTest, HeightsAndLinesOfTheEdgeCases) {
    struct Case {
        const char* name;
        const char16_t* text;
        INT count;
        DWORD format;
        UINT lines;
        bool bottomAligned;  // the height is then bottom - top
        const char16_t* drawn;  // the characters drawn, in order
    };
    constexpr Case kCases[] = {
        {"count 0", u"abc", 0, 0, 0, false, u""},
        {"count 0, bottom", u"abc", 0, DT_BOTTOM, 0, true, u""},
        {"empty, -1", u"", -1, 0, 0, false, u""},
        {"null string, count 0, bottom", nullptr, 0, DT_BOTTOM, 0, true, u""},
        {"one line", u"abc", -1, 0, 1, false, u"abc"},
        {"explicit count", u"abcdef", 2, 0, 1, false, u"ab"},
        {"line feed between", u"ab\ncd", -1, 0, 2, false, u"abcd"},
        {"line feed at the end", u"ab\n", -1, 0, 1, false, u"ab"},
        {"line feed alone", u"\n", -1, 0, 1, false, u""},
        {"two line feeds", u"ab\n\ncd", -1, 0, 3, false, u"abcd"},
        {"carriage return and line feed", u"ab\r\ncd", -1, 0, 2, false, u"abcd"},
        {"single line keeps the line feed", u"ab\ncd", -1, DT_SINGLELINE, 1, false, nullptr},
        {"bottom aligned", u"ab\ncd", -1, DT_BOTTOM, 2, true, u"abcd"},
    };
    const RECT rect{10, 10, 300, 100};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const INT height = draw(c.text, rect, c.format | DT_NOCLIP, c.count);
        EXPECT_EQ(height, c.bottomAligned ? rect.bottom - rect.top : static_cast<INT>(c.lines) * m_lineHeight);
        EXPECT_EQ(m_tf->lineCount(), c.lines);
        if (c.drawn != nullptr) {
            std::vector<WORD> expected = glyphs(c.drawn);
            std::vector<WORD> drawn;
            for (const RecordedQuad& q : m_sprite->quads) {
                for (WORD g : expected) {
                    const auto* record = m_tf->findRecord(g);
                    if (record != nullptr && record->texture == q.texture && record->left == q.source.left &&
                        record->top == q.source.top) {
                        drawn.push_back(g);
                        break;
                    }
                }
            }
            EXPECT_EQ(drawn, expected);
        }
    }
}

// Measuring writes the block's rectangle and draws nothing; alignment moves the block.
TEST_F(LayoutTest, CalcRectWritesTheBlockAndDrawsNothing) {
    const LONG w = widthOf(u"Hello");
    ASSERT_GT(w, 0);
    struct Case {
        const char* name;
        RECT rect;
        DWORD format;
        RECT expected;
    };
    const Case kCases[] = {
        {"no clip, calc", {10, 20, 0, 0}, DT_NOCLIP | DT_CALCRECT, {10, 20, 10 + w, 20 + m_lineHeight}},
        {"right", {0, 0, 200, 50}, DT_RIGHT | DT_CALCRECT, {200 - w, 0, 200, m_lineHeight}},
        {"centre", {0, 0, 200, 50}, DT_CENTER | DT_VCENTER | DT_CALCRECT,
         {(200 - w) / 2, (50 - m_lineHeight) / 2, (200 - w) / 2 + w, (50 - m_lineHeight) / 2 + m_lineHeight}},
        {"rtl reading, left", {0, 0, 200, 50}, DT_RTLREADING | DT_CALCRECT, {200 - w, 0, 200, m_lineHeight}},
        {"rtl reading, right", {0, 0, 200, 50}, DT_RTLREADING | DT_RIGHT | DT_CALCRECT, {0, 0, w, m_lineHeight}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RECT r = c.rect;
        m_sprite->quads.clear();
        m_device.takeCalls();
        EXPECT_EQ(m_font->DrawTextW(m_sprite.get(), u"Hello", -1, &r, c.format, 0), c.expected.bottom - c.rect.top);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
        EXPECT_TRUE(m_sprite->quads.empty());
        EXPECT_TRUE(m_device.takeCalls().empty());
    }
}

// Word wrap moves a word that does not fit to the next line, splits a word longer than a line
// between glyphs, and trailing blanks do not count toward a line's width.
TEST_F(LayoutTest, WordWrap) {
    const LONG hello = widthOf(u"hello");
    const LONG helloWorld = widthOf(u"hello world");
    const std::vector<WORD> h = glyphs(u"hello ");
    const std::vector<WORD> w = glyphs(u"world");
    draw(u"hello world", RECT{0, 0, helloWorld - 1, 200}, DT_WORDBREAK);
    ASSERT_EQ(m_tf->lineCount(), 2u);
    EXPECT_EQ(lines()[0], h);
    EXPECT_EQ(lines()[1], w);
    EXPECT_EQ(m_tf->line(0).width, hello) << "the trailing blank takes no width";
    // A right-aligned wrapped block puts each line's last letter at the right edge.
    draw(u"hello world", RECT{0, 0, helloWorld - 1, 200}, DT_WORDBREAK | DT_RIGHT | DT_CALCRECT);
    EXPECT_EQ(m_tf->line(0).width, hello);

    const LONG four = widthOf(u"abcd");
    draw(u"abcdefghij", RECT{0, 0, four + 1, 200}, DT_WORDBREAK);
    EXPECT_GE(m_tf->lineCount(), 3u);
    UINT glyphTotal = 0;
    for (UINT l = 0; l < m_tf->lineCount(); ++l) {
        EXPECT_LE(m_tf->line(l).width, four + 1);
        EXPECT_GT(m_tf->line(l).endGlyph, m_tf->line(l).firstGlyph) << "no empty line";
        glyphTotal += m_tf->line(l).endGlyph - m_tf->line(l).firstGlyph;
    }
    EXPECT_EQ(glyphTotal, 10u);
    EXPECT_EQ(lines()[0], glyphs(u"abcd"));

    // A glyph wider than the whole wrap width still stands on its own line, with no empty line.
    draw(u"WW", RECT{0, 0, 2, 200}, DT_WORDBREAK);
    EXPECT_EQ(m_tf->lineCount(), 2u);

    // Without DT_WORDBREAK nothing wraps.
    draw(u"hello world", RECT{0, 0, hello, 200}, DT_NOCLIP);
    EXPECT_EQ(m_tf->lineCount(), 1u);
}

// A clipped block stops taking runs once its lines pass the rectangle's height; the line in
// progress then ends with the last run taken, not with the rest of the text.
TEST_F(LayoutTest, AClippedBlockStopsAtItsHeight) {
    // A trailing blank measures nothing, so the space is measured between two letters.
    const LONG word = widthOf(u"cc") + widthOf(u"a a") - widthOf(u"aa");
    draw(u"cc cc cc dd\nee", RECT{0, 0, word + 1, m_lineHeight}, DT_WORDBREAK);
    ASSERT_EQ(m_tf->lineCount(), 3u);
    const std::vector<WORD> last = lines()[2];
    const WORD c = glyphs(u"c")[0];
    const WORD d = glyphs(u"d")[0];
    EXPECT_EQ(std::count(last.begin(), last.end(), c), 2);
    EXPECT_EQ(std::count(last.begin(), last.end(), d), 0) << "the runs not taken are not laid out";
    EXPECT_LE(m_tf->line(2).width, word);
}

// A carriage return inside a line takes no room and is drawn as the blank glyph.
TEST_F(LayoutTest, ACarriageReturnInsideALineIsBlank) {
    draw(u"a\rb", RECT{0, 0, 0, 0}, DT_NOCLIP);
    ASSERT_EQ(m_tf->lineCount(), 1u);
    ASSERT_EQ(m_tf->glyphCount(), 3u);
    EXPECT_EQ(m_tf->glyph(1), m_tf->blankGlyph());
    EXPECT_EQ(m_tf->advance(1), 0);
    EXPECT_EQ(m_tf->glyphX(2), widthOf(u"a"));
    EXPECT_EQ(m_sprite->quads.size(), 2u) << "a and b only";
}

// Tabs advance to the next multiple of eight average widths.
TEST_F(LayoutTest, ExpandedTabsReachTheNextStop) {
    const INT tab = 8 * m_tf->metrics().tmAveCharWidth;
    const LONG a = widthOf(u"a");
    ASSERT_LT(a, tab);
    draw(u"a\tb", RECT{0, 0, 0, 0}, DT_EXPANDTABS | DT_NOCLIP);
    ASSERT_EQ(m_tf->glyphCount(), 3u);
    EXPECT_EQ(m_tf->advance(1), tab - a);
    EXPECT_EQ(m_tf->glyphX(2), tab);
    draw(u"\t\tb", RECT{0, 0, 0, 0}, DT_EXPANDTABS | DT_NOCLIP);
    EXPECT_EQ(m_tf->glyphX(2), 2 * tab);
    // Wrapping cuts a tab at the wrap width, so what follows starts the next line (and the tab,
    // a trailing blank now, takes no width).
    draw(u"a\tb", RECT{0, 0, tab / 2, 200}, DT_EXPANDTABS | DT_WORDBREAK);
    ASSERT_EQ(m_tf->lineCount(), 2u);
    EXPECT_EQ(m_tf->line(0).endGlyph, 2u);
    EXPECT_EQ(m_tf->line(0).width, a);
}

// Glyphs are cut at the rectangle's edges; lines wholly outside it are not drawn.
TEST_F(LayoutTest, ClippingCutsGlyphsAndSkipsLines) {
    const RECT clip{3, 2, 25, m_lineHeight / 2};
    draw(u"Hello", clip, 0);
    ASSERT_FALSE(m_sprite->quads.empty());
    bool cut = false;
    for (const RecordedQuad& q : m_sprite->quads) {
        EXPECT_GE(q.left(), clip.left);
        EXPECT_GE(q.top(), clip.top);
        EXPECT_LE(q.left() + q.width(), clip.right);
        EXPECT_LE(q.top() + q.height(), clip.bottom);
        EXPECT_GT(q.width(), 0);
        EXPECT_GT(q.height(), 0);
        cut = cut || q.top() == clip.top || q.left() + q.width() == clip.right;
    }
    EXPECT_TRUE(cut);

    // Bottom-aligned in a one-line rectangle: the layout stops after the second line (its height
    // limit), and the line above the rectangle is skipped.
    const INT height = draw(u"a\nb\nc", RECT{10, 0, 100, m_lineHeight}, DT_BOTTOM);
    EXPECT_EQ(height, m_lineHeight);
    EXPECT_EQ(m_tf->lineCount(), 2u);
    ASSERT_EQ(m_sprite->quads.size(), 1u);
    const auto* b = m_tf->findRecord(glyphs(u"b")[0]);
    EXPECT_EQ(m_sprite->quads[0].texture, b->texture);
    EXPECT_EQ(m_sprite->quads[0].source.right, b->right);

    // Top-aligned: the layout stops at the height limit, and the line below the rectangle is
    // not drawn.
    draw(u"a\nb\nc", RECT{10, 0, 100, m_lineHeight}, 0);
    EXPECT_EQ(m_tf->lineCount(), 2u);
    ASSERT_EQ(m_sprite->quads.size(), 1u);
    EXPECT_EQ(m_sprite->quads[0].source.right, m_tf->findRecord(glyphs(u"a")[0])->right);
}

// Quads go to the caller's sprite at the pen positions, with the caller's colour; a failing
// Draw makes DrawText return 0.
TEST_F(LayoutTest, QuadsLandAtThePenPositions) {
    EXPECT_EQ(draw(u"Ag", RECT{7, 11, 0, 0}, DT_NOCLIP), m_lineHeight);
    ASSERT_EQ(m_sprite->quads.size(), 2u);
    const std::vector<WORD> g = glyphs(u"Ag");
    for (UINT i = 0; i < 2; ++i) {
        const auto* record = m_tf->findRecord(g[i]);
        const RecordedQuad& q = m_sprite->quads[i];
        EXPECT_EQ(q.texture, record->texture);
        EXPECT_EQ(q.color, 0xFF808080u);
        EXPECT_EQ(q.left(), 7 + record->originX + m_tf->glyphX(i));
        EXPECT_EQ(q.top(), 11 + record->originY);
        EXPECT_EQ(q.centre.x, q.width() * 0.5f);
        EXPECT_EQ(q.position.z, 0.0f);
    }
    EXPECT_EQ(m_tf->glyphX(1), widthOf(u"A"));
    m_sprite->failDraws = true;
    EXPECT_EQ(draw(u"Ag", RECT{7, 11, 0, 0}, DT_NOCLIP), 0);
}

// Preloading caches every glyph of the text and lays nothing out.
TEST_F(LayoutTest, PreloadTextCachesWithoutLayingOut) {
    draw(u"a\nb", RECT{0, 0, 0, 0}, DT_NOCLIP);
    ASSERT_EQ(m_tf->lineCount(), 2u);
    const std::vector<WORD> g = glyphs(u"xyz");
    for (WORD i : g) {
        EXPECT_EQ(m_tf->findRecord(i) == nullptr || m_tf->findRecord(i)->texture == nullptr, true);
    }
    EXPECT_EQ(m_font->PreloadTextW(u"xyz", -1), S_OK);
    EXPECT_EQ(m_font->PreloadTextA("xyz", 3), S_OK);
    for (WORD i : g) {
        ASSERT_NE(m_tf->findRecord(i), nullptr);
        EXPECT_NE(m_tf->findRecord(i)->texture, nullptr);
    }
    EXPECT_EQ(m_tf->lineCount(), 2u) << "the last layout is untouched";
    EXPECT_EQ(m_font->PreloadTextW(nullptr, 0), S_OK);
}

// Without a caller sprite the font draws through its own, onto the device, and forwards the
// device-loss notifications to it.
TEST_F(LayoutTest, TheInternalSpriteDrawsOntoTheDevice) {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device()->BeginScene();
    RECT rect{2, 2, 0, 0};
    EXPECT_EQ(m_font->DrawTextW(nullptr, u"Hi", -1, &rect, DT_NOCLIP, 0xFFFFDC00), m_lineHeight);
    device()->EndScene();
    const std::vector<uint32_t> pixels = m_device.readBackBuffer();
    int lit = 0;
    for (uint32_t p : pixels) {
        lit += p != 0;
        // Only the text colour (255, 220, 0) blended over black appears.
        EXPECT_EQ(p & 0xFF, 0u);
        EXPECT_LE(((p >> 8) & 0xFF) * 255, ((p >> 16) & 0xFF) * 220 + 255 * 2);
    }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(m_font->OnLostDevice(), S_OK);
    EXPECT_EQ(m_font->OnResetDevice(), S_OK);
}

}  // namespace
}  // namespace font_test
