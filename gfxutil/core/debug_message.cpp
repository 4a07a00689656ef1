#include <cstdarg>
#include <cstdio>

#include "gfxutil/core/diagnostic_state.h"
#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/profile.h"

namespace gfxutil::core::detail {

DiagnosticState& diagnosticState() {
    static DiagnosticState state;
    return state;
}

}  // namespace gfxutil::core::detail

void DebugMessage(int level, const char* format, ...) {
    gfxutil::core::detail::DiagnosticState& state = gfxutil::core::detail::diagnosticState();
    if (!state.debugLevelRead) {
        state.debugLevel = static_cast<INT>(GetProfileIntA("Direct3D", "debug", 0));
        state.debugLevelRead = true;
    }
    if (state.debugLevel < level || state.muted != 0 || format == nullptr) {
        return;
    }

    // Two fixed buffers, each holding at most 4095 characters and a terminator: an overlong
    // message is cut, and the line built from it is cut again, line end and all.
    char message[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    // The cut is intended, which the length check tells the compiler.
    char line[4096];
    if (std::snprintf(line, sizeof line, "D3DX: %s\r\n", message) < 0) {
        return;
    }
    OutputDebugStringA(line);
}

namespace gfxutil::core {

void resetDiagnosticsForTesting() { detail::diagnosticState() = detail::DiagnosticState{}; }

}  // namespace gfxutil::core
