#include "gfxutil/core/diagnostics.h"
#include "platform/kernel/registry.h"

namespace gfxutil::core {

bool readRegistryDword(const char* valueName, DWORD* destination) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) != ERROR_SUCCESS) {
        return false;
    }
    // Query into a buffer of our own: a short value of another type (a one-character string)
    // would otherwise overwrite the destination although the read reports failure.
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
        return false;
    }
    *destination = value;
    return true;
}

}  // namespace gfxutil::core
