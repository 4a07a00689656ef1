// TextureFont: the font object behind ID3DXFont, with its glyph cache and its text layout.
//
// A GDI font is selected into a memory DC over a 32-bit top-down DIB section. Each glyph is drawn
// white on black at the DIB's origin and its coverage (the green byte) copied into a cell of an
// A8R8G8B8 managed texture, white with the coverage as alpha; smaller levels hold the weighted
// linear-light average of the glyph's own box, re-encoded with the gamma-2.2 curve. Cells are
// power-of-two squares filled in Morton order from three pools: small glyphs, large glyphs (wider
// than a small cell) and strips (pieces of whole runs that the font cannot shape, rendered with the
// script layer's fallback fonts and cached by their text). Nothing is ever evicted.
//
// Who keeps whom alive: the font holds a reference on the device, on every cache texture and on
// its internal sprite; glyph records point at the textures without references of their own. The
// GDI objects (DC, font, DIB) belong to the font. Its last Release frees all of it.
//
// Choices made here:
// - The one-time process set-up remembers its status. When it failed (an entry point was
//   missing), every later creation fails with that same status instead of running with entry
//   points that were never found.
// - The strip path may widen the DIB for a long run; the DIB never gets lower than the font's
//   cell height, and a strip is never taller than its cell.
// - The width GDI reports for a glyph is kept within the DIB's width (and so within a large cell).
// - The mip scratch buffer exists when either glyph pool has more than one level.
// - The string cache is freed without recursion, so a long cached run cannot exhaust the stack.
// - A run whose placing failed has a zero extent, so it counts as nothing for wrapping.
// - Counts below -1 are read like -1 (up to the terminating zero).
// (Text layout choices are written beside the layout functions in line_layout.cpp.)
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "gfxutil/core/font.h"
#include "gfxutil/core/sprite.h"
#include "platform/usp/usp.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::core {

// The glyph room the shaper is first offered for a text of `length` units: one and a half glyphs
// per unit and 16 more, computed wide so that a huge count cannot wrap it.
inline UINT glyphRoomFor(INT length) {
    const std::uint64_t room = std::uint64_t{static_cast<UINT>(length)} * 3 / 2 + 16;
    return room > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<UINT>(room);
}

// The marker of a glyph that has no visible pixels (all bits set).
inline IDirect3DTexture9* noPixels() { return reinterpret_cast<IDirect3DTexture9*>(~std::uintptr_t{0}); }

// One cached glyph or strip.
struct GlyphRecord {
    IDirect3DTexture9* texture;  // null: not rendered yet; noPixels(): nothing visible
    WORD left, top, right, bottom;  // texel rectangle, right and bottom exclusive
    SHORT originX, originY;         // the rectangle's corner relative to the pen at the line's top
};

using GlyphPage = std::array<GlyphRecord, 256>;

// One cell-size class of the cache.
struct GlyphCellPool {
    IDirect3DTexture9* texture;  // the texture being filled (held through the font's texture list)
    UINT used;                   // Morton index of the next free texel
    UINT cellSize;
    UINT cellArea;
    UINT levels;
    UINT textureSize;
    UINT textureArea;
};

// A node of the string cache: a trie over UTF-16 units keyed by the exact run text.
struct StripCacheNode {
    WCHAR unit;
    StripCacheNode* child;    // next unit
    StripCacheNode* sibling;  // next alternative at this position (descending units)
    INT stripCount;           // -1: this prefix has not been rendered
    GlyphRecord* strips;
    INT* stripWidths;
};

struct TextRun {
    DWORD item;        // its SCRIPT_ITEM (0 on the GDI path)
    DWORD firstChar;   // in the converted text
    DWORD firstGlyph;  // in the glyph arrays
    DWORD flags;       // kRun* below
};
static_assert(sizeof(TextRun) == 16);

inline constexpr DWORD kRunCarriageReturn = 1;
inline constexpr DWORD kRunLineFeed = 2;
inline constexpr DWORD kRunTab = 4;
inline constexpr DWORD kRunRightToLeft = 8;

struct TextLine {
    DWORD firstGlyph;
    DWORD endGlyph;  // exclusive
    INT width;
};
static_assert(sizeof(TextLine) == 12);

