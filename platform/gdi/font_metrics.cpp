// Font sizing and TEXTMETRICW from the face's own tables; the rules are in font.h.
#include <algorithm>
#include <cmath>

#include "platform/gdi/font.h"

namespace platform::gdi {
namespace {

constexpr int kDefaultCharacterHeight = 12;
constexpr int kMaxPixelsPerEm = 16383;

LONG roundedScale(long long units, long long numerator, long long denominator) {
    // Rounds half away from zero: (units × numerator / denominator).
    const long long product = units * numerator;
    const long long half = denominator / 2;
    return static_cast<LONG>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

BYTE pitchAndFamily(const FaceDesign& d) {
    BYTE bits = TMPF_VECTOR;
    if (!d.fixedPitch) {
        bits |= TMPF_FIXED_PITCH;  // GDI's inverted meaning: set for variable pitch
    }
    if (d.trueType) {
        bits |= TMPF_TRUETYPE;
    }
    BYTE family = FF_DONTCARE;
    if (d.fixedPitch) {
        family = FF_MODERN;
    } else if (d.panoseFamily == 2) {  // PANOSE "Latin Text": the serif style tells roman from swiss
        family = d.panoseSerif >= 11 && d.panoseSerif <= 13 ? FF_SWISS : (d.panoseSerif >= 2 ? FF_ROMAN : FF_DONTCARE);
    } else if (d.panoseFamily == 3) {
        family = FF_SCRIPT;
    } else if (d.panoseFamily == 4) {
        family = FF_DECORATIVE;
    }
    return static_cast<BYTE>(bits | family);
}

// The default character is one the face lacks, so drawing it gives the face's missing-character
// glyph (glyph 0): the highest control character the face does not map.
WCHAR defaultCharacter(FT_Face face) {
    for (int c = 0x1F; c > 0; --c) {
        if (FT_Get_Char_Index(face, static_cast<FT_ULong>(c)) == 0) {
            return static_cast<WCHAR>(c);
        }
    }
    return 0;
}

}  // namespace

FontSize chooseFontSize(const FaceDesign& design, LONG height, LONG width) {
    const long long em = design.unitsPerEm;
    const long long cell = std::max(1, design.ascent + design.descent);
    FontSize size;
    if (height > 0) {
        const long long cellPixels = std::min<long long>(height, kMaxPixelsPerEm * 4LL);
        size.yPixels = static_cast<int>(std::clamp<long long>(cellPixels * em / cell, 1, kMaxPixelsPerEm));
        size.cellHeight = static_cast<LONG>(cellPixels);
    } else {
        const long long character = height == 0 ? kDefaultCharacterHeight : -static_cast<long long>(height);
        size.yPixels = static_cast<int>(std::clamp<long long>(character, 1, kMaxPixelsPerEm));
        size.cellHeight = std::max<LONG>(1, roundedScale(size.yPixels, cell, em));
    }
    size.xPixels = size.yPixels;
    if (width != 0) {
        const long long average = std::max(1, design.averageWidth);
        const long long wanted = std::min<long long>(std::llabs(width), kMaxPixelsPerEm);
        size.xPixels = static_cast<int>(std::clamp<long long>(roundedScale(wanted, em, average), 1, kMaxPixelsPerEm));
    }
    return size;
}

TEXTMETRICW computeTextMetrics(SizedFace& face, const FontSize& size, const LOGFONTW& request) {
    const FaceDesign& d = face.design();
    const long long em = d.unitsPerEm;
    const long long cell = std::max(1, d.ascent + d.descent);
    TEXTMETRICW tm{};
    tm.tmHeight = size.cellHeight;
    tm.tmAscent = roundedScale(d.ascent, tm.tmHeight, cell);
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - size.yPixels);
    const long long extraGap = d.lineGap - (cell - (d.hheaAscent + d.hheaDescent));
    tm.tmExternalLeading = std::max<LONG>(0, roundedScale(extraGap, size.yPixels, em));
    tm.tmAveCharWidth = std::max<LONG>(1, roundedScale(d.averageWidth, size.xPixels, em));
    // The widest advance or the rightmost ink, whichever is larger, rounded up: a glyph drawn at
    // x = 0 then ends within tmMaxCharWidth, so a bitmap that wide holds any single glyph.
    const long long widest = std::max(d.maxAdvance, d.maxRight);
    tm.tmMaxCharWidth = std::max<LONG>(1, static_cast<LONG>((widest * size.xPixels + em - 1) / em));
    tm.tmWeight = d.weightClass;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = static_cast<WCHAR>(std::min<char32_t>(d.firstChar, 0xFFFF));
    tm.tmLastChar = static_cast<WCHAR>(std::min<char32_t>(d.lastChar, 0xFFFF));
    tm.tmDefaultChar = defaultCharacter(face.face());
    tm.tmBreakChar = face.glyphIndex(U' ') != 0 ? WCHAR{0x20} : tm.tmFirstChar;
    tm.tmItalic = d.italic ? 1 : 0;
    tm.tmUnderlined = request.lfUnderline != 0 ? 1 : 0;
    tm.tmStruckOut = request.lfStrikeOut != 0 ? 1 : 0;
    tm.tmPitchAndFamily = pitchAndFamily(d);
    tm.tmCharSet = request.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : request.lfCharSet;
    return tm;
}

}  // namespace platform::gdi
