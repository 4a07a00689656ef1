// The string functions: fallback drawing of the help text, caret edges, sizes and refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font_dc.h"
#include "help_lines.h"
#include "platform/usp/string_analysis.h"

namespace {

using usptest::FontDc;

constexpr DWORD kStripFlags = SSA_LINK | SSA_GLYPHS | SSA_FALLBACK;

// Owns one analysis.
class Analysis {
public:
    Analysis(HDC dc, std::u16string_view text, DWORD flags, int charset = -1, const void* bytes = nullptr,
             int byteCount = 0) {
        const void* source = bytes != nullptr ? bytes : static_cast<const void*>(text.data());
        int length = bytes != nullptr ? byteCount : static_cast<int>(text.size());
        SCRIPT_CONTROL control{};
        SCRIPT_STATE state{};
        m_status = ScriptStringAnalyse(dc, source, length, length * 3 / 2 + 16, charset, flags, 0, &control, &state,
                                       nullptr, nullptr, nullptr, &m_analysis);
    }
    ~Analysis() {
        if (m_analysis != nullptr) {
            ScriptStringFree(&m_analysis);
        }
    }
    HRESULT status() const { return m_status; }
    SCRIPT_STRING_ANALYSIS get() const { return m_analysis; }
    const platform::usp::StringAnalysis& inside() const {
        return *static_cast<const platform::usp::StringAnalysis*>(m_analysis);
    }
    int x(int cp, bool trailing) const {
        int value = -999;
        EXPECT_EQ(ScriptStringCPtoX(m_analysis, cp, trailing, &value), S_OK) << "cp " << cp;
        return value;
    }
    bool hasDefaultGlyph() const {
        for (const auto& run : inside().runs) {
            for (const auto& g : run.glyphs) {
                if (g.index == 0) {
                    return true;
                }
            }
        }
        return false;
    }

private:
    HRESULT m_status = E_FAIL;
    SCRIPT_STRING_ANALYSIS m_analysis = nullptr;
};

class StringTest : public ::testing::Test {
protected:
    FontDc m_font{u"Arial", -18, FW_BOLD, 640, 32};
    void SetUp() override { ASSERT_TRUE(m_font.ok()); }
};

// Every help line draws with fallback and no "missing" box; each Korean syllable's cell has ink.
TEST_F(StringTest, HelpTextDrawsWithFallback) {
    FontDc sheet(u"Arial", -18, FW_BOLD, 640, 8 * 24);
    ASSERT_TRUE(sheet.ok());
    int line = 0;
    for (const char16_t* text : usptest::kHelpLines) {
        SCOPED_TRACE("help line " + std::to_string(line + 1));
        std::u16string_view view(text);
        Analysis a(m_font.dc(), view, kStripFlags);
        ASSERT_EQ(a.status(), S_OK);
        EXPECT_FALSE(a.hasDefaultGlyph());
        const SIZE* size = ScriptString_pSize(a.get());
        ASSERT_NE(size, nullptr);
        EXPECT_GT(size->cx, 0);
        EXPECT_LE(size->cx, m_font.width());
        EXPECT_GE(size->cy, 18);
        m_font.clear();
        ASSERT_EQ(ScriptStringOut(a.get(), 0, 0, ETO_OPAQUE, nullptr, 0, 0, FALSE), S_OK);
        for (std::size_t i = 0; i < view.size(); ++i) {
            if (view[i] < u'\uAC00' || view[i] > u'\uD7A3') {
                continue;
            }
            int left = a.x(static_cast<int>(i), false), right = a.x(static_cast<int>(i), true);
            bool ink = false;
            for (int x = left; x < right; ++x) {
                ink = ink || m_font.columnHasInk(x);
            }
            EXPECT_TRUE(ink) << "syllable " << i << " at [" << left << ", " << right << ")";
        }
        // The same analysis into one sheet, for looking at.
        Analysis again(sheet.dc(), view, kStripFlags);
        ASSERT_EQ(ScriptStringOut(again.get(), 5, line * 24 + 2, 0, nullptr, 0, 0, FALSE), S_OK);
        ++line;
    }
    std::string path = sheet.writePng("usp_help_text_fallback");
    std::printf("help text drawn with fallback: %s\n", path.c_str());
}

TEST_F(StringTest, WithoutFallbackKoreanShowsTheDefaultGlyph) {
    Analysis with(m_font.dc(), u"적용식 Verlet", kStripFlags);
    Analysis without(m_font.dc(), u"적용식 Verlet", SSA_GLYPHS);
    ASSERT_EQ(with.status(), S_OK);
    ASSERT_EQ(without.status(), S_OK);
    EXPECT_FALSE(with.hasDefaultGlyph());
    EXPECT_TRUE(without.hasDefaultGlyph());
}

// Caret edges. Widths are measured on one-character strings; `expected` lists the characters
// whose widths add up to the edge.
TEST_F(StringTest, CharacterEdges) {
    struct Edge {
        int cp;
        bool trailing;
        const char* widthsOf;
    };
    struct Case {
        const char* name;
        const char16_t* text;
        DWORD flags;
        std::vector<Edge> edges;
    };
    const Case kCases[] = {
        {"left to right", u"ab", 0, {{0, false, ""}, {0, true, "0"}, {1, false, "0"}, {1, true, "01"}}},
        {"Hebrew reads from the right", u"\u05D0\u05D1", 0,
         {{0, false, "01"}, {0, true, "1"}, {1, false, "1"}, {1, true, ""}}},
        {"Hebrew after Latin", u"ab \u05D0\u05D1", 0,
         {{2, true, "012"}, {3, false, "01234"}, {3, true, "0124"}, {4, false, "0124"}, {4, true, "012"}}},
        // Visually "ab", the space, then the alef at the right.
        {"a right-to-left paragraph puts the Latin word left", u"\u05D0 ab", SSA_RTL,
         {{0, false, "0123"}, {0, true, "123"}, {1, false, "123"}, {2, false, ""}, {3, true, "23"}}},
        {"string ends", u"ab", 0, {{-1, true, ""}, {2, false, "01"}}},
        {"string ends, right to left", u"ab", SSA_RTL, {{-1, true, "01"}, {2, false, ""}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::u16string_view text(c.text);
        Analysis a(m_font.dc(), text, SSA_GLYPHS | c.flags);
        ASSERT_EQ(a.status(), S_OK);
        std::vector<int> widths;
        for (char16_t unit : text) {
            Analysis one(m_font.dc(), std::u16string_view(&unit, 1), SSA_GLYPHS);
            widths.push_back(ScriptString_pSize(one.get())->cx);
        }
        for (const Edge& e : c.edges) {
            int expected = 0;
            for (const char* p = e.widthsOf; *p != '\0'; ++p) {
                expected += widths[*p - '0'];
            }
            EXPECT_EQ(a.x(e.cp, e.trailing), expected) << "cp " << e.cp << (e.trailing ? " trailing" : " leading");
        }
    }
}

TEST_F(StringTest, CodePageText) {
    const char bytes[] = "\xB0\xA1\xB3\xAA ab";  // "가나 ab" in code page 949
    Analysis fromBytes(m_font.dc(), {}, kStripFlags, HANGUL_CHARSET, bytes, 7);
    Analysis fromWide(m_font.dc(), u"가나 ab", kStripFlags);
    ASSERT_EQ(fromBytes.status(), S_OK);
    ASSERT_EQ(fromWide.status(), S_OK);
    EXPECT_EQ(ScriptString_pSize(fromBytes.get())->cx, ScriptString_pSize(fromWide.get())->cx);
    EXPECT_EQ(fromBytes.x(3, false), fromWide.x(3, false)) << "positions count the widened text's units";
}

TEST_F(StringTest, Misuse) {
    SCRIPT_STRING_ANALYSIS out = nullptr;
    HDC dc = m_font.dc();
    const char16_t* text = u"ab";
    struct Case {
        const char* name;
        HRESULT status;
        HRESULT expected;
    };
    int dx[2] = {5, 5};
    const Case kCases[] = {
        {"null dc", ScriptStringAnalyse(nullptr, text, 2, 19, -1, SSA_GLYPHS, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_INVALIDARG},
        {"null text", ScriptStringAnalyse(dc, nullptr, 2, 19, -1, SSA_GLYPHS, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_INVALIDARG},
        {"zero length", ScriptStringAnalyse(dc, text, 0, 19, -1, SSA_GLYPHS, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_INVALIDARG},
        {"null result", ScriptStringAnalyse(dc, text, 2, 19, -1, SSA_GLYPHS, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG},
        {"password", ScriptStringAnalyse(dc, text, 2, 19, -1, SSA_GLYPHS | SSA_PASSWORD, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_INVALIDARG},
        {"fitting", ScriptStringAnalyse(dc, text, 2, 19, -1, SSA_GLYPHS | SSA_FIT, 10, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_INVALIDARG},
        {"caller advances", ScriptStringAnalyse(dc, text, 2, 19, -1, SSA_GLYPHS, 0, nullptr, nullptr, dx, nullptr, nullptr, &out), E_INVALIDARG},
        {"room for one glyph", ScriptStringAnalyse(dc, text, 2, 1, -1, SSA_GLYPHS, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &out), E_OUTOFMEMORY},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status, c.expected);
    }
    EXPECT_EQ(out, nullptr) << "nothing is handed out on failure";

    Analysis a(dc, u"ab", SSA_GLYPHS);
    ASSERT_EQ(a.status(), S_OK);
    int x = -999;
    EXPECT_EQ(ScriptStringCPtoX(a.get(), 3, FALSE, &x), E_INVALIDARG);
    EXPECT_EQ(ScriptStringCPtoX(a.get(), -2, FALSE, &x), E_INVALIDARG);
    EXPECT_EQ(ScriptStringCPtoX(nullptr, 0, FALSE, &x), E_INVALIDARG);
    EXPECT_EQ(x, -999);
    EXPECT_EQ(ScriptStringOut(a.get(), 0, 0, ETO_CLIPPED, nullptr, 0, 0, FALSE), E_INVALIDARG);
    EXPECT_EQ(ScriptStringOut(a.get(), 0, 0, 0, nullptr, 0, 1, FALSE), E_INVALIDARG);
    EXPECT_EQ(ScriptStringOut(nullptr, 0, 0, 0, nullptr, 0, 0, FALSE), E_INVALIDARG);
    EXPECT_EQ(ScriptString_pSize(nullptr), nullptr);
    SCRIPT_STRING_ANALYSIS none = nullptr;
    EXPECT_EQ(ScriptStringFree(&none), E_INVALIDARG);
    EXPECT_EQ(ScriptStringFree(nullptr), E_INVALIDARG);
}

}  // namespace
