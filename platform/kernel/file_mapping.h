// Reading files through a read-only memory mapping: CreateFileA, GetFileSize, CreateFileMappingA,
// MapViewOfFile, UnmapViewOfFile and CloseHandle, over POSIX open, fstat and mmap.
//
// Only reading is offered, because only reading is needed (image files are mapped and decoded):
// CreateFileA takes GENERIC_READ with OPEN_EXISTING, CreateFileMappingA takes PAGE_READONLY and
// MapViewOfFile takes FILE_MAP_READ. Anything else is refused with a status and a trace note, never
// half done. Other choices:
// - A name is used relative to the working directory; backslashes are read as directory separators
//   so that names written the Windows way work. Share modes are accepted and ignored: POSIX has no
//   share locks. FILE_FLAG_RANDOM_ACCESS and FILE_FLAG_SEQUENTIAL_SCAN become access advice.
// - Only regular files open. A directory, a pipe or a device is refused with ERROR_ACCESS_DENIED
//   (opening a pipe is never allowed to block).
// - A mapping keeps its own reference to the file, and a view its own pages: closing the file
//   handle, then the mapping handle, leaves an open view valid until UnmapViewOfFile, as the system
//   does.
// - An empty file cannot be mapped (CreateFileMappingA fails with ERROR_FILE_INVALID), as on the
//   system; GetFileSize reports its size 0 all the same.
// - GetFileSize without a place for the high half fails (INVALID_FILE_SIZE, ERROR_FILE_TOO_LARGE)
//   for a file of 4 GiB or more, rather than reporting a wrong size. On success it clears the last
//   error, so a size that equals INVALID_FILE_SIZE can be told from a failure.
// - Handles and views are tracked: an unknown handle or address is refused with
//   ERROR_INVALID_HANDLE or ERROR_INVALID_ADDRESS, never dereferenced.
//
// Failures return INVALID_HANDLE_VALUE (CreateFileA) or null (CreateFileMappingA, MapViewOfFile) or
// FALSE and set the last error: ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_TOO_MANY_OPEN_FILES, ERROR_FILENAME_EXCED_RANGE, ERROR_INVALID_PARAMETER, ...; FormatMessageA
// has the text of each.
//
// FIXME: a file truncated by another process while a view is mapped raises SIGBUS on access to the
// lost pages; the system would raise an in-page error in the same situation.
#pragma once

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD FILE_SHARE_DELETE = 0x00000004;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD FILE_MAP_COPY = 0x0001;
inline constexpr DWORD FILE_MAP_WRITE = 0x0002;
inline constexpr DWORD FILE_MAP_READ = 0x0004;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// View offsets must be multiples of this, as on the system.
inline constexpr DWORD kAllocationGranularity = 0x10000;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                     SIZE_T numberOfBytesToMap);
BOOL UnmapViewOfFile(LPCVOID baseAddress);
BOOL CloseHandle(HANDLE object);
