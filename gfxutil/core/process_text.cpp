// ProcessText, the one worker behind DrawTextA, DrawTextW, PreloadTextA and PreloadTextW:
// validation, shaping (script layer or GDI), line layout, block position, and drawing.
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/font_process.h"
#include "gfxutil/core/texture_font.h"

namespace gfxutil::core {
namespace {

// Units before the terminating zero.
INT terminatedLength(const void* text, bool wide) {
    if (!wide) {
        return static_cast<INT>(std::strlen(static_cast<const char*>(text)));
    }
    const auto* w = static_cast<const WCHAR*>(text);
    INT n = 0;
    while (w[n] != 0) {
        ++n;
    }
    return n;
}

constexpr DWORD kUnsupportedFormat = 0xFFFDFA80u;

}  // namespace

INT TextureFont::DrawTextA(ID3DXSprite* pSprite, LPCSTR pString, INT Count, RECT* pRect, DWORD Format,
                           D3DCOLOR Color) {
    INT height = 0;
    return SUCCEEDED(ProcessText(pSprite, pString, Count, pRect, Format, Color, false, &height)) ? height : 0;
}

INT TextureFont::DrawTextW(ID3DXSprite* pSprite, LPCWSTR pString, INT Count, RECT* pRect, DWORD Format,
                           D3DCOLOR Color) {
    INT height = 0;
    return SUCCEEDED(ProcessText(pSprite, pString, Count, pRect, Format, Color, true, &height)) ? height : 0;
}

HRESULT TextureFont::PreloadTextA(LPCSTR pString, INT Count) {
    return ProcessText(nullptr, pString, Count, nullptr, 0, 0, false, nullptr);
}

HRESULT TextureFont::PreloadTextW(LPCWSTR pString, INT Count) {
    return ProcessText(nullptr, pString, Count, nullptr, 0, 0, true, nullptr);
}

HRESULT TextureFont::ProcessText(ID3DXSprite* sprite, const void* text, INT count, RECT* rect, DWORD format,
                                 D3DCOLOR color, bool wide, INT* heightOut) {
    // 1. Validation.
    if (text == nullptr && count != 0) {
        DebugMessage(0, "pString pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if ((format & kUnsupportedFormat) != 0) {
        DebugMessage(0, "Format contains unsupported flags");
        return D3DERR_INVALIDCALL;
    }
    m_rtl = (format & DT_RTLREADING) != 0;
    if (count < 0) {
        count = terminatedLength(text, wide);
    }
    m_runCount = 0;
    m_glyphCount = 0;
    // 2, 3. Shaping: runs, glyphs, advances and cache records.
    if (count > 0) {
        const HRESULT hr = fontProcess().uniscribeAvailable ? shapeWithScript(text, count, wide, m_rtl)
                                                            : shapeWithGdi(text, count, wide, m_rtl);
        if (FAILED(hr)) {
            return hr;
        }
    }
    // 4. Preloading stops here: every glyph is cached.
    if (heightOut == nullptr) {
        return S_OK;
    }
    // 5. Lines.
    HRESULT hr = layOutLines(format, rect);
    if (FAILED(hr)) {
        return hr;
    }
    // 6. The block's position.
    INT x0 = 0;
    INT y0 = 0;
    INT height = m_totalHeight;
    if (rect != nullptr) {
        if (m_rtl) {
            format ^= DT_RIGHT;
        }
        if ((format & DT_CENTER) != 0) {
            x0 = (rect->right + rect->left - m_maxWidth) / 2;
        } else if ((format & DT_RIGHT) != 0) {
            x0 = rect->right - m_maxWidth;
        } else {
            x0 = rect->left;
        }
        if ((format & DT_VCENTER) != 0) {
            y0 = (rect->bottom + rect->top - m_totalHeight) / 2;
        } else if ((format & DT_BOTTOM) != 0) {
            y0 = rect->bottom - m_totalHeight;
        } else {
            y0 = rect->top;
        }
        height = y0 - rect->top + m_totalHeight;
    }
    *heightOut = height;
    // 7. Measuring only.
    if ((format & DT_CALCRECT) != 0) {
        if (rect != nullptr) {
            *rect = RECT{x0, y0, x0 + m_maxWidth, y0 + m_totalHeight};
        }
        return S_OK;
    }
    // 8. Drawing.
    return drawLines(sprite, (format & DT_NOCLIP) != 0 ? nullptr : rect, format, color, x0, y0);
}

// Step 8: one quad per visible glyph, cut at the clip rectangle's edges.
HRESULT TextureFont::drawLines(ID3DXSprite* sprite, const RECT* clip, DWORD format, D3DCOLOR color, INT x0, INT y0) {
    ID3DXSprite* target = sprite;
    if (target == nullptr) {
        if (!m_sprite) {
            const HRESULT hr = D3DXCreateSprite(m_device.get(), m_sprite.put());
            if (FAILED(hr)) {
                return hr;
            }
        }
        const HRESULT hr = m_sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        if (FAILED(hr)) {
            return hr;
        }
        target = m_sprite.get();
    }
    const INT lineHeight = m_metrics.tmHeight;
    INT y = y0;
    UINT first = 0;
    if (clip != nullptr && lineHeight != 0 && y < clip->top) {
        first = static_cast<UINT>((clip->top - y) / lineHeight);
        y += static_cast<INT>(first) * lineHeight;
    }
    for (UINT l = first; l < m_lineCount && (clip == nullptr || y < clip->bottom); ++l, y += lineHeight) {
        const TextLine& line = m_lines[l];
        INT lineX = x0;
        if ((format & DT_CENTER) != 0) {
            lineX = x0 + (m_maxWidth - line.width) / 2;
        } else if ((format & DT_RIGHT) != 0) {
            lineX = x0 + m_maxWidth - line.width;
        }
        for (UINT g = line.firstGlyph; g < line.endGlyph; ++g) {
            const GlyphRecord& record = *m_glyphRecords[g];
            if (record.texture == noPixels() || record.texture == nullptr) {
                continue;
            }
            RECT source{record.left, record.top, record.right, record.bottom};
            const INT px = record.originX + m_glyphX[g] + lineX + m_offsets[g].du;
            const INT py = record.originY + m_offsets[g].dv + y;
            const INT w = source.right - source.left;
            const INT h = source.bottom - source.top;
            D3DXVECTOR3 centre(w * 0.5f, h * 0.5f, 0.0f);
            const D3DXVECTOR3 position(static_cast<float>(px) + centre.x, static_cast<float>(py) + centre.y, 0.0f);
            if (clip != nullptr) {
                if (px < clip->left) {
                    source.left += clip->left - px;
                    centre.x -= static_cast<float>(clip->left - px);
                }
                if (px + w > clip->right) {
                    source.right -= px + w - clip->right;
                }
                if (py < clip->top) {
                    source.top += clip->top - py;
                    centre.y -= static_cast<float>(clip->top - py);
                }
                if (py + h > clip->bottom) {
                    source.bottom -= py + h - clip->bottom;
                }
            }
            if (source.left >= source.right || source.top >= source.bottom) {
                continue;
            }
            const HRESULT hr = target->Draw(record.texture, &source, &centre, &position, color);
            if (FAILED(hr)) {
                if (sprite == nullptr) {
                    m_sprite->End();
                }
                return hr;
            }
        }
    }
    if (sprite == nullptr) {
        m_sprite->End();
    }
    return S_OK;
}

}  // namespace gfxutil::core
