// SCRIPT_CACHE: the font the script functions shape with, and ScriptFreeCache.
#include "platform/usp/script_cache.h"

#include <new>

#include "platform/gdi/font_access.h"
#include "platform/usp/refusal.h"

namespace platform::usp {

HRESULT cachedFont(const char* call, HDC dc, SCRIPT_CACHE* cache, ShapingFont** font) {
    auto* object = static_cast<ScriptCacheObject*>(*cache);
    if (object != nullptr) {
        // A cache belongs to one font: shaping with it under another would give the wrong glyphs.
        if (dc != nullptr) {
            FT_Face face = gdi::selectedFace(dc);
            if (face != nullptr && (face != object->font->face() || gdi::selectedLoadFlags(dc) != object->font->loadFlags())) {
                noteRefusal(call, "the cache belongs to another font than the one selected into the DC");
                return E_INVALIDARG;
            }
        }
        *font = object->font.get();
        return S_OK;
    }
    if (dc == nullptr) {
        return E_PENDING;  // the caller retries with a DC; not a misuse
    }
    FT_Face face = gdi::selectedFace(dc);
    if (face == nullptr) {
        noteRefusal(call, "no font of ours is selected into the DC");
        return E_INVALIDARG;
    }
    object = new (std::nothrow) ScriptCacheObject{ShapingFont::forFace(face, gdi::selectedLoadFlags(dc))};
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    *cache = object;
    *font = object->font.get();
    return S_OK;
}

}  // namespace platform::usp

HRESULT ScriptFreeCache(SCRIPT_CACHE* cache) {
    USP_REFUSE_IF(cache == nullptr, E_INVALIDARG, "cache is null");
    delete static_cast<platform::usp::ScriptCacheObject*>(*cache);
    *cache = nullptr;
    return S_OK;
}
