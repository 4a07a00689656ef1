// GetVersionExA: which system the program runs on. Programs of this kind only ask whether they
// are on the NT line (Unicode calls available) or on the old 16-bit-based line; here they are
// always on NT, reported as version 5.1, build 2600, with no service-pack text. Both record
// sizes are accepted (the basic 148-byte record and the 156-byte extended one, whose extra fields
// read as a workstation with no service pack); any other size fails with ERROR_INSUFFICIENT_BUFFER
// and the record is not touched.
#pragma once

#include "platform/kernel/last_error.h"
#include "platform/win32/types.h"

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
inline constexpr BYTE VER_NT_WORKSTATION = 1;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

struct OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
static_assert(sizeof(OSVERSIONINFOEXA) == 156);

// Pass an OSVERSIONINFOEXA by casting its address; dwOSVersionInfoSize tells which one it is.
BOOL GetVersionExA(LPOSVERSIONINFOA versionInfo);
