// DIB sections: bitmaps whose pixels the program reads and writes directly.
//
// Only 32 bits per pixel (BI_RGB) are made: each pixel is the bytes blue, green, red and an unused
// fourth byte, which drawing sets to 0. Rows are width × 4 bytes with no padding; a negative
// biHeight gives rows top-down (row 0 first in memory), a positive one bottom-up. The pixels start
// zeroed (black) and live until the bitmap is deleted.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/gdi_object.h"

namespace platform::gdi {

class Bitmap final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Bitmap;

    // `pixels` holds width × height × 4 bytes.
    Bitmap(int width, int height, bool topDown, std::unique_ptr<std::uint8_t[]> pixels);

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::uint8_t* bits() { return m_bits.get(); }

    // The pixel at (x, y), y counted down from the top row; the caller keeps x, y in range.
    std::uint8_t* pixel(int x, int y) {
        const int row = m_topDown ? y : m_height - 1 - y;
        return m_bits.get() + (static_cast<std::size_t>(row) * m_width + x) * 4;
    }

private:
    int m_width;
    int m_height;
    bool m_topDown;
    std::unique_ptr<std::uint8_t[]> m_bits;
};

// The bitmap a new memory DC starts with: one black pixel, as GDI's 1 × 1 default.
Bitmap* stockBitmap();

}  // namespace platform::gdi
