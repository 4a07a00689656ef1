#include "platform/gdi/dib_section.h"

#include <new>

namespace platform::gdi {

Bitmap::Bitmap(int width, int height, bool topDown, std::unique_ptr<std::uint8_t[]> pixels)
    : GdiObject(kKind), m_width(width), m_height(height), m_topDown(topDown), m_bits(std::move(pixels)) {}

Bitmap* stockBitmap() {
    static Bitmap* bitmap = [] {
        auto* created = new Bitmap(1, 1, true, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[4]()));
        created->stock = true;
        addObject(created);
        return created;
    }();
    return bitmap;
}

}  // namespace platform::gdi

using namespace platform::gdi;

// The DC only matters for palette-indexed colour tables, which 32-bit sections do not have, so any
// DC (or none) is accepted, as GDI does for DIB_RGB_COLORS.
HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    constexpr const char* kCall = "CreateDIBSection";
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (info == nullptr || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        refuse(kCall, "no BITMAPINFOHEADER");
        return nullptr;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biPlanes != 1 || usage != DIB_RGB_COLORS) {
        refuse(kCall, "only 32-bit BI_RGB sections with one plane are made (bits %u, compression %u)",
               static_cast<unsigned>(h.biBitCount), static_cast<unsigned>(h.biCompression));
        return nullptr;
    }
    if (section != nullptr) {
        refuse(kCall, "sections over file mappings are not supported");
        return nullptr;
    }
    const long long width = h.biWidth;
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    // 256 MiB of pixels is far beyond any glyph bitmap; larger requests are a caller's mistake.
    if (width <= 0 || height <= 0 || width * height > (1LL << 26)) {
        refuse(kCall, "unusable size %d x %d", static_cast<int>(h.biWidth), static_cast<int>(h.biHeight));
        return nullptr;
    }
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width * height * 4)]());
    if (pixels == nullptr) {
        refuse(kCall, "out of memory for %lld x %lld", width, height);
        return nullptr;
    }
    auto* bitmap = new Bitmap(static_cast<int>(width), static_cast<int>(height), h.biHeight < 0, std::move(pixels));
    addObject(bitmap);
    if (bits != nullptr) {
        *bits = bitmap->bits();
    }
    return bitmap;
}
