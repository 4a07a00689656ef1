// ScriptItemize: item boundaries, scripts, bidi levels and the two direction bits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/trace.h"
#include "platform/usp/script_table.h"
#include "platform/usp/usp.h"

namespace {

using namespace platform::usp;

struct ExpectedItem {
    int start;
    WORD script;
    int level;
    bool rtl;
    bool layoutRtl;
};

struct Case {
    const char* name;
    const char16_t* text;
    int paragraphLevel;
    std::vector<ExpectedItem> items;
};

std::vector<SCRIPT_ITEM> itemize(std::u16string_view text, const SCRIPT_CONTROL* control, const SCRIPT_STATE* state,
                                 HRESULT* status) {
    std::vector<SCRIPT_ITEM> items(text.size() + 1);
    int count = -1;
    *status = ScriptItemize(text.data(), static_cast<int>(text.size()), static_cast<int>(items.size()), control,
                            state, items.data(), &count);
    items.resize(count >= 0 ? count + 1 : 0);
    return items;
}

void expectItems(std::u16string_view text, const std::vector<SCRIPT_ITEM>& got, const std::vector<ExpectedItem>& want) {
    ASSERT_EQ(got.size(), want.size() + 1);
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(got[i].iCharPos, want[i].start);
        EXPECT_EQ(got[i].a.eScript, want[i].script);
        EXPECT_EQ(got[i].a.s.uBidiLevel, want[i].level);
        EXPECT_EQ(got[i].a.fRTL, want[i].rtl);
        EXPECT_EQ(got[i].a.fLayoutRTL, want[i].layoutRtl);
    }
    EXPECT_EQ(got.back().iCharPos, static_cast<int>(text.size())) << "sentinel";
}

