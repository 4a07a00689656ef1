// One refusal path for every entry point of the device and its objects.
//
// A caller's mistake is answered with a status and leaves everything as it was. Each refusal also
// writes one note to the kernel's trace channel ("d3d9: SetRenderState: unknown state 1234"),
// which is off unless WIN32_TRACE asks for it, so a refusal costs nothing in a normal run.
#pragma once

#include <cstdio>

#include "platform/kernel/trace.h"
#include "platform/win32/types.h"

// REFUSE_IF(cond, status, "what", args...): the note names the entry point (__func__).
#define REFUSE_IF(cond, status, ...)                              \
    do {                                                          \
        if (cond) {                                               \
            ::platform::d3d9::noteRefusal(__func__, __VA_ARGS__); \
            return (status);                                      \
        }                                                         \
    } while (false)

namespace platform::d3d9 {

// True while the runtime's DebugSetMute export has muted the device's notes: the library mutes
// them around calls it expects to fail (format probes, declaration creation).
bool refusalNotesMuted();

template <class... Args>
inline void noteRefusal(const char* call, const char* what, Args... args) {
    if (refusalNotesMuted() || !::platform::kernel::traceEnabled()) {
        return;
    }
    char text[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(text, sizeof text, what, args...);
#pragma GCC diagnostic pop
    ::platform::kernel::traceNote("d3d9: %s: %s", call, text);
}

}  // namespace platform::d3d9
