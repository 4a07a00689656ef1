// RasterizeCell: copying the coverage GDI left in the DIB into the next cell of a pool, with
// gamma-correct mip levels.
//
// Level 0 holds the coverage as alpha exactly as GDI produced it (gamma-encoded), with white
// colour, so the colour given to the sprite modulates it. Each smaller level is the average of the
// glyph's own box in linear light, re-encoded: texels outside the glyph's bounding box carry no
// weight, so a glyph does not fade into the transparent border of its cell as it shrinks.
#include <algorithm>

#include "gfxutil/core/texture_font.h"
#include "gfxutil/tex/srgb.h"

namespace gfxutil::core {
namespace {

constexpr DWORD kClearTexel = 0x00FFFFFF;  // white, alpha 0

DWORD* texelRow(const D3DLOCKED_RECT& locked, UINT y) {
    return reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + static_cast<std::ptrdiff_t>(locked.Pitch) * y);
}

}  // namespace

// A new texture for the pool, every texel of every level cleared to transparent white.
HRESULT TextureFont::createPoolTexture(GlyphCellPool& pool) {
    try {
        m_textures.reserve(m_textures.size() + 1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IDirect3DTexture9> texture;
    HRESULT hr = m_device->CreateTexture(pool.textureSize, pool.textureSize, pool.levels, 0, m_textureFormat,
                                         D3DPOOL_MANAGED, texture.put(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    for (UINT level = 0; level < pool.levels; ++level) {
        const UINT edge = std::max(pool.textureSize >> level, 1u);
        D3DLOCKED_RECT locked{};
        if (FAILED(hr = texture->LockRect(level, &locked, nullptr, 0))) {
            return hr;
        }
        for (UINT y = 0; y < edge; ++y) {
            std::fill_n(texelRow(locked, y), edge, kClearTexel);
        }
        texture->UnlockRect(level);
    }
    pool.texture = texture.get();
    pool.used = 0;
    m_textures.push_back(std::move(texture));
    return S_OK;
}

HRESULT TextureFont::RasterizeCell(INT sx, INT w, INT h, GlyphCellPool& pool, GlyphRecord& record) {
    // 1. A new texture when the current one is full.
    if (pool.used + pool.cellArea > pool.textureArea) {
        const HRESULT hr = createPoolTexture(pool);
        if (FAILED(hr)) {
            return hr;
        }
    }
    // 2. The cell's corner: de-interleave the Morton index (even bits x, odd bits y).
    UINT cx = 0;
    UINT cy = 0;
    for (UINT k = 0; (1u << k) < pool.textureSize; ++k) {
        cx |= ((pool.used >> (2 * k)) & 1u) << k;
        cy |= ((pool.used >> (2 * k + 1)) & 1u) << k;
    }
    // 3. The glyph centred in the cell.
    const UINT cell = pool.cellSize;
    const UINT dx = cx + (cell - static_cast<UINT>(w)) / 2;
    const UINT dy = cy + (cell - static_cast<UINT>(h)) / 2;
    // 4. Scratch coverage for the mip levels.
    const bool mips = pool.levels > 1;
    if (mips) {
        std::fill_n(m_mipScratch.begin(), pool.cellArea, std::pair<float, float>{0.0f, 0.0f});
    }
    // 5. Level 0: every lit DIB pixel becomes a texel; the bounding box grows around them.
    D3DLOCKED_RECT locked{};
    const HRESULT hr = pool.texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        return hr;
    }
    INT minRow = h, maxRow = -1, minColumn = w, maxColumn = -1;
    for (INT i = 0; i < h; ++i) {
        const BYTE* source = m_bitmapBits + (static_cast<std::size_t>(i) * m_bitmapWidth + sx) * 4;
        DWORD* row = texelRow(locked, dy + i);
        for (INT j = 0; j < w; ++j) {
            const DWORD c = source[j * 4 + 1];  // green
            if (c == 0) {
                continue;
            }
            row[dx + j] = (c << 24) | 0x00FFFFFF;
            minRow = std::min(minRow, i);
            maxRow = std::max(maxRow, i);
            minColumn = std::min(minColumn, j);
            maxColumn = std::max(maxColumn, j);
            if (mips) {
                m_mipScratch[(dy - cy + i) * cell + (dx - cx + j)].first = tex::srgbToLinear(c / 255.0f);
            }
        }
    }
    pool.texture->UnlockRect(0);
    // 6. Nothing lit: no cell is consumed.
    if (maxRow < 0) {
        record.texture = noPixels();
        return S_OK;
    }
    // 7. The smaller levels.
    if (mips) {
        for (INT i = minRow; i <= maxRow; ++i) {
            for (INT j = minColumn; j <= maxColumn; ++j) {
                m_mipScratch[(dy - cy + i) * cell + (dx - cx + j)].second = 1.0f;
            }
        }
        buildMipLevels(pool.texture, pool.levels, cell, cx, cy);
    }
    // 8. The record, widened by one transparent texel where the cell allows, so that filtering at
    // the quad's edge blends to zero.
    record.texture = pool.texture;
    record.left = static_cast<WORD>(dx + minColumn);
    record.top = static_cast<WORD>(dy + minRow);
    record.right = static_cast<WORD>(dx + maxColumn + 1);
    record.bottom = static_cast<WORD>(dy + maxRow + 1);
    record.originX = static_cast<SHORT>(minColumn);
    record.originY = static_cast<SHORT>(minRow);
    if (record.left > cx) {
        --record.left;
        --record.originX;
    }
    if (record.top > cy) {
        --record.top;
        --record.originY;
    }
    if (record.right < cx + cell) {
        ++record.right;
    }
    if (record.bottom < cy + cell) {
        ++record.bottom;
    }
    // 9. The cell is taken.
    pool.used += pool.cellArea;
    return S_OK;
}

// Step 7 of RasterizeCell: each level averages 2 x 2 pairs of the one above, in place (scratch
// rows stay cellSize pairs apart at every level).
void TextureFont::buildMipLevels(IDirect3DTexture9* texture, UINT levels, UINT cellSize, UINT cx, UINT cy) {
    auto& scratch = m_mipScratch;
    for (UINT level = 1; level < levels; ++level) {
        const UINT s = cellSize >> level;
        D3DLOCKED_RECT locked{};
        if (FAILED(texture->LockRect(level, &locked, nullptr, 0))) {
            return;
        }
        for (UINT r = 0; r < s; ++r) {
            DWORD* row = texelRow(locked, (cy >> level) + r);
            for (UINT q = 0; q < s; ++q) {
                const auto& a = scratch[(2 * r) * cellSize + 2 * q];
                const auto& b = scratch[(2 * r) * cellSize + 2 * q + 1];
                const auto& c = scratch[(2 * r + 1) * cellSize + 2 * q];
                const auto& d = scratch[(2 * r + 1) * cellSize + 2 * q + 1];
                const float coverage = (a.first + b.first + c.first + d.first) * 0.25f;
                const float weight = (a.second + b.second + c.second + d.second) * 0.25f;
                scratch[r * cellSize + q] = {coverage, weight};
                if (weight != 0.0f) {
                    const DWORD alpha = static_cast<DWORD>(tex::linearToSrgb(coverage / weight) * 255.0f + 0.5f);
                    row[(cx >> level) + q] = (alpha << 24) | 0x00FFFFFF;
                }
            }
        }
        texture->UnlockRect(level);
    }
}

}  // namespace gfxutil::core
