#include "platform/kernel/profile.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/kernel/trace.h"

namespace {

std::string profilePath() {
    const char* path = std::getenv("WIN32_PROFILE");
    if (path != nullptr && path[0] != '\0') {
        return path;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::string(home) + "/.config/win.ini";
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Finds the first value of key in the first section named section; nullopt when there is none.
std::optional<std::string> findValue(const std::string& path, std::string_view section, std::string_view key) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    bool inSection = false;
    bool sectionSeen = false;
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        std::string_view text = trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            if (text.back() != ']') {
                platform::kernel::traceNote("kernel: GetProfileIntA: %s:%d: unclosed section header", path.c_str(),
                                            lineNumber);
                inSection = false;
                continue;
            }
            // A repeated section does not reopen: the first one is the one the system reads.
            bool matches = equalsIgnoringCase(trim(text.substr(1, text.size() - 2)), section);
            inSection = matches && !sectionSeen;
            sectionSeen = sectionSeen || matches;
            continue;
        }
        std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            platform::kernel::traceNote("kernel: GetProfileIntA: %s:%d: line is neither a section nor key=value",
                                        path.c_str(), lineNumber);
            continue;
        }
        if (!inSection || !equalsIgnoringCase(trim(text.substr(0, equals)), key)) {
            continue;
        }
        std::string_view value = trim(text.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

// Leading blanks, optional sign, decimal or 0x-hexadecimal digits; wraps modulo 2^32.
UINT parseProfileInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    UINT base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    UINT value = 0;
    for (; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        UINT digit;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            digit = static_cast<UINT>(std::tolower(c) - 'a' + 10);
        } else {
            break;
        }
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

}  // namespace

UINT GetProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue) {
    if (appName == nullptr || keyName == nullptr) {
        return static_cast<UINT>(defaultValue);
    }
    std::string path = profilePath();
    if (path.empty()) {
        return static_cast<UINT>(defaultValue);
    }
    std::optional<std::string> value = findValue(path, appName, keyName);
    if (!value || value->empty()) {
        return static_cast<UINT>(defaultValue);
    }
    return parseProfileInteger(*value);
}
