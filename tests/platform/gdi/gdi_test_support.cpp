#include "gdi_test_support.h"

#include FT_TRUETYPE_TABLES_H
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "platform/kernel/trace.h"

namespace gdi_test {

LOGFONTW logFont(LONG height, LONG weight, BYTE quality, std::u16string_view face) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = quality;
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

TextDc::TextDc(const LOGFONTW& font, int width, int height) {
    m_dc = CreateCompatibleDC(nullptr);
    m_font = CreateFontIndirectW(&font);
    EXPECT_NE(m_dc, nullptr);
    EXPECT_NE(m_font, nullptr);
    m_oldFont = SelectObject(m_dc, m_font);
    EXPECT_TRUE(GetTextMetricsW(m_dc, &m_metrics));
    m_width = width != 0 ? width : m_metrics.tmMaxCharWidth;
    m_height = height != 0 ? height : m_metrics.tmHeight;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_NE(m_bitmap, nullptr);
    m_bits = static_cast<std::uint8_t*>(bits);
    SetBkMode(m_dc, OPAQUE);
    SetBkColor(m_dc, RGB(0, 0, 0));
    SetTextColor(m_dc, RGB(255, 255, 255));
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
}

TextDc::~TextDc() {
    SelectObject(m_dc, m_oldBitmap);
    SelectObject(m_dc, m_oldFont);
    EXPECT_TRUE(DeleteObject(m_bitmap));
    EXPECT_TRUE(DeleteObject(m_font));
    EXPECT_TRUE(DeleteDC(m_dc));
}

void TextDc::renderGlyph(WORD glyph) {
    ASSERT_TRUE(ExtTextOutW(m_dc, 0, 0, ETO_GLYPH_INDEX | ETO_OPAQUE, nullptr, reinterpret_cast<LPCWSTR>(&glyph), 1,
                            nullptr));
}

std::string TextDc::picture() const {
    std::string out;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const std::uint8_t g = green(x, y);
            out += g == 0 ? ' ' : (g == 255 ? '#' : '+');
        }
        out += '\n';
    }
    return out;
}

std::string TextDc::writePng(const std::string& name) const {
    std::filesystem::create_directories(GFX_TEST_OUTPUT_DIR);
    const std::string path = std::string(GFX_TEST_OUTPUT_DIR) + "/" + name + ".png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(m_width);
    image.height = static_cast<png_uint_32>(m_height);
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint8_t> opaque(m_bits, m_bits + static_cast<std::size_t>(m_width) * m_height * 4);
    for (std::size_t i = 3; i < opaque.size(); i += 4) {
        opaque[i] = 255;
    }
    png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr);
    return path;
}

ReferenceFace::ReferenceFace(const char* file, int pixelsPerEm) {
    FT_Init_FreeType(&m_library);
    EXPECT_EQ(FT_New_Face(m_library, file, 0, &m_face), 0) << file;
    if (m_face != nullptr) {
        FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(pixelsPerEm));
    }
}

ReferenceFace::~ReferenceFace() {
    if (m_face != nullptr) {
        FT_Done_Face(m_face);
    }
    FT_Done_FreeType(m_library);
}

int ReferenceFace::winAscent() const {
    return static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2))->usWinAscent;
}
int ReferenceFace::winDescent() const {
    return static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2))->usWinDescent;
}

TraceCapture::TraceCapture() {
    platform::kernel::setTraceHook([this](std::string_view note) { m_notes.emplace_back(note); });
}
TraceCapture::~TraceCapture() { platform::kernel::setTraceHook({}); }

}  // namespace gdi_test
