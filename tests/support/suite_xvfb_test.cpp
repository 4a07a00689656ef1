// What a suite of real-window tests makes of a machine without Xvfb: skipped on a developer's
// machine, failed with a message that names the missing package in CI (CI=true).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/xvfb.h"

namespace testsupport {
namespace {

// Sets an environment variable (or removes it, for nullopt) for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(SuiteXvfb, MissingServerSkipsLocallyAndFailsInCi) {
    // A PATH holding one empty folder: no Xvfb anywhere on it.
    const std::filesystem::path empty = std::filesystem::path(GFX_TEST_OUTPUT_DIR) / "no_programs";
    std::filesystem::create_directories(empty);
    ScopedEnvironment path("PATH", empty.string());

    struct Case {
        const char* name;
        std::optional<std::string> ci;
        SuiteXvfb::State expected;
        const char* messagePart;
    };
    const Case kCases[] = {
        {"no CI variable", std::nullopt, SuiteXvfb::State::NotInstalled, "Xvfb is not installed"},
        {"CI=false", std::string("false"), SuiteXvfb::State::NotInstalled, "Xvfb is not installed"},
        {"CI=true", std::string("true"), SuiteXvfb::State::Failed, "with CI=true the real-window tests must run"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScopedEnvironment ci("CI", c.ci);
        EXPECT_EQ(runningInCi(), c.expected == SuiteXvfb::State::Failed);
        SuiteXvfb suite;
        suite.start();
        EXPECT_EQ(suite.state(), c.expected);
        EXPECT_NE(suite.failure().find(c.messagePart), std::string::npos) << suite.failure();
        EXPECT_NE(suite.failure().find("scripts/setup.sh"), std::string::npos) << suite.failure();
        suite.stop();
    }
}

}  // namespace
}  // namespace testsupport
