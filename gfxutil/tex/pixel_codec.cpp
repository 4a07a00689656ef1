#include "gfxutil/tex/pixel_codec.h"

#include <cstring>

#include "gfxutil/tex/half_float.h"
#include "gfxutil/tex/srgb.h"

namespace gfxutil::tex {

const float kDitherThresholds[4][8] = {
    {0.96875f, 0.46875f, 0.84375f, 0.34375f, 0.96875f, 0.46875f, 0.84375f, 0.34375f},
    {0.21875f, 0.71875f, 0.09375f, 0.59375f, 0.21875f, 0.71875f, 0.09375f, 0.59375f},
    {0.78125f, 0.28125f, 0.90625f, 0.40625f, 0.78125f, 0.28125f, 0.90625f, 0.40625f},
    {0.03125f, 0.53125f, 0.15625f, 0.65625f, 0.03125f, 0.53125f, 0.15625f, 0.65625f},
};

namespace {

std::uint64_t readWord(const BYTE* bytes, UINT size) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, size < 8 ? size : 8);  // little-endian host
    return word;
}

float unsignedField(std::uint64_t word, const PixelField& field) {
    const std::uint64_t mask = (std::uint64_t{1} << field.bits) - 1;
    const std::uint64_t v = (word >> field.shift) & mask;
    return static_cast<float>(v) / static_cast<float>(mask);
}

// A signed field of n bits reads v / (2^(n-1) - 1); its most negative value reads -1.
float signedField(std::uint64_t word, const PixelField& field) {
    const std::uint64_t mask = (std::uint64_t{1} << field.bits) - 1;
    auto v = static_cast<std::int64_t>((word >> field.shift) & mask);
    const std::int64_t half = std::int64_t{1} << (field.bits - 1);
    if (v >= half) {
        v -= std::int64_t{1} << field.bits;
    }
    if (v == -half) {
        return -1.0f;
    }
    return static_cast<float>(v) / static_cast<float>(half - 1);
}

float readField(std::uint64_t word, const PixelField& field, float absent) {
    if (field.bits == 0) {
        return absent;
    }
    return field.isSigned ? signedField(word, field) : unsignedField(word, field);
}

float readFloatChannel(const BYTE* bytes, LayoutKind kind, int index) {
    if (kind == LayoutKind::Half) {
        std::uint16_t h = 0;
        std::memcpy(&h, bytes + 2 * index, 2);
        return halfToFloat(h);
    }
    float v = 0.0f;
    std::memcpy(&v, bytes + 4 * index, 4);
    return v;
}

}  // namespace

std::unique_ptr<PixelCodec> PixelCodec::create(const BlitRequest& request) {
    const PixelLayout* layout = findPixelLayout(request.format);
    if (layout == nullptr) {
        return nullptr;
    }
    std::unique_ptr<PixelCodec> codec(new PixelCodec(*layout));
    PixelCodec& c = *codec;
    c.m_srgb = request.srgb;
    c.m_dither = request.dither;
    c.m_diffusion = request.diffusion;
    c.m_colorKey = request.colorKey;
    c.m_rowPitch = request.rowPitch;
    c.m_slicePitch = request.slicePitch;
    c.m_width = request.region.width();
    c.m_height = request.region.height();
    c.m_depth = request.region.depth();
    c.m_rowBytes = static_cast<std::size_t>(layout->bytesPerPixel) * c.m_width;
    c.m_first = static_cast<BYTE*>(const_cast<void*>(request.pixels)) +
                static_cast<std::size_t>(layout->bytesPerPixel) * request.region.left +
                c.m_rowPitch * request.region.top + c.m_slicePitch * request.region.front;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            c.m_threshold[y][x] = request.dither ? kDitherThresholds[y][x] : 0.5f;
        }
    }
    c.m_paletteEntries = request.palette;
    for (int i = 0; i < 256; ++i) {
        if (request.palette != nullptr) {
            const PALETTEENTRY& e = request.palette[i];
            c.m_palette[i] = {e.peRed / 255.0f, e.peGreen / 255.0f, e.peBlue / 255.0f, e.peFlags / 255.0f};
        } else {
            c.m_palette[i] = {1.0f, 1.0f, 1.0f, 1.0f};
        }
    }
    if (request.diffusion) {
        c.m_errorRow.assign(static_cast<std::size_t>(c.m_width) + 2, Color4{});
    }
    c.m_conversionRow.resize(c.m_width);
    return codec;
}

