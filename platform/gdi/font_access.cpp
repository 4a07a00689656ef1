// What the script layer reaches of our fonts (font_access.h).
#include "platform/gdi/font_access.h"

#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/gdi/dc.h"

namespace platform::gdi {
namespace {

Font* fontOf(HDC handle) {
    DeviceContext* dc = findAs<DeviceContext>(handle);
    return dc != nullptr ? dc->font : nullptr;
}

}  // namespace

FT_Face selectedFace(HDC dc) {
    Font* font = fontOf(dc);
    return font != nullptr ? font->face->face() : nullptr;
}

FT_Int32 selectedLoadFlags(HDC dc) {
    Font* font = fontOf(dc);
    return font != nullptr ? font->loadFlags : 0;
}

FT_Face fallbackFace(HDC dc, char32_t codePoint) {
    Font* font = fontOf(dc);
    if (font == nullptr) {
        return nullptr;
    }
    const LONG weight = font->requestW.lfWeight;
    const bool italic = font->requestW.lfItalic != 0;
    const int xPixels = font->face->xPixels();
    const int yPixels = font->face->yPixels();
    // Faces already handed out for this weight, slant and size answer first, so that one run of
    // text keeps to one fallback face where it can.
    using Key = std::tuple<LONG, bool, int, int>;
    static std::map<Key, std::vector<SizedFace*>> handedOut;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::vector<SizedFace*>& faces = handedOut[Key{weight, italic, xPixels, yPixels}];
    for (SizedFace* face : faces) {
        if (face->glyphIndex(codePoint) != 0) {
            return face->face();
        }
    }
    const std::optional<FaceLocation> location = matchFaceWithCharacter(codePoint, weight, italic);
    if (!location) {
        return nullptr;
    }
    SizedFace* face = sizedFace(*location, xPixels, yPixels);
    if (face == nullptr || face->glyphIndex(codePoint) == 0) {
        return nullptr;
    }
    faces.push_back(face);
    return face->face();
}

}  // namespace platform::gdi
