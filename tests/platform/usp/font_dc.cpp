#include "font_dc.h"

#include <cstring>
#include <filesystem>

#include "tests/support/golden_image.h"

namespace usptest {

FontDc::FontDc(const char16_t* faceName, LONG height, LONG weight, int width, int bitmapHeight)
    : m_width(width), m_height(bitmapHeight) {
    m_dc = CreateCompatibleDC(nullptr);
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfQuality = ANTIALIASED_QUALITY;
    std::char_traits<char16_t>::copy(font.lfFaceName, faceName, std::char_traits<char16_t>::length(faceName));
    m_font = CreateFontIndirectW(&font);
    m_oldFont = SelectObject(m_dc, m_font);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -bitmapHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    SetBkMode(m_dc, OPAQUE);
    SetBkColor(m_dc, RGB(0, 0, 0));
    SetTextColor(m_dc, RGB(255, 255, 255));
    clear();
}

FontDc::~FontDc() {
    ScriptFreeCache(&m_cache);
    SelectObject(m_dc, m_oldBitmap);
    SelectObject(m_dc, m_oldFont);
    DeleteObject(m_bitmap);
    DeleteObject(m_font);
    DeleteDC(m_dc);
}

void FontDc::clear() {
    if (m_bits != nullptr) {
        std::memset(m_bits, 0, static_cast<std::size_t>(m_width) * m_height * 4);
    }
}

BYTE FontDc::green(int x, int y) const {
    return static_cast<const BYTE*>(m_bits)[(static_cast<std::size_t>(y) * m_width + x) * 4 + 1];
}

bool FontDc::columnHasInk(int x) const {
    for (int y = 0; y < m_height; ++y) {
        if (green(x, y) != 0) {
            return true;
        }
    }
    return false;
}

std::string FontDc::writePng(const std::string& name) const {
    testsupport::Image image;
    image.width = m_width;
    image.height = m_height;
    image.pixels.resize(static_cast<std::size_t>(m_width) * m_height);
    std::memcpy(image.pixels.data(), m_bits, image.pixels.size() * 4);
    std::filesystem::create_directories(GFX_TEST_OUTPUT_DIR);
    std::string path = std::string(GFX_TEST_OUTPUT_DIR) + "/" + name + ".png";
    testsupport::writePng(path, image);
    return path;
}

}  // namespace usptest
