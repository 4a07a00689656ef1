// The few Xlib calls the X server tests make, kept out of the test sources: Xlib's macros
// (None, Bool, Status, ...) collide with the test framework's names.
#pragma once

#include <string>

namespace win32_test {

// Sends the window what a window manager's close box sends: a WM_DELETE_WINDOW client message.
bool sendCloseRequest(unsigned long xWindow);

}  // namespace win32_test
