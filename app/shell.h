// The application shell: the entry point, window class and window, the window procedure, and the
// creation and destruction handlers that bring the scene up and down.
#pragma once

#include "platform/win32/windows.h"

int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
ATOM registerWindowClass(HINSTANCE instance);
bool createMainWindow(HINSTANCE instance, int showCommand);
LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_CREATE: seed the generator, create the device and the scene, populate the systems.
void initScene(HWND window);
// WM_DESTROY: delete the systems and release every device object in reverse creation order.
void cleanup();
