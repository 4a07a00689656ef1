// The script services text layout needs: itemising text into runs of one script and direction,
// word and line-break attributes, shaping runs into glyphs with clusters, placing glyphs, and the
// string functions that analyse and draw a whole string with font fallback. Built on HarfBuzz
// (shaping, over the GDI layer's FreeType faces, and the Unicode script of each character),
// fribidi (embedding levels) and ICU (break iteration).
//
// Callers rely on this much: item boundaries fall where the script or the bidi level changes;
// ScriptShape fails with USP_E_SCRIPT_NOT_IN_FONT, or yields the font's default glyph, for text the
// selected font cannot show, so that a caller can draw such text another way; ScriptPlace gives
// whole-pixel advances that match what ExtTextOutW draws for the same glyphs; the string functions
// with SSA_FALLBACK draw characters the selected font lacks with another installed font that has
// them. The programs load this module at run time as "usp10.dll".
//
// Everything is on one thread at a time; a SCRIPT_CACHE belongs to the font it was first used
// with and holds nothing the caller must free except through ScriptFreeCache.
//
// Choices made here where nothing else fixes them:
// - Items. Characters of no particular script (spaces, punctuation, digits, symbols) join the item
//   before them, or the one after them at the start of the text; combining marks always join their
//   base. An item of such characters alone has eScript SCRIPT_UNDEFINED. Items also end where the
//   bidi level changes. fRTL is the parity of the item's level; fLayoutRTL is the direction in which
//   a layout that knows only the paragraph's direction and the opposite one places the item: the
//   parity of min(level, paragraph level + 1), so numbers and left-to-right words inside a
//   right-to-left span of a left-to-right paragraph go with that span.
// - Digits 0-9 that digit substitution replaces form items of their own whose script is the
//   national digit set (ScriptGetProperties reports them fNumeric); ScriptShape draws them with the
//   national digit glyphs.
// - Word stops (fWordStop) are the word boundaries of ICU's word iterator, plus every control
//   character (tab, carriage return, line feed) and the character after it, except space
//   separators: a run that starts at a word stop takes the spaces after its word, and tabs, line
//   ends and punctuation start runs of their own. fSoftBreak comes from ICU's line iterator,
//   fCharStop from its character iterator, fWhiteSpace marks space separators and tabs; fInvalid
//   is never set.
// - Glyphs of a right-to-left item are in visual order (the item's last character's glyph first).
//   The cluster map gives, for each character, the index of the first glyph of its cluster in
//   logical order: the leftmost glyph of the cluster when left to right, the rightmost when right to
//   left. fClusterStart marks that glyph.
// - ScriptShape fails with USP_E_SCRIPT_NOT_IN_FONT when the font lacks a character of an item of a
//   known script; for SCRIPT_UNDEFINED items it gives the default glyph (wgDefault, glyph 0) for such
//   characters instead. Control characters and default-ignorable characters never count as missing:
//   they become the blank glyph marked fZeroWidth, and ScriptPlace gives them no advance.
// - GOFFSET: du grows to the right and dv grows DOWNWARD, in whole pixels, so a glyph's ink is at
//   (pen x + du, baseline + dv) in the top-down coordinates of the DIB the text is drawn into.
// - Scripts that need no shaping (ScriptGetProperties' fComplex clear) are shaped without
//   kerning, ligatures or contextual alternates, so that their glyphs and advances are the ones
//   ExtTextOutW draws for the same text; complex scripts get all their OpenType features.
// - Shaping and placing results are kept per font (face and load flags) and per run text, script
//   and direction, so layout that shapes the same runs every frame pays a look-up per run.
// - ScriptStringAnalyse with SSA_FALLBACK or SSA_LINK draws each character the selected font lacks
//   with the installed font fontconfig names for it, on the selected font's baseline.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/win32/types.h"

using LCID = DWORD;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

using SCRIPT_CACHE = void*;
using SCRIPT_STRING_ANALYSIS = void*;

inline constexpr HRESULT USP_E_SCRIPT_NOT_IN_FONT = static_cast<HRESULT>(0x80040200u);
// A SCRIPT_CACHE that holds no font yet was passed with no device context to take the font from.
inline constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);

inline constexpr WORD SCRIPT_UNDEFINED = 0;

