// Glyph rendering: coverage against FreeType's own rendering, the cell box, the opaque background,
// the narrow path that measures through the current position, and the colour convention.
#include <algorithm>
#include <set>

#include "gdi_test_support.h"

namespace {

using gdi_test::helpFont;
using gdi_test::logFont;
using gdi_test::ReferenceFace;
using gdi_test::TextDc;

WORD glyphOf(HDC dc, char32_t c) {
    return static_cast<WORD>(FT_Get_Char_Index(platform::gdi::selectedFace(dc), c));
}

// 'A' of the help font, drawn at the origin of its cell, is FreeType's hinted grey rendering of
// that glyph at 16 pixels per em, placed with its baseline tmAscent below the top; nothing else is
// lit, and blue, green and red all carry the coverage.
TEST(Render, GlyphCoverageBoxIsFreeTypesRendering) {
    TextDc text(helpFont());
    const WORD glyph = glyphOf(text.dc(), U'A');
    text.renderGlyph(glyph);

    ReferenceFace ref(gdi_test::kLiberationSansBold, 16);
    ASSERT_EQ(FT_Load_Glyph(ref.face(), glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL), 0);
    ASSERT_EQ(FT_Render_Glyph(ref.face()->glyph, FT_RENDER_MODE_NORMAL), 0);
    const FT_GlyphSlot slot = ref.face()->glyph;
    const int left = slot->bitmap_left;
    const int top = text.metrics().tmAscent - slot->bitmap_top;
    ASSERT_GE(left, 0);
    ASSERT_GE(top, 0);
    ASSERT_LE(left + static_cast<int>(slot->bitmap.width), text.width());
    ASSERT_LE(top + static_cast<int>(slot->bitmap.rows), text.height());

    int differences = 0;
    for (int y = 0; y < text.height(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            const int bx = x - left;
            const int by = y - top;
            const bool inside = bx >= 0 && by >= 0 && bx < static_cast<int>(slot->bitmap.width) &&
                                by < static_cast<int>(slot->bitmap.rows);
            const int expected = inside ? slot->bitmap.buffer[by * slot->bitmap.pitch + bx] : 0;
            const std::uint8_t* p = text.pixel(x, y);
            differences += p[1] != expected || p[0] != p[1] || p[2] != p[1] || p[3] != 0;
        }
    }
    EXPECT_EQ(differences, 0) << text.picture();

    ABC abc{};
    WORD index = glyph;
    ASSERT_TRUE(GetCharABCWidthsI(text.dc(), 0, 1, &index, &abc));
    EXPECT_EQ(abc.abcA, left);
    EXPECT_EQ(abc.abcB, slot->bitmap.width);
    EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, (slot->advance.x + 32) >> 6);
    INT width = 0;
    ASSERT_TRUE(GetCharWidthI(text.dc(), 0, 1, &index, &width));
    EXPECT_EQ(width, (slot->advance.x + 32) >> 6);
}

// Every glyph of the face stays inside the tmMaxCharWidth × tmHeight cell when drawn at its origin.
TEST(Render, EveryGlyphOfTheHelpFontFitsItsCell) {
    TextDc text(helpFont());
    FT_Face face = platform::gdi::selectedFace(text.dc());
    const TEXTMETRICW& tm = text.metrics();
    for (UINT g = 0; g < static_cast<UINT>(face->num_glyphs); ++g) {
        ABC abc{};
        WORD index = static_cast<WORD>(g);
        ASSERT_TRUE(GetCharABCWidthsI(text.dc(), 0, 1, &index, &abc));
        ASSERT_LE(abc.abcA + static_cast<int>(abc.abcB), tm.tmMaxCharWidth) << "glyph " << g;
    }
}