// A work array that only grows: 16 elements at first, then doubling until the request fits.
// `keep` says whether the old contents are copied; memory failure leaves the array as it was.
template <class T>
class GrowableArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    GrowableArray() = default;
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;
    ~GrowableArray() { std::free(m_data); }

    bool grow(UINT count, bool keep) {
        if (count <= m_capacity) {
            return true;
        }
        std::uint64_t capacity = m_capacity == 0 ? 16 : std::uint64_t{m_capacity} * 2;
        while (capacity < count) {
            capacity *= 2;
        }
        if (capacity * sizeof(T) > 0x7FFFFFFFu) {
            return false;
        }
        T* data = static_cast<T*>(std::malloc(capacity * sizeof(T)));
        if (data == nullptr) {
            return false;
        }
        if (keep && m_capacity != 0) {
            std::memcpy(static_cast<void*>(data), m_data, std::size_t{m_capacity} * sizeof(T));
        }
        std::free(m_data);
        m_data = data;
        m_capacity = static_cast<UINT>(capacity);
        return true;
    }
    T* data() const { return m_data; }
    UINT capacity() const { return m_capacity; }
    T& operator[](std::size_t i) const { return m_data[i]; }

private:
    T* m_data = nullptr;
    UINT m_capacity = 0;
};

class TextureFont final : public ComObject<TextureFont, ID3DXFont> {
public:
    TextureFont() = default;
    ~TextureFont() override;

    // Initialisation steps 1 to 11; `desc` is a D3DXFONT_DESCW when wide, else a D3DXFONT_DESCA.
    HRESULT initialize(IDirect3DDevice9* device, const void* desc, bool wide);

    static HRESULT refuseNullQueryOutput();

