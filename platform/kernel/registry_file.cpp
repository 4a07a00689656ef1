#include "platform/kernel/registry_file.h"

#include <cctype>
#include <optional>

namespace platform::kernel {

namespace {

constexpr std::string_view kRootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG",
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted name or text at the front of `text` (which starts at the opening quote) and
// removes it from `text`. Only \\ and \" are escapes; any other backslash stands for itself, as
// exported files write paths.
std::optional<std::string> takeQuoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') {
        return std::nullopt;
    }
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            ++i;
            c = text[i];
        }
        result.push_back(c);
    }
    return std::nullopt;  // no closing quote
}

// Turns "[HKEY_LOCAL_MACHINE\Software\Direct3D]" into its folded path; the reason on failure.
std::optional<std::string> parseKeyHeader(std::string_view line, std::string* reason) {
    std::string_view inner = trim(line.substr(1, line.size() - 2));
    if (!inner.empty() && inner.front() == '-') {
        *reason = "key deletion entries cannot be applied to a read-only registry";
        return std::nullopt;
    }
    std::string path;
    bool first = true;
    while (!inner.empty()) {
        std::size_t slash = inner.find('\\');
        std::string_view part = inner.substr(0, slash);
        inner = slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
        if (part.empty()) {
            continue;
        }
        if (first) {
            bool known = false;
            for (std::string_view root : kRootNames) {
                known = known || registryFoldCase(root) == registryFoldCase(part);
            }
            if (!known) {
                *reason = "unknown root key '" + std::string(part) + "'";
                return std::nullopt;
            }
        } else {
            path.push_back('\\');
        }
        path += registryFoldCase(part);
        first = false;
    }
    if (path.empty()) {
        *reason = "empty key name";
        return std::nullopt;
    }
    return path;
}

// "aa,bb,cc" (blanks allowed around the commas; an empty list is no bytes).
std::optional<std::vector<BYTE>> parseHexBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    text = trim(text);
    if (text.empty()) {
        return bytes;
    }
    while (true) {
        std::size_t comma = text.find(',');
        std::string_view item = trim(text.substr(0, comma));
        if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<BYTE>(hexDigit(item[0]) * 16 + hexDigit(item[1])));
        if (comma == std::string_view::npos) {
            return bytes;
        }
        text = text.substr(comma + 1);
    }
}

// "dword:" followed by 1 to 8 hexadecimal digits; stored little-endian like the system's.
std::optional<RegistryValue> parseDword(std::string_view digits, std::string* reason) {
    if (digits.empty() || digits.size() > 8) {
        *reason = "a dword needs 1 to 8 hexadecimal digits";
        return std::nullopt;
    }
    DWORD number = 0;
    for (char c : digits) {
        if (hexDigit(c) < 0) {
            *reason = "a dword needs 1 to 8 hexadecimal digits";
            return std::nullopt;
        }
        number = number * 16 + static_cast<DWORD>(hexDigit(c));
    }
    RegistryValue value;
    value.type = 4;  // REG_DWORD
    for (int i = 0; i < 4; ++i) {
        value.data.push_back(static_cast<BYTE>(number >> (8 * i)));
    }
    return value;
}

// "hex:" (REG_BINARY) or "hex(n):" (type n) followed by a byte list; `data` starts at "hex".
std::optional<RegistryValue> parseHex(std::string_view data, std::string* reason) {
    RegistryValue value;
    std::string_view bytes;
    if (data[3] == ':') {
        value.type = 3;  // REG_BINARY
        bytes = data.substr(4);
    } else {
        std::size_t close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) {
            *reason = "malformed hex(type) value";
            return std::nullopt;
        }
        for (char c : data.substr(4, close - 4)) {
            if (hexDigit(c) < 0) {
                *reason = "malformed hex(type) value";
                return std::nullopt;
            }
            value.type = value.type * 16 + static_cast<DWORD>(hexDigit(c));
        }
        bytes = data.substr(close + 2);
    }
    std::optional<std::vector<BYTE>> parsed = parseHexBytes(bytes);
    if (!parsed) {
        *reason = "malformed hexadecimal byte list";
        return std::nullopt;
    }
    value.data = std::move(*parsed);
    return value;
}

