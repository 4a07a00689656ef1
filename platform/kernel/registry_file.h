// The parser of the registry file (REGEDIT4 text), apart from the Reg* calls so that it can be
// tested on text without files or environment. Internal to platform_kernel and its tests.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/types.h"

namespace platform::kernel {

struct RegistryValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Names are kept in ASCII lower case so that look-ups ignore case; the default value is "".
struct RegistryKey {
    std::map<std::string, RegistryValue> values;
};

// Keys by full lower-case path, "hkey_local_machine\software\direct3d", without empty components.
struct RegistryContents {
    std::map<std::string, RegistryKey> keys;

    bool keyExists(const std::string& path) const;  // path in the same lower-case form
    const RegistryValue* findValue(const std::string& path, const std::string& name) const;
};

// Receives each rejected line: its number (1-based; the first line of a continued value) and why.
using RegistryLineNote = std::function<void(int line, std::string_view reason)>;

// Parses the whole text. Bad lines are passed to note and skipped; a text without the REGEDIT4
// header yields no keys and one note for line 1.
RegistryContents parseRegistryText(std::string_view text, const RegistryLineNote& note);

// ASCII lower case, the form in which names are compared.
std::string registryFoldCase(std::string_view text);

}  // namespace platform::kernel
