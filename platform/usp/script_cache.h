// What a SCRIPT_CACHE points to, and how the functions that take one find their font.
#pragma once

#include <memory>

#include "platform/usp/shaping_font.h"

namespace platform::usp {

struct ScriptCacheObject {
    std::shared_ptr<ShapingFont> font;
};

// The font of *cache, taken from the font selected into dc when the cache is still empty.
// Refusals, each noted under `call`: E_PENDING for an empty cache and no dc, E_INVALIDARG when dc
// holds no font of ours or a font other than the one the cache belongs to.
HRESULT cachedFont(const char* call, HDC dc, SCRIPT_CACHE* cache, ShapingFont** font);

}  // namespace platform::usp
