// PixelCodec: reads rows of one side of a transfer into four-float intermediate pixels, and writes
// such rows back in the side's format.
//
// Made for one side from its BlitRequest and dropped after the transfer. The decoded values are
// 0..1 for unsigned formats, -1..1 for the signed channels of signed formats, unbounded for floats.
// Decoding applies the colour key (a pixel equal to the quantised key reads as transparent black)
// and the sRGB curve; encoding converts from the other side's class, applies the sRGB curve, error
// diffusion and ordered dithering, and stores each field with truncation toward zero.
//
// Choices of ours: encoding truncates each value explicitly instead of switching the thread's
// floating-point rounding mode, so the arithmetic before the truncation is the ordinary
// round-to-nearest; signed fields round down (floor) so that dithering is symmetric around zero;
// an error diffused into a luminance format is spread evenly over red, green and blue, whose
// luminance weights sum to one.
#pragma once

#include <memory>
#include <vector>

#include "gfxutil/tex/blit_request.h"
#include "gfxutil/tex/pixel_layout.h"

namespace gfxutil::tex {

struct Color4 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

class PixelCodec {
public:
    // Null when the format has no codec; bad_alloc is the caller's to catch.
    static std::unique_ptr<PixelCodec> create(const BlitRequest& request);

    void decodeRow(UINT y, UINT z, Color4* out) const;
    void encodeRow(UINT y, UINT z, const Color4* in);
    void quantiseColorKey();

    // Decodes/encodes `count` pixels at `bytes` without key, sRGB, class conversion or dithering.
    void decodePixels(const BYTE* bytes, UINT count, Color4* out) const;
    void encodePixel(Color4 c, BYTE* bytes) const;

    D3DFORMAT format() const { return m_layout->format; }
    const PixelLayout& layout() const { return *m_layout; }
    CodecClass codecClass() const { return m_layout->codecClass; }
    UINT bytesPerPixel() const { return m_layout->bytesPerPixel; }
    bool palettised() const { return m_layout->kind == LayoutKind::Palette; }
    bool srgb() const { return m_srgb; }
    void setSrgb(bool on) { m_srgb = on; }
    void setBothSrgb(bool on) { m_bothSrgb = on; }
    bool dither() const { return m_dither; }
    bool hasColorKey() const { return m_colorKey != 0; }
    DWORD colorKey() const { return m_colorKey; }
    const Color4& quantisedKey() const { return m_key; }
    const PALETTEENTRY* paletteEntries() const { return m_paletteEntries; }
    void setConvertFrom(CodecClass c) { m_convertFrom = c; }

    BYTE* row(UINT y, UINT z) const { return m_first + static_cast<std::size_t>(y) * m_rowPitch +
                                              static_cast<std::size_t>(z) * m_slicePitch; }
    UINT width() const { return m_width; }
    UINT height() const { return m_height; }
    UINT depth() const { return m_depth; }
    std::size_t rowBytes() const { return m_rowBytes; }

private:
    explicit PixelCodec(const PixelLayout& layout) : m_layout(&layout) {}

    void applyClassConversion(Color4& c) const;
    void applySrgbOut(Color4& c) const;
    // Stores one pixel with threshold t; `error` receives (c' - q) / scale per channel.
    void storePixel(const Color4& c, float t, BYTE* bytes, Color4* error) const;
    BYTE nearestPaletteIndex(const Color4& c, bool withAlpha) const;

    const PixelLayout* m_layout;
    bool m_srgb = false;
    bool m_bothSrgb = false;
    bool m_dither = false;
    bool m_diffusion = false;
    DWORD m_colorKey = 0;
    Color4 m_key;
    BYTE* m_first = nullptr;
    UINT m_width = 0;
    UINT m_height = 0;
    UINT m_depth = 0;
    std::size_t m_rowBytes = 0;
    std::size_t m_rowPitch = 0;
    std::size_t m_slicePitch = 0;
    float m_threshold[4][8] = {};
    const PALETTEENTRY* m_paletteEntries = nullptr;
    Color4 m_palette[256];
    CodecClass m_convertFrom = CodecClass::None;
    std::vector<Color4> m_errorRow;
    std::vector<Color4> m_conversionRow;
};

// The ordered-dither thresholds: (2m + 1) / 32 over the 4 x 4 pattern m, each row twice over.
extern const float kDitherThresholds[4][8];

}  // namespace gfxutil::tex
