#include "platform/kernel/debug_output.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::DebugOutputCapture;
using kernel_test::ScopedEnv;
using kernel_test::ScratchDir;
using kernel_test::TraceCapture;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DebugOutput, HookReceivesTextExactlyAndNothingReachesStandardError) {
    DebugOutputCapture capture;
    testing::internal::CaptureStderr();
    OutputDebugStringA("D3DX: one\r\n");
    OutputDebugStringA("no line end");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(capture.calls().size(), 2u);
    EXPECT_EQ(capture.calls()[0], "D3DX: one\r\n");
    EXPECT_EQ(capture.calls()[1], "no line end");
}

TEST(DebugOutput, DestinationFollowsTheEnvironment) {
    ScratchDir dir;
    std::string file = dir.path("debug.log");
    struct Case {
        const char* name;
        const char* value;  // null: unset
        bool toStderr;
        bool toFile;
    };
    const Case kCases[] = {
        {"unset", nullptr, true, false},
        {"empty", "", true, false},
        {"off", "off", false, false},
        {"file", file.c_str(), false, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        ScopedEnv env("WIN32_DEBUG_OUTPUT", c.value ? std::optional<std::string>(c.value) : std::nullopt);
        testing::internal::CaptureStderr();
        OutputDebugStringA("line\r\n");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.toStderr ? "line\r\n" : "");
        EXPECT_EQ(std::filesystem::exists(file), c.toFile);
        if (c.toFile) {
            EXPECT_EQ(readAll(file), "line\r\n");
        }
    }
}

TEST(DebugOutput, FileIsAppendedByteForByteAndSwitchesWhenTheVariableChanges) {
    ScratchDir dir;
    std::string first = dir.write("first.log", "existing\n");
    std::string second = dir.path("second.log");
    {
        ScopedEnv env("WIN32_DEBUG_OUTPUT", first);
        OutputDebugStringA("a\r\n");
        OutputDebugStringA("b");
    }
    {
        ScopedEnv env("WIN32_DEBUG_OUTPUT", second);
        OutputDebugStringA("c\r\n");
    }
    EXPECT_EQ(readAll(first), "existing\na\r\nb");
    EXPECT_EQ(readAll(second), "c\r\n");
}

TEST(DebugOutput, UnopenableFileFallsBackToStandardErrorWithATraceNote) {
    ScratchDir dir;
    ScopedEnv env("WIN32_DEBUG_OUTPUT", dir.path("missing-dir/debug.log"));
    TraceCapture trace;
    testing::internal::CaptureStderr();
    OutputDebugStringA("still shown\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "still shown\r\n");
    ASSERT_EQ(trace.notes().size(), 1u);
    EXPECT_TRUE(trace.anyContains("missing-dir/debug.log"));
}

TEST(DebugOutput, HookMayWriteDebugOutputItself) {
    std::vector<std::string> seen;
    int depth = 0;
    platform::kernel::setDebugOutputHook([&](std::string_view text) {
        seen.emplace_back(text);
        if (depth++ == 0) {
            OutputDebugStringA("nested");
        }
    });
    OutputDebugStringA("outer");
    platform::kernel::setDebugOutputHook({});
    EXPECT_EQ(seen, (std::vector<std::string>{"outer", "nested"}));
}

}  // namespace