// The text's box (its advance across, the cell down, and any ink beyond) is cleared before the
// glyph is drawn, so what the font cache reads of the cell, A + B columns, holds only this glyph.
TEST(Render, OpaqueBackgroundClearsTheEarlierGlyph) {
    TextDc text(helpFont());
    const WORD period = glyphOf(text.dc(), U'.');
    ABC abc{};
    WORD index = period;
    ASSERT_TRUE(GetCharABCWidthsI(text.dc(), 0, 1, &index, &abc));
    const int columns = std::max(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, abc.abcA + static_cast<int>(abc.abcB));
    auto cellPicture = [&] {
        std::string rows;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < columns; ++x) {
                rows += static_cast<char>('a' + text.green(x, y) / 16);
            }
            rows += '\n';
        }
        return rows;
    };
    text.renderGlyph(period);
    const std::string periodAlone = cellPicture();
    text.renderGlyph(glyphOf(text.dc(), U'W'));
    const std::string wide = cellPicture();
    text.renderGlyph(period);
    EXPECT_NE(wide, periodAlone);
    EXPECT_EQ(cellPicture(), periodAlone);
}

// Without the wide glyph calls, the width of a glyph is read back as the distance the current
// position moved.
TEST(Render, NarrowPathAdvancesTheCurrentPosition) {
    TextDc text(helpFont());
    ASSERT_NE(SetTextAlign(text.dc(), TA_UPDATECP), GDI_ERROR);
    for (char32_t c : {U'i', U'm', U'W', U' '}) {
        const WORD glyph = glyphOf(text.dc(), c);
        ASSERT_LT(glyph, 256) << "the narrow form passes one byte per glyph";
        ASSERT_TRUE(MoveToEx(text.dc(), 0, 0, nullptr));
        const char byte = static_cast<char>(glyph);
        ASSERT_TRUE(ExtTextOutA(text.dc(), 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, &byte, 1, nullptr));
        POINT previous{};
        ASSERT_TRUE(MoveToEx(text.dc(), 0, 0, &previous));
        INT width = 0;
        WORD index = glyph;
        GetCharWidthI(text.dc(), 0, 1, &index, &width);
        EXPECT_EQ(previous.x, width);
        EXPECT_EQ(previous.y, 0);
        EXPECT_GT(width, 0);
    }
}

TEST(Render, NonAntialiasedQualityIsBiLevelAndDefaultIsGrey) {
    struct Case {
        const char* name;
        BYTE quality;
        bool grey;
    };
    constexpr Case kCases[] = {
        {"default", DEFAULT_QUALITY, true},
        {"antialiased", ANTIALIASED_QUALITY, true},
        {"non-antialiased", NONANTIALIASED_QUALITY, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TextDc text(logFont(18, FW_BOLD, c.quality, u"Arial"));
        text.renderGlyph(glyphOf(text.dc(), U'g'));
        std::set<int> values;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x) {
                values.insert(text.green(x, y));
            }
        }
        if (c.grey) {
            EXPECT_GT(values.size(), 2u) << text.picture();
        } else {
            EXPECT_EQ(values, (std::set<int>{0, 255})) << text.picture();
        }
    }
}

// The text colour is blended over the background by coverage: a bi-level glyph gives exactly the
// two colours, in B, G, R byte order.
TEST(Render, ColoursAreBlendedInBlueGreenRedOrder) {
    TextDc text(logFont(18, FW_BOLD, NONANTIALIASED_QUALITY, u"Arial"));
    SetBkColor(text.dc(), RGB(10, 20, 30));
    SetTextColor(text.dc(), RGB(200, 100, 50));
    const WORD glyph = glyphOf(text.dc(), U'H');
    text.renderGlyph(glyph);
    INT advance = 0;
    WORD index = glyph;
    GetCharWidthI(text.dc(), 0, 1, &index, &advance);
    ASSERT_LT(advance, text.width());
    int ink = 0;
    for (int y = 0; y < text.height(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            const std::uint8_t* p = text.pixel(x, y);
            if (x >= advance) {  // outside the text's box: untouched
                EXPECT_EQ(p[0] | p[1] | p[2], 0);
                continue;
            }
            const bool isInk = p[2] == 200;
            ink += isInk;
            EXPECT_EQ(p[0], isInk ? 50 : 30);
            EXPECT_EQ(p[1], isInk ? 100 : 20);
            EXPECT_EQ(p[2], isInk ? 200 : 10);
        }
    }
    EXPECT_GT(ink, 20);
}

