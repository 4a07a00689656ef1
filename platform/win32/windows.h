// The Win32 window system the application is written against: window classes and windows, the
// thread's message queue, keyboard and mouse input, display-mode changes, the cursor and message
// boxes.
//
// Two backends sit behind one queue. The SDL backend opens a real window whose client area has the
// requested size and turns its events into posted messages. The headless backend has no window at
// all: the same messages flow through the same queue, input comes from a schedule (environment
// variables or the C++ controls in controls.h) and presented frames stay in memory. Headless is
// chosen when WIN32_HEADLESS=1 or when neither DISPLAY nor WAYLAND_DISPLAY names a display.
//
// What callers rely on, and the choices made where Win32 leaves room:
// - CreateWindowExA sends WM_CREATE (lParam: the CREATESTRUCTA) and then WM_SIZE with the client
//   size, both before it returns. A WM_CREATE result of -1 destroys the window (WM_DESTROY is sent)
//   and CreateWindowExA returns null. No non-client messages (WM_NCCREATE, WM_NCCALCSIZE, ...) are
//   sent: nothing here draws a non-client area.
// - The queue holds posted messages in order. WM_QUIT is not queued: PostQuitMessage raises a flag
//   that is reported only once no posted message is left, and it passes every filter.
// - Input arrives as posted messages: mouse messages carry MK_ flags in wParam and client
//   coordinates in lParam; key messages carry VK_ codes, a repeat count of 1, bit 29 when Alt is
//   held (then the message is WM_SYSKEYDOWN/WM_SYSKEYUP), bit 30 for a repeat or a release and
//   bit 31 for a release. No hardware scan codes are reported.
// - DefWindowProcA closes the window on WM_CLOSE, turns Alt+F4 into WM_SYSCOMMAND/SC_CLOSE and that
//   into WM_CLOSE, validates on WM_PAINT, and answers 0 to everything else.
// - Frame metrics of AdjustWindowRectEx: a sizing frame of 4 pixels, a dialog frame of 3, a thin
//   border of 1, a caption of 19 and a client edge of 2. CreateWindowExA takes the outer size back
//   through the same metrics, so a rectangle adjusted for a style yields exactly the client size
//   it started from.
// - A window handle is a number, never a pointer into our memory: every call checks it, so a stale
//   or made-up handle fails instead of touching freed memory.
// - WM_PAINT is sent by UpdateWindow when the window was shown since the last paint; the queue
//   never synthesises one, so a procedure that does not validate cannot starve the render loop.
#pragma once

#include "platform/win32/message_box.h"
#include "platform/win32/types.h"

// ---- window procedure and records ------------------------------------------------------------
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

struct POINTL {
    LONG x;
    LONG y;
};

inline constexpr int CCHDEVICENAME = 32;
inline constexpr int CCHFORMNAME = 32;

// The display-mode record with its documented 148 bytes; it holds no pointer, so it keeps that
// size here too and callers may fill dmSize with sizeof(DEVMODEA).
struct DEVMODEA {
    BYTE dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    union {
        struct {
            SHORT dmOrientation;
            SHORT dmPaperSize;
            SHORT dmPaperLength;
            SHORT dmPaperWidth;
            SHORT dmScale;
            SHORT dmCopies;
            SHORT dmDefaultSource;
            SHORT dmPrintQuality;
        };
        struct {
            POINTL dmPosition;
            DWORD dmDisplayOrientation;
            DWORD dmDisplayFixedOutput;
        };
    };
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    BYTE dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    union {
        DWORD dmDisplayFlags;
        DWORD dmNup;
    };
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
};
static_assert(sizeof(DEVMODEA) == 148, "DEVMODEA keeps its documented size");
static_assert(offsetof(DEVMODEA, dmSize) == 36);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104);

// ---- messages --------------------------------------------------------------------------------
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

// WM_SIZE wParam
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_ACTIVATE wParam (low word)
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;

// WM_SYSCOMMAND wParam (the low four bits are the system's own)
inline constexpr WPARAM SC_CLOSE = 0xF060;

// Mouse message wParam flags
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

// Mouse coordinates in lParam are signed 16-bit values: a drag may leave the client area.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp))); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi)));
}

