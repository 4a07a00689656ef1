// A memory DC with a font and a top-down 32-bit DIB section selected, set up as the text code
// sets up its own: white text on an opaque black background.
#pragma once

#include <string>

#include "platform/gdi/gdi.h"
#include "platform/usp/usp.h"

namespace usptest {

class FontDc {
public:
    // height as in LOGFONT (negative: character height), e.g. the help font: -18, FW_BOLD, "Arial".
    FontDc(const char16_t* faceName, LONG height, LONG weight, int width, int bitmapHeight);
    ~FontDc();
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;

    bool ok() const { return m_bits != nullptr; }
    HDC dc() const { return m_dc; }
    SCRIPT_CACHE* cache() { return &m_cache; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    void clear();
    BYTE green(int x, int y) const;  // the coverage GDI leaves in the green byte
    bool columnHasInk(int x) const;
    std::string writePng(const std::string& name) const;  // path written, under the test output folder

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_bits = nullptr;
    int m_width;
    int m_height;
    SCRIPT_CACHE m_cache = nullptr;
};

}  // namespace usptest
