// Puts the application back into the state a fresh process starts in, so that each test can run
// WinMain, the window procedure or the scene set-up in-process, headless, and watch what they do.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/shell.h"
#include "platform/win32/controls.h"

namespace apptest {

struct ShownBox {
    std::string text;
    std::string caption;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs WinMain to its end with this input schedule.
    int runWinMain(const platform::win32::InputSchedule& schedule);
    // Registers the class and creates the main window (initScene runs inside).
    bool createWindow();

    std::vector<ShownBox> m_boxes;  // every message box shown, in order
};

// Releases whatever device objects a test left in the globals (the Esc path leaves them to process
// teardown, which a test process must not rely on) and refills the context and the systems.
void resetApplicationState();

}  // namespace apptest