// ---- virtual keys ----------------------------------------------------------------------------
// Letters and digits are their upper-case ASCII codes ('A'..'Z', '0'..'9').
inline constexpr UINT VK_LBUTTON = 0x01;
inline constexpr UINT VK_RBUTTON = 0x02;
inline constexpr UINT VK_MBUTTON = 0x04;
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_PAUSE = 0x13;
inline constexpr UINT VK_CAPITAL = 0x14;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_NUMPAD0 = 0x60;
inline constexpr UINT VK_MULTIPLY = 0x6A;
inline constexpr UINT VK_ADD = 0x6B;
inline constexpr UINT VK_SUBTRACT = 0x6D;
inline constexpr UINT VK_DECIMAL = 0x6E;
inline constexpr UINT VK_DIVIDE = 0x6F;
inline constexpr UINT VK_F1 = 0x70;
inline constexpr UINT VK_F2 = 0x71;
inline constexpr UINT VK_F3 = 0x72;
inline constexpr UINT VK_F4 = 0x73;
inline constexpr UINT VK_F5 = 0x74;
inline constexpr UINT VK_F6 = 0x75;
inline constexpr UINT VK_F7 = 0x76;
inline constexpr UINT VK_F8 = 0x77;
inline constexpr UINT VK_F9 = 0x78;
inline constexpr UINT VK_F10 = 0x79;
inline constexpr UINT VK_F11 = 0x7A;
inline constexpr UINT VK_F12 = 0x7B;

// Key message lParam bits
inline constexpr LPARAM KF_ALTDOWN_BIT = LPARAM{1} << 29;
inline constexpr LPARAM KF_REPEAT_BIT = LPARAM{1} << 30;
inline constexpr LPARAM KF_UP_BIT = LPARAM{1} << 31;

// ---- styles ----------------------------------------------------------------------------------
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;
inline constexpr UINT CS_OWNDC = 0x0020;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_CAPTION = WS_BORDER | WS_DLGFRAME;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD WS_EX_OVERLAPPEDWINDOW = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// ShowWindow commands
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// PeekMessageA options
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

// ---- resources and stock objects -------------------------------------------------------------
// Integer resource identifiers travel in the pointer argument, as Win32 does.
inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id)); }
inline LPCSTR MAKEINTATOM(ATOM atom) { return MAKEINTRESOURCEA(atom); }
inline bool IS_INTRESOURCE(LPCSTR p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }
inline const LPCSTR IDI_APPLICATION = MAKEINTRESOURCEA(32512);
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCEA(32512);

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;

// ---- display modes ---------------------------------------------------------------------------
inline constexpr DWORD DM_BITSPERPEL = 0x00040000;
inline constexpr DWORD DM_PELSWIDTH = 0x00080000;
inline constexpr DWORD DM_PELSHEIGHT = 0x00100000;
inline constexpr DWORD DM_DISPLAYFLAGS = 0x00200000;
inline constexpr DWORD DM_DISPLAYFREQUENCY = 0x00400000;

inline constexpr DWORD CDS_UPDATEREGISTRY = 0x00000001;
inline constexpr DWORD CDS_TEST = 0x00000002;
inline constexpr DWORD CDS_FULLSCREEN = 0x00000004;

inline constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;
inline constexpr LONG DISP_CHANGE_RESTART = 1;
inline constexpr LONG DISP_CHANGE_FAILED = -1;
inline constexpr LONG DISP_CHANGE_BADMODE = -2;
inline constexpr LONG DISP_CHANGE_NOTUPDATED = -3;
inline constexpr LONG DISP_CHANGE_BADFLAGS = -4;
inline constexpr LONG DISP_CHANGE_BADPARAM = -5;

inline constexpr DWORD ENUM_CURRENT_SETTINGS = 0xFFFFFFFFu;
inline constexpr DWORD ENUM_REGISTRY_SETTINGS = 0xFFFFFFFEu;

// ---- functions -------------------------------------------------------------------------------
ATOM RegisterClassA(const WNDCLASSA* windowClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL GetClientRect(HWND window, RECT* rect);

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeOptions);
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
SHORT GetKeyState(int virtualKey);

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);
BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeIndex, DEVMODEA* mode);
int ShowCursor(BOOL show);

HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);

namespace platform::win32 {

// The application's entry point, as the program defines it.
using WinMainFn = int (*)(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// The process's instance handle, the one runWinMain hands to WinMain.
HINSTANCE processInstance();

// Runs a WinMain from main(): the command line is the arguments after the program name joined by
// spaces, the show command SW_SHOWDEFAULT. Shuts the window system down afterwards and returns
// WinMain's result.
int runWinMain(int argc, char** argv, WinMainFn winMain);

}  // namespace platform::win32
