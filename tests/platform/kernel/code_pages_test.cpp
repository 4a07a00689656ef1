#include "platform/kernel/code_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScopedEnv;

std::u16string toWide(UINT codePage, const std::string& text, DWORD flags = 0) {
    int needed = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (needed == 0) {
        return u"(failed)";
    }
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    int written =
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), needed);
    EXPECT_EQ(written, needed);
    return wide;
}

std::string toNarrow(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr,
                     const char* defaultChar = nullptr) {
    int needed = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                                     usedDefault);
    if (needed == 0) {
        return "(failed)";
    }
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    int written = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), needed,
                                      defaultChar, usedDefault);
    EXPECT_EQ(written, needed);
    return narrow;
}

// Korean text in its three encodings, as the published code tables give them. "똠" lies in the
// part of code page 949 that the older EUC-KR lacks, so a wrong choice of table shows.
struct KoreanCase {
    const char* name;
    std::string cp949;
    std::string utf8;
    std::u16string utf16;
};

const KoreanCase kKorean[] = {
    {"greeting", "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4", "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94",
     u"\uC548\uB155\uD558\uC138\uC694"},
    {"extended syllable", "\x8C\x63", "\xEB\x98\xA0", u"\uB620"},
    {"mixed with ASCII", "A\xBE\xC8 1", "A\xEC\x95\x88 1", u"A\uC548 1"},
    {"white triangle", "\xA2\xB9", "\xE2\x96\xB7", u"\u25B7"},
};

TEST(CodePages, KoreanTextConvertsBothWaysInCodePage949AndUtf8) {
    for (const KoreanCase& c : kKorean) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toWide(949, c.cp949), c.utf16);
        EXPECT_EQ(toWide(CP_UTF8, c.utf8), c.utf16);
        BOOL usedDefault = TRUE;
        EXPECT_EQ(toNarrow(949, c.utf16, &usedDefault), c.cp949);
        EXPECT_FALSE(usedDefault);
        EXPECT_EQ(toNarrow(CP_UTF8, c.utf16), c.utf8);
    }
}

TEST(CodePages, HelpTextLinesSurviveTheSystemCodePage) {
    // The demo's help lines, written in UTF-8 here, must pass through the ANSI code page intact.
    constexpr const char* kLines[] = {
        "▷ 적용식; Verlet Intergrator (객체 간의 충돌은 무시)",
        "  가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )",
        "  동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f",
        "▷ Euler's Method에 비해 안정성이 있지만 ",
        "   비교적 큰 탄성으로 폭발하는 객체도 보인다.  ",
        "   진동이 폭발로 이어지지 않도록 주의!!  ",
        "▷ 수정일; 2004. 08. 30",
        "   Restart = 마우스 왼쪽 버튼 클릭  ",
    };
    ScopedEnv env("WIN32_CODEPAGE", std::nullopt);
    for (const char* line : kLines) {
        SCOPED_TRACE(line);
        std::u16string wide = toWide(CP_UTF8, line);
        BOOL usedDefault = TRUE;
        std::string ansi = toNarrow(CP_ACP, wide, &usedDefault);
        EXPECT_FALSE(usedDefault);
        EXPECT_LT(ansi.size(), std::string(line).size());  // two bytes a syllable instead of three
        EXPECT_EQ(toWide(CP_ACP, ansi), wide);
    }
}

