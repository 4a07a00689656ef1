// The font's public interface: ID3DXFont, its identifier, the font descriptors, the creation
// functions and the DrawText format flags.
//
// A font turns a GDI font into cache textures a device can draw: every glyph it meets is rendered
// once with GDI into a cell of an A8R8G8B8 texture (white colour, coverage in alpha, with
// gamma-correct mip levels), and text is laid out from those cells and drawn as one sprite quad
// per visible glyph.
//
// Callers rely on:
// - every operation checks its arguments first; a refusal writes one line on the library's
//   diagnostic channel (gfxutil/core/diagnostics.h) and returns its status; output arguments are
//   written only on success;
// - a font comes out of creation with one reference the caller owns; it holds the device and the
//   textures it creates (managed, so they survive a device reset) and releases them with its last
//   reference; only the internal sprite needs OnLostDevice / OnResetDevice;
// - cached glyphs are never evicted, and the caches only grow;
// - one thread uses a font at a time (the count is not interlocked, and layout works in member
//   arrays); the first creation of the process does a one-time, unguarded set-up.
#pragma once

#include "gfxutil/core/shared_types.h"
#include "gfxutil/core/sprite.h"
#include "platform/d3d9/d3d9.h"
#include "platform/gdi/gdi.h"
#include "platform/win32/types.h"

// ---- DrawText format flags -----------------------------------------------------------------------
// Any other bit is refused ("Format contains unsupported flags").
inline constexpr DWORD DT_TOP = 0x00000000;
inline constexpr DWORD DT_LEFT = 0x00000000;
inline constexpr DWORD DT_CENTER = 0x00000001;       // block and each line centred horizontally
inline constexpr DWORD DT_RIGHT = 0x00000002;        // block and each line right-aligned (not with DT_CENTER)
inline constexpr DWORD DT_VCENTER = 0x00000004;      // block centred vertically
inline constexpr DWORD DT_BOTTOM = 0x00000008;       // block bottom-aligned (not with DT_VCENTER)
inline constexpr DWORD DT_WORDBREAK = 0x00000010;    // wrap at the rectangle's width
inline constexpr DWORD DT_SINGLELINE = 0x00000020;   // line breaks do not break; no wrap, no height limit
inline constexpr DWORD DT_EXPANDTABS = 0x00000040;   // tabs to the next multiple of 8 average widths
inline constexpr DWORD DT_NOCLIP = 0x00000100;       // no clipping, no height limit
inline constexpr DWORD DT_CALCRECT = 0x00000400;     // measure only: write the block's rectangle
inline constexpr DWORD DT_RTLREADING = 0x00020000;   // right-to-left paragraph

// ---- descriptors ---------------------------------------------------------------------------------
struct D3DXFONT_DESCA {
    INT Height;   // GDI height: positive the cell height, negative the character height
    UINT Width;
    UINT Weight;
    UINT MipLevels;  // 0: the full chain of a cell
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    CHAR FaceName[LF_FACESIZE];
};
static_assert(sizeof(D3DXFONT_DESCA) == 56);

struct D3DXFONT_DESCW {
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    WCHAR FaceName[LF_FACESIZE];
};
static_assert(sizeof(D3DXFONT_DESCW) == 88);

using LPD3DXFONT_DESCA = D3DXFONT_DESCA*;
using LPD3DXFONT_DESCW = D3DXFONT_DESCW*;

// ---- interface -------------------------------------------------------------------------------------
// Slots in table order: QueryInterface, AddRef, Release (IUnknown), then slots 3 to 15 below.
// GetTextMetricsA and GetTextMetricsW come after the sixteen (slots 16 and 17), so that callers
// written against the sixteen find every slot where they expect it.
class ID3DXFont : public IUnknown {
public:
    // ppDevice receives the device with a reference added.
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // The descriptor the font was created from, as GDI reports the font (Quality as substituted).
    virtual HRESULT GetDescA(D3DXFONT_DESCA* pDesc) = 0;
    virtual HRESULT GetDescW(D3DXFONT_DESCW* pDesc) = 0;
    // The memory DC with the font selected; it belongs to the font.
    virtual HDC GetDC() = 0;
    // The cache cell of a glyph index, caching it first. A glyph without visible pixels gives a
    // null texture and zeroed rectangle and point. Each output may be null.
    virtual HRESULT GetGlyphData(UINT Glyph, IDirect3DTexture9** ppTexture, RECT* pBlackBox, POINT* pCellInc) = 0;
    // Caches the glyphs of the characters First ... Last (clipped to the font's range).
    virtual HRESULT PreloadCharacters(UINT First, UINT Last) = 0;
    // Caches the glyph indices First ... Last (Last clipped to 0xFFFF).
    virtual HRESULT PreloadGlyphs(UINT First, UINT Last) = 0;
    // Caches every glyph the text needs, drawing nothing. Count -1: up to the terminating zero.
    virtual HRESULT PreloadTextA(LPCSTR pString, INT Count) = 0;
    virtual HRESULT PreloadTextW(LPCWSTR pString, INT Count) = 0;
    // Lays out and draws the text; returns the height of the drawn block, 0 on failure. pSprite:
    // a caller sprite between its Begin and End (the quads are queued in it), or null for the
    // font's own. pRect is written with DT_CALCRECT. Format: DT_* above.
    virtual INT DrawTextA(ID3DXSprite* pSprite, LPCSTR pString, INT Count, RECT* pRect, DWORD Format,
                          D3DCOLOR Color) = 0;
    virtual INT DrawTextW(ID3DXSprite* pSprite, LPCWSTR pString, INT Count, RECT* pRect, DWORD Format,
                          D3DCOLOR Color) = 0;
    // Forwarded to the internal sprite when it exists.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
    // The metrics of the selected font. TRUE on success; FALSE (with a diagnostic line) for a null
    // pointer or when GDI cannot give them, as the GDI call they stand for answers.
    virtual BOOL GetTextMetricsA(TEXTMETRICA* pTextMetrics) = 0;
    virtual BOOL GetTextMetricsW(TEXTMETRICW* pTextMetrics) = 0;
};

using LPD3DXFONT = ID3DXFont*;

WIN32_DECLARE_IID(ID3DXFont, {0x0B8D1536, 0x9EEC, 0x49B0, {0xA5, 0xAD, 0x93, 0xCF, 0x63, 0xAF, 0xB7, 0xC6}});

// ---- creation ---------------------------------------------------------------------------------------
// The face name is copied up to 32 units and always ends with a zero. ppFont null: "ppFont
// pointer is invalid", D3DERR_INVALIDCALL; pDevice / pDesc null: "pDevice pointer is invalid" /
// "pDesc pointer is invalid", D3DERR_INVALIDCALL. *ppFont is written only on success.
HRESULT D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCSTR pFaceName,
                        ID3DXFont** ppFont);
HRESULT D3DXCreateFontW(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCWSTR pFaceName,
                        ID3DXFont** ppFont);
HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc, ID3DXFont** ppFont);
HRESULT D3DXCreateFontIndirectW(IDirect3DDevice9* pDevice, const D3DXFONT_DESCW* pDesc, ID3DXFont** ppFont);