TEST(ScriptItemize, BoundariesScriptsAndLevels) {
    const Case kCases[] = {
        {"Korean, Latin, Hebrew and a number in a left-to-right paragraph",
         u"한국어 Latin עברית 123",
         0,
         {{0, kScriptHangul, 0, false, false},
          {4, kScriptLatin, 0, false, false},
          {10, kScriptHebrew, 1, true, true},
          // A number after Hebrew is at level 2: its glyphs run left to right, but layout places
          // it with the right-to-left span it belongs to.
          {16, kScriptUndefined, 2, false, true}}},
        {"a Latin word inside a right-to-left paragraph",
         u"abc אבג",
         1,
         {{0, kScriptLatin, 2, false, false}, {3, kScriptHebrew, 1, true, true}}},
        {"help line 1: the sign and punctuation join their neighbours",
         u"▷ 적용식; Verlet Intergrator (객체 간의 충돌은 무시)",
         0,
         {{0, kScriptHangul, 0, false, false}, {7, kScriptLatin, 0, false, false}, {27, kScriptHangul, 0, false, false}}},
        {"a combining mark stays with its base", u"e\u0301\u05D0\u05B8", 0,
         {{0, kScriptLatin, 0, false, false}, {2, kScriptHebrew, 1, true, true}}},
        {"a surrogate pair counts two units", u"ab \U0001F600 한", 0,
         {{0, kScriptLatin, 0, false, false}, {6, kScriptHangul, 0, false, false}}},
        {"only neutral characters", u"12 + 3", 0, {{0, kScriptUndefined, 0, false, false}}},
        {"line feed and tab do not split an item", u"ab\tcd\nef", 0, {{0, kScriptLatin, 0, false, false}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SCRIPT_STATE state{};
        state.uBidiLevel = static_cast<WORD>(c.paragraphLevel);
        HRESULT hr;
        std::u16string_view text(c.text);
        std::vector<SCRIPT_ITEM> items = itemize(text, nullptr, &state, &hr);
        ASSERT_EQ(hr, S_OK);
        expectItems(text, items, c.items);
    }
}

TEST(ScriptItemize, OverrideDirectionGivesEveryCharacterTheBaseLevel) {
    SCRIPT_STATE state{};
    state.uBidiLevel = 0;
    state.fOverrideDirection = 1;
    HRESULT hr;
    std::u16string_view text = u"abc אבג";
    std::vector<SCRIPT_ITEM> items = itemize(text, nullptr, &state, &hr);
    ASSERT_EQ(hr, S_OK);
    expectItems(text, items, {{0, kScriptLatin, 0, false, false}, {4, kScriptHebrew, 0, false, false}});
    EXPECT_TRUE(items[1].a.s.fOverrideDirection);
}

TEST(ScriptItemize, NullStateIsALeftToRightParagraph) {
    HRESULT hr;
    std::u16string_view text = u"אבג abc";
    std::vector<SCRIPT_ITEM> items = itemize(text, nullptr, nullptr, &hr);
    ASSERT_EQ(hr, S_OK);
    // The space between the Hebrew and the Latin word takes the paragraph's level, 0.
    expectItems(text, items, {{0, kScriptHebrew, 1, true, true}, {3, kScriptLatin, 0, false, false}});
}

TEST(ScriptItemize, ContextDigitSubstitutionReplacesDigitsAfterArabicOnly) {
    SCRIPT_DIGITSUBSTITUTE arabic{};
    ASSERT_EQ(ScriptRecordDigitSubstitution(0x0401, &arabic), S_OK);
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    ASSERT_EQ(ScriptApplyDigitSubstitution(&arabic, &control, &state), S_OK);
    HRESULT hr;
    std::u16string_view text = u"عدد 12 abc 34";
    std::vector<SCRIPT_ITEM> items = itemize(text, &control, &state, &hr);
    ASSERT_EQ(hr, S_OK);
    expectItems(text, items,
                {{0, kScriptArabic, 1, true, true}, {4, kScriptArabicDigits, 2, false, true}, {6, kScriptLatin, 0, false, false}});
    EXPECT_TRUE(items[1].a.s.fDigitSubstitute);
}

TEST(ScriptItemize, WithoutSubstitutionDigitsStayWithTheirText) {
    SCRIPT_DIGITSUBSTITUTE korean{};
    ASSERT_EQ(ScriptRecordDigitSubstitution(0x0412, &korean), S_OK);
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    ASSERT_EQ(ScriptApplyDigitSubstitution(&korean, &control, &state), S_OK);
    HRESULT hr;
    std::u16string_view text = u"무게 m = 5~10";
    std::vector<SCRIPT_ITEM> items = itemize(text, &control, &state, &hr);
    ASSERT_EQ(hr, S_OK);
    expectItems(text, items, {{0, kScriptHangul, 0, false, false}, {3, kScriptLatin, 0, false, false}});
}

TEST(ScriptItemize, Misuse) {
    const char16_t* text = u"ab אב";
    SCRIPT_ITEM items[8];
    struct MisuseCase {
        const char* name;
        const char16_t* text;
        int length;
        int maxItems;
        SCRIPT_ITEM* items;
        HRESULT expected;
    };
    const MisuseCase kCases[] = {
        {"null text", nullptr, 5, 8, items, E_INVALIDARG},
        {"zero length", text, 0, 8, items, E_INVALIDARG},
        {"negative length", text, -1, 8, items, E_INVALIDARG},
        {"null items", text, 5, 8, nullptr, E_INVALIDARG},
        {"no room for the sentinel", text, 5, 1, items, E_INVALIDARG},
        {"two items and the sentinel in room for two", text, 5, 2, items, E_OUTOFMEMORY},
    };
    for (const MisuseCase& c : kCases) {
        SCOPED_TRACE(c.name);
        for (SCRIPT_ITEM& item : items) {
            item.iCharPos = -7;
        }
        int count = -7;
        EXPECT_EQ(ScriptItemize(c.text, c.length, c.maxItems, nullptr, nullptr, c.items, &count), c.expected);
        EXPECT_EQ(count, -7);
        EXPECT_EQ(items[0].iCharPos, -7) << "nothing is written on failure";
    }
}

TEST(ScriptItemize, ARefusalWritesOneTraceNote) {
    std::vector<std::string> notes;
    platform::kernel::setTraceHook([&](std::string_view note) { notes.emplace_back(note); });
    SCRIPT_ITEM items[4];
    int count = 0;
    EXPECT_EQ(ScriptItemize(u"ab", 2, 1, nullptr, nullptr, items, &count), E_INVALIDARG);
    EXPECT_EQ(ScriptItemize(u"ab", 2, 4, nullptr, nullptr, items, &count), S_OK);
    platform::kernel::setTraceHook({});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "usp: ScriptItemize: room for 1 items; an item and the sentinel need 2");
}

}  // namespace
