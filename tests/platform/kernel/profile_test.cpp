#include "platform/kernel/profile.h"

#include <gtest/gtest.h>

#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScopedEnv;
using kernel_test::ScratchDir;
using kernel_test::TraceCapture;

TEST(Profile, ReadsIntegersTheWayTheSystemDoes) {
    struct Case {
        const char* name;
        const char* contents;
        INT defaultValue;
        INT expected;  // compared as the signed value a caller stores
    };
    constexpr Case kCases[] = {
        {"plain", "[Direct3D]\ndebug=3\n", 0, 3},
        {"negative", "[Direct3D]\ndebug=-1\n", 0, -1},
        {"hexadecimal", "[Direct3D]\ndebug=0x1F\n", 0, 31},
        {"blanks and CRLF", "[ Direct3D ]\r\n  debug =  12  \r\n", 0, 12},
        {"case of names", "[DIRECT3D]\nDEBUG=5\n", 0, 5},
        {"quoted", "[Direct3D]\ndebug=\"4\"\n", 0, 4},
        {"trailing text", "[Direct3D]\ndebug=12abc\n", 0, 12},
        {"not a number", "[Direct3D]\ndebug=abc\n", 7, 0},
        {"empty value", "[Direct3D]\ndebug=\n", 7, 7},
        {"missing key", "[Direct3D]\nother=1\n", 7, 7},
        {"missing section", "[Other]\ndebug=1\n", 7, 7},
        {"key in another section", "[Other]\ndebug=1\n[Direct3D]\nx=2\n", -2, -2},
        {"first key wins", "[Direct3D]\ndebug=1\ndebug=2\n", 0, 1},
        {"first section wins", "[Direct3D]\ndebug=1\n[Direct3D]\ndebug=2\n", 0, 1},
        {"comments skipped", "; debug=9\n[Direct3D]\n# debug=8\ndebug=2\n", 0, 2},
        {"wraps modulo 2^32", "[Direct3D]\ndebug=4294967297\n", 0, 1},
    };
    ScratchDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScopedEnv env("WIN32_PROFILE", dir.write("win.ini", c.contents));
        EXPECT_EQ(static_cast<INT>(GetProfileIntA("Direct3D", "debug", c.defaultValue)), c.expected);
    }
}

TEST(Profile, MissingFileOrNamesGiveTheDefault) {
    ScratchDir dir;
    {
        ScopedEnv env("WIN32_PROFILE", dir.path("absent.ini"));
        EXPECT_EQ(static_cast<INT>(GetProfileIntA("Direct3D", "debug", -5)), -5);
    }
    ScopedEnv env("WIN32_PROFILE", dir.write("win.ini", "[Direct3D]\ndebug=1\n"));
    EXPECT_EQ(GetProfileIntA(nullptr, "debug", 9), 9u);
    EXPECT_EQ(GetProfileIntA("Direct3D", nullptr, 9), 9u);
}

TEST(Profile, DefaultFileIsUnderTheHomeConfigFolder) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.path(".config"));
    dir.write(".config/win.ini", "[Direct3D]\ndebug=6\n");
    ScopedEnv profile("WIN32_PROFILE", std::nullopt);
    ScopedEnv home("HOME", dir.path(""));
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 6u);
}

TEST(Profile, FileIsReadAfreshAtEveryCall) {
    ScratchDir dir;
    ScopedEnv env("WIN32_PROFILE", dir.write("win.ini", "[Direct3D]\ndebug=1\n"));
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 1u);
    dir.write("win.ini", "[Direct3D]\ndebug=2\n");
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 2u);
}

TEST(Profile, MalformedLinesAreSkippedWithATraceNote) {
    ScratchDir dir;
    ScopedEnv env("WIN32_PROFILE", dir.write("win.ini", "[Direct3D]\ngarbage line\n[broken\ndebug=3\n[Direct3D]\n"));
    TraceCapture trace;
    // The unclosed header leaves no section open, so the key after it belongs to none.
    EXPECT_EQ(GetProfileIntA("Direct3D", "debug", 0), 0u);
    EXPECT_EQ(trace.notes().size(), 2u);
    EXPECT_TRUE(trace.anyContains("win.ini:2"));
    EXPECT_TRUE(trace.anyContains("win.ini:3"));
}

}  // namespace
