// The main window's procedure: creation, resize and destruction drive the life cycle; a left
// click restarts the forty systems between two frames; Esc ends the program without destroying
// the window first.
#include "app/app_context.h"
#include "app/shell.h"

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        initScene(window);
        return 0;
    case WM_DESTROY:
        cleanup();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE: {
        const WORD width = LOWORD(static_cast<DWORD_PTR>(lParam));
        const WORD height = HIWORD(static_cast<DWORD_PTR>(lParam));
        appContext->width = width;
        appContext->height = height == 0 ? 1 : height;
        // Only the projection's aspect changes: the back buffer keeps its created size and is
        // stretched to the client area when presented.
        appContext->SetupMatrices();
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        resetSprings();
        return 0;
    case WM_MOUSEMOVE:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
