// The stand-ins' own channel for notes about misuse and odd input: a refused call, a malformed
// line in the registry file, an unknown code page. It is separate from the debugger output on
// purpose: the debugger output carries exactly what the program itself writes, so nothing of ours
// may appear there.
//
// Off by default. Setting the environment variable WIN32_TRACE to anything but "" or "0" sends
// each note to standard error as one line. A test captures the notes in-process with
// setTraceHook; while a hook is set it receives every note whatever WIN32_TRACE says, and nothing
// goes to standard error.
//
// A note is one line without its line end, conventionally "<layer>: <call>: <what>", e.g.
// "kernel: RegOpenKeyA: no registry file". Safe to call from any thread.
#pragma once

#include <functional>
#include <string_view>

namespace platform::kernel {

using TraceHook = std::function<void(std::string_view note)>;

// An empty function removes the hook.
void setTraceHook(TraceHook hook);

// True when a note would go anywhere; callers may skip building an expensive note otherwise.
bool traceEnabled();

// printf-style; notes longer than 1023 characters are cut.
void traceNote(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform::kernel
