// Small images encoded in memory by the tests themselves, through libjpeg and libpng.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace gfxutil::tex::testing {

using Bytes = std::vector<std::uint8_t>;

enum class JpegKind { Grey, Colour, Cmyk };

// Pixel (x, y) channel c in 0..255; the JPEG is written at quality 100.
Bytes encodeJpeg(JpegKind kind, int width, int height,
                 const std::function<std::uint8_t(int x, int y, int c)>& sample);

struct PngOptions {
    int colourType = 2;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool transparency = false;   // tRNS: palette alpha ramp, or a transparent grey/RGB value
    double gamma = 0.0;          // gAMA when > 0
    bool srgb = false;           // sRGB chunk
    int paletteEntries = 0;      // PLTE size for palette images (default: 2^bitDepth)
};

// Samples are raw values of the bit depth (0..2^depth-1), channel c of pixel (x, y).
Bytes encodePng(int width, int height, const PngOptions& options,
                const std::function<std::uint32_t(int x, int y, int c)>& sample);

// The palette written for palette PNGs: entry i = (i * 3, 255 - i, i * 7 mod 256), and with
// transparency the first half of the entries get alpha 255 - 2i.
std::uint8_t paletteChannel(int index, int channel);
std::uint8_t paletteAlpha(int index, int entries);

}  // namespace gfxutil::tex::testing
