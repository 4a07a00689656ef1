// GetCharacterPlacementW and GetCharacterPlacementA.
//
// One glyph per character (a surrogate pair or a double-byte character is one character), from the
// face's character map; a character the face lacks gets glyph 0, its missing-character glyph.
// Arrays GDI indexes by character (lpOrder, lpClass, lpCaretPos) are indexed by input unit here:
// both units of a pair carry the same value. Arrays indexed by glyph (lpGlyphs, lpDx) and
// lpOutString are in display order.
// - lpDx: each glyph's hinted advance in whole pixels, exactly as ExtTextOut advances, plus the
//   'kern' table's pair adjustment with GCP_USEKERNING.
// - lpOrder: lpOrder[i] is the display position of input unit i's glyph. It is the identity unless
//   GCP_REORDER is asked for and the text holds right-to-left characters: then each stretch of
//   right-to-left characters (with the weak characters between them, and at the text's start
//   after a GCPCLASS_PREBOUNDRTL first class or at its end before a GCPCLASS_POSTBOUNDRTL last
//   class) is shown reversed. Numbers keep left-to-right order and end such a stretch.
//   Because each stretch is simply reversed, reading the array the other way round (display
//   position to input unit) gives the same answer for text without pairs.
// - lpClass: the class of each character (character_class.h). With GCP_CLASSIN a class the caller
//   put in the array (its low four bits) is used instead of the computed one; the bound bits
//   (GCPCLASS_PREBOUND*, GCPCLASS_POSTBOUND*) only set the direction around the text.
// - nGlyphs: on entry the room in the arrays, on return the glyphs written; at most that many
//   characters are placed. With GCP_MAXEXTENT only the characters whose running width stays
//   within nMaxExtent are placed, and nMaxFit says how many units that is.
// - The result is the text's extent: width in the low word, tmHeight in the high word; 0 on
//   failure. GCP_DIACRITIC, GCP_GLYPHSHAPE, GCP_LIGATE and GCP_KASHIDA are accepted and change
//   nothing: contextual shaping is the script layer's work.
#include <algorithm>
#include <vector>

#include "platform/gdi/character_class.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/text_units.h"

using namespace platform::gdi;

