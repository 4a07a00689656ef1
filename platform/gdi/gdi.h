// The GDI services the text code needs: memory device contexts, fonts, top-down 32-bit DIB
// sections, glyph rendering, metrics and character placement, over FreeType and fontconfig.
//
// Callers rely on this much: a font created with CreateFontIndirectW/A is matched to an installed
// face through fontconfig ("Arial" finds its metric twin, Liberation Sans), sized the way GDI sizes
// it (a positive height is the cell height, ascent + descent; a negative one the character height,
// the cell less the internal leading), and reports the face name as requested. Text drawn with
// ExtTextOutW/A into a DIB section selected into a memory DC is FreeType's hinted rendering:
// grey coverage for quality 0 and ANTIALIASED_QUALITY, bi-level for NONANTIALIASED_QUALITY.
// White text on a black background therefore leaves the coverage (0 ... 255) in each of the blue,
// green and red bytes of every pixel: the coverage is FreeType's, linear in the area covered, and
// blends the text colour over the pixel as (text × c + old × (255 − c) + 127) / 255 per channel. Coordinates are MM_TEXT pixels; text is aligned to the top of
// its cell (TA_TOP), so the baseline lies tmAscent below the y given.
//
// What is not here: printing, metafiles, paths, regions, brushes and pens other than the stock
// objects of the window layer, bitmaps other than DIB sections, any mapping mode but MM_TEXT.
// A call on something that is not one of our objects fails as GDI fails it (0, null or
// GDI_ERROR) and notes the refusal on the platform trace channel.
#pragma once

#include "platform/win32/types.h"

using COLORREF = DWORD;
using LPCOLORREF = COLORREF*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

inline constexpr UINT GDI_ERROR = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// ---- mapping mode, text alignment, background mode --------------------------------------------
inline constexpr int MM_TEXT = 1;

inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// ---- ExtTextOut options -------------------------------------------------------------------------
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;
inline constexpr UINT ETO_GLYPH_INDEX = 0x0010;
inline constexpr UINT ETO_RTLREADING = 0x0080;
inline constexpr UINT ETO_IGNORELANGUAGE = 0x1000;

// ---- fonts ----------------------------------------------------------------------------------------
inline constexpr int LF_FACESIZE = 32;

inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_THIN = 100;
inline constexpr LONG FW_LIGHT = 300;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_MEDIUM = 500;
inline constexpr LONG FW_SEMIBOLD = 600;
inline constexpr LONG FW_BOLD = 700;
inline constexpr LONG FW_HEAVY = 900;

inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SYMBOL_CHARSET = 2;
inline constexpr BYTE HANGUL_CHARSET = 129;
inline constexpr BYTE HEBREW_CHARSET = 177;
inline constexpr BYTE ARABIC_CHARSET = 178;

inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;

inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DRAFT_QUALITY = 1;
inline constexpr BYTE PROOF_QUALITY = 2;
inline constexpr BYTE NONANTIALIASED_QUALITY = 3;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;

inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
inline constexpr BYTE FF_SCRIPT = 0x40;
inline constexpr BYTE FF_DECORATIVE = 0x50;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92);

// tmPitchAndFamily bits.
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;  // set when the font is NOT fixed pitch (GDI's own inversion)
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;
inline constexpr BYTE TMPF_DEVICE = 0x08;

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICA) == 56);

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICW) == 60);

// Widths of one glyph: A is the space before its black box, B the box, C the space after it.
struct ABC {
    int abcA;
    UINT abcB;
    int abcC;
};
static_assert(sizeof(ABC) == 12);
using LPABC = ABC*;

struct WCRANGE {
    WCHAR wcLow;
    USHORT cGlyphs;
};

// A variable-length record: cRanges entries follow in ranges[], cbThis bytes in all.
struct GLYPHSET {
    DWORD cbThis;
    DWORD flAccel;
    DWORD cGlyphsSupported;
    DWORD cRanges;
    WCRANGE ranges[1];
};
using LPGLYPHSET = GLYPHSET*;

// ---- GetFontLanguageInfo and GetCharacterPlacement ------------------------------------------------
inline constexpr DWORD GCP_DBCS = 0x0001;
inline constexpr DWORD GCP_REORDER = 0x0002;
inline constexpr DWORD GCP_USEKERNING = 0x0008;
inline constexpr DWORD GCP_GLYPHSHAPE = 0x0010;
inline constexpr DWORD GCP_LIGATE = 0x0020;
inline constexpr DWORD GCP_DIACRITIC = 0x0100;
inline constexpr DWORD GCP_KASHIDA = 0x0400;
inline constexpr DWORD GCP_ERROR = 0x8000;
inline constexpr DWORD GCP_CLASSIN = 0x00080000;
inline constexpr DWORD GCP_MAXEXTENT = 0x00100000;
inline constexpr DWORD FLI_GLYPHS = 0x00040000;
inline constexpr DWORD FLI_MASK = 0x103B;

