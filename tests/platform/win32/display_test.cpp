// Display modes and the cursor counter, on the headless display.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/win32/window_test_support.h"

using namespace win32_test;

namespace {

class Display : public ::testing::Test {
protected:
    void SetUp() override { startHeadless(); }
    void TearDown() override { platform::win32::resetWindowSystem(); }
};

DEVMODEA modeRecord(DWORD width, DWORD height, DWORD bits) {
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = 148;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bits;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return mode;
}

TEST_F(Display, ModeChangesAreAcceptedOnlyForListedModes) {
    struct Case {
        const char* name;
        DWORD width;
        DWORD height;
        DWORD bits;
        WORD size;
        DWORD flags;
        LONG expected;
        bool inForce;
    };
    constexpr Case kCases[] = {
        {"listed mode", 800, 600, 32, 148, CDS_FULLSCREEN, DISP_CHANGE_SUCCESSFUL, true},
        {"24 bits offered as 32", 1024, 768, 24, 148, CDS_FULLSCREEN, DISP_CHANGE_SUCCESSFUL, true},
        {"unlisted size", 801, 600, 32, 148, CDS_FULLSCREEN, DISP_CHANGE_BADMODE, false},
        {"unlisted depth", 800, 600, 16, 148, CDS_FULLSCREEN, DISP_CHANGE_BADMODE, false},
        {"record too small", 800, 600, 32, 40, CDS_FULLSCREEN, DISP_CHANGE_BADPARAM, false},
        {"unknown flag", 800, 600, 32, 148, 0x1000, DISP_CHANGE_BADFLAGS, false},
        {"test only", 800, 600, 32, 148, CDS_TEST, DISP_CHANGE_SUCCESSFUL, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ChangeDisplaySettingsA(nullptr, 0);
        DEVMODEA mode = modeRecord(c.width, c.height, c.bits);
        mode.dmSize = c.size;
        EXPECT_EQ(ChangeDisplaySettingsA(&mode, c.flags), c.expected);
        const auto inForce = platform::win32::displayModeInForce();
        ASSERT_EQ(inForce.has_value(), c.inForce);
        if (c.inForce) {
            EXPECT_EQ(inForce->width, static_cast<int>(c.width));
            EXPECT_EQ(inForce->height, static_cast<int>(c.height));
        }
    }
}

TEST_F(Display, RestoringReturnsToTheDesktopMode) {
    DEVMODEA mode = modeRecord(640, 480, 32);
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    DEVMODEA current{};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    EXPECT_EQ(current.dmPelsWidth, 640u);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(platform::win32::displayModeInForce().has_value());
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    EXPECT_EQ(current.dmPelsWidth, 1024u);
    EXPECT_EQ(current.dmPelsHeight, 768u);
    EXPECT_EQ(current.dmSize, sizeof(DEVMODEA));
}

TEST_F(Display, EnumerationListsEachModeThenStops) {
    DEVMODEA mode{};
    std::vector<DWORD> widths;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
        widths.push_back(mode.dmPelsWidth);
        EXPECT_EQ(mode.dmBitsPerPel, 32u);
    }
    EXPECT_EQ(widths, (std::vector<DWORD>{640, 800, 1024}));
    EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, nullptr));
}

TEST_F(Display, CursorKeepsTheDisplayCounter) {
    EXPECT_EQ(platform::win32::cursorDisplayCount(), 0);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_EQ(platform::win32::cursorDisplayCount(), 1);
}

TEST(DisplayRecord, KeepsItsDocumentedLayout) {
    EXPECT_EQ(sizeof(DEVMODEA), 148u);
    EXPECT_EQ(offsetof(DEVMODEA, dmFields), 40u);
    EXPECT_EQ(offsetof(DEVMODEA, dmPelsWidth), 108u);
    EXPECT_EQ(offsetof(DEVMODEA, dmPelsHeight), 112u);
    EXPECT_EQ(offsetof(DEVMODEA, dmDisplayFrequency), 120u);
}

}  // namespace