TEST(Render, TransparentModeKeepsWhatIsUnderneath) {
    TextDc text(helpFont(), 40, 20);
    SetTextColor(text.dc(), RGB(255, 255, 255));
    const WORD glyph = glyphOf(text.dc(), U'l');
    text.renderGlyph(glyph);
    SetBkMode(text.dc(), TRANSPARENT);
    SetTextColor(text.dc(), RGB(0, 0, 0));
    const WORD dot = glyphOf(text.dc(), U'.');
    ASSERT_TRUE(ExtTextOutW(text.dc(), 20, 0, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(&dot), 1, nullptr));
    int lit = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            lit += text.green(x, y) != 0;
        }
    }
    EXPECT_GT(lit, 10) << "the first glyph stays" << text.picture();
}

// The DC's alignment places the text against (x, y), and with TA_UPDATECP the current position
// moves by its width in the direction of the alignment.
TEST(Render, AlignmentPlacesTheTextBox) {
    struct Case {
        const char* name;
        UINT align;
        int expectedLeft;    // with x = 30 and a text 'H' of advance w: 30, 30 - w or 30 - w / 2
        int expectedTop;     // of the cleared box, with y = 20: 20, 20 - tmHeight or 20 - tmAscent
        int expectedMove;    // of the current position with TA_UPDATECP: w, -w or 0
    };
    TextDc probe(helpFont(), 4, 4);
    const WORD glyph = glyphOf(probe.dc(), U'H');
    INT w = 0;
    WORD index = glyph;
    GetCharWidthI(probe.dc(), 0, 1, &index, &w);
    const TEXTMETRICW& tm = probe.metrics();
    const Case kCases[] = {
        {"left top", TA_LEFT | TA_TOP, 30, 20, w},
        {"right bottom", TA_RIGHT | TA_BOTTOM, 30 - w, 20 - tm.tmHeight, -w},
        {"center baseline", TA_CENTER | TA_BASELINE, 30 - w / 2, 20 - tm.tmAscent, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TextDc text(helpFont(), 64, 48);
        SetBkColor(text.dc(), RGB(255, 0, 0));  // the cleared box shows in the red byte
        ASSERT_NE(SetTextAlign(text.dc(), c.align | TA_UPDATECP), GDI_ERROR);
        MoveToEx(text.dc(), 30, 20, nullptr);
        ASSERT_TRUE(ExtTextOutW(text.dc(), 0, 0, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(&glyph), 1, nullptr));
        int left = text.width(), top = text.height(), right = 0, bottom = 0;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x) {
                if (text.pixel(x, y)[2] != 0) {
                    left = std::min(left, x), top = std::min(top, y);
                    right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
                }
            }
        }
        EXPECT_EQ(left, c.expectedLeft);
        EXPECT_EQ(right, c.expectedLeft + w);
        EXPECT_EQ(top, c.expectedTop);
        EXPECT_EQ(bottom, c.expectedTop + tm.tmHeight);
        POINT end{};
        MoveToEx(text.dc(), 0, 0, &end);
        EXPECT_EQ(end.x, 30 + c.expectedMove);
        EXPECT_EQ(end.y, 20);
    }
}

// A whole line, to look at: GFX_TEST_OUTPUT_DIR/gdi_help_font_line.png.
TEST(Render, HelpFontLineForInspection) {
    TextDc text(helpFont(), 360, 22);
    const std::u16string line = u"Verlet spring: k = 0.9, damping 0.03 (Wg)";
    ASSERT_TRUE(ExtTextOutW(text.dc(), 2, 2, ETO_OPAQUE, nullptr, line.c_str(), static_cast<UINT>(line.size()), nullptr));
    const std::string path = text.writePng("gdi_help_font_line");
    std::printf("wrote %s\n", path.c_str());
    int lit = 0;
    for (int x = 0; x < text.width(); ++x) {
        lit += text.green(x, 2 + text.metrics().tmAscent - 5) != 0;
    }
    EXPECT_GT(lit, 30);
}

}  // namespace