inline constexpr BYTE GCPCLASS_LATIN = 1;
inline constexpr BYTE GCPCLASS_HEBREW = 2;
inline constexpr BYTE GCPCLASS_ARABIC = 2;
inline constexpr BYTE GCPCLASS_NEUTRAL = 3;
inline constexpr BYTE GCPCLASS_LOCALNUMBER = 4;
inline constexpr BYTE GCPCLASS_LATINNUMBER = 5;
inline constexpr BYTE GCPCLASS_LATINNUMERICTERMINATOR = 6;
inline constexpr BYTE GCPCLASS_LATINNUMERICSEPARATOR = 7;
inline constexpr BYTE GCPCLASS_NUMERICSEPARATOR = 8;
inline constexpr BYTE GCPCLASS_POSTBOUNDRTL = 0x10;
inline constexpr BYTE GCPCLASS_POSTBOUNDLTR = 0x20;
inline constexpr BYTE GCPCLASS_PREBOUNDRTL = 0x40;
inline constexpr BYTE GCPCLASS_PREBOUNDLTR = 0x80;

// Every array pointer may be null (not asked for). lStructSize is sizeof the record here; the
// pointers make it larger than on a 32-bit system, and nothing relies on the old size.
struct GCP_RESULTSA {
    DWORD lStructSize;
    LPSTR lpOutString;
    UINT* lpOrder;
    int* lpDx;
    int* lpCaretPos;
    LPSTR lpClass;
    LPWSTR lpGlyphs;
    UINT nGlyphs;
    int nMaxFit;
};

struct GCP_RESULTSW {
    DWORD lStructSize;
    LPWSTR lpOutString;
    UINT* lpOrder;
    int* lpDx;
    int* lpCaretPos;
    LPSTR lpClass;
    LPWSTR lpGlyphs;
    UINT nGlyphs;
    int nMaxFit;
};

// ---- DIB sections ---------------------------------------------------------------------------------
inline constexpr DWORD BI_RGB = 0;
inline constexpr UINT DIB_RGB_COLORS = 0;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // negative: rows top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// ---- device contexts and objects ------------------------------------------------------------------
HDC CreateCompatibleDC(HDC dc);  // only null (the screen) is accepted as the model
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);  // fonts and DIB sections; returns the one replaced
BOOL DeleteObject(HGDIOBJ object);             // fails while the object is selected into a DC
int GetObjectA(HANDLE object, int size, LPVOID buffer);  // fonts: LOGFONTA
int GetObjectW(HANDLE object, int size, LPVOID buffer);  // fonts: LOGFONTW

int SetMapMode(HDC dc, int mode);
UINT SetTextAlign(HDC dc, UINT align);
int SetBkMode(HDC dc, int mode);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF SetTextColor(HDC dc, COLORREF color);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);

HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontIndirectW(const LOGFONTW* font);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
DWORD GetFontLanguageInfo(HDC dc);

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// With ETO_GLYPH_INDEX the "text" is glyph indices (WORDs; in the narrow form, one glyph index per
// byte). With TA_UPDATECP in the DC's alignment the text starts at the current position, which
// then advances by the text's width, and x, y are ignored. In OPAQUE background mode the text's
// box (its advances across, tmHeight down, widened to any ink outside that) is cleared to the
// background colour first, so a glyph drawn over an earlier one at the same place leaves nothing
// of it behind.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);

// At most results->nGlyphs characters are placed (the room in the arrays); the rules for order,
// classes and advances are in character_placement.cpp.
DWORD GetCharacterPlacementA(HDC dc, LPCSTR text, int count, int maxExtent, GCP_RESULTSA* results, DWORD flags);
DWORD GetCharacterPlacementW(HDC dc, LPCWSTR text, int count, int maxExtent, GCP_RESULTSW* results, DWORD flags);

// Looked up at run time in "gdi32.dll" by the text code; declared for tests and direct callers.
BOOL GetCharABCWidthsI(HDC dc, UINT firstGlyph, UINT count, WORD* glyphs, ABC* widths);
BOOL GetCharWidthI(HDC dc, UINT firstGlyph, UINT count, WORD* glyphs, INT* widths);
// The bytes needed when glyphSet is null; otherwise glyphSet->cbThis must hold the buffer's size,
// and a buffer too small is refused (0) rather than overrun.
DWORD GetFontUnicodeRanges(HDC dc, GLYPHSET* glyphSet);
