// The registry, read-only, kept as a text file in the REGEDIT4 export format:
//
//     REGEDIT4
//
//     [HKEY_LOCAL_MACHINE\Software\Direct3D]
//     "DisablePSGP"=dword:00000001
//     "Name"="text"
//     "Blob"=hex:01,02,03
//
// The file is $WIN32_REGISTRY; when the variable is unset or empty there is no registry at all and
// every open below a root key fails, which is how a machine without these settings behaves.
//
// Choices made here:
// - Value types are kept as written: dword: is REG_DWORD (4 bytes, little-endian), a quoted text is
//   REG_SZ (stored with its terminating zero; \\ and \" are its only escapes), hex: is REG_BINARY
//   and hex(n): is type n. A text value is therefore never mistaken for a DWORD.
// - A line that cannot be read (a bad header, an unknown root, a value with bad syntax, a value
//   outside any key, a deletion entry, which an import would apply but a read-only registry
//   cannot) is skipped with one trace note naming the file, the line and the reason; the rest of
//   the file still counts. A file that does not start with "REGEDIT4" (or the version 5 header in
//   8-bit text), is not a regular file, or is over 16 MiB is ignored as a whole, with one note.
// - Key and value names compare without regard to ASCII case. A key exists when it has a section
//   of its own or when some key below it has one. A value repeated in a key keeps the last
//   definition, as an import would.
// - The file is parsed at the first open and parsed again when WIN32_REGISTRY names another file
//   or the file's size, time or identity has changed; reloadRegistry() forces a fresh parse.
// - Keys are looked up when a value is queried, so an open key sees the current file.
//
// The calls return their status (ERROR_SUCCESS or an error code) and leave the last error alone.
// Unknown or closed handles are refused with ERROR_INVALID_HANDLE, never dereferenced.
#pragma once

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u));
inline const HKEY HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000005u));

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

using PHKEY = HKEY*;

// Opens root\subKey. A null or empty subKey opens the key itself again (a new handle that must be
// closed). Empty path components ("Software\\\\Direct3D\\") are skipped. On failure *result is
// set to null: ERROR_INVALID_PARAMETER (null result), ERROR_INVALID_HANDLE (unknown key),
// ERROR_FILE_NOT_FOUND (no registry file, or no such key).
LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);

// Reads one value of an open key (a null or empty name reads the key's default value, "@" in the
// file). type, data and dataSize are each optional, but data needs dataSize. The type is written
// whenever the value exists. When data is null, *dataSize receives the size the value needs. When
// *dataSize is too small the result is ERROR_MORE_DATA, *dataSize receives the size needed and
// data is left untouched. Other failures: ERROR_INVALID_PARAMETER (reserved not null, or data
// without dataSize), ERROR_INVALID_HANDLE, ERROR_FILE_NOT_FOUND (no such value or key).
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);

// Closes a handle from RegOpenKeyA. Closing a root key is allowed and does nothing.
LONG RegCloseKey(HKEY key);

namespace platform::kernel {

// Forgets the parsed file; the next open reads $WIN32_REGISTRY again. For tests that rewrite the
// file in place within the resolution of its modification time.
void reloadRegistry();

}  // namespace platform::kernel
