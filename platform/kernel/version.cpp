#include "platform/kernel/version.h"

#include <cstring>

BOOL GetVersionExA(LPOSVERSIONINFOA versionInfo) {
    if (versionInfo == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD size = versionInfo->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // Fill the basic part field by field: the caller's record is only as large as its size says.
    versionInfo->dwMajorVersion = 5;
    versionInfo->dwMinorVersion = 1;
    versionInfo->dwBuildNumber = 2600;
    versionInfo->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(versionInfo->szCSDVersion, 0, sizeof versionInfo->szCSDVersion);
    if (size == sizeof(OSVERSIONINFOEXA)) {
        auto* extended = reinterpret_cast<OSVERSIONINFOEXA*>(versionInfo);
        extended->wServicePackMajor = 0;
        extended->wServicePackMinor = 0;
        extended->wSuiteMask = 0;
        extended->wProductType = VER_NT_WORKSTATION;
        extended->wReserved = 0;
    }
    return TRUE;
}
