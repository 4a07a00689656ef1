// Window classes, and the stock icons, cursors and brushes a class names.
//
// Class names compare case-insensitively, as Win32 does. Icons, cursors and brushes have no
// appearance here: they are distinct non-null handles, so a class record filled from them looks
// as it would on a desktop and nobody has to special-case null.
#include <strings.h>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

WindowClass* findClassByName(const char* name) {
    for (WindowClass& c : windowSystem().classes) {
        if (strcasecmp(c.name.c_str(), name) == 0) {
            return &c;
        }
    }
    return nullptr;
}

// Distinct non-null values far from any real address; never dereferenced.
template <class Handle>
Handle stockHandle(std::uintptr_t kind, std::uintptr_t index) {
    return reinterpret_cast<Handle>((kind << 20) | (index << 4) | 0x8);
}

}  // namespace

WindowClass* findClass(LPCSTR nameOrAtom) {
    if (nameOrAtom == nullptr) {
        return nullptr;
    }
    if (IS_INTRESOURCE(nameOrAtom)) {
        const auto atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(nameOrAtom));
        for (WindowClass& c : windowSystem().classes) {
            if (c.atom == atom) {
                return &c;
            }
        }
        return nullptr;
    }
    return findClassByName(nameOrAtom);
}

}  // namespace platform::win32

using namespace platform::win32;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName) || windowClass->lpszClassName[0] == '\0' ||
        windowClass->cbClsExtra < 0 || windowClass->cbWndExtra < 0) {
        refusal("RegisterClassA", "incomplete class record");
        return 0;
    }
    if (findClassByName(windowClass->lpszClassName) != nullptr) {
        refusal("RegisterClassA", "class already registered");
        return 0;
    }
    WindowSystemState& state = windowSystem();
    if (state.nextAtom == 0xFFFF) {
        return 0;  // the atom table is full
    }
    WindowClass entry;
    entry.atom = state.nextAtom++;
    entry.name = windowClass->lpszClassName;
    entry.record = *windowClass;
    entry.record.lpszClassName = nullptr;
    entry.record.lpszMenuName = nullptr;
    state.classes.push_back(entry);
    return entry.atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    WindowClass* c = findClass(className);
    if (c == nullptr) {
        refusal("UnregisterClassA", "no such class");
        return FALSE;
    }
    for (const auto& [key, window] : windowSystem().windows) {
        if (window->classAtom == c->atom) {
            refusal("UnregisterClassA", "a window of the class still exists");
            return FALSE;
        }
    }
    auto& classes = windowSystem().classes;
    classes.erase(classes.begin() + (c - classes.data()));
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    const std::uintptr_t id = IS_INTRESOURCE(name) ? reinterpret_cast<std::uintptr_t>(name) : 0xFFFF;
    return stockHandle<HICON>(1, id);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    const std::uintptr_t id = IS_INTRESOURCE(name) ? reinterpret_cast<std::uintptr_t>(name) : 0xFFFF;
    return stockHandle<HCURSOR>(2, id);
}

HGDIOBJ GetStockObject(int object) {
    if (object < WHITE_BRUSH || object > NULL_BRUSH) {
        return nullptr;
    }
    return stockHandle<HGDIOBJ>(3, static_cast<std::uintptr_t>(object));
}
