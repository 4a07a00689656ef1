#include <cstdio>

#include "gfxutil/core/diagnostic_state.h"
#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/debugger.h"
#include "platform/kernel/modules.h"
#include "platform/win32/message_box.h"

namespace {

// Shows the question box; true when the user chose to break into the debugger. Cancel ends the
// process; No, or a box that could not be shown, carries on.
bool askUser(const char* module, int line, const char* expression) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s (%d):\n\nD3DXASSERT(%s);\n\nDo you want to invoke the debugger?  Cancel will terminate the "
                  "application",
                  module, line, expression);
    int answer = MessageBoxA(nullptr, text, "D3DX Assertion Failure",
                             MB_TASKMODAL | MB_ICONERROR | MB_YESNOCANCEL | MB_DEFBUTTON2);
    if (answer == IDCANCEL) {
        FatalAppExitA(0, "D3DX Assertion Failure; application terminated");
    }
    if (answer == IDYES) {
        DebugBreak();
        return true;
    }
    return false;
}

}  // namespace

namespace gfxutil::core {

bool reportAssertion(const char* module, int line, const char* expression) {
    // A null text would be undefined behaviour in the formatting below; report it as empty.
    module = module != nullptr ? module : "";
    expression = expression != nullptr ? expression : "";
    DebugMessage(0, "Assertion failure! (%s %d): %s", module, line, expression);

    detail::DiagnosticState& state = detail::diagnosticState();
    if (!state.assertionSetUp) {
        state.assertionSetUp = true;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (kernel == nullptr) {
            kernel = LoadLibraryA("kernel32.dll");
        }
        if (kernel != nullptr) {
            state.isDebuggerPresent = reinterpret_cast<BOOL (*)()>(GetProcAddress(kernel, "IsDebuggerPresent"));
        }
        if (!readRegistryDword("D3DX", &state.assertionMode)) {
            return false;
        }
    }

    bool debugger = state.isDebuggerPresent != nullptr && state.isDebuggerPresent() != FALSE;
    DWORD mode = state.assertionMode;
    if (debugger) {
        if (mode == 1 || mode == 2) {
            DebugBreak();
            return true;
        }
        return mode == 3 && askUser(module, line, expression);
    }
    return (mode == 2 || mode == 3) && askUser(module, line, expression);
}

void breakIntoDebugger() { DebugBreak(); }

}  // namespace gfxutil::core
