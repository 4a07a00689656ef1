// One refusal path for the script functions: a caller's mistake is answered with a status and one
// note on the kernel's trace channel ("usp: ScriptShape: glyphs is null"), and nothing is written.
#pragma once

#include <cstdio>

#include "platform/kernel/trace.h"
#include "platform/win32/types.h"

// USP_REFUSE_IF(cond, status, "what", args...): the note names the entry point (__func__).
#define USP_REFUSE_IF(cond, status, ...)                            \
    do {                                                            \
        if (cond) {                                                 \
            ::platform::usp::noteRefusal(__func__, __VA_ARGS__);    \
            return (status);                                        \
        }                                                           \
    } while (false)

namespace platform::usp {

template <class... Args>
inline void noteRefusal(const char* call, const char* what, Args... args) {
    if (!::platform::kernel::traceEnabled()) {
        return;
    }
    char text[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(text, sizeof text, what, args...);
#pragma GCC diagnostic pop
    ::platform::kernel::traceNote("usp: %s: %s", call, text);
}

}  // namespace platform::usp
