// ScriptGetFontProperties: the glyphs a layout needs to know by name.
//
// wgDefault is glyph 0, the font's "missing character" glyph, which ScriptShape also gives
// characters the font lacks in SCRIPT_UNDEFINED runs. wgBlank is the glyph of U+0020. wgInvalid
// is the dotted circle (U+25CC) that stands for a missing base, or wgDefault when the font has
// none. A font without a kashida (U+0640) reports wgDefault and a width of 0 for it.
#include "platform/usp/refusal.h"
#include "platform/usp/script_cache.h"

HRESULT ScriptGetFontProperties(HDC dc, SCRIPT_CACHE* cache, SCRIPT_FONTPROPERTIES* properties) {
    USP_REFUSE_IF(cache == nullptr || properties == nullptr, E_INVALIDARG, "cache or properties is null");
    USP_REFUSE_IF(properties->cBytes != static_cast<int>(sizeof(SCRIPT_FONTPROPERTIES)), E_INVALIDARG,
                  "cBytes is %d, not %d", properties->cBytes, static_cast<int>(sizeof(SCRIPT_FONTPROPERTIES)));
    platform::usp::ShapingFont* font = nullptr;
    HRESULT hr = platform::usp::cachedFont(__func__, dc, cache, &font);
    if (FAILED(hr)) {
        return hr;
    }
    constexpr WORD kDefault = 0;
    properties->wgDefault = kDefault;
    properties->wgBlank = font->nominalGlyph(U' ');
    WORD dottedCircle = font->nominalGlyph(U'\u25CC');
    properties->wgInvalid = dottedCircle != 0 ? dottedCircle : kDefault;
    WORD kashida = font->nominalGlyph(U'\u0640');
    properties->wgKashida = kashida != 0 ? kashida : kDefault;
    properties->iKashidaWidth = kashida != 0 ? font->advanceOf(kashida) : 0;
    return S_OK;
}
