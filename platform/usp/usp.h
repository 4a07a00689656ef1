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
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/win32/types.h"

using LCID = DWORD;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

using SCRIPT_CACHE = void*;
using SCRIPT_STRING_ANALYSIS = void*;

inline constexpr HRESULT USP_E_SCRIPT_NOT_IN_FONT = static_cast<HRESULT>(0x80040200u);

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
