// Fonts: face matching, GDI's height rule, and metrics against FreeType's own figures.
#include <cmath>
#include <string>

#include "gdi_test_support.h"

namespace {

using gdi_test::helpFont;
using gdi_test::logFont;
using gdi_test::ReferenceFace;
using gdi_test::TextDc;

int pixelsPerEm(HDC dc) { return platform::gdi::selectedFace(dc)->size->metrics.y_ppem; }

TEST(Font, ArialIsAnsweredByLiberationSansButReportedAsRequested) {
    TextDc text(helpFont());
    FT_Face face = platform::gdi::selectedFace(text.dc());
    ASSERT_NE(face, nullptr);
    EXPECT_STREQ(face->family_name, "Liberation Sans");
    EXPECT_STREQ(face->style_name, "Bold");

    LOGFONTW wide{};
    ASSERT_EQ(GetObjectW(text.font(), sizeof wide, &wide), static_cast<int>(sizeof wide));
    EXPECT_EQ(std::u16string(wide.lfFaceName), u"Arial");
    EXPECT_EQ(wide.lfHeight, 18);
    EXPECT_EQ(wide.lfWeight, FW_BOLD);
    LOGFONTA narrow{};
    ASSERT_EQ(GetObjectA(text.font(), sizeof narrow, &narrow), static_cast<int>(sizeof narrow));
    EXPECT_STREQ(narrow.lfFaceName, "Arial");
    EXPECT_EQ(GetObjectW(text.font(), 0, nullptr), static_cast<int>(sizeof(LOGFONTW)));
}

TEST(Font, NarrowRequestReadsBackInBothForms) {
    LOGFONTA request{};
    request.lfHeight = -13;
    request.lfItalic = 1;
    request.lfQuality = NONANTIALIASED_QUALITY;
    std::memcpy(request.lfFaceName, "Times New Roman", 16);
    HFONT font = CreateFontIndirectA(&request);
    ASSERT_NE(font, nullptr);
    LOGFONTW wide{};
    ASSERT_GT(GetObjectW(font, sizeof wide, &wide), 0);
    EXPECT_EQ(std::u16string(wide.lfFaceName), u"Times New Roman");
    EXPECT_EQ(wide.lfHeight, -13);
    EXPECT_EQ(wide.lfItalic, 1);
    EXPECT_EQ(wide.lfQuality, NONANTIALIASED_QUALITY);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    FT_Face face = platform::gdi::selectedFace(dc);
    EXPECT_STREQ(face->family_name, "Liberation Serif");
    EXPECT_NE(face->style_flags & FT_STYLE_FLAG_ITALIC, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(font));
}

// The help font's metrics, worked out from the font file with FreeType: the cell is
// usWinAscent + usWinDescent, 18 pixels of it give 16 pixels per em.
TEST(Font, HelpFontMetricsComeFromTheFacesOwnFigures) {
    TextDc text(helpFont());
    const TEXTMETRICW& tm = text.metrics();
    ReferenceFace ref(gdi_test::kLiberationSansBold, 16);
    const int em = ref.unitsPerEm();
    const int cell = ref.winAscent() + ref.winDescent();
    ASSERT_EQ(pixelsPerEm(text.dc()), 18 * em / cell);
    ASSERT_EQ(pixelsPerEm(text.dc()), 16);

    EXPECT_EQ(tm.tmHeight, 18);
    EXPECT_EQ(tm.tmAscent, std::lround(18.0 * ref.winAscent() / cell));
    EXPECT_EQ(tm.tmAscent, 15);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(tm.tmInternalLeading, 2);
    // The average of text: lowercase letters and the space, weighted by English letter frequency.
    constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20, 56,
                                  56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2,  166};
    long weighted = 0;
    for (int i = 0; i < 27; ++i) {
        const FT_ULong c = i < 26 ? 'a' + i : ' ';
        ASSERT_EQ(FT_Load_Char(ref.face(), c, FT_LOAD_NO_SCALE), 0);
        weighted += ref.face()->glyph->metrics.horiAdvance * kWeights[i];
    }
    EXPECT_EQ(tm.tmAveCharWidth, std::lround(16.0 * (weighted / 1000) / em));
    EXPECT_EQ(tm.tmAveCharWidth, 8);
    const long widest = std::max<long>(ref.face()->max_advance_width, ref.face()->bbox.xMax);
    EXPECT_EQ(tm.tmMaxCharWidth, (widest * 16 + em - 1) / em);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_TRUETYPE, TMPF_TRUETYPE);
    EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, FF_SWISS);
    EXPECT_LE(tm.tmFirstChar, u' ');
    EXPECT_GE(tm.tmLastChar, u'~');
    EXPECT_EQ(tm.tmBreakChar, u' ');
    EXPECT_EQ(FT_Get_Char_Index(ref.face(), tm.tmDefaultChar), 0u) << "the default character is one the face lacks";
    EXPECT_EQ(tm.tmItalic, 0);
}

