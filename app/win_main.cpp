// The entry point: register the class, create the window (whose creation event brings the scene
// up), then loop: dispatch a waiting message, or render one frame when none is waiting. Nothing
// else paces the frames, and the simulation advances one step per frame.
#include <cstring>

#include "app/app_context.h"
#include "app/shell.h"
#include "render/scene.h"

ATOM registerWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = appContext->className;
    return RegisterClassA(&windowClass);
}

bool createMainWindow(HINSTANCE instance, int showCommand) {
    RECT rect = {0, 0, appContext->width, appContext->height};

    if (appContext->fullscreen != 0) {
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof(mode));
        mode.dmSize = sizeof(DEVMODEA);
        mode.dmPelsWidth = static_cast<DWORD>(appContext->width);
        mode.dmPelsHeight = static_cast<DWORD>(appContext->height);
        mode.dmBitsPerPel = static_cast<DWORD>(appContext->bitsPerPixel);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            MessageBoxA(nullptr, "Display mode failed", nullptr, MB_OK);
            appContext->fullscreen = 0;
        }
    }

    DWORD style;
    DWORD exStyle;
    if (appContext->fullscreen != 0) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    // The extended style served only the size computation; the window itself gets none. The
    // creation event, and with it initScene, runs inside this call.
    HWND window = CreateWindowExA(0, appContext->className, appContext->windowTitle, style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  instance, nullptr);
    // Without a window no creation event ran and no device exists: the loop must not render.
    if (window == nullptr) {
        return false;
    }
    appContext->hWnd = window;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

int WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/, int showCommand) {
    if (registerWindowClass(instance) == 0) {
        return 0;
    }
    if (!createMainWindow(instance, showCommand)) {
        return 0;
    }

    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) == 0) {
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            render();
        }
    }

    if (appContext->fullscreen != 0) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    return static_cast<int>(msg.wParam);
}
