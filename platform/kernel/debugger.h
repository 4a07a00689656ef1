// The debugger calls: IsDebuggerPresent, DebugBreak and FatalAppExitA.
//
// IsDebuggerPresent answers whether a tracer (gdb, lldb) is attached to the process, read from
// /proc/self/status. DebugBreak stops in that debugger by raising SIGTRAP; without a debugger it
// does nothing but write a trace note, because on a headless run or in a test there is nobody to
// catch the trap and the program should carry on rather than die (the system would end the
// program with an unhandled breakpoint). A tracer that is not a debugger (strace) counts as a
// debugger and lets the trap end the process, which is what a breakpoint without a handler does.
//
// FatalAppExitA writes "FatalAppExit: <message>" to standard error and ends the process at once
// with exit status kFatalAppExitStatus, without running exit handlers or destructors, as the system
// call does; standard streams are flushed first.
//
// Tests: setDebuggerPresentOverride pretends a debugger is (or is not) attached, and
// setDebugBreakHook replaces what DebugBreak does (typically counting the calls).
#pragma once

#include <functional>
#include <optional>

#include "platform/win32/types.h"

BOOL IsDebuggerPresent();
void DebugBreak();
[[noreturn]] void FatalAppExitA(UINT action, LPCSTR messageText);

namespace platform::kernel {

inline constexpr int kFatalAppExitStatus = 3;

// std::nullopt returns to asking the system.
void setDebuggerPresentOverride(std::optional<bool> present);

// An empty function restores the real behaviour.
void setDebugBreakHook(std::function<void()> hook);

}  // namespace platform::kernel
