// ScriptStringOut: draws an analysed string into the DIB section of the DC it was analysed for.
//
// The string's cell starts at (x, y): the baseline is the selected font's ascent below y, and
// fallback fonts share that baseline. With ETO_OPAQUE the cell (or the rectangle given) is first
// filled with the DC's background colour. Clipping (ETO_CLIPPED), selection highlighting and
// greyed (disabled) text are not offered: they are refused rather than drawn wrongly.
#include "platform/usp/refusal.h"
#include "platform/usp/string_analysis.h"

HRESULT ScriptStringOut(SCRIPT_STRING_ANALYSIS analysis, int x, int y, UINT options, const RECT* clip,
                        int minSelection, int maxSelection, BOOL disabled) {
    USP_REFUSE_IF(analysis == nullptr, E_INVALIDARG, "analysis is null");
    USP_REFUSE_IF((options & ~ETO_OPAQUE) != 0, E_INVALIDARG, "options 0x%x are not supported",
                  static_cast<unsigned>(options & ~ETO_OPAQUE));
    USP_REFUSE_IF(minSelection < maxSelection, E_INVALIDARG, "selection highlighting is not supported");
    USP_REFUSE_IF(disabled != FALSE, E_INVALIDARG, "disabled text is not supported");
    const auto& a = *static_cast<const platform::usp::StringAnalysis*>(analysis);
    RECT cell{x, y, x + a.size.cx, y + a.size.cy};
    const RECT* opaque = (options & ETO_OPAQUE) != 0 ? (clip != nullptr ? clip : &cell) : nullptr;
    const int baseline = y + a.ascent;
    if (a.runs.empty() && opaque != nullptr) {
        FT_Face face = platform::gdi::selectedFace(a.dc);
        if (!platform::gdi::drawGlyphs(a.dc, face, platform::gdi::selectedLoadFlags(a.dc), x, baseline, nullptr, 0,
                                       opaque)) {
            return E_FAIL;
        }
    }
    for (const platform::usp::StringGlyphRun& run : a.runs) {
        if (!platform::gdi::drawGlyphs(a.dc, run.font->face(), run.font->loadFlags(), x, baseline, run.glyphs.data(),
                                       static_cast<UINT>(run.glyphs.size()), opaque)) {
            return E_FAIL;  // the DC has no bitmap any more
        }
        opaque = nullptr;  // filled once, before the first glyphs
    }
    return S_OK;
}
