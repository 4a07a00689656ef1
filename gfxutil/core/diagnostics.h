// The library's diagnostic channel, its muting, the registry switches under
// HKEY_LOCAL_MACHINE\Software\Direct3D and the assertion handler.
//
// Every module of the library reports refusals and unusual conditions with DebugMessage, which
// writes "D3DX: <text>\r\n" to the debugger output and nothing else. Which messages are written is
// decided by the "debug" entry of section "Direct3D" of the user profile (level 0 by default: every
// library message, all of which are level 0; a negative level silences the channel), read at the
// first message of the process. Around device calls that are expected to fail now and then,
// MuteDebugOutput(1) ... MuteDebugOutput(0) silences the channel and, unless the registry value
// "D3DXDoNotMute" is a nonzero DWORD, the device runtime's own debug output through the
// "DebugSetMute" export of "d3d9.dll" or "d3d9d.dll" (whichever is already loaded; the runtime
// must export it with the type DebugSetMuteFunction). Internal consistency checks that fail go
// to D3DXASSERT, whose behaviour the registry DWORD "D3DX" chooses (0 or absent: the line only;
// 1: break when a debugger is attached; 2: break, or ask when no debugger is attached; 3: ask).
// Nothing here ever changes the status a library function returns.
//
// The settings are read once per process and kept; the channel is used from one thread and takes
// no lock. Tests call resetDiagnosticsForTesting() to start from the process's initial state.
#pragma once

#include "platform/win32/types.h"

// printf-style. Messages longer than 4095 characters are cut, and the whole line (prefix and line
// end included) is cut at 4095 characters as well, losing the line end.
void DebugMessage(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// on: 1 mutes, 0 unmutes.
void MuteDebugOutput(UINT on);

namespace gfxutil::core {

// The type of the runtime's "DebugSetMute" export.
using DebugSetMuteFunction = void (*)(BOOL mute);

// Reads the DWORD value `valueName` under HKEY_LOCAL_MACHINE\Software\Direct3D. True only when the
// value exists, is a REG_DWORD and is 4 bytes long; only then is *destination written. (A value of
// another type never leaks its bytes into the destination.)
bool readRegistryDword(const char* valueName, DWORD* destination);

// Reports a failed consistency check: writes "Assertion failure! (<module> <line>): <expression>"
// on the channel and, as the "D3DX" mode says, breaks into the debugger or asks the user. True
// when the report broke into the debugger, or the user asked for it; Cancel in the question box
// ends the process.
bool reportAssertion(const char* module, int line, const char* expression);

// DebugBreak, for D3DXASSERT; kept here so that library code needs no kernel header for it.
void breakIntoDebugger();

// Returns every process-wide setting of the channel to "not read yet" and forgets the runtime's
// mute entries, so that a test sees a fresh process.
void resetDiagnosticsForTesting();

}  // namespace gfxutil::core

// Checks one of the library's own invariants. A failure is reported (never aborts by itself) and,
// when the report says so, stops once more in the debugger at the failing line.
#define D3DXASSERT(expression)                                                                \
    do {                                                                                      \
        if (!(expression) && ::gfxutil::core::reportAssertion(__FILE__, __LINE__, #expression)) { \
            ::gfxutil::core::breakIntoDebugger();                                             \
        }                                                                                     \
    } while (0)
