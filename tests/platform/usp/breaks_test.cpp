// ScriptBreak: word stops, character stops, soft breaks and white space, as one mark per unit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/usp/usp.h"

namespace {

struct Case {
    const char* name;
    const char16_t* text;
    const char* expected;  // one mark per unit, '.' where the attribute is clear
};

// The attribute under test as a string of marks: `mark` where it is set.
template <class Bit>
std::string marks(std::u16string_view text, char mark, Bit bit) {
    std::vector<SCRIPT_LOGATTR> attrs(text.size());
    SCRIPT_ANALYSIS analysis{};
    EXPECT_EQ(ScriptBreak(text.data(), static_cast<int>(text.size()), &analysis, attrs.data()), S_OK);
    std::string result;
    for (const SCRIPT_LOGATTR& a : attrs) {
        result.push_back(bit(a) ? mark : '.');
    }
    return result;
}

TEST(ScriptBreak, WordStops) {
    const Case kCases[] = {
        {"help line 8", u"Restart = 마우스 왼쪽 버튼 클릭  ", "W.......W.W...W..W..W..."},
        {"help line 2", u"  가변 조건; 무게 m", "..W..W.W.W..W"},
        {"numbers and signs", u"m = 5~10,", "W.W.WWW.W"},
        {"control characters stand alone", u"a\tb\r\nc", "WWWWWW"},
        {"spaces never stop", u"a  b", "W..W"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(marks(c.text, 'W', [](const SCRIPT_LOGATTR& a) { return a.fWordStop; }), c.expected);
    }
}

TEST(ScriptBreak, CharacterStopsSoftBreaksAndWhiteSpace) {
    struct BitCase {
        const char* name;
        const char16_t* text;
        char mark;
        bool (*bit)(const SCRIPT_LOGATTR&);
        const char* expected;
    };
    const BitCase kCases[] = {
        {"a combining mark is no character stop", u"e\u0301x", 'C',
         [](const SCRIPT_LOGATTR& a) -> bool { return a.fCharStop; }, "C.C"},
        {"a surrogate pair is one character", u"a\U0001F600b", 'C',
         [](const SCRIPT_LOGATTR& a) -> bool { return a.fCharStop; }, "CC.C"},
        {"lines may break after spaces", u"abc def 가", 'S',
         [](const SCRIPT_LOGATTR& a) -> bool { return a.fSoftBreak; }, "....S...S"},
        {"white space", u"a b\tc", ' ', [](const SCRIPT_LOGATTR& a) -> bool { return a.fWhiteSpace; }, ". . ."},
    };
    for (const BitCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(marks(c.text, c.mark, c.bit), c.expected);
    }
}

TEST(ScriptBreak, RepeatedTextGivesTheSameAttributes) {
    std::u16string text = u"Verlet Intergrator (객체";
    std::string first = marks(text, 'W', [](const SCRIPT_LOGATTR& a) { return a.fWordStop; });
    std::string second = marks(text, 'W', [](const SCRIPT_LOGATTR& a) { return a.fWordStop; });
    EXPECT_EQ(first, "W......W...........WW.");
    EXPECT_EQ(second, first);
}

TEST(ScriptBreak, Misuse) {
    SCRIPT_ANALYSIS analysis{};
    SCRIPT_LOGATTR attrs[4];
    const char16_t* text = u"ab";
    struct MisuseCase {
        const char* name;
        const char16_t* text;
        int length;
        const SCRIPT_ANALYSIS* analysis;
        SCRIPT_LOGATTR* attrs;
    };
    const MisuseCase kCases[] = {
        {"null text", nullptr, 2, &analysis, attrs},
        {"zero length", text, 0, &analysis, attrs},
        {"null analysis", text, 2, nullptr, attrs},
        {"null attributes", text, 2, &analysis, nullptr},
    };
    for (const MisuseCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScriptBreak(c.text, c.length, c.analysis, c.attrs), E_INVALIDARG);
    }
}

}  // namespace
