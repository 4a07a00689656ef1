#include "platform/win32/message_box.h"

#include <cstdio>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

MessageBoxHook& hookStorage() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void setMessageBoxHook(MessageBoxHook hook) { hookStorage() = std::move(hook); }

int defaultButton(UINT type) {
    const UINT buttons = type & 0x0F;
    const UINT which = (type & 0xF00) >> 8;  // 0: first button, 1: second, 2: third
    switch (buttons) {
        case MB_OKCANCEL: return which == 1 ? IDCANCEL : IDOK;
        case MB_YESNO: return which == 1 ? IDNO : IDYES;
        case MB_YESNOCANCEL: return which == 1 ? IDNO : (which == 2 ? IDCANCEL : IDYES);
        default: return IDOK;
    }
}

}  // namespace platform::win32

using namespace platform::win32;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // A null caption shows the system's default caption; a null text shows an empty box.
    const MessageBoxRecord box{owner, text != nullptr ? text : "", caption != nullptr ? caption : "Error", type};
    if (const MessageBoxHook& hook = hookStorage()) {
        return hook(box);
    }
    return backend().messageBox(box);
}