struct SCRIPT_CONTROL {
    DWORD uDefaultLanguage : 16;
    DWORD fContextDigits : 1;
    DWORD fInvertPreBoundDir : 1;
    DWORD fInvertPostBoundDir : 1;
    DWORD fLinkStringBefore : 1;
    DWORD fLinkStringAfter : 1;
    DWORD fNeutralOverride : 1;
    DWORD fNumericOverride : 1;
    DWORD fLegacyBidiClass : 1;
    DWORD fMergeNeutralItems : 1;
    DWORD fReserved : 7;
};
static_assert(sizeof(SCRIPT_CONTROL) == 4);

struct SCRIPT_STATE {
    WORD uBidiLevel : 5;
    WORD fOverrideDirection : 1;
    WORD fInhibitSymSwap : 1;
    WORD fCharShape : 1;
    WORD fDigitSubstitute : 1;
    WORD fInhibitLigate : 1;
    WORD fDisplayZWG : 1;
    WORD fArabicNumContext : 1;
    WORD fGcpClusters : 1;
    WORD fReserved : 1;
    WORD fEngineReserved : 2;
};
static_assert(sizeof(SCRIPT_STATE) == 2);

struct SCRIPT_ANALYSIS {
    WORD eScript : 10;
    WORD fRTL : 1;
    WORD fLayoutRTL : 1;
    WORD fLinkBefore : 1;
    WORD fLinkAfter : 1;
    WORD fLogicalOrder : 1;
    WORD fNoGlyphIndex : 1;
    SCRIPT_STATE s;
};
static_assert(sizeof(SCRIPT_ANALYSIS) == 4);

struct SCRIPT_ITEM {
    int iCharPos;
    SCRIPT_ANALYSIS a;
};
static_assert(sizeof(SCRIPT_ITEM) == 8);

// SCRIPT_VISATTR::uJustification: how ScriptJustify may widen a glyph.
inline constexpr WORD SCRIPT_JUSTIFY_NONE = 0;
inline constexpr WORD SCRIPT_JUSTIFY_ARABIC_BLANK = 1;
inline constexpr WORD SCRIPT_JUSTIFY_CHARACTER = 2;
inline constexpr WORD SCRIPT_JUSTIFY_BLANK = 4;
inline constexpr WORD SCRIPT_JUSTIFY_ARABIC_NORMAL = 7;
inline constexpr WORD SCRIPT_JUSTIFY_ARABIC_KASHIDA = 8;

struct SCRIPT_VISATTR {
    WORD uJustification : 4;
    WORD fClusterStart : 1;
    WORD fDiacritic : 1;
    WORD fZeroWidth : 1;
    WORD fReserved : 1;
    WORD fShapeReserved : 8;
};
static_assert(sizeof(SCRIPT_VISATTR) == 2);

struct GOFFSET {
    LONG du;
    LONG dv;
};
static_assert(sizeof(GOFFSET) == 8);

struct SCRIPT_LOGATTR {
    BYTE fSoftBreak : 1;
    BYTE fWhiteSpace : 1;
    BYTE fCharStop : 1;
    BYTE fWordStop : 1;
    BYTE fInvalid : 1;
    BYTE fReserved : 3;
};
static_assert(sizeof(SCRIPT_LOGATTR) == 1);

struct SCRIPT_PROPERTIES {
    DWORD langid : 16;
    DWORD fNumeric : 1;
    DWORD fComplex : 1;
    DWORD fNeedsWordBreaking : 1;
    DWORD fNeedsCaretInfo : 1;
    DWORD bCharSet : 8;
    DWORD fControl : 1;
    DWORD fPrivateUseArea : 1;
    DWORD fNeedsCharacterJustify : 1;
    DWORD fInvalidGlyph : 1;
    DWORD fInvalidLogAttr : 1;
    DWORD fCDM : 1;
    DWORD fAmbiguousCharSet : 1;
    DWORD fClusterSizeVaries : 1;
    DWORD fRejectInvalid : 1;
};
static_assert(sizeof(SCRIPT_PROPERTIES) == 8);

struct SCRIPT_FONTPROPERTIES {
    int cBytes;
    WORD wgBlank;
    WORD wgDefault;
    WORD wgInvalid;
    WORD wgKashida;
    int iKashidaWidth;
};
static_assert(sizeof(SCRIPT_FONTPROPERTIES) == 16);

inline constexpr DWORD SCRIPT_DIGITSUBSTITUTE_CONTEXT = 0;
inline constexpr DWORD SCRIPT_DIGITSUBSTITUTE_NONE = 1;
inline constexpr DWORD SCRIPT_DIGITSUBSTITUTE_NATIONAL = 2;
inline constexpr DWORD SCRIPT_DIGITSUBSTITUTE_TRADITIONAL = 3;

