// FormatMessageA for the system's own message texts: turns an error code from GetLastError into
// the sentence a user is shown, such as "The system cannot find the file specified.\r\n".
//
// Supported: FORMAT_MESSAGE_FROM_SYSTEM, with or without FORMAT_MESSAGE_ALLOCATE_BUFFER (the text
// then goes into a LocalAlloc block whose address is stored through `buffer`, which the caller
// passes as an LPSTR* cast to LPSTR, and which the caller frees with LocalFree), with
// FORMAT_MESSAGE_IGNORE_INSERTS accepted (no text here has inserts) and the line-width bits
// ignored. Messages exist in one language, so every language identifier reads the same text.
// HRESULTs of the Win32 facility (0x8007xxxx) read the text of their code.
//
// The result is the number of characters stored, without the terminating zero; 0 means failure:
// ERROR_MR_MID_NOT_FOUND (no text for the code), ERROR_INSUFFICIENT_BUFFER (the caller's buffer
// cannot take the text and its zero; nothing is written), ERROR_INVALID_PARAMETER (no buffer, or a
// source other than the system: FROM_STRING and FROM_HMODULE are not offered).
#pragma once

#include <cstdarg>

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;

inline constexpr WORD LANG_NEUTRAL = 0x00;
inline constexpr WORD LANG_ENGLISH = 0x09;
inline constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) { return (static_cast<DWORD>(sub) << 10) | primary; }

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);