namespace {

struct Placement {
    std::vector<TextCharacter> chars;  // logical order, possibly cut by nGlyphs or the extent
    std::vector<BYTE> classes;         // per character
    std::vector<bool> rtl;             // per character: shown right to left
    std::vector<int> display;          // per character: its display position
    std::vector<int> logical;          // per display position: the character shown there
    std::vector<UINT> glyphs;          // display order
    std::vector<int> advances;         // display order
    int width = 0;
};

void classify(Placement& p, const char* presets, DWORD flags) {
    p.classes.resize(p.chars.size());
    for (std::size_t i = 0; i < p.chars.size(); ++i) {
        const BYTE preset = (flags & GCP_CLASSIN) != 0 && presets != nullptr
                                ? static_cast<BYTE>(presets[p.chars[i].firstUnit]) & 0x0F
                                : 0;
        p.classes[i] = preset != 0 ? preset : characterClass(p.chars[i].codePoint);
    }
}

// Marks the characters shown right to left: right-to-left letters, and weak characters whose
// strong neighbours on both sides (or the bound direction at the text's ends) are right to left.
std::vector<bool> rightToLeft(const Placement& p, bool rtlBefore, bool rtlAfter) {
    const int n = static_cast<int>(p.chars.size());
    std::vector<bool> rtl(static_cast<std::size_t>(n), false);
    bool previousRtl = rtlBefore;
    for (int i = 0; i < n;) {
        if (!isWeakClass(p.classes[i])) {
            previousRtl = p.classes[i] == GCPCLASS_HEBREW;
            rtl[i] = previousRtl;
            ++i;
            continue;
        }
        int end = i;
        while (end < n && isWeakClass(p.classes[end])) {
            ++end;
        }
        const bool nextRtl = end < n ? p.classes[end] == GCPCLASS_HEBREW : rtlAfter;
        for (int k = i; k < end; ++k) {
            rtl[k] = previousRtl && nextRtl;
        }
        i = end;
    }
    return rtl;
}

void order(Placement& p, const char* presets, DWORD flags) {
    const int n = static_cast<int>(p.chars.size());
    p.display.resize(static_cast<std::size_t>(n));
    p.logical.resize(static_cast<std::size_t>(n));
    p.rtl.assign(static_cast<std::size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        p.display[i] = i;
    }
    if ((flags & GCP_REORDER) != 0 && n > 0) {
        const BYTE first = (flags & GCP_CLASSIN) != 0 && presets != nullptr ? presets[p.chars[0].firstUnit] : 0;
        const BYTE last = (flags & GCP_CLASSIN) != 0 && presets != nullptr ? presets[p.chars[n - 1].firstUnit] : 0;
        p.rtl = rightToLeft(p, (first & GCPCLASS_PREBOUNDRTL) != 0, (last & GCPCLASS_POSTBOUNDRTL) != 0);
        const std::vector<bool>& rtl = p.rtl;
        for (int i = 0; i < n;) {
            int end = i;
            while (end < n && rtl[end]) {
                ++end;
            }
            for (int k = i; k < end; ++k) {
                p.display[k] = i + (end - 1 - k);
            }
            i = std::max(end, i + 1);
        }
    }
    for (int i = 0; i < n; ++i) {
        p.logical[p.display[i]] = i;
    }
}

void measure(Placement& p, Font& font, DWORD flags) {
    const std::size_t n = p.chars.size();
    p.glyphs.resize(n);
    p.advances.resize(n);
    for (std::size_t d = 0; d < n; ++d) {
        p.glyphs[d] = font.face->glyphIndex(p.chars[p.logical[d]].codePoint);
        p.advances[d] = font.face->glyph(p.glyphs[d], font.loadFlags).advance;
    }
    FT_Face face = font.face->face();
    if ((flags & GCP_USEKERNING) != 0 && FT_HAS_KERNING(face)) {
        for (std::size_t d = 0; d + 1 < n; ++d) {
            FT_Vector kern{};
            if (FT_Get_Kerning(face, p.glyphs[d], p.glyphs[d + 1], FT_KERNING_DEFAULT, &kern) == 0) {
                p.advances[d] += static_cast<int>((kern.x + 32) >> 6);
            }
        }
    }
    p.width = 0;
    for (int advance : p.advances) {
        p.width += advance;
    }
}

// The characters whose running width stays within maxExtent (advances without kerning).
void cutToExtent(std::vector<TextCharacter>& chars, Font& font, int maxExtent) {
    int x = 0;
    std::size_t fit = 0;
    for (; fit < chars.size(); ++fit) {
        x += font.face->glyph(font.face->glyphIndex(chars[fit].codePoint), font.loadFlags).advance;
        if (x > maxExtent) {
            break;
        }
    }
    chars.resize(fit);
}

// Writes the arrays the caller asked for; returns the number of input units placed.
template <class Results, class Unit>
int writeResults(const Placement& p, const Unit* text, Results& r) {
    Results* results = &r;
    const int n = static_cast<int>(p.chars.size());
    int placedUnits = 0;
    std::vector<int> displayX(static_cast<std::size_t>(n) + 1, 0);
    for (int d = 0; d < n; ++d) {
        displayX[d + 1] = displayX[d] + p.advances[d];
    }
    int out = 0;  // next unit of lpOutString
    for (int d = 0; d < n; ++d) {
        const TextCharacter& c = p.chars[p.logical[d]];
        if (results->lpGlyphs != nullptr) {
            results->lpGlyphs[d] = static_cast<WCHAR>(p.glyphs[d]);
        }
        if (results->lpDx != nullptr) {
            results->lpDx[d] = p.advances[d];
        }
        for (int u = 0; u < c.unitCount; ++u) {
            if (results->lpOutString != nullptr) {
                results->lpOutString[out++] = text[c.firstUnit + u];
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        const TextCharacter& c = p.chars[i];
        const int d = p.display[i];
        const bool rtl = p.rtl[i];
        for (int u = c.firstUnit; u < c.firstUnit + c.unitCount; ++u) {
            if (results->lpOrder != nullptr) {
                results->lpOrder[u] = static_cast<UINT>(d);
            }
            if (results->lpClass != nullptr) {
                results->lpClass[u] = static_cast<char>(p.classes[i]);
            }
            if (results->lpCaretPos != nullptr) {
                results->lpCaretPos[u] = rtl ? displayX[d + 1] : displayX[d];
            }
        }
        placedUnits = c.firstUnit + c.unitCount;
    }
    return placedUnits;
}

template <class Results, class Unit>
DWORD placeCharacters(const char* call, HDC handle, const Unit* text, int count, int maxExtent, Results* results,
                      DWORD flags, std::vector<TextCharacter> (*split)(const Unit*, int)) {
    DeviceContext* dc = findDc(call, handle);
    if (dc == nullptr) {
        return 0;
    }
    if (results == nullptr || count < 0 || (text == nullptr && count != 0)) {
        refuse(call, "no results record, or no text for %d units", count);
        return 0;
    }
    Font& font = *dc->font;
    const int units = std::min<long long>(count, results->nGlyphs);
    Placement p;
    p.chars = split(text, units);
    if ((flags & GCP_MAXEXTENT) != 0 && maxExtent >= 0) {
        cutToExtent(p.chars, font, maxExtent);
    }
    classify(p, results->lpClass, flags);
    order(p, results->lpClass, flags);
    measure(p, font, flags);

    const int placedUnits = writeResults(p, text, *results);
    const int n = static_cast<int>(p.chars.size());
    results->nGlyphs = static_cast<UINT>(n);
    results->nMaxFit = placedUnits;
    return MAKELONG(static_cast<WORD>(std::clamp(p.width, 0, 0xFFFF)), static_cast<WORD>(font.metrics.tmHeight));
}

}  // namespace

DWORD GetCharacterPlacementW(HDC dc, LPCWSTR text, int count, int maxExtent, GCP_RESULTSW* results, DWORD flags) {
    return placeCharacters("GetCharacterPlacementW", dc, text, count, maxExtent, results, flags, &charactersOfWide);
}

DWORD GetCharacterPlacementA(HDC dc, LPCSTR text, int count, int maxExtent, GCP_RESULTSA* results, DWORD flags) {
    return placeCharacters("GetCharacterPlacementA", dc, text, count, maxExtent, results, flags, &charactersOfNarrow);
}