// The data part after '=': a quoted text, dword:, hex: or hex(n):.
std::optional<RegistryValue> parseValueData(std::string_view data, std::string* reason) {
    data = trim(data);
    if (!data.empty() && data.front() == '"') {
        std::optional<std::string> text = takeQuoted(data);
        if (!text || !trim(data).empty()) {
            *reason = "malformed text value";
            return std::nullopt;
        }
        RegistryValue value;
        value.type = 1;  // REG_SZ, stored with its terminating zero
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return value;
    }
    if (data == "-") {
        *reason = "value deletion entries cannot be applied to a read-only registry";
        return std::nullopt;
    }
    std::string folded = registryFoldCase(data);
    if (folded.starts_with("dword:")) {
        return parseDword(data.substr(6), reason);
    }
    if (folded.starts_with("hex:") || folded.starts_with("hex(")) {
        return parseHex(data, reason);
    }
    *reason = "unknown value data (expected \"text\", dword:, hex: or hex(n):)";
    return std::nullopt;
}

// Splits the text into logical lines: a line ending in a backslash continues on the next one, as
// long hex values are exported. Each logical line carries the number of its first physical line.
struct LogicalLine {
    int number;
    std::string text;
};

std::vector<LogicalLine> logicalLines(std::string_view text) {
    std::vector<LogicalLine> lines;
    int number = 0;
    bool continuing = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        std::string_view trimmed = trim(line);
        bool continues = !trimmed.empty() && trimmed.back() == '\\' && trimmed.front() != '[';
        if (continues) {
            trimmed.remove_suffix(1);
        }
        if (continuing) {
            lines.back().text += trimmed;
        } else {
            lines.push_back({number, std::string(trimmed)});
        }
        continuing = continues;
    }
    return lines;
}

bool isHeader(std::string_view line) {
    return line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00";
}

}  // namespace

std::string registryFoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool RegistryContents::keyExists(const std::string& path) const {
    if (keys.contains(path)) {
        return true;
    }
    // A key below it: the first key sorted at or after "path\" starts with that prefix.
    std::string prefix = path + '\\';
    auto below = keys.lower_bound(prefix);
    return below != keys.end() && below->first.starts_with(prefix);
}

const RegistryValue* RegistryContents::findValue(const std::string& path, const std::string& name) const {
    auto key = keys.find(path);
    if (key == keys.end()) {
        return nullptr;
    }
    auto value = key->second.values.find(name);
    return value == key->second.values.end() ? nullptr : &value->second;
}

RegistryContents parseRegistryText(std::string_view text, const RegistryLineNote& note) {
    RegistryContents contents;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<LogicalLine> lines = logicalLines(text);
    std::size_t first = 0;
    while (first < lines.size() && lines[first].text.empty()) {
        ++first;
    }
    if (first == lines.size() || !isHeader(lines[first].text)) {
        note(first == lines.size() ? 1 : lines[first].number, "not a REGEDIT4 file: the whole file is ignored");
        return contents;
    }

    std::optional<std::string> currentKey;
    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        const LogicalLine& line = lines[i];
        std::string_view body = line.text;
        if (body.empty() || body.front() == ';') {
            continue;
        }
        std::string reason;
        if (body.front() == '[') {
            currentKey.reset();
            if (body.back() != ']') {
                note(line.number, "unclosed key header");
            } else if (std::optional<std::string> path = parseKeyHeader(body, &reason)) {
                currentKey = *path;
                contents.keys[*path];  // a key with no values still exists
            } else {
                note(line.number, reason);
            }
            continue;
        }
        std::optional<std::string> name;
        if (body.front() == '@') {
            name = std::string();
            body.remove_prefix(1);
        } else {
            name = takeQuoted(body);
        }
        body = trim(body);
        if (!name || body.empty() || body.front() != '=') {
            note(line.number, "expected \"name\"=data or @=data");
            continue;
        }
        std::optional<RegistryValue> value = parseValueData(body.substr(1), &reason);
        if (!value) {
            note(line.number, reason);
            continue;
        }
        if (!currentKey) {
            note(line.number, "value outside any valid key");
            continue;
        }
        contents.keys[*currentKey].values[registryFoldCase(*name)] = std::move(*value);
    }
    return contents;
}

}  // namespace platform::kernel
