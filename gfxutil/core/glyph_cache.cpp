// The glyph cache: the two-level glyph table, rendering a missing glyph with GDI, and the
// operations that fill or read the cache (GetGlyphData, PreloadGlyphs, PreloadCharacters).
#include <algorithm>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"

namespace gfxutil::core {

HRESULT TextureFont::CacheGlyphs(const WORD* indices, UINT count, GlyphRecord** records) {
    for (UINT i = 0; i < count; ++i) {
        const WORD g = indices[i];
        // 1. The page, allocated zeroed on first use.
        const UINT page = g >> 8;
        if (m_glyphPages[page] == nullptr) {
            m_glyphPages[page] = new (std::nothrow) GlyphPage{};
            if (m_glyphPages[page] == nullptr) {
                return E_OUTOFMEMORY;
            }
            m_pagesUsed = std::max(m_pagesUsed, page + 1);
        }
        GlyphRecord& record = (*m_glyphPages[page])[g & 0xFF];
        if (records != nullptr) {
            records[i] = &record;
        }
        if (record.texture != nullptr) {
            continue;  // rendered once in the font's life
        }
        // 2. Render it at the DIB's origin and learn its width.
        const INT width = renderGlyph(g);
        // 3. Nothing to show, or a cell of the pool its width calls for.
        if (width <= 0) {
            record.texture = noPixels();
            continue;
        }
        GlyphCellPool& pool = static_cast<UINT>(width) > m_smallPool.cellSize ? m_largePool : m_smallPool;
        const HRESULT hr = RasterizeCell(0, width, m_metrics.tmHeight, pool, record);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

// Draws one glyph at the DIB's origin; returns its width, kept within the DIB.
INT TextureFont::renderGlyph(WORD glyph) {
    const FontProcess& process = fontProcess();
    INT width = 0;
    if (process.isNT) {
        const WCHAR text = static_cast<WCHAR>(glyph);
        ExtTextOutW(m_dc, 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, &text, 1, nullptr);
        WORD g = glyph;
        if ((m_metrics.tmPitchAndFamily & TMPF_TRUETYPE) != 0) {
            ABC abc{};
            if (process.getCharABCWidthsI(m_dc, 0, 1, &g, &abc)) {
                width = abc.abcA + static_cast<INT>(abc.abcB);
            }
        } else {
            process.getCharWidthI(m_dc, 0, 1, &g, &width);
        }
    } else {
        MoveToEx(m_dc, 0, 0, nullptr);
        const CHAR text = static_cast<CHAR>(glyph);
        ExtTextOutA(m_dc, 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, &text, 1, nullptr);
        POINT end{};
        MoveToEx(m_dc, 0, 0, &end);
        width = end.x;
    }
    // GDI widths normally stay within tmMaxCharWidth, the DIB's width; a wider answer must not
    // make the copy read past the bitmap's rows, nor overflow a large cell (the DIB may have been
    // widened for a long strip run).
    return std::min({width, m_bitmapWidth, static_cast<INT>(m_largePool.cellSize)});
}

UINT TextureFont::MapGlyphToFont(UINT code) {
    const FontProcess& process = fontProcess();
    if (!process.isNT) {
        return code;
    }
    if (!m_unicodeRangesFetched) {
        m_unicodeRangesFetched = true;
        const DWORD size = process.getFontUnicodeRanges(m_dc, nullptr);
        if (size == 0) {
            return code;
        }
        m_unicodeRanges = static_cast<GLYPHSET*>(std::calloc(1, std::max<std::size_t>(size, sizeof(GLYPHSET))));
        if (m_unicodeRanges == nullptr) {
            return code;
        }
        m_unicodeRanges->cbThis = size;
        process.getFontUnicodeRanges(m_dc, m_unicodeRanges);
    }
    if (m_unicodeRanges == nullptr) {
        return code;
    }
    for (DWORD i = 0; i < m_unicodeRanges->cRanges; ++i) {
        const WCRANGE& range = m_unicodeRanges->ranges[i];
        if (code >= range.wcLow && code < UINT{range.wcLow} + range.cGlyphs) {
            return code;
        }
    }
    return m_fontProperties.wgDefault;
}

HRESULT TextureFont::GetGlyphData(UINT Glyph, IDirect3DTexture9** ppTexture, RECT* pBlackBox, POINT* pCellInc) {
    const WORD g = static_cast<WORD>(MapGlyphToFont(Glyph));
    GlyphRecord* record = nullptr;
    const HRESULT hr = CacheGlyphs(&g, 1, &record);
    if (FAILED(hr)) {
        return hr;
    }
    const bool visible = record->texture != noPixels();
    if (ppTexture != nullptr) {
        *ppTexture = visible ? record->texture : nullptr;
        if (*ppTexture != nullptr) {
            (*ppTexture)->AddRef();
        }
    }
    if (pBlackBox != nullptr) {
        *pBlackBox = visible ? RECT{record->left, record->top, record->right, record->bottom} : RECT{};
    }
    if (pCellInc != nullptr) {
        *pCellInc = visible ? POINT{record->originX, record->originY} : POINT{};
    }
    return S_OK;
}

HRESULT TextureFont::PreloadGlyphs(UINT First, UINT Last) {
    Last = std::min<UINT>(Last, 0xFFFF);
    if (Last < First) {
        return S_OK;
    }
    std::vector<WORD> indices;
    try {
        indices.resize(Last - First + 1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (UINT i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<WORD>(MapGlyphToFont(First + i));
    }
    return CacheGlyphs(indices.data(), static_cast<UINT>(indices.size()), nullptr);
}

HRESULT TextureFont::PreloadCharacters(UINT First, UINT Last) {
    const bool isNT = fontProcess().isNT;
    First = std::max<UINT>(First, m_metrics.tmFirstChar);
    Last = std::min<UINT>(Last, m_metrics.tmLastChar);
    if (!isNT && Last >= 256) {
        Last = 255;
    }
    if (Last < First) {
        return S_OK;
    }
    const UINT count = Last - First + 1;
    std::vector<WCHAR> glyphs;
    std::vector<WORD> indices;
    std::vector<WCHAR> wideText;
    std::vector<CHAR> narrowText;
    try {
        glyphs.resize(count);
        indices.resize(count);
        if (isNT) {
            wideText.resize(count);
        } else {
            narrowText.resize(count);
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    UINT found = 0;
    if (isNT) {
        for (UINT i = 0; i < count; ++i) {
            wideText[i] = static_cast<WCHAR>(First + i);
        }
        GCP_RESULTSW results{};
        results.lStructSize = sizeof results;
        results.lpGlyphs = glyphs.data();
        results.nGlyphs = count;
        GetCharacterPlacementW(m_dc, wideText.data(), static_cast<INT>(count), 0, &results, 0);
        found = results.nGlyphs;
    } else {
        for (UINT i = 0; i < count; ++i) {
            narrowText[i] = static_cast<CHAR>(First + i);
        }
        GCP_RESULTSA results{};
        results.lStructSize = sizeof results;
        results.lpGlyphs = glyphs.data();
        results.nGlyphs = count;
        GetCharacterPlacementA(m_dc, narrowText.data(), static_cast<INT>(count), 0, &results, 0);
        found = results.nGlyphs;
    }
    found = std::min(found, count);
    std::copy_n(glyphs.begin(), found, indices.begin());
    return CacheGlyphs(indices.data(), found, nullptr);
}

const GlyphRecord* TextureFont::findRecord(UINT glyph) const {
    const GlyphPage* page = glyph <= 0xFFFF ? m_glyphPages[glyph >> 8] : nullptr;
    return page != nullptr ? &(*page)[glyph & 0xFF] : nullptr;
}

}  // namespace gfxutil::core
