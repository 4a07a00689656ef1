#include "platform/kernel/code_pages.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/kernel/trace.h"

namespace {

constexpr UINT kDefaultAnsiCodePage = 949;
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kUnicodeReplacement = 0xFFFD;

std::string iconvName(UINT codePage) {
    switch (codePage) {
    case CP_UTF8: return "UTF-8";
    case CP_UTF7: return "UTF-7";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    case 51949: return "EUC-KR";
    default: return "CP" + std::to_string(codePage);
    }
}

// One thread's open converters, by (from, to). iconv descriptors carry conversion state, so they
// are never shared between threads.
class Converters {
public:
    ~Converters() {
        for (auto& [names, cd] : m_open) {
            iconv_close(cd);
        }
    }

    // The converter from -> to, reset to its initial state; nullopt when iconv lacks either side.
    std::optional<iconv_t> get(const std::string& from, const std::string& to) {
        auto key = std::make_pair(from, to);
        auto it = m_open.find(key);
        if (it == m_open.end()) {
            iconv_t cd = iconv_open(to.c_str(), from.c_str());
            if (cd == reinterpret_cast<iconv_t>(-1)) {
                return std::nullopt;
            }
            it = m_open.emplace(key, cd).first;
        }
        iconv(it->second, nullptr, nullptr, nullptr, nullptr);
        return it->second;
    }

private:
    std::map<std::pair<std::string, std::string>, iconv_t> m_open;
};

Converters& converters() {
    thread_local Converters c;
    return c;
}

UINT resolveCodePage(UINT codePage) {
    if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_MACCP || codePage == CP_THREAD_ACP) {
        return GetACP();
    }
    return codePage;
}

