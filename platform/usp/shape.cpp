// ScriptShape: a run's glyphs, cluster map and visual attributes.
//
// The run is shaped once per (font, text, script, direction) and then copied out of the font's
// cache. A run with a character the font lacks fails with USP_E_SCRIPT_NOT_IN_FONT so that the
// caller can draw it with another font; in a SCRIPT_UNDEFINED run such a character is shown as
// the default glyph instead, which callers check for as well.
#include <algorithm>

#include "platform/usp/refusal.h"
#include "platform/usp/script_cache.h"

HRESULT ScriptShape(HDC dc, SCRIPT_CACHE* cache, const WCHAR* text, int length, int maxGlyphs,
                    SCRIPT_ANALYSIS* analysis, WORD* glyphs, WORD* clusters, SCRIPT_VISATTR* visAttrs,
                    int* glyphCount) {
    USP_REFUSE_IF(cache == nullptr, E_INVALIDARG, "cache is null");
    USP_REFUSE_IF(text == nullptr || length <= 0, E_INVALIDARG, "no text (length %d)", length);
    USP_REFUSE_IF(analysis == nullptr, E_INVALIDARG, "analysis is null");
    USP_REFUSE_IF(glyphs == nullptr || clusters == nullptr || visAttrs == nullptr || glyphCount == nullptr,
                  E_INVALIDARG, "an output array is null");
    USP_REFUSE_IF(maxGlyphs <= 0, E_INVALIDARG, "room for %d glyphs", maxGlyphs);
    platform::usp::ShapingFont* font = nullptr;
    HRESULT hr = platform::usp::cachedFont(__func__, dc, cache, &font);
    if (FAILED(hr)) {
        return hr;
    }
    const platform::usp::ShapedRun& run =
        font->shape(std::u16string_view(text, static_cast<std::size_t>(length)), *analysis);
    if (run.missing && (analysis->eScript != SCRIPT_UNDEFINED || run.glyphs.empty())) {
        return USP_E_SCRIPT_NOT_IN_FONT;
    }
    const int count = static_cast<int>(run.glyphs.size());
    if (count > maxGlyphs) {
        return E_OUTOFMEMORY;  // the caller grows its arrays and asks again; not a misuse
    }
    std::copy(run.glyphs.begin(), run.glyphs.end(), glyphs);
    std::copy(run.clusters.begin(), run.clusters.end(), clusters);
    std::copy(run.visAttrs.begin(), run.visAttrs.end(), visAttrs);
    *glyphCount = count;
    return S_OK;
}
