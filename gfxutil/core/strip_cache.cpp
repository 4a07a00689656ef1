// RenderStrips and the string cache: runs the font cannot shape are rendered whole by the script
// layer, with its fallback fonts, and cut into strips at character boundaries; the strips are kept
// in a trie keyed by the run's exact text, so a run is analysed and rasterised once.
//
// The key is the text alone: a recurrence of the same text in the other reading direction reuses
// the first rendering.
#include <algorithm>

#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"

namespace gfxutil::core {
namespace {

// Frees the analysis on every path out of RenderStrips.
class StringAnalysis {
public:
    ~StringAnalysis() {
        if (m_analysis != nullptr) {
            fontProcess().scriptStringFree(&m_analysis);
        }
    }
    SCRIPT_STRING_ANALYSIS* put() { return &m_analysis; }
    SCRIPT_STRING_ANALYSIS get() const { return m_analysis; }

private:
    SCRIPT_STRING_ANALYSIS m_analysis = nullptr;
};

// Calls `strip(start, width)` for each strip of the span [a, b), cut from its lower end into
// pieces at most `cell` wide.
template <class Strip>
void forEachStrip(INT a, INT b, INT cell, Strip strip) {
    for (INT start = a; start < b; start += cell) {
        strip(start, std::min(cell, b - start));
    }
}

}  // namespace

HRESULT TextureFont::RenderStrips(const WCHAR* text, INT length, bool rightToLeft, UINT* count, GlyphRecord** strips,
                                  INT** widths) {
    if (length <= 0) {
        *count = 0;
        *strips = nullptr;
        *widths = nullptr;
        return S_OK;
    }
    // 1. Find the run's node, inserting the units not there yet (siblings in descending order).
    StripCacheNode** link = &m_stringCache;
    StripCacheNode* node = nullptr;
    for (INT i = 0; i < length; ++i) {
        const WCHAR unit = text[i];
        while (*link != nullptr && (*link)->unit > unit) {
            link = &(*link)->sibling;
        }
        if (*link == nullptr || (*link)->unit < unit) {
            auto* inserted = new (std::nothrow) StripCacheNode{unit, nullptr, *link, -1, nullptr, nullptr};
            if (inserted == nullptr) {
                return E_OUTOFMEMORY;
            }
            *link = inserted;
        }
        node = *link;
        link = &node->child;
    }
    // 2. Rendered before: the cached strips.
    if (node->stripCount != -1) {
        *count = static_cast<UINT>(node->stripCount);
        *strips = node->strips;
        *widths = node->stripWidths;
        return S_OK;
    }
    // 3. Analyse and draw the whole run at the DIB's origin.
    const FontProcess& process = fontProcess();
    StringAnalysis analysis;
    const DWORD flags = SSA_LINK | SSA_GLYPHS | SSA_FALLBACK | (rightToLeft ? SSA_RTL : 0);
    HRESULT hr = process.scriptStringAnalyse(m_dc, text, length, static_cast<INT>(glyphRoomFor(length)), -1, flags, 0,
                                             &m_scriptControl, &m_scriptState, nullptr, nullptr, nullptr,
                                             analysis.put());
    if (FAILED(hr)) {
        return hr;
    }
    const SIZE* size = process.scriptString_pSize(analysis.get());
    const INT stringWidth = size != nullptr ? std::max<INT>(size->cx, 0) : 0;
    const INT stringHeight = size != nullptr ? std::max<INT>(size->cy, 0) : 0;
    if (stringWidth > m_bitmapWidth) {
        // The DIB only widens, and never gets lower than it is (at least the cell height).
        if (FAILED(hr = replaceBitmap(stringWidth, std::max(stringHeight, m_bitmapHeight)))) {
            return hr;
        }
    }
    // A strip is no taller than the bitmap, nor than its cell.
    const INT stripHeight = std::min({stringHeight, m_bitmapHeight, static_cast<INT>(m_stripPool.cellSize)});
    process.scriptStringOut(analysis.get(), 0, 0, ETO_OPAQUE, nullptr, 0, 0, FALSE);
    // 4, 5. Cut, rasterise and keep.
    if (FAILED(hr = cutStrips(analysis.get(), length, stringWidth, stripHeight, *node))) {
        return hr;
    }
    *count = static_cast<UINT>(node->stripCount);
    *strips = node->strips;
    *widths = node->stripWidths;
    return S_OK;
}

// Step 4 of RenderStrips: strips between consecutive character boundaries, at most a strip cell
// wide; one pass counts them, the second rasterises them into the node's new arrays.
HRESULT TextureFont::cutStrips(SCRIPT_STRING_ANALYSIS analysis, INT length, INT width, INT height,
                               StripCacheNode& node) {
    const FontProcess& process = fontProcess();
    const INT cell = static_cast<INT>(m_stripPool.cellSize);
    auto walk = [&](auto onStrip) {
        INT previous = 0;
        process.scriptStringCPtoX(analysis, 0, FALSE, &previous);
        for (INT i = 0; i < length; ++i) {
            INT x = previous;
            process.scriptStringCPtoX(analysis, i, TRUE, &x);
            if (x != previous) {
                const INT a = std::clamp(std::min(previous, x), 0, width);
                const INT b = std::clamp(std::max(previous, x), 0, width);
                forEachStrip(a, b, cell, onStrip);
                previous = x;
            }
        }
    };
    INT count = 0;
    walk([&](INT, INT) { ++count; });
    auto* records = new (std::nothrow) GlyphRecord[std::max(count, 1)]{};
    auto* widths = new (std::nothrow) INT[std::max(count, 1)]{};
    if (records == nullptr || widths == nullptr) {
        delete[] records;
        delete[] widths;
        return E_OUTOFMEMORY;
    }
    HRESULT hr = S_OK;
    INT k = 0;
    walk([&](INT start, INT stripWidth) {
        if (SUCCEEDED(hr)) {
            hr = RasterizeCell(start, stripWidth, height, m_stripPool, records[k]);
            widths[k++] = stripWidth;
        }
    });
    if (FAILED(hr)) {
        delete[] records;
        delete[] widths;
        return hr;
    }
    node.stripCount = count;
    node.strips = records;
    node.stripWidths = widths;
    return S_OK;
}

// A wider DIB for a long run, selected in place of the old one, which is deleted.
HRESULT TextureFont::replaceBitmap(INT width, INT height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        return E_OUTOFMEMORY;
    }
    SelectObject(m_dc, bitmap);
    DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    m_bitmapWidth = width;
    m_bitmapHeight = height;
    m_bitmapBits = static_cast<BYTE*>(bits);
    return S_OK;
}

// Frees every node without recursion or allocation (a long run makes a deep chain of children):
// seen as a binary tree (child left, sibling right), each node with a child is rotated until it
// has none, then freed and left by its sibling.
void TextureFont::freeStringCache() {
    StripCacheNode* node = m_stringCache;
    m_stringCache = nullptr;
    while (node != nullptr) {
        if (node->child != nullptr) {
            StripCacheNode* child = node->child;
            node->child = child->sibling;
            child->sibling = node;
            node = child;
            continue;
        }
        StripCacheNode* next = node->sibling;
        delete[] node->strips;
        delete[] node->stripWidths;
        delete node;
        node = next;
    }
}

}  // namespace gfxutil::core
