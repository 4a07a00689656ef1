// The channel's process-wide settings, shared by its source files and nobody else.
#pragma once

#include "gfxutil/core/diagnostics.h"
#include "platform/win32/types.h"

namespace gfxutil::core::detail {

struct DiagnosticState {
    // The profile's "debug" entry. Whether it was read is kept apart from the value, so that a
    // profile saying -1 is read once like any other value instead of at every message.
    bool debugLevelRead = false;
    INT debugLevel = 0;
    DWORD muted = 0;
    DebugSetMuteFunction runtimeMute = nullptr;       // "DebugSetMute" of "d3d9.dll"
    DebugSetMuteFunction debugRuntimeMute = nullptr;  // "DebugSetMute" of "d3d9d.dll"
    INT doNotMute = -1;                               // -1 not read yet, else 0 or 1
    DWORD assertionMode = 0;
    bool assertionSetUp = false;
    BOOL (*isDebuggerPresent)() = nullptr;
};

DiagnosticState& diagnosticState();

}  // namespace gfxutil::core::detail
