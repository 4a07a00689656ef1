// GetFontLanguageInfo: what the selected face can do beyond one glyph per character, read from the
// face itself.
//
// - GCP_USEKERNING when it has a kerning table FreeType applies ('kern'); GetCharacterPlacement
//   then kerns the advances it returns.
// - GCP_REORDER when it covers a right-to-left script (a Hebrew or an Arabic letter), because text
//   in it must be put in display order.
// - GCP_GLYPHSHAPE and GCP_LIGATE when it covers Arabic letters, which take contextual forms and
//   ligatures.
// - GCP_DIACRITIC when it covers Hebrew points or Arabic vowel marks.
// - GCP_DBCS when the font was asked for a double-byte character set (Japanese, Korean, Chinese).
// FLI_GLYPHS and GCP_KASHIDA are never reported.
#include "platform/gdi/dc.h"

using namespace platform::gdi;

namespace {

bool has(const Font& font, char32_t c) { return font.face->glyphIndex(c) != 0; }

bool doubleByteCharSet(BYTE charSet) {
    return charSet == 128 || charSet == HANGUL_CHARSET || charSet == 130 || charSet == 134 || charSet == 136;
}

}  // namespace

DWORD GetFontLanguageInfo(HDC handle) {
    DeviceContext* dc = findDc("GetFontLanguageInfo", handle);
    if (dc == nullptr) {
        return GCP_ERROR;
    }
    const Font& font = *dc->font;
    DWORD info = 0;
    if (FT_HAS_KERNING(font.face->face())) {
        info |= GCP_USEKERNING;
    }
    const bool hebrew = has(font, U'\u05D0');
    const bool arabic = has(font, U'\u0627') && has(font, U'\u0644');
    if (hebrew || arabic) {
        info |= GCP_REORDER;
    }
    if (arabic) {
        info |= GCP_GLYPHSHAPE | GCP_LIGATE;
    }
    if (has(font, U'\u05B7') || has(font, U'\u064E')) {
        info |= GCP_DIACRITIC;
    }
    if (doubleByteCharSet(font.requestW.lfCharSet)) {
        info |= GCP_DBCS;
    }
    return info;
}