    // ---- ID3DXFont ----
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override;
    HRESULT GetDescW(D3DXFONT_DESCW* pDesc) override;
    HDC GetDC() override { return m_dc; }
    HRESULT GetGlyphData(UINT Glyph, IDirect3DTexture9** ppTexture, RECT* pBlackBox, POINT* pCellInc) override;
    HRESULT PreloadCharacters(UINT First, UINT Last) override;
    HRESULT PreloadGlyphs(UINT First, UINT Last) override;
    HRESULT PreloadTextA(LPCSTR pString, INT Count) override;
    HRESULT PreloadTextW(LPCWSTR pString, INT Count) override;
    INT DrawTextA(ID3DXSprite* pSprite, LPCSTR pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
    INT DrawTextW(ID3DXSprite* pSprite, LPCWSTR pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
    HRESULT OnLostDevice() override;
    HRESULT OnResetDevice() override;
    BOOL GetTextMetricsA(TEXTMETRICA* pTextMetrics) override;
    BOOL GetTextMetricsW(TEXTMETRICW* pTextMetrics) override;

    // ---- the glyph cache ----
    // Finds (allocating pages) and renders what is missing; records[i] receives each record's
    // address when records is not null.
    HRESULT CacheGlyphs(const WORD* indices, UINT count, GlyphRecord** records);
    // Copies w x h pixels of the DIB from column sx into the next cell of `pool`.
    HRESULT RasterizeCell(INT sx, INT w, INT h, GlyphCellPool& pool, GlyphRecord& record);
    // The strips of a run the font cannot shape, rendered once and kept by the run's text.
    HRESULT RenderStrips(const WCHAR* text, INT length, bool rightToLeft, UINT* count, GlyphRecord** strips,
                         INT** widths);
    UINT MapGlyphToFont(UINT code);

    // ---- text ----
    HRESULT ProcessText(ID3DXSprite* sprite, const void* text, INT count, RECT* rect, DWORD format, D3DCOLOR color,
                        bool wide, INT* heightOut);

    // For tests: what the cache holds.
    const TEXTMETRICW& metrics() const { return m_metrics; }
    const GlyphCellPool& smallPool() const { return m_smallPool; }
    const GlyphCellPool& largePool() const { return m_largePool; }
    const GlyphCellPool& stripPool() const { return m_stripPool; }
    UINT textureCount() const { return static_cast<UINT>(m_textures.size()); }
    IDirect3DTexture9* texture(UINT i) const { return m_textures[i].get(); }
    bool hasMipScratch() const { return !m_mipScratch.empty(); }
    WORD blankGlyph() const { return m_fontProperties.wgBlank; }
    WORD defaultGlyph() const { return m_fontProperties.wgDefault; }
    const GlyphRecord* findRecord(UINT glyph) const;
    UINT lineCount() const { return m_lineCount; }
    const TextLine& line(UINT i) const { return m_lines[i]; }
    UINT runCount() const { return m_runCount; }
    const TextRun& run(UINT i) const { return m_runs[i]; }
    UINT glyphCount() const { return m_glyphCount; }
    WORD glyph(UINT i) const { return m_glyphs[i]; }
    INT advance(UINT i) const { return m_advances[i]; }
    INT glyphX(UINT i) const { return m_glyphX[i]; }
    const WORD* clusters() const { return m_clusters.data(); }
    INT bitmapHeight() const { return m_bitmapHeight; }

private:
    // Creation steps, in order.
    HRESULT createFontObject(const void* desc, bool wide);
    HRESULT createBitmap();
    HRESULT chooseCellSizes(const D3DXFONT_DESCW& sizes);
    HRESULT findFontGlyphs();
    // Caching helpers.
    INT renderGlyph(WORD glyph);
    HRESULT createPoolTexture(GlyphCellPool& pool);
    void buildMipLevels(IDirect3DTexture9* texture, UINT levels, UINT cellSize, UINT cx, UINT cy);
    HRESULT replaceBitmap(INT width, INT height);
    HRESULT cutStrips(SCRIPT_STRING_ANALYSIS analysis, INT length, INT width, INT height, StripCacheNode& node);
    void freeStringCache();

    // Text steps, in order.
    HRESULT shapeWithScript(const void* text, INT length, bool wide, bool rtl);
    HRESULT shapeRun(UINT r, bool rtl, UINT& glyphRoom);
    HRESULT shapeWithGdi(const void* text, INT length, bool wide, bool rtl);
    HRESULT splitGdiRuns(INT n);
    void reverseRightToLeftBlocks();
    // Where the line being laid out stands.
    struct LineCursor {
        INT x;
        UINT lineStart;     // first glyph of the line
        UINT lineStartRun;  // first run of the line
        INT wrapWidth;
        bool wrapping;
    };
    HRESULT layOutLines(DWORD format, const RECT* rect);
    HRESULT breakLine(LineCursor& line, UINT end, UINT endRun, UINT nextStart, UINT nextRun);
    HRESULT expandTab(UINT r, LineCursor& line);
    HRESULT placeWord(UINT r, LineCursor& line);
    HRESULT EmitLine(UINT start, UINT end, UINT firstRun, UINT endRun);
    HRESULT drawLines(ID3DXSprite* sprite, const RECT* rect, DWORD format, D3DCOLOR color, INT x0, INT y0);
    bool growRuns(UINT count);

    // ---- object ----
    ComPtr<IDirect3DDevice9> m_device;
    ComPtr<ID3DXSprite> m_sprite;
    HDC m_dc = nullptr;
    HFONT m_gdiFont = nullptr;
    HGDIOBJ m_previousFont = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previousBitmap = nullptr;
    INT m_bitmapWidth = 0;
    INT m_bitmapHeight = 0;
    BYTE* m_bitmapBits = nullptr;
    GLYPHSET* m_unicodeRanges = nullptr;
    bool m_unicodeRangesFetched = false;
    TEXTMETRICW m_metrics{};
    DWORD m_languageInfo = 0;
    SCRIPT_CACHE m_scriptCache = nullptr;
    SCRIPT_FONTPROPERTIES m_fontProperties{};
    UINT m_pagesUsed = 0;
    std::array<GlyphPage*, 256> m_glyphPages{};
    StripCacheNode* m_stringCache = nullptr;
    D3DFORMAT m_textureFormat = D3DFMT_A8R8G8B8;
    std::vector<ComPtr<IDirect3DTexture9>> m_textures;
    GlyphCellPool m_smallPool{};
    GlyphCellPool m_largePool{};
    GlyphCellPool m_stripPool{};
    std::vector<std::pair<float, float>> m_mipScratch;  // (coverage, weight) per texel of a cell
    UINT m_mipLevels = 0;

    // ---- layout work arrays (reused from call to call, never shrinking) ----
    SCRIPT_STATE m_scriptState{};
    SCRIPT_CONTROL m_scriptControl{};
    GrowableArray<SCRIPT_ITEM> m_items;
    GrowableArray<TextRun> m_runs;
    GrowableArray<ABC> m_runExtents;
    GrowableArray<CHAR> m_narrowText;
    GrowableArray<WCHAR> m_wideText;
    const WCHAR* m_wideTextOfRuns = nullptr;  // the UTF-16 text the script runs index
    GrowableArray<UINT> m_glyphOrder;
    GrowableArray<CHAR> m_classes;
    GrowableArray<SCRIPT_LOGATTR> m_logAttrs;
    GrowableArray<WORD> m_clusters;
    GrowableArray<WORD> m_glyphs;
    GrowableArray<GlyphRecord*> m_glyphRecords;
    GrowableArray<INT> m_advances;
    GrowableArray<INT> m_glyphX;
    GrowableArray<GOFFSET> m_offsets;
    GrowableArray<SCRIPT_VISATTR> m_visAttrs;
    GrowableArray<TextLine> m_lines;
    UINT m_lineCount = 0;
    UINT m_runCount = 0;    // runs before the sentinel
    UINT m_glyphCount = 0;  // glyphs of the text being processed
    INT m_maxWidth = 0;
    INT m_totalHeight = 0;
    bool m_rtl = false;
};

}  // namespace gfxutil::core