void PixelCodec::decodePixels(const BYTE* bytes, UINT count, Color4* out) const {
    const PixelLayout& l = *m_layout;
    const UINT size = l.bytesPerPixel;
    for (UINT x = 0; x < count; ++x, bytes += size) {
        Color4& c = out[x];
        switch (l.kind) {
            case LayoutKind::Packed: {
                const std::uint64_t word = readWord(bytes, size);
                c.r = readField(word, l.fields[0], l.absentColour);
                c.g = readField(word, l.fields[1], l.absentColour);
                c.b = readField(word, l.fields[2], l.absentColour);
                c.a = readField(word, l.fields[3], 1.0f);
                break;
            }
            case LayoutKind::Luminance: {
                const std::uint64_t word = readWord(bytes, size);
                const float lum = unsignedField(word, l.fields[0]);
                c = {lum, lum, lum, readField(word, l.fields[3], 1.0f)};
                break;
            }
            case LayoutKind::Palette: {
                const std::uint64_t word = readWord(bytes, size);
                c = m_palette[word & 0xFFu];
                if (l.fields[3].bits != 0) {
                    c.a = unsignedField(word, l.fields[3]);
                }
                break;
            }
            case LayoutKind::Half:
            case LayoutKind::Single: {
                float v[4] = {1.0f, 1.0f, 1.0f, 1.0f};
                for (int i = 0; i < l.floatChannels; ++i) {
                    v[i] = readFloatChannel(bytes, l.kind, i);
                }
                c = {v[0], v[1], v[2], v[3]};
                break;
            }
            case LayoutKind::DepthFloat: {
                const float v = readFloatChannel(bytes, LayoutKind::Single, 0);
                c = {v, v, v, 1.0f};
                break;
            }
        }
    }
}

void PixelCodec::decodeRow(UINT y, UINT z, Color4* out) const {
    decodePixels(row(y, z), m_width, out);
    if (m_colorKey != 0) {
        for (UINT x = 0; x < m_width; ++x) {
            Color4& c = out[x];
            if (c.r == m_key.r && c.g == m_key.g && c.b == m_key.b && c.a == m_key.a) {
                c = {};
            }
        }
    }
    if (m_srgb) {
        auto curve = [this](float v) { return m_bothSrgb ? v * v : srgbToLinear(v); };
        for (UINT x = 0; x < m_width; ++x) {
            Color4& c = out[x];
            if (m_layout->srgbOnAlpha) {
                c.a = curve(c.a);
            } else {
                c.r = curve(c.r);
                c.g = curve(c.g);
                c.b = curve(c.b);
            }
        }
    }
}

// The key is brought into the codec's class, stored as one pixel of the codec's format and read
// back, so that it compares exactly with what decoding the image gives.
void PixelCodec::quantiseColorKey() {
    if (m_colorKey == 0) {
        return;
    }
    Color4 k = {static_cast<float>((m_colorKey >> 16) & 0xFFu) / 255.0f,
                static_cast<float>((m_colorKey >> 8) & 0xFFu) / 255.0f,
                static_cast<float>(m_colorKey & 0xFFu) / 255.0f,
                static_cast<float>((m_colorKey >> 24) & 0xFFu) / 255.0f};
    if (codecClass() == CodecClass::Signed || codecClass() == CodecClass::Signed4) {
        k.r = k.r * 2.0f - 1.0f;
        k.g = k.g * 2.0f - 1.0f;
        k.b = k.b * 2.0f - 1.0f;
        if (codecClass() == CodecClass::Signed4) {
            k.a = k.a * 2.0f - 1.0f;
        }
    }
    BYTE pixel[16] = {};
    encodePixel(k, pixel);
    decodePixels(pixel, 1, &m_key);
}

}  // namespace gfxutil::tex