TEST(Font, NarrowMetricsAreTheWideOnesWithByteCharacters) {
    TextDc text(helpFont());
    TEXTMETRICA narrow{};
    ASSERT_TRUE(GetTextMetricsA(text.dc(), &narrow));
    const TEXTMETRICW& wide = text.metrics();
    EXPECT_EQ(narrow.tmHeight, wide.tmHeight);
    EXPECT_EQ(narrow.tmAscent, wide.tmAscent);
    EXPECT_EQ(narrow.tmMaxCharWidth, wide.tmMaxCharWidth);
    EXPECT_EQ(narrow.tmFirstChar, wide.tmFirstChar);
    EXPECT_EQ(narrow.tmLastChar, 0xFF);
    EXPECT_EQ(narrow.tmBreakChar, ' ');
    EXPECT_EQ(narrow.tmPitchAndFamily, wide.tmPitchAndFamily);
}

// Positive heights are cells, negative ones characters (pixels per em); 0 is a 12-pixel character.
TEST(Font, HeightSignRule) {
    struct Case {
        const char* name;
        LONG height;
        int pixelsPerEm;
        LONG cellHeight;
    };
    constexpr Case kCases[] = {
        {"cell 18", 18, 16, 18},        {"character 16", -16, 16, 18}, {"cell 14", 14, 12, 14},
        {"character 12", -12, 12, 13}, {"default", 0, 12, 13},         {"cell 40", 40, 35, 40},
        {"character 1", -1, 1, 1},
    };
    ReferenceFace ref(gdi_test::kLiberationSansBold, 16);
    const double cellPerEm = double(ref.winAscent() + ref.winDescent()) / ref.unitsPerEm();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TextDc text(logFont(c.height, FW_BOLD, DEFAULT_QUALITY, u"Arial"), 4, 4);
        const TEXTMETRICW& tm = text.metrics();
        EXPECT_EQ(pixelsPerEm(text.dc()), c.pixelsPerEm);
        EXPECT_EQ(tm.tmHeight, c.cellHeight);
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        if (c.height > 0) {
            // The largest em whose cell fits the requested cell.
            EXPECT_LE(c.pixelsPerEm * cellPerEm, c.height + 1e-9);
            EXPECT_GT((c.pixelsPerEm + 1) * cellPerEm, c.height);
        } else {
            EXPECT_EQ(tm.tmHeight, std::lround(c.pixelsPerEm * cellPerEm));
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.pixelsPerEm);
        }
    }
}

TEST(Font, WidthScalesTheAverageCharacterWidth) {
    LOGFONTW request = logFont(-16, FW_NORMAL, DEFAULT_QUALITY, u"Arial");
    request.lfWidth = 14;
    TextDc text(request, 4, 4);
    EXPECT_NEAR(text.metrics().tmAveCharWidth, 14, 1);
    FT_Face face = platform::gdi::selectedFace(text.dc());
    EXPECT_GT(face->size->metrics.x_ppem, face->size->metrics.y_ppem);
}

TEST(Font, EmptyFaceNamePicksByFamily) {
    struct Case {
        const char* name;
        BYTE pitchAndFamily;
        const char* family;
    };
    constexpr Case kCases[] = {
        {"roman", FF_ROMAN, "Serif"},
        {"modern", FF_MODERN | FIXED_PITCH, "Mono"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        LOGFONTW request = logFont(-12, FW_NORMAL, DEFAULT_QUALITY, u"");
        request.lfPitchAndFamily = c.pitchAndFamily;
        TextDc text(request, 4, 4);
        const std::string family = platform::gdi::selectedFace(text.dc())->family_name;
        EXPECT_NE(family.find(c.family), std::string::npos) << family;
    }
}

TEST(Font, NullRequestIsRefusedWithANote) {
    gdi_test::TraceCapture trace;
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    ASSERT_EQ(trace.notes().size(), 2u);
    EXPECT_EQ(trace.notes()[0], "gdi: CreateFontIndirectW: null LOGFONTW");
}

}  // namespace
