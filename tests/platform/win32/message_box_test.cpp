// Message boxes: the test hook, the default caption, and the headless text on standard error.
#include <gtest/gtest.h>

#include "tests/platform/win32/window_test_support.h"

using namespace win32_test;

namespace {

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { startHeadless(); }
    void TearDown() override {
        platform::win32::setMessageBoxHook({});
        platform::win32::resetWindowSystem();
    }
};

TEST_F(MessageBoxes, HookSeesEveryBoxAndChoosesTheAnswer) {
    std::vector<std::pair<std::string, std::string>> seen;
    platform::win32::setMessageBoxHook([&](const platform::win32::MessageBoxRecord& box) {
        seen.emplace_back(box.text, box.caption);
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "initD3D() - Failed", "Error", MB_OK), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Display mode failed", nullptr, MB_OK), IDCANCEL);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::pair<std::string, std::string>{"initD3D() - Failed", "Error"}));
    // No caption given: the system's default caption.
    EXPECT_EQ(seen[1], (std::pair<std::string, std::string>{"Display mode failed", "Error"}));
}

TEST_F(MessageBoxes, HeadlessBoxesPrintCaptionAndTextAndAnswerTheDefaultButton) {
    struct Case {
        const char* name;
        const char* text;
        const char* caption;
        UINT type;
        int answer;
        const char* printed;
    };
    constexpr Case kCases[] = {
        {"ok box", "CreateDevice() - FAILED", nullptr, MB_OK, IDOK, "Error: CreateDevice() - FAILED\n"},
        {"with caption", "text", "Title", MB_OK | MB_ICONERROR, IDOK, "Title: text\n"},
        {"ok/cancel, second default", "t", "c", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL, "c: t\n"},
        {"yes/no", "t", "c", MB_YESNO, IDYES, "c: t\n"},
        {"yes/no/cancel, third default", "t", "c", MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL, "c: t\n"},
        {"no text", nullptr, "c", MB_OK, IDOK, "c: \n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ::testing::internal::CaptureStderr();
        const int answer = MessageBoxA(nullptr, c.text, c.caption, c.type);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.printed);
        EXPECT_EQ(answer, c.answer);
    }
}

}  // namespace
