#include "platform/gdi/text_units.h"

#include "platform/kernel/code_pages.h"

namespace platform::gdi {

std::vector<TextCharacter> charactersOfWide(LPCWSTR text, int count) {
    std::vector<TextCharacter> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            out.push_back({0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u), i, 2});
            ++i;
        } else {
            out.push_back({unit, i, 1});
        }
    }
    return out;
}

std::vector<TextCharacter> charactersOfNarrow(LPCSTR text, int count) {
    std::vector<TextCharacter> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count;) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {  // every ANSI code page in use keeps ASCII
            out.push_back({byte, i, 1});
            ++i;
            continue;
        }
        WCHAR wide[2] = {};
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text + i, 1, wide, 2) == 1) {
            out.push_back({wide[0], i, 1});
            ++i;
        } else if (i + 1 < count && MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text + i, 2, wide, 2) == 1) {
            out.push_back({wide[0], i, 2});
            i += 2;
        } else {
            out.push_back({kNoCharacter, i, 1});
            ++i;
        }
    }
    return out;
}

}  // namespace platform::gdi
