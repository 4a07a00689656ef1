// CreateCompatibleDC, DeleteDC, SelectObject, DeleteObject; and "gdi32.dll" in the module table.
#include "platform/gdi/dc.h"

#include "platform/kernel/modules.h"

namespace platform::gdi {
namespace {

// The glyph functions programs look up at run time. Registered here, beside CreateCompatibleDC,
// because every program that draws text links this file.
const kernel::ModuleRegistration kGdiModule{"gdi32.dll",
                                            kernel::ModuleLoading::AtStart,
                                            {
                                                {"GetCharABCWidthsI", kernel::exportAddress(&GetCharABCWidthsI)},
                                                {"GetCharWidthI", kernel::exportAddress(&GetCharWidthI)},
                                                {"GetFontUnicodeRanges", kernel::exportAddress(&GetFontUnicodeRanges)},
                                            }};

template <class T>
T* swapSelection(T*& slot, T* incoming) {
    T* previous = slot;
    --previous->selections;
    ++incoming->selections;
    slot = incoming;
    return previous;
}

}  // namespace

DeviceContext* findDc(const char* call, HDC dc) {
    DeviceContext* found = findAs<DeviceContext>(dc);
    if (found == nullptr) {
        refuse(call, "not a DC of ours");
    }
    return found;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HDC CreateCompatibleDC(HDC model) {
    if (model != nullptr) {
        refuse("CreateCompatibleDC", "only the screen (null) can be the model");
        return nullptr;
    }
    Font* font = stockFont();
    if (font == nullptr) {
        refuse("CreateCompatibleDC", "no default face is installed");
        return nullptr;
    }
    auto* dc = new DeviceContext;
    dc->font = font;
    dc->bitmap = stockBitmap();
    ++dc->font->selections;
    ++dc->bitmap->selections;
    addObject(dc);
    return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC handle) {
    DeviceContext* dc = findDc("DeleteDC", handle);
    if (dc == nullptr) {
        return FALSE;
    }
    --dc->font->selections;
    --dc->bitmap->selections;
    removeObject(dc);
    delete dc;
    return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    DeviceContext* dc = findDc("SelectObject", handle);
    if (dc == nullptr) {
        return nullptr;
    }
    if (Font* font = findAs<Font>(object)) {
        return swapSelection(dc->font, font);
    }
    if (Bitmap* bitmap = findAs<Bitmap>(object)) {
        // A bitmap can be selected into one DC at a time.
        if (bitmap != dc->bitmap && bitmap->selections != 0 && !bitmap->stock) {
            refuse("SelectObject", "the bitmap is selected into another DC");
            return nullptr;
        }
        return swapSelection(dc->bitmap, bitmap);
    }
    refuse("SelectObject", "not a font or bitmap of ours");
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    GdiObject* found = findObject(object);
    if (found == nullptr || found->kind() == ObjectKind::DeviceContext) {
        refuse("DeleteObject", "not a font or bitmap of ours");
        return FALSE;
    }
    if (found->stock) {
        return TRUE;
    }
    if (found->selections != 0) {
        refuse("DeleteObject", "the object is still selected into a DC");
        return FALSE;
    }
    removeObject(found);
    delete found;
    return TRUE;
}
