// UTF-16 helpers shared by the script functions: code points out of WCHAR text, tolerant of
// unpaired surrogates (each stands for itself, as a lone unit).
#pragma once

#include "platform/win32/types.h"

namespace platform::usp {

// The code point at text[i] and how many units it takes (1 or 2).
inline int codePointAt(const WCHAR* text, int length, int i, char32_t* codePoint) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
        char32_t d = text[i + 1];
        if (d >= 0xDC00 && d <= 0xDFFF) {
            *codePoint = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
            return 2;
        }
    }
    *codePoint = c;
    return 1;
}

}  // namespace platform::usp