struct SCRIPT_DIGITSUBSTITUTE {
    DWORD NationalDigitLanguage : 16;
    DWORD TraditionalDigitLanguage : 16;
    DWORD DigitSubstitute : 8;
    DWORD dwReserved;
};
static_assert(sizeof(SCRIPT_DIGITSUBSTITUTE) == 12);

struct SCRIPT_TABDEF {
    int cTabStops;
    int iScale;
    int* pTabStops;
    int iTabOrigin;
};

// ScriptStringAnalyse flags.
inline constexpr DWORD SSA_PASSWORD = 0x0001;
inline constexpr DWORD SSA_TAB = 0x0002;
inline constexpr DWORD SSA_CLIP = 0x0004;
inline constexpr DWORD SSA_FIT = 0x0008;
inline constexpr DWORD SSA_DZWG = 0x0010;
inline constexpr DWORD SSA_FALLBACK = 0x0020;
inline constexpr DWORD SSA_BREAK = 0x0040;
inline constexpr DWORD SSA_GLYPHS = 0x0080;
inline constexpr DWORD SSA_RTL = 0x0100;
inline constexpr DWORD SSA_GCP = 0x0200;
inline constexpr DWORD SSA_HOTKEY = 0x0400;
inline constexpr DWORD SSA_METAFILE = 0x0800;
inline constexpr DWORD SSA_LINK = 0x1000;

HRESULT ScriptItemize(const WCHAR* text, int length, int maxItems, const SCRIPT_CONTROL* control,
                      const SCRIPT_STATE* state, SCRIPT_ITEM* items, int* itemCount);
HRESULT ScriptShape(HDC dc, SCRIPT_CACHE* cache, const WCHAR* text, int length, int maxGlyphs,
                    SCRIPT_ANALYSIS* analysis, WORD* glyphs, WORD* clusters, SCRIPT_VISATTR* visAttrs,
                    int* glyphCount);
HRESULT ScriptPlace(HDC dc, SCRIPT_CACHE* cache, const WORD* glyphs, int glyphCount, const SCRIPT_VISATTR* visAttrs,
                    SCRIPT_ANALYSIS* analysis, int* advances, GOFFSET* offsets, ABC* extent);
HRESULT ScriptBreak(const WCHAR* text, int length, const SCRIPT_ANALYSIS* analysis, SCRIPT_LOGATTR* logAttrs);
HRESULT ScriptJustify(const SCRIPT_VISATTR* visAttrs, const int* advances, int glyphCount, int dx, int minKashida,
                      int* justified);
HRESULT ScriptTextOut(HDC dc, SCRIPT_CACHE* cache, int x, int y, UINT options, const RECT* rect,
                      const SCRIPT_ANALYSIS* analysis, const WCHAR* reserved, int reservedCount, const WORD* glyphs,
                      int glyphCount, const int* advances, const int* justified, const GOFFSET* offsets);
HRESULT ScriptGetProperties(const SCRIPT_PROPERTIES*** properties, int* scriptCount);
HRESULT ScriptFreeCache(SCRIPT_CACHE* cache);
HRESULT ScriptRecordDigitSubstitution(LCID locale, SCRIPT_DIGITSUBSTITUTE* substitution);
HRESULT ScriptApplyDigitSubstitution(const SCRIPT_DIGITSUBSTITUTE* substitution, SCRIPT_CONTROL* control,
                                     SCRIPT_STATE* state);
HRESULT ScriptGetFontProperties(HDC dc, SCRIPT_CACHE* cache, SCRIPT_FONTPROPERTIES* properties);

// charset -1: `text` is UTF-16; otherwise bytes in the ANSI code page.
HRESULT ScriptStringAnalyse(HDC dc, const void* text, int length, int glyphRoom, int charset, DWORD flags,
                            int requiredWidth, SCRIPT_CONTROL* control, SCRIPT_STATE* state, const int* dx,
                            SCRIPT_TABDEF* tabs, const BYTE* inClass, SCRIPT_STRING_ANALYSIS* analysis);
HRESULT ScriptStringOut(SCRIPT_STRING_ANALYSIS analysis, int x, int y, UINT options, const RECT* clip,
                        int minSelection, int maxSelection, BOOL disabled);
HRESULT ScriptStringFree(SCRIPT_STRING_ANALYSIS* analysis);
HRESULT ScriptStringCPtoX(SCRIPT_STRING_ANALYSIS analysis, int characterPosition, BOOL trailing, int* x);
const SIZE* ScriptString_pSize(SCRIPT_STRING_ANALYSIS analysis);
