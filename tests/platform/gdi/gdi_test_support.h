// Shared by the GDI stand-in's tests: a memory DC with a top-down 32-bit DIB section and a font
// selected, as the text code sets one up; FreeType faces opened straight from the font files, to
// compare with; capture of the trace channel; and PNG output of a bitmap for looking at.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/font_access.h"
#include "platform/gdi/gdi.h"

namespace gdi_test {

inline constexpr const char* kLiberationSansBold = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
inline constexpr const char* kLiberationSansRegular =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

LOGFONTW logFont(LONG height, LONG weight, BYTE quality, std::u16string_view face);

// The demo's help font: cell height 18, bold, default character set, quality 0, "Arial".
inline LOGFONTW helpFont() { return logFont(18, FW_BOLD, DEFAULT_QUALITY, u"Arial"); }

// A memory DC holding `font` and a top-down 32-bit DIB of width × height (by default the cell
// tmMaxCharWidth × tmHeight), set up for glyph capture: OPAQUE, black background, white text.
class TextDc {
public:
    explicit TextDc(const LOGFONTW& font, int width = 0, int height = 0);
    ~TextDc();
    TextDc(const TextDc&) = delete;
    TextDc& operator=(const TextDc&) = delete;

    HDC dc() const { return m_dc; }
    HFONT font() const { return m_font; }
    const TEXTMETRICW& metrics() const { return m_metrics; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::uint8_t* pixel(int x, int y) const { return m_bits + (static_cast<std::size_t>(y) * m_width + x) * 4; }
    std::uint8_t green(int x, int y) const { return pixel(x, y)[1]; }

    // Renders one glyph at the origin as the font cache does.
    void renderGlyph(WORD glyph);
    // The green bytes as rows of ' ' (0), '+' (1 ... 254) and '#' (255), for failure messages.
    std::string picture() const;
    // Writes the bitmap to GFX_TEST_OUTPUT_DIR/<name>.png and returns the path.
    std::string writePng(const std::string& name) const;

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    std::uint8_t* m_bits = nullptr;
    TEXTMETRICW m_metrics{};
    int m_width = 0;
    int m_height = 0;
};

// A FreeType face opened directly from a file, closed afterwards.
class ReferenceFace {
public:
    ReferenceFace(const char* file, int pixelsPerEm);
    ~ReferenceFace();
    ReferenceFace(const ReferenceFace&) = delete;
    ReferenceFace& operator=(const ReferenceFace&) = delete;

    FT_Face face() const { return m_face; }
    int unitsPerEm() const { return m_face->units_per_EM; }
    int winAscent() const;
    int winDescent() const;

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

// Collects the trace notes while alive.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    const std::vector<std::string>& notes() const { return m_notes; }

private:
    std::vector<std::string> m_notes;
};

}  // namespace gdi_test
