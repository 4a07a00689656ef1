// Code-page conversion: MultiByteToWideChar, WideCharToMultiByte, GetACP and GetOEMCP, over glibc's
// iconv. Wide text is UTF-16 (WCHAR units).
//
// The system's ANSI code page (CP_ACP) is 949 (Korean, the unified Hangul code) unless the
// environment variable WIN32_CODEPAGE names another number that iconv knows ("1252", "65001"); a
// value it does not know falls back to 949 with a trace note. The variable is read at each call.
// CP_OEMCP, CP_MACCP and CP_THREAD_ACP all mean the ANSI code page: on the Korean system the
// OEM page is the same one, and nothing here has a Macintosh page. Pages are found by number
// ("CP<n>" for iconv, with the usual exceptions such as 65001 = UTF-8, 20127 = ASCII).
//
// Conversion, as the system does it:
// - A source count of -1 converts through the terminating zero, which is counted in the result;
//   any other count converts exactly that many units (zeros inside included, no terminator added).
// - A destination count of 0 asks for the size needed and writes nothing.
// - Input that is not valid in the source encoding becomes U+FFFD when the page is UTF-8 and '?'
//   otherwise, one per rejected byte; with MB_ERR_INVALID_CHARS the call fails instead with
//   ERROR_NO_UNICODE_TRANSLATION.
// - A character the target page lacks becomes the default character (the caller's, else '?') and
//   *usedDefaultChar is set; UTF-8 has no default character (the caller must pass null for both,
//   else ERROR_INVALID_PARAMETER), and an unpaired surrogate becomes U+FFFD in it, or fails with
//   WC_ERR_INVALID_CHARS. No best-fit substitutions are made, whatever the flags say.
// - The result is the number of units written (or needed). 0 means failure, with the last error:
//   ERROR_INVALID_PARAMETER (null or overlapping buffers, bad counts, an unknown code page),
//   ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER (nothing is written then; the system would
//   leave a partial result), ERROR_NO_UNICODE_TRANSLATION.
// Thread-safe: each thread keeps its own converters.
#pragma once

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

using LPBOOL = BOOL*;

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_MACCP = 2;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF7 = 65000;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr DWORD MB_COMPOSITE = 0x00000002;
inline constexpr DWORD MB_USEGLYPHCHARS = 0x00000004;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

inline constexpr DWORD WC_DISCARDNS = 0x00000010;
inline constexpr DWORD WC_SEPCHARS = 0x00000020;
inline constexpr DWORD WC_DEFAULTCHAR = 0x00000040;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
inline constexpr DWORD WC_COMPOSITECHECK = 0x00000200;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

UINT GetACP();
UINT GetOEMCP();

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteCount, LPWSTR wideText,
                        int wideCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideCount, LPSTR multiByteText,
                        int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar);
