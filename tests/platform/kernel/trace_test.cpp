#include "platform/kernel/trace.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/kernel/kernel_test_support.h"

namespace {

using kernel_test::ScopedEnv;
using kernel_test::TraceCapture;

TEST(Trace, EnvironmentSwitchDecidesWhetherNotesAreWritten) {
    struct Case {
        const char* name;
        const char* value;  // null: unset
        bool enabled;
    };
    constexpr Case kCases[] = {
        {"unset", nullptr, false},
        {"empty", "", false},
        {"zero", "0", false},
        {"one", "1", true},
        {"word", "yes", true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScopedEnv env("WIN32_TRACE", c.value ? std::optional<std::string>(c.value) : std::nullopt);
        EXPECT_EQ(platform::kernel::traceEnabled(), c.enabled);
        testing::internal::CaptureStderr();
        platform::kernel::traceNote("kernel: test: note %d", 7);
        std::string written = testing::internal::GetCapturedStderr();
        EXPECT_EQ(written, c.enabled ? "kernel: test: note 7\n" : "");
    }
}

TEST(Trace, HookReceivesEachNoteAsOneLineEvenWhenSwitchedOff) {
    ScopedEnv env("WIN32_TRACE", std::nullopt);
    TraceCapture capture;
    EXPECT_TRUE(platform::kernel::traceEnabled());
    testing::internal::CaptureStderr();
    platform::kernel::traceNote("a: %s", "first");
    platform::kernel::traceNote("b: %u", 2u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(capture.notes().size(), 2u);
    EXPECT_EQ(capture.notes()[0], "a: first");
    EXPECT_EQ(capture.notes()[1], "b: 2");
}

TEST(Trace, LongNoteIsCutNotOverrun) {
    TraceCapture capture;
    std::string longText(5000, 'x');
    platform::kernel::traceNote("%s", longText.c_str());
    ASSERT_EQ(capture.notes().size(), 1u);
    EXPECT_EQ(capture.notes()[0], std::string(1023, 'x'));
}

TEST(Trace, RemovingTheHookStopsCapture) {
    ScopedEnv env("WIN32_TRACE", std::nullopt);
    std::vector<std::string> seen;
    platform::kernel::setTraceHook([&](std::string_view note) { seen.emplace_back(note); });
    platform::kernel::traceNote("kept");
    platform::kernel::setTraceHook({});
    platform::kernel::traceNote("dropped");
    EXPECT_EQ(seen, std::vector<std::string>{"kept"});
    EXPECT_FALSE(platform::kernel::traceEnabled());
}

}  // namespace
