// ScriptTextOut: draws a placed run into the DIB section selected into the DC.
//
// The glyphs are in visual order and are drawn left to right from x; y is the top of the font's
// cell (TA_TOP), so the baseline lies tmAscent below it. Each glyph's pen advances by its
// justified advance when those are given, else by its advance; its ink is moved by (du, dv), dv
// downward. With ETO_OPAQUE and a rectangle, the rectangle is first filled with the background
// colour. ETO_CLIPPED is not offered and is refused, as are glyphs that are not glyph indices
// (fNoGlyphIndex).
#include <vector>

#include "platform/usp/refusal.h"
#include "platform/gdi/font_access.h"
#include "platform/usp/script_cache.h"

HRESULT ScriptTextOut(HDC dc, SCRIPT_CACHE* cache, int x, int y, UINT options, const RECT* rect,
                      const SCRIPT_ANALYSIS* analysis, const WCHAR* reserved, int reservedCount, const WORD* glyphs,
                      int glyphCount, const int* advances, const int* justified, const GOFFSET* offsets) {
    (void)reserved;
    (void)reservedCount;
    USP_REFUSE_IF(dc == nullptr || cache == nullptr, E_INVALIDARG, "dc or cache is null");
    USP_REFUSE_IF(analysis == nullptr || glyphs == nullptr || advances == nullptr || offsets == nullptr, E_INVALIDARG,
                  "analysis, glyphs, advances or offsets is null");
    USP_REFUSE_IF(glyphCount <= 0, E_INVALIDARG, "no glyphs (count %d)", glyphCount);
    USP_REFUSE_IF((options & ~(ETO_OPAQUE | ETO_RTLREADING)) != 0, E_INVALIDARG, "options 0x%x are not supported",
                  static_cast<unsigned>(options & ~(ETO_OPAQUE | ETO_RTLREADING)));
    USP_REFUSE_IF(analysis->fNoGlyphIndex, E_INVALIDARG, "glyphs that are characters are not supported");
    platform::usp::ShapingFont* font = nullptr;
    HRESULT hr = platform::usp::cachedFont(__func__, dc, cache, &font);
    if (FAILED(hr)) {
        return hr;
    }
    TEXTMETRICW metrics{};
    USP_REFUSE_IF(!GetTextMetricsW(dc, &metrics), E_INVALIDARG, "the DC has no font");
    std::vector<platform::gdi::PlacedGlyph> placed(static_cast<std::size_t>(glyphCount));
    int pen = 0;
    for (int i = 0; i < glyphCount; ++i) {
        placed[i] = {glyphs[i], pen + offsets[i].du, offsets[i].dv};
        pen += justified != nullptr ? justified[i] : advances[i];
    }
    const RECT* opaque = (options & ETO_OPAQUE) != 0 ? rect : nullptr;
    if (!platform::gdi::drawGlyphs(dc, font->face(), font->loadFlags(), x, y + metrics.tmAscent, placed.data(),
                                   static_cast<UINT>(glyphCount), opaque)) {
        return E_FAIL;
    }
    return S_OK;
}