TEST(CodePages, AnsiCodePageFollowsTheEnvironment) {
    struct Case {
        const char* name;
        const char* value;  // null: unset
        UINT expected;
        bool noted;
    };
    constexpr Case kCases[] = {
        {"unset", nullptr, 949, false},
        {"empty", "", 949, false},
        {"western", "1252", 1252, false},
        {"utf-8", "65001", 65001, false},
        {"not a number", "korean", 949, true},
        {"unknown page", "12345", 949, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScopedEnv env("WIN32_CODEPAGE", c.value ? std::optional<std::string>(c.value) : std::nullopt);
        kernel_test::TraceCapture trace;
        EXPECT_EQ(GetACP(), c.expected);
        EXPECT_EQ(GetOEMCP(), c.expected);
        EXPECT_EQ(!trace.notes().empty(), c.noted);
    }
    // The pseudo pages follow the ANSI page.
    ScopedEnv env("WIN32_CODEPAGE", "1252");
    EXPECT_EQ(toWide(CP_ACP, "\xE9"), u"\u00E9");
    EXPECT_EQ(toWide(CP_THREAD_ACP, "\x80"), u"\u20AC");
}

TEST(CodePages, CountsTerminatorsAndSizeQueries) {
    const char* text = "\xBE\xC8!";
    // -1 includes the terminator in the count; an explicit count does not add one.
    EXPECT_EQ(MultiByteToWideChar(949, 0, text, -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(949, 0, text, 3, nullptr, 0), 2);
    WCHAR wide[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(MultiByteToWideChar(949, 0, text, -1, wide, 4), 3);
    EXPECT_EQ(wide[0], u'\uC548');
    EXPECT_EQ(wide[1], u'!');
    EXPECT_EQ(wide[2], u'\0');
    EXPECT_EQ(wide[3], u'x');

    // Zeros inside an explicit count are converted like any other character.
    EXPECT_EQ(toWide(CP_UTF8, std::string("a\0b", 3)), std::u16string(u"a\0b", 3));

    // Too small a buffer: failure, nothing written.
    WCHAR small[1] = {u'x'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(949, 0, text, -1, small, 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(small[0], u'x');

    const WCHAR* wideText = u"\uC548!";
    EXPECT_EQ(WideCharToMultiByte(949, 0, wideText, -1, nullptr, 0, nullptr, nullptr), 4);
    char narrow[3] = {'x', 'x', 'x'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(949, 0, wideText, -1, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(narrow[0], 'x');
}

TEST(CodePages, InvalidInputIsReplacedOrRefused) {
    struct Case {
        const char* name;
        UINT codePage;
        std::string input;
        std::u16string replaced;
    };
    const Case kCases[] = {
        {"utf-8 stray continuation", CP_UTF8, "a\x80z", u"a\uFFFDz"},
        {"utf-8 truncated sequence", CP_UTF8, "a\xEC\x95", u"a\uFFFD\uFFFD"},
        {"utf-8 encoded surrogate", CP_UTF8, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"cp949 lone lead byte at end", 949, "a\xB0", u"a?"},
        {"cp949 lead byte before ASCII", 949, "\xB0 z", u"? z"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toWide(c.codePage, c.input), c.replaced);
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(c.codePage, MB_ERR_INVALID_CHARS, c.input.data(),
                                      static_cast<int>(c.input.size()), nullptr, 0),
                  0);
        EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    }
}

TEST(CodePages, UnmappableCharactersUseTheDefaultCharacter) {
    struct Case {
        const char* name;
        std::u16string input;
        const char* defaultChar;
        std::string expected;
    };
    const Case kCases[] = {
        {"thai letter", u"a\u0E01b", nullptr, "a?b"},
        {"own default", u"a\u0E01b", "#", "a#b"},
        {"double-byte default", u"\u0E01", "\xA1\xDA", "\xA1\xDA"},
        {"character outside the basic plane", u"x\U0001F600y", nullptr, "x?y"},
        {"unpaired surrogate", u"x\xD800y", nullptr, "x?y"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        BOOL usedDefault = FALSE;
        EXPECT_EQ(toNarrow(949, c.input, &usedDefault, c.defaultChar), c.expected);
        EXPECT_TRUE(usedDefault);
    }
}

TEST(CodePages, Utf8HasNoDefaultCharacterButReplacesLoneSurrogates) {
    EXPECT_EQ(toNarrow(CP_UTF8, u"x\U0001F600y"), "x\xF0\x9F\x98\x80y");
    EXPECT_EQ(toWide(CP_UTF8, "x\xF0\x9F\x98\x80y"), u"x\U0001F600y");
    EXPECT_EQ(toNarrow(CP_UTF8, u"x\xDC00y"), "x\xEF\xBF\xBDy");

    const std::u16string lone = u"x\xD800";
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 2, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

    BOOL used = FALSE;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CodePages, RefusedArguments) {
    char narrow[8];
    WCHAR wide[8];
    const auto mb = [&](UINT page, DWORD flags, const char* text, int count, WCHAR* out, int outCount) {
        SetLastError(0);
        int r = MultiByteToWideChar(page, flags, text, count, out, outCount);
        return std::pair{r, GetLastError()};
    };
    const auto wc = [&](UINT page, DWORD flags, const WCHAR* text, int count, char* out, int outCount) {
        SetLastError(0);
        int r = WideCharToMultiByte(page, flags, text, count, out, outCount, nullptr, nullptr);
        return std::pair{r, GetLastError()};
    };
    const std::pair<const char*, std::pair<int, DWORD>> kCases[] = {
        {"null source", mb(949, 0, nullptr, 3, wide, 8)},
        {"zero source count", mb(949, 0, "abc", 0, wide, 8)},
        {"negative source count", mb(949, 0, "abc", -2, wide, 8)},
        {"negative target count", mb(949, 0, "abc", 3, wide, -1)},
        {"null target with room", mb(949, 0, "abc", 3, nullptr, 8)},
        {"same buffer", mb(949, 0, reinterpret_cast<const char*>(wide), 2, wide, 8)},
        {"unknown page", mb(12345, 0, "abc", 3, wide, 8)},
        {"wide null source", wc(949, 0, nullptr, 3, narrow, 8)},
        {"wide zero count", wc(949, 0, u"abc", 0, narrow, 8)},
        {"wide unknown page", wc(12345, 0, u"abc", 3, narrow, 8)},
    };
    for (const auto& [name, outcome] : kCases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(outcome.first, 0);
        EXPECT_EQ(outcome.second, ERROR_INVALID_PARAMETER);
    }
    const std::pair<const char*, std::pair<int, DWORD>> kFlagCases[] = {
        {"utf-8 with precomposed", mb(CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 8)},
        {"precomposed and composite", mb(949, MB_PRECOMPOSED | MB_COMPOSITE, "abc", 3, wide, 8)},
        {"unknown bit", mb(949, 0x1000, "abc", 3, wide, 8)},
        {"strict to a legacy page", wc(949, WC_ERR_INVALID_CHARS, u"abc", 3, narrow, 8)},
        {"utf-8 with no best fit", wc(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"abc", 3, narrow, 8)},
    };
    for (const auto& [name, outcome] : kFlagCases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(outcome.first, 0);
        EXPECT_EQ(outcome.second, ERROR_INVALID_FLAGS);
    }
}

TEST(CodePages, EachThreadConvertsIndependently) {
    std::u16string results[2];
    std::thread workers[2] = {
        std::thread([&] {
            for (int i = 0; i < 200; ++i) results[0] = toWide(949, "\xBE\xC8");
        }),
        std::thread([&] {
            for (int i = 0; i < 200; ++i) results[1] = toWide(CP_UTF8, "\xEB\x98\xA0");
        }),
    };
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(results[0], u"\uC548");
    EXPECT_EQ(results[1], u"\uB620");
}

}  // namespace
