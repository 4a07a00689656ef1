#include "gfxutil/core/diagnostic_state.h"
#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/modules.h"

namespace {

// Finds "DebugSetMute" in the named runtime if the process has already loaded it. The extra
// reference taken to look it up is kept while the entry is held (for the rest of the process),
// and given back when the runtime has no such export, so that repeated look-ups do not pile up
// references.
gfxutil::core::DebugSetMuteFunction findRuntimeMute(const char* moduleName) {
    if (GetModuleHandleA(moduleName) == nullptr) {
        return nullptr;
    }
    HMODULE module = LoadLibraryA(moduleName);
    if (module == nullptr) {
        return nullptr;
    }
    FARPROC entry = GetProcAddress(module, "DebugSetMute");
    if (entry == nullptr) {
        FreeLibrary(module);
        return nullptr;
    }
    return reinterpret_cast<gfxutil::core::DebugSetMuteFunction>(entry);
}

}  // namespace

void MuteDebugOutput(UINT on) {
    gfxutil::core::detail::DiagnosticState& state = gfxutil::core::detail::diagnosticState();
    state.muted = on;

    if (state.runtimeMute == nullptr && state.debugRuntimeMute == nullptr) {
        state.runtimeMute = findRuntimeMute("d3d9.dll");
        state.debugRuntimeMute = findRuntimeMute("d3d9d.dll");
    }

    if (state.doNotMute == -1) {
        DWORD value = 0;
        if (!gfxutil::core::readRegistryDword("D3DXDoNotMute", &value)) {
            value = 0;
        }
        state.doNotMute = value != 0 ? 1 : 0;
        if (state.doNotMute == 1) {
            return;
        }
    }
    if (state.doNotMute == 1) {
        return;
    }

    if (state.runtimeMute != nullptr) {
        state.runtimeMute(static_cast<BOOL>(on));
    }
    if (state.debugRuntimeMute != nullptr) {
        state.debugRuntimeMute(static_cast<BOOL>(on));
    }
}
