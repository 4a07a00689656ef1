// GetCharacterPlacementW/A: glyph indices from the character map, advances as drawn, order and
// classes, and the packed extent.
#include <vector>

#include "gdi_test_support.h"

namespace {

using gdi_test::helpFont;
using gdi_test::logFont;
using gdi_test::TextDc;

struct Placed {
    DWORD extent = 0;
    std::vector<WCHAR> glyphs;
    std::vector<int> dx;
    std::vector<UINT> order;
    std::vector<char> classes;
    UINT nGlyphs = 0;
};

Placed place(HDC dc, std::u16string_view text, DWORD flags, char firstClass = 0) {
    Placed p;
    p.glyphs.assign(text.size(), 0xEEEE);
    p.dx.assign(text.size(), -1);
    p.order.assign(text.size(), 999);
    p.classes.assign(text.size(), 0);
    if (!p.classes.empty()) {
        p.classes[0] = firstClass;
    }
    GCP_RESULTSW r{};
    r.lStructSize = sizeof r;
    r.lpGlyphs = p.glyphs.data();
    r.lpDx = p.dx.data();
    r.lpOrder = p.order.data();
    r.lpClass = p.classes.data();
    r.nGlyphs = static_cast<UINT>(text.size());
    p.extent = GetCharacterPlacementW(dc, text.data(), static_cast<int>(text.size()), 0, &r, flags);
    p.nGlyphs = r.nGlyphs;
    return p;
}

TEST(Placement, GlyphIndicesAndAdvancesOfLatinText) {
    TextDc text(helpFont());
    FT_Face face = platform::gdi::selectedFace(text.dc());
    constexpr std::u16string_view kText = u"Hi, 2x!";
    const Placed p = place(text.dc(), kText, GCP_CLASSIN, static_cast<char>(GCPCLASS_PREBOUNDLTR));
    ASSERT_EQ(p.nGlyphs, kText.size());
    int width = 0;
    for (std::size_t i = 0; i < kText.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(p.glyphs[i], FT_Get_Char_Index(face, kText[i]));
        EXPECT_NE(p.glyphs[i], 0);
        ASSERT_EQ(FT_Load_Glyph(face, p.glyphs[i], FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL), 0);
        EXPECT_EQ(p.dx[i], (face->glyph->advance.x + 32) >> 6);
        EXPECT_EQ(p.order[i], i);
        width += p.dx[i];
    }
    EXPECT_EQ(LOWORD(p.extent), width);
    EXPECT_EQ(HIWORD(p.extent), text.metrics().tmHeight);
    const std::vector<char> classes = {GCPCLASS_LATIN, GCPCLASS_LATIN, GCPCLASS_LATINNUMERICSEPARATOR,
                                       GCPCLASS_NEUTRAL, GCPCLASS_LATINNUMBER, GCPCLASS_LATIN, GCPCLASS_NEUTRAL};
    EXPECT_EQ(p.classes, classes);
}

TEST(Placement, AdvancesAreWhatExtTextOutDraws) {
    TextDc text(helpFont(), 200, 20);
    ASSERT_NE(SetTextAlign(text.dc(), TA_UPDATECP), GDI_ERROR);
    constexpr std::u16string_view kText = u"Spring 08";
    const Placed p = place(text.dc(), kText, 0);
    MoveToEx(text.dc(), 0, 0, nullptr);
    ASSERT_TRUE(ExtTextOutW(text.dc(), 0, 0, 0, nullptr, kText.data(), static_cast<UINT>(kText.size()), nullptr));
    POINT end{};
    MoveToEx(text.dc(), 0, 0, &end);
    EXPECT_EQ(end.x, LOWORD(p.extent));
}

TEST(Placement, CharactersTheFaceLacksGetTheMissingGlyph) {
    TextDc text(helpFont());
    const Placed p = place(text.dc(), u"A\uAC00", 0);  // a Hangul syllable: not in Liberation Sans
    ASSERT_EQ(p.nGlyphs, 2u);
    EXPECT_NE(p.glyphs[0], 0);
    EXPECT_EQ(p.glyphs[1], 0);
}

// Right-to-left letters are class 2 and, with GCP_REORDER, shown reversed with the spaces
// between them; Latin text around them keeps its order.
TEST(Placement, ReorderReversesRightToLeftStretches) {
    TextDc text(helpFont());
    FT_Face face = platform::gdi::selectedFace(text.dc());
    constexpr std::u16string_view kText = u"ab \u05D0\u05D1 \u05D2 cd";
    const Placed p = place(text.dc(), kText, GCP_REORDER | GCP_CLASSIN, static_cast<char>(GCPCLASS_PREBOUNDLTR));
    // a b _ [alef bet _ gimel] _ c d: the bracketed stretch, positions 3..6, is reversed.
    const std::vector<UINT> order = {0, 1, 2, 6, 5, 4, 3, 7, 8, 9};
    EXPECT_EQ(p.order, order);
    EXPECT_EQ(p.classes[3], GCPCLASS_HEBREW);
    EXPECT_EQ(p.classes[5], GCPCLASS_NEUTRAL);
    for (std::size_t i = 0; i < kText.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(p.glyphs[p.order[i]], FT_Get_Char_Index(face, kText[i])) << "glyphs are in display order";
    }
    const Placed unordered = place(text.dc(), kText, GCP_CLASSIN);
    for (std::size_t i = 0; i < kText.size(); ++i) {
        EXPECT_EQ(unordered.order[i], i);
    }
}

TEST(Placement, PresetClassesAndBoundDirection) {
    TextDc text(helpFont());
    // A leading space before Hebrew joins the reversed stretch only after a right-to-left bound.
    const Placed ltr = place(text.dc(), u" \u05D0\u05D1", GCP_REORDER | GCP_CLASSIN,
                             static_cast<char>(GCPCLASS_PREBOUNDLTR));
    EXPECT_EQ(ltr.order, (std::vector<UINT>{0, 2, 1}));
    const Placed rtl = place(text.dc(), u" \u05D0\u05D1", GCP_REORDER | GCP_CLASSIN,
                             static_cast<char>(GCPCLASS_PREBOUNDRTL));
    EXPECT_EQ(rtl.order, (std::vector<UINT>{2, 1, 0}));
    // A preset class replaces the computed one.
    const Placed preset = place(text.dc(), u"xy", GCP_REORDER | GCP_CLASSIN, static_cast<char>(GCPCLASS_HEBREW));
    EXPECT_EQ(preset.classes[0], GCPCLASS_HEBREW);
    EXPECT_EQ(preset.classes[1], GCPCLASS_LATIN);
}

TEST(Placement, GlyphRoomLimitsTheCharactersPlaced) {
    TextDc text(helpFont());
    WCHAR glyph = 0;
    GCP_RESULTSW r{};
    r.lStructSize = sizeof r;
    r.lpGlyphs = &glyph;
    r.nGlyphs = 1;
    const DWORD extent = GetCharacterPlacementW(text.dc(), u"WWWW", 4, 0, &r, 0);
    EXPECT_EQ(r.nGlyphs, 1u);
    EXPECT_EQ(glyph, FT_Get_Char_Index(platform::gdi::selectedFace(text.dc()), U'W'));
    EXPECT_GT(LOWORD(extent), 0);
    INT width = 0;
    WORD index = glyph;
    GetCharWidthI(text.dc(), 0, 1, &index, &width);
    EXPECT_EQ(LOWORD(extent), width);
}

TEST(Placement, MaxExtentStopsAtTheFirstCharacterThatDoesNotFit) {
    TextDc text(helpFont());
    std::vector<int> dx(8);
    GCP_RESULTSW r{};
    r.lStructSize = sizeof r;
    r.lpDx = dx.data();
    r.nGlyphs = 8;
    const Placed all = place(text.dc(), u"abcdefgh", 0);
    const int limit = all.dx[0] + all.dx[1] + all.dx[2];
    const DWORD extent = GetCharacterPlacementW(text.dc(), u"abcdefgh", 8, limit, &r, GCP_MAXEXTENT);
    EXPECT_EQ(r.nMaxFit, 3);
    EXPECT_EQ(r.nGlyphs, 3u);
    EXPECT_EQ(LOWORD(extent), limit);
}

// The narrow form reads the system code page (949): a double-byte syllable is one glyph, and both
// its bytes point at it.
TEST(Placement, NarrowTextInTheKoreanCodePage) {
    LOGFONTW request = logFont(-16, FW_NORMAL, DEFAULT_QUALITY, u"NanumGothic");
    TextDc text(request, 4, 4);
    const char bytes[] = "A\xB0\xA1" "B";  // 'A', U+AC00 in code page 949, 'B'
    std::vector<WCHAR> glyphs(4, 0xEEEE);
    std::vector<UINT> order(4, 999);
    GCP_RESULTSA r{};
    r.lStructSize = sizeof r;
    r.lpGlyphs = glyphs.data();
    r.lpOrder = order.data();
    r.nGlyphs = 4;
    ASSERT_NE(GetCharacterPlacementA(text.dc(), bytes, 4, 0, &r, 0), 0u);
    FT_Face face = platform::gdi::selectedFace(text.dc());
    ASSERT_EQ(r.nGlyphs, 3u);
    EXPECT_EQ(glyphs[0], FT_Get_Char_Index(face, U'A'));
    EXPECT_EQ(glyphs[1], FT_Get_Char_Index(face, 0xAC00));
    EXPECT_NE(glyphs[1], 0);
    EXPECT_EQ(glyphs[2], FT_Get_Char_Index(face, U'B'));
    EXPECT_EQ(order, (std::vector<UINT>{0, 1, 1, 2}));
}

TEST(Placement, MisuseIsRefused) {
    TextDc text(helpFont());
    GCP_RESULTSW r{};
    r.nGlyphs = 4;
    gdi_test::TraceCapture trace;
    EXPECT_EQ(GetCharacterPlacementW(text.dc(), u"ab", 2, 0, nullptr, 0), 0u);
    EXPECT_EQ(GetCharacterPlacementW(text.dc(), nullptr, 2, 0, &r, 0), 0u);
    EXPECT_EQ(GetCharacterPlacementW(nullptr, u"ab", 2, 0, &r, 0), 0u);
    EXPECT_EQ(trace.notes().size(), 3u);
}

}  // namespace
