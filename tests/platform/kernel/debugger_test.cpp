#include "platform/kernel/debugger.h"

#include <gtest/gtest.h>

#include "tests/platform/kernel/kernel_test_support.h"

namespace {

class Debugger : public testing::Test {
protected:
    ~Debugger() override {
        platform::kernel::setDebuggerPresentOverride(std::nullopt);
        platform::kernel::setDebugBreakHook({});
    }
};

TEST_F(Debugger, OverrideDecidesPresenceUntilCleared) {
    BOOL real = IsDebuggerPresent();
    platform::kernel::setDebuggerPresentOverride(true);
    EXPECT_EQ(IsDebuggerPresent(), TRUE);
    platform::kernel::setDebuggerPresentOverride(false);
    EXPECT_EQ(IsDebuggerPresent(), FALSE);
    platform::kernel::setDebuggerPresentOverride(std::nullopt);
    EXPECT_EQ(IsDebuggerPresent(), real);
}

TEST_F(Debugger, BreakWithoutADebuggerOnlyLeavesATraceNote) {
    platform::kernel::setDebuggerPresentOverride(false);
    kernel_test::TraceCapture trace;
    DebugBreak();  // must return: nothing here would catch a trap
    ASSERT_EQ(trace.notes().size(), 1u);
    EXPECT_TRUE(trace.anyContains("DebugBreak"));
}

TEST_F(Debugger, BreakHookReplacesTheTrap) {
    platform::kernel::setDebuggerPresentOverride(true);
    int breaks = 0;
    platform::kernel::setDebugBreakHook([&] { ++breaks; });
    DebugBreak();
    DebugBreak();
    EXPECT_EQ(breaks, 2);
}

TEST(DebuggerDeathTest, FatalAppExitEndsTheProcessWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FatalAppExitA(0, "application terminated"),
                testing::ExitedWithCode(platform::kernel::kFatalAppExitStatus), "FatalAppExit: application terminated");
}

}  // namespace
