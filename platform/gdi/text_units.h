// Characters of the text a program passes: UTF-16 units (the W calls) or bytes in the ANSI code
// page (the A calls), grouped into characters with the units each one spans. A surrogate pair is
// one character of two units; so is a double-byte character of the code page. Arrays that GDI
// indexes by unit (lpDx of ExtTextOutA, lpOrder and lpClass of GetCharacterPlacementA) are kept
// per unit by the callers, through firstUnit and unitCount.
#pragma once

#include <vector>

#include "platform/win32/types.h"

namespace platform::gdi {

// Stands for a unit that is not a character (a stray byte of a double-byte pair). No face maps
// U+FFFF, so it is drawn as the face's missing-character glyph, as GDI draws the default char.
inline constexpr char32_t kNoCharacter = 0xFFFF;

struct TextCharacter {
    char32_t codePoint;
    int firstUnit;
    int unitCount;
};

std::vector<TextCharacter> charactersOfWide(LPCWSTR text, int count);
std::vector<TextCharacter> charactersOfNarrow(LPCSTR text, int count);

}  // namespace platform::gdi