// Runs iconv over the whole input. `onInvalid` is called at each rejected spot with the rest of
// the input; it returns how many bytes to skip (0: give up) and appends any replacement itself.
template <class OnInvalid>
bool convertAll(iconv_t cd, const char* input, std::size_t inputBytes, std::string& output, OnInvalid onInvalid) {
    char* in = const_cast<char*>(input);
    std::size_t inLeft = inputBytes;
    char chunk[1024];
    while (true) {
        char* out = chunk;
        std::size_t outLeft = sizeof chunk;
        std::size_t result = inLeft > 0 ? iconv(cd, &in, &inLeft, &out, &outLeft)
                                        : iconv(cd, nullptr, nullptr, &out, &outLeft);  // flush any state
        int error = errno;
        output.append(chunk, static_cast<std::size_t>(out - chunk));
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0 && out == chunk) {
                return true;
            }
            continue;
        }
        if (error == E2BIG) {
            continue;
        }
        if (error != EILSEQ && error != EINVAL) {
            return false;
        }
        std::size_t skip = onInvalid(in, inLeft, output);
        if (skip == 0 || skip > inLeft) {
            return false;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

void appendUnit(std::string& output, char16_t unit) {
    char bytes[sizeof unit];
    std::memcpy(bytes, &unit, sizeof unit);
    output.append(bytes, sizeof unit);
}

char16_t unitAt(const char* p) {
    char16_t unit;
    std::memcpy(&unit, p, sizeof unit);
    return unit;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// What WideCharToMultiByte does with a unit the target page rejects: an unpaired surrogate, or a
// character (one unit, or a surrogate pair) the page lacks.
struct RejectedUnitPolicy {
    bool unicodeTarget = false;  // UTF-8 or UTF-7: only unpaired surrogates can be rejected
    bool strict = false;         // WC_ERR_INVALID_CHARS
    std::string fallback = "?";  // the default character of a legacy page
    bool usedDefault = false;

    // Appends the replacement and returns how many bytes of input it stands for; 0 gives up.
    std::size_t replace(const char* rest, std::size_t left, std::string& out) {
        if (left < sizeof(char16_t)) {
            return 0;
        }
        char16_t unit = unitAt(rest);
        bool pair = isHighSurrogate(unit) && left >= 2 * sizeof(char16_t) &&
                    isLowSurrogate(unitAt(rest + sizeof(char16_t)));
        std::size_t skip = (pair ? 2 : 1) * sizeof(char16_t);
        if (unicodeTarget) {
            if (strict) {
                return 0;
            }
            out += "\xEF\xBF\xBD";  // U+FFFD
            return skip;
        }
        out += fallback;
        usedDefault = true;
        return skip;
    }
};

bool validCounts(const void* source, int sourceCount, const void* target, int targetCount) {
    if (source == nullptr || sourceCount == 0 || sourceCount < -1 || targetCount < 0 ||
        (targetCount > 0 && target == nullptr) || (targetCount > 0 && source == target)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// Copies the converted units out, or only reports their number when the caller asked for it.
template <class Unit>
int deliver(const std::string& converted, Unit* target, int targetCount) {
    std::size_t units = converted.size() / sizeof(Unit);
    if (units > static_cast<std::size_t>(INT32_MAX)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (targetCount == 0) {
        return static_cast<int>(units);
    }
    if (units > static_cast<std::size_t>(targetCount)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, converted.data(), units * sizeof(Unit));
    return static_cast<int>(units);
}

}  // namespace

UINT GetACP() {
    const char* value = std::getenv("WIN32_CODEPAGE");
    if (value == nullptr || value[0] == '\0') {
        return kDefaultAnsiCodePage;
    }
    char* end = nullptr;
    unsigned long number = std::strtoul(value, &end, 10);
    if (*end != '\0' || number == 0 || number > 65535 ||
        !converters().get(iconvName(static_cast<UINT>(number)), kUtf16)) {
        platform::kernel::traceNote("kernel: GetACP: WIN32_CODEPAGE '%s' is not a known code page; using %u", value,
                                    kDefaultAnsiCodePage);
        return kDefaultAnsiCodePage;
    }
    return static_cast<UINT>(number);
}

UINT GetOEMCP() { return GetACP(); }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteCount, LPWSTR wideText,
                        int wideCount) {
    if (!validCounts(multiByteText, multiByteCount, wideText, wideCount)) {
        return 0;
    }
    codePage = resolveCodePage(codePage);
    DWORD allowed = codePage == CP_UTF8 || codePage == CP_UTF7
                        ? MB_ERR_INVALID_CHARS
                        : MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    if ((flags & ~allowed) != 0 || ((flags & MB_PRECOMPOSED) != 0 && (flags & MB_COMPOSITE) != 0)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::optional<iconv_t> cd = converters().get(iconvName(codePage), kUtf16);
    if (!cd) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t bytes = multiByteCount == -1 ? std::strlen(multiByteText) + 1 : static_cast<std::size_t>(multiByteCount);
    char16_t replacement = codePage == CP_UTF8 ? kUnicodeReplacement : u'?';
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;

    std::string converted;
    bool ok = convertAll(*cd, multiByteText, bytes, converted, [&](const char*, std::size_t, std::string& out) {
        if (strict) {
            return std::size_t{0};
        }
        appendUnit(out, replacement);
        return std::size_t{1};
    });
    if (!ok) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return deliver(converted, wideText, wideCount);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideCount, LPSTR multiByteText,
                        int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    if (!validCounts(wideText, wideCount, multiByteText, multiByteCount)) {
        return 0;
    }
    codePage = resolveCodePage(codePage);
    bool unicodeTarget = codePage == CP_UTF8 || codePage == CP_UTF7;
    if (unicodeTarget && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD allowed = unicodeTarget ? WC_ERR_INVALID_CHARS
                                  : WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK |
                                        WC_NO_BEST_FIT_CHARS;
    if ((flags & ~allowed) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::optional<iconv_t> cd = converters().get(kUtf16, iconvName(codePage));
    if (!cd) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t units = 0;
    if (wideCount == -1) {
        while (wideText[units] != 0) {
            ++units;
        }
        ++units;
    } else {
        units = static_cast<std::size_t>(wideCount);
    }
    RejectedUnitPolicy policy;
    policy.unicodeTarget = unicodeTarget;
    policy.strict = (flags & WC_ERR_INVALID_CHARS) != 0;
    if (defaultChar != nullptr && defaultChar[0] != '\0') {
        policy.fallback.assign(defaultChar, defaultChar[1] != '\0' ? 2 : 1);  // at most one double-byte character
    }

    std::string converted;
    bool ok = convertAll(*cd, reinterpret_cast<const char*>(wideText), units * sizeof(char16_t), converted,
                         [&](const char* rest, std::size_t left, std::string& out) {
                             return policy.replace(rest, left, out);
                         });
    if (!ok) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    int result = deliver(converted, multiByteText, multiByteCount);
    if (result != 0 && usedDefaultChar != nullptr) {
        *usedDefaultChar = policy.usedDefault ? TRUE : FALSE;
    }
    return result;
}
