// The debugger output. A Windows program writes its diagnostics with OutputDebugStringA for a
// debugger to show; here there is usually no debugger, so the text goes to a stream instead:
//
// - WIN32_DEBUG_OUTPUT unset or empty: standard error;
// - WIN32_DEBUG_OUTPUT=off: nowhere;
// - WIN32_DEBUG_OUTPUT=<path>: appended to that file (created when missing). If it cannot be
//   opened, the text goes to standard error and one trace note says why.
//
// The text is written exactly as given, byte for byte: callers supply their own line ends (the
// library writes "\r\n"), nothing is added or translated. Each call is flushed at once so the
// output interleaves correctly with a crash report or with standard error.
//
// Tests capture the output in-process with setDebugOutputHook: while a hook is set it receives
// each call's text and nothing is written anywhere else. Safe to call from any thread; a hook
// may itself call OutputDebugStringA.
#pragma once

#include <functional>
#include <string_view>

#include "platform/win32/types.h"

void OutputDebugStringA(LPCSTR text);  // a null text writes nothing

namespace platform::kernel {

using DebugOutputHook = std::function<void(std::string_view text)>;

// An empty function removes the hook.
void setDebugOutputHook(DebugOutputHook hook);

}  // namespace platform::kernel
