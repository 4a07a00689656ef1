// Modal message boxes. On a desktop the SDL backend shows a real box; headless, the text and
// caption go to standard error and the box answers with its default button. Tests capture every
// box through setMessageBoxHook and may choose the answer.
#pragma once

#include <functional>

#include "platform/win32/types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform::win32 {

// What a box showed. A null caption is recorded as the system's default caption, "Error".
struct MessageBoxRecord {
    HWND owner;
    const char* text;
    const char* caption;
    UINT type;
};

// While a hook is set, MessageBoxA shows nothing and returns what the hook returns.
using MessageBoxHook = std::function<int(const MessageBoxRecord&)>;
void setMessageBoxHook(MessageBoxHook hook);  // an empty function removes the hook

}  // namespace platform::win32
