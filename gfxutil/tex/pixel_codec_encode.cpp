// The encoding half of PixelCodec: class conversion, sRGB, diffusion, ordered dithering and the
// field stores of every format.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfxutil/tex/half_float.h"
#include "gfxutil/tex/pixel_codec.h"
#include "gfxutil/tex/srgb.h"

namespace gfxutil::tex {
namespace {

float clampTo(float v, float lo, float hi) {
    if (!(v >= lo)) {
        return lo;  // also NaN
    }
    return v > hi ? hi : v;
}

float toUnsigned(float c) { return (c + 1.0f) / 2.0f; }
float toSigned(float c) { return c * 2.0f - 1.0f; }

// Quantises one unsigned field: q = trunc(c * scale + t), clamped to 0..scale.
std::uint64_t storeUnsigned(float c, BYTE bits, float t, float* error) {
    const float scale = static_cast<float>((std::uint64_t{1} << bits) - 1);
    const float scaled = c * scale;
    const float q = std::trunc(scaled + t);
    if (error != nullptr) {
        const float e = (scaled - q) / scale;
        *error = std::isfinite(e) ? e : 0.0f;
    }
    return static_cast<std::uint64_t>(clampTo(q, 0.0f, scale));
}

// Signed fields round down so that the threshold dithers symmetrically around zero.
std::uint64_t storeSigned(float c, BYTE bits, float t, float* error) {
    const float scale = static_cast<float>((std::int64_t{1} << (bits - 1)) - 1);
    const float scaled = c * scale;
    const float q = std::floor(scaled + t);
    if (error != nullptr) {
        const float e = (scaled - q) / scale;
        *error = std::isfinite(e) ? e : 0.0f;
    }
    const auto v = static_cast<std::int64_t>(clampTo(q, -scale, scale));
    return static_cast<std::uint64_t>(v) & ((std::uint64_t{1} << bits) - 1);
}

std::uint64_t storeField(float c, const PixelField& field, float t, float* error) {
    const std::uint64_t v =
        field.isSigned ? storeSigned(c, field.bits, t, error) : storeUnsigned(c, field.bits, t, error);
    return v << field.shift;
}

void writeWord(std::uint64_t word, BYTE* bytes, UINT size) { std::memcpy(bytes, &word, size < 8 ? size : 8); }

void writeFloatChannel(BYTE* bytes, LayoutKind kind, int index, float v) {
    if (kind == LayoutKind::Half) {
        const std::uint16_t h = floatToHalf(v);
        std::memcpy(bytes + 2 * index, &h, 2);
    } else {
        std::memcpy(bytes + 4 * index, &v, 4);
    }
}

}  // namespace

void PixelCodec::applyClassConversion(Color4& c) const {
    const CodecClass to = codecClass();
    const CodecClass from = m_convertFrom;
    if (from == CodecClass::None || from == to || to == CodecClass::Float) {
        return;
    }
    if (from == CodecClass::Float) {
        const float lo = to == CodecClass::Unsigned ? 0.0f : -1.0f;
        c.r = clampTo(c.r, lo, 1.0f);
        c.g = clampTo(c.g, lo, 1.0f);
        c.b = clampTo(c.b, lo, 1.0f);
        c.a = clampTo(c.a, 0.0f, 1.0f);
        return;
    }
    if (to == CodecClass::Unsigned) {
        c.r = toUnsigned(c.r);
        c.g = toUnsigned(c.g);
        c.b = toUnsigned(c.b);
        if (from == CodecClass::Signed4) {
            c.a = toUnsigned(c.a);
        }
        return;
    }
    if (from == CodecClass::Unsigned) {
        c.r = toSigned(c.r);
        c.g = toSigned(c.g);
        c.b = toSigned(c.b);
        if (to == CodecClass::Signed4) {
            c.a = toSigned(c.a);
        }
        return;
    }
    // Between the two signed classes only alpha changes range.
    c.a = to == CodecClass::Signed4 ? toSigned(c.a) : toUnsigned(c.a);
}

void PixelCodec::applySrgbOut(Color4& c) const {
    auto curve = [this](float v) { return m_bothSrgb ? std::sqrt(v < 0.0f ? 0.0f : v) : linearToSrgb(v); };
    if (m_layout->srgbOnAlpha) {
        c.a = curve(c.a);
    } else {
        c.r = curve(c.r);
        c.g = curve(c.g);
        c.b = curve(c.b);
    }
}

BYTE PixelCodec::nearestPaletteIndex(const Color4& c, bool withAlpha) const {
    int best = 0;
    float bestDistance = 0.0f;
    for (int i = 0; i < 256; ++i) {
        const Color4& p = m_palette[i];
        const float dr = c.r - p.r;
        const float dg = c.g - p.g;
        const float db = c.b - p.b;
        const float da = withAlpha ? c.a - p.a : 0.0f;
        const float d = dr * dr + dg * dg + db * db + da * da;
        if (i == 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<BYTE>(best);
}

void PixelCodec::storePixel(const Color4& c, float t, BYTE* bytes, Color4* error) const {
    const PixelLayout& l = *m_layout;
    Color4 e{};
    switch (l.kind) {
        case LayoutKind::Packed: {
            const float v[4] = {c.r, c.g, c.b, c.a};
            float* errors[4] = {&e.r, &e.g, &e.b, &e.a};
            std::uint64_t word = 0;
            for (int i = 0; i < 4; ++i) {
                if (l.fields[i].bits != 0) {
                    word |= storeField(v[i], l.fields[i], t, errors[i]);
                }
            }
            writeWord(word, bytes, l.bytesPerPixel);
            break;
        }
        case LayoutKind::Luminance: {
            const float lum = 0.2125f * c.r + 0.7154f * c.g + 0.0721f * c.b;
            float lumError = 0.0f;
            std::uint64_t word = storeField(lum, l.fields[0], t, &lumError);
            e.r = e.g = e.b = lumError;
            if (l.fields[3].bits != 0) {
                word |= storeField(c.a, l.fields[3], t, &e.a);
            }
            writeWord(word, bytes, l.bytesPerPixel);
            break;
        }
        case LayoutKind::Palette: {
            const bool ownAlpha = l.fields[3].bits != 0;
            std::uint64_t word = nearestPaletteIndex(c, !ownAlpha);
            if (ownAlpha) {
                word |= storeField(c.a, l.fields[3], t, &e.a);
            }
            writeWord(word, bytes, l.bytesPerPixel);
            break;
        }
        case LayoutKind::Half:
        case LayoutKind::Single: {
            const float v[4] = {c.r, c.g, c.b, c.a};
            for (int i = 0; i < l.floatChannels; ++i) {
                writeFloatChannel(bytes, l.kind, i, v[i]);
            }
            break;
        }
        case LayoutKind::DepthFloat:
            writeFloatChannel(bytes, LayoutKind::Single, 0, c.r);
            break;
    }
    if (error != nullptr) {
        *error = e;
    }
}

void PixelCodec::encodePixel(Color4 c, BYTE* bytes) const { storePixel(c, 0.5f, bytes, nullptr); }

// Rows are walked in serpentine order (even rows left to right, odd rows right to left) so that
// neither the ordered pattern nor the diffused error drifts to one side of the image.
void PixelCodec::encodeRow(UINT y, UINT z, const Color4* in) {
    Color4* conv = m_conversionRow.data();
    for (UINT x = 0; x < m_width; ++x) {
        conv[x] = in[x];
        applyClassConversion(conv[x]);
        if (m_srgb) {
            applySrgbOut(conv[x]);
        }
    }
    if (m_diffusion) {
        for (UINT x = 0; x < m_width; ++x) {
            const Color4& d = m_errorRow[x + 1];
            conv[x].r += d.r;
            conv[x].g += d.g;
            conv[x].b += d.b;
            conv[x].a += d.a;
        }
        std::fill(m_errorRow.begin(), m_errorRow.end(), Color4{});
    }
    BYTE* dst = row(y, z);
    const float* thresholds = m_threshold[y & 3];
    const bool rightToLeft = (y & 1) != 0;
    const UINT size = m_layout->bytesPerPixel;
    Color4 carried{};
    for (UINT k = 0; k < m_width; ++k) {
        const UINT x = rightToLeft ? m_width - 1 - k : k;
        const float t = thresholds[(z & 3) + (k & 3)];
        Color4 c = conv[x];
        c.r += carried.r;
        c.g += carried.g;
        c.b += carried.b;
        c.a += carried.a;
        if (!m_diffusion) {
            storePixel(c, t, dst + static_cast<std::size_t>(x) * size, nullptr);
            continue;
        }
        Color4 e;
        storePixel(c, t, dst + static_cast<std::size_t>(x) * size, &e);
        carried = {e.r * 0.4375f, e.g * 0.4375f, e.b * 0.4375f, e.a * 0.4375f};
        // Error row entry x + 1 belongs to pixel x; previous and next follow the walking order.
        const std::size_t same = static_cast<std::size_t>(x) + 1;
        const std::size_t previous = rightToLeft ? same + 1 : same - 1;
        const std::size_t next = rightToLeft ? same - 1 : same + 1;
        auto add = [&](std::size_t at, float w) {
            Color4& d = m_errorRow[at];
            d.r += e.r * w;
            d.g += e.g * w;
            d.b += e.b * w;
            d.a += e.a * w;
        };
        add(previous, 0.1875f);
        add(same, 0.3125f);
        add(next, 0.0625f);
    }
}

}  // namespace gfxutil::tex
