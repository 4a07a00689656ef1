// ScriptPlace: advances, offsets and the ABC widths of a shaped run.
//
// Glyphs that ScriptShape produced are placed by the table it filled (a look-up by the glyph
// sequence); other glyphs get the font's hinted advances and no offsets.
#include <algorithm>

#include "platform/usp/refusal.h"
#include "platform/usp/script_cache.h"

HRESULT ScriptPlace(HDC dc, SCRIPT_CACHE* cache, const WORD* glyphs, int glyphCount, const SCRIPT_VISATTR* visAttrs,
                    SCRIPT_ANALYSIS* analysis, int* advances, GOFFSET* offsets, ABC* extent) {
    USP_REFUSE_IF(cache == nullptr, E_INVALIDARG, "cache is null");
    USP_REFUSE_IF(glyphs == nullptr || glyphCount <= 0, E_INVALIDARG, "no glyphs (count %d)", glyphCount);
    USP_REFUSE_IF(visAttrs == nullptr || analysis == nullptr, E_INVALIDARG, "visAttrs or analysis is null");
    USP_REFUSE_IF(advances == nullptr, E_INVALIDARG, "advances is null");
    platform::usp::ShapingFont* font = nullptr;
    HRESULT hr = platform::usp::cachedFont(__func__, dc, cache, &font);
    if (FAILED(hr)) {
        return hr;
    }
    const platform::usp::Placement& placement = font->place(glyphs, glyphCount, visAttrs, *analysis);
    std::copy(placement.advances.begin(), placement.advances.end(), advances);
    if (offsets != nullptr) {
        std::copy(placement.offsets.begin(), placement.offsets.end(), offsets);
    }
    if (extent != nullptr) {
        *extent = placement.extent;
    }
    return S_OK;
}
