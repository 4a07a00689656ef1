// The 2 x 2 (and 2 x 2 x 2) box filter that halves a level, with its integer shortcut.
//
// Mip generation runs through here for every level of every texture, so the common 8-bit formats
// skip the float rows: each stored field of a 2 x 2 block is averaged as (a + b + c + d + 2) >> 2.
// For the 32-bit four-channel formats the routine is chosen once per process: with MMX enabled a
// SIMD routine that averages all four bytes (handing widths not divisible by 4 to the plain
// four-byte routine, which gives the same bytes); without it, the plain four-byte routine for
// A8R8G8B8 and A8B8G8R8 and a three-byte routine for the X8 formats that writes 0 into the fourth
// byte. The float box serves everything else and the last levels where a side has reached 1.
#include <emmintrin.h>

#include <cstring>
#include <vector>

#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/transfer_routines.h"

namespace gfxutil::tex {
namespace {

bool halves(UINT source, UINT destination) { return destination == source / 2 || (source == 1 && destination == 1); }

bool isIntegerBoxFormat(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_X8B8G8R8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_R3G3B2:
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8:
        case D3DFMT_A4L4:
            return true;
        default:
            return false;
    }
}

void boxRowThreeBytes(const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth) {
    for (UINT x = 0; x < dstWidth; ++x, row0 += 8, row1 += 8, out += 4) {
        for (int c = 0; c < 3; ++c) {
            out[c] = static_cast<BYTE>((row0[c] + row0[c + 4] + row1[c] + row1[c + 4] + 2) >> 2);
        }
        out[3] = 0;
    }
}

// Averages every field of the layout in 8- or 16-bit pixel words; bits outside the fields are 0.
void boxRowFields(const PixelLayout& layout, const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth) {
    const UINT size = layout.bytesPerPixel;
    auto word = [size](const BYTE* p) {
        return size == 1 ? static_cast<UINT>(p[0]) : static_cast<UINT>(p[0] | (p[1] << 8));
    };
    for (UINT x = 0; x < dstWidth; ++x) {
        const UINT a = word(row0);
        const UINT b = word(row0 + size);
        const UINT c = word(row1);
        const UINT d = word(row1 + size);
        UINT result = 0;
        for (const PixelField& field : layout.fields) {
            if (field.bits == 0) {
                continue;
            }
            const UINT mask = (1u << field.bits) - 1;
            const UINT sum = ((a >> field.shift) & mask) + ((b >> field.shift) & mask) +
                             ((c >> field.shift) & mask) + ((d >> field.shift) & mask) + 2;
            result |= ((sum >> 2) & mask) << field.shift;
        }
        out[0] = static_cast<BYTE>(result);
        if (size == 2) {
            out[1] = static_cast<BYTE>(result >> 8);
        }
        row0 += 2 * size;
        row1 += 2 * size;
        out += size;
    }
}

enum class FourByteChoice { Unset, Simd, Plain };
FourByteChoice g_fourByteChoice = FourByteChoice::Unset;  // chosen at first use, kept for the process

RoutineResult boxInteger(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    const D3DFORMAT format = s.format();
    if (g_fourByteChoice == FourByteChoice::Unset) {
        g_fourByteChoice = mmxEnabled() ? FourByteChoice::Simd : FourByteChoice::Plain;
    }
    const bool fourBytes = s.bytesPerPixel() == 4;
    const bool xFormat = format == D3DFMT_X8R8G8B8 || format == D3DFMT_X8B8G8R8;
    const bool simd = fourBytes && g_fourByteChoice == FourByteChoice::Simd;
    for (UINT y = 0; y < d.height(); ++y) {
        const BYTE* row0 = s.row(2 * y, 0);
        const BYTE* row1 = s.row(2 * y + 1, 0);
        BYTE* out = d.row(y, 0);
        if (simd) {
            if (s.width() % 4 == 0) {
                boxRowFourBytesSimd(row0, row1, out, d.width());
            } else {
                boxRowFourBytes(row0, row1, out, d.width());
            }
        } else if (fourBytes) {
            if (xFormat) {
                boxRowThreeBytes(row0, row1, out, d.width());
            } else {
                boxRowFourBytes(row0, row1, out, d.width());
            }
        } else {
            boxRowFields(s.layout(), row0, row1, out, d.width());
        }
    }
    *t.used = simd ? TransferRoutine::BoxSimd : TransferRoutine::BoxInteger;
    return S_OK;
}

Color4 add(const Color4& p, const Color4& q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a}; }
Color4 scale(const Color4& p, float f) { return {p.r * f, p.g * f, p.b * f, p.a * f}; }

}  // namespace

void boxRowFourBytes(const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth) {
    for (UINT x = 0; x < dstWidth; ++x, row0 += 8, row1 += 8, out += 4) {
        for (int c = 0; c < 4; ++c) {
            out[c] = static_cast<BYTE>((row0[c] + row0[c + 4] + row1[c] + row1[c + 4] + 2) >> 2);
        }
    }
}

// Two destination pixels per step: four source pixels of each row widened to 16 bits.
void boxRowFourBytesSimd(const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    UINT x = 0;
    for (; x + 2 <= dstWidth; x += 2, row0 += 16, row1 += 16, out += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1));
        const __m128i sumLow = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i sumHigh = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        // Each half holds two source pixels per row; fold neighbours: low 64 bits + high 64 bits.
        const __m128i pairLow = _mm_add_epi16(sumLow, _mm_srli_si128(sumLow, 8));
        const __m128i pairHigh = _mm_add_epi16(sumHigh, _mm_srli_si128(sumHigh, 8));
        const __m128i both = _mm_unpacklo_epi64(pairLow, pairHigh);
        const __m128i averaged = _mm_srli_epi16(_mm_add_epi16(both, two), 2);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(averaged, zero));
    }
    if (x < dstWidth) {
        boxRowFourBytes(row0, row1, out, dstWidth - x);
    }
}

RoutineResult filterBox2D(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if ((t.filter & 0xFF) != kFilterBox || s.depth() != 1 || d.depth() != 1 || !halves(s.width(), d.width()) ||
        !halves(s.height(), d.height())) {
        return std::nullopt;
    }
    if ((t.filter & kFilterDither) == 0 && d.format() == s.format() && s.width() > 1 && s.height() > 1 &&
        !s.srgb() && !d.srgb() && !s.hasColorKey() && isIntegerBoxFormat(s.format())) {
        return boxInteger(t);
    }
    std::vector<Color4> row0(s.width());
    std::vector<Color4> row1(s.width());
    std::vector<Color4> out(d.width());
    const UINT stepX = s.width() > 1 ? 1 : 0;
    for (UINT y = 0; y < d.height(); ++y) {
        s.decodeRow(2 * y, 0, row0.data());
        if (s.height() > 1) {
            s.decodeRow(2 * y + 1, 0, row1.data());
        } else {
            row1 = row0;
        }
        for (UINT x = 0; x < d.width(); ++x) {
            const UINT x0 = 2 * x;
            const UINT x1 = x0 + stepX;
            out[x] = scale(add(add(add(row0[x0], row0[x1]), row1[x0]), row1[x1]), 0.25f);
        }
        d.encodeRow(y, 0, out.data());
    }
    *t.used = TransferRoutine::Box2D;
    return S_OK;
}

RoutineResult filterBox3D(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if ((t.filter & 0xFF) != kFilterBox || !halves(s.width(), d.width()) || !halves(s.height(), d.height()) ||
        !halves(s.depth(), d.depth())) {
        return std::nullopt;
    }
    std::vector<Color4> rows[4];
    for (auto& r : rows) {
        r.resize(s.width());
    }
    std::vector<Color4> out(d.width());
    const UINT stepX = s.width() > 1 ? 1 : 0;
    const UINT stepY = s.height() > 1 ? 1 : 0;
    const UINT stepZ = s.depth() > 1 ? 1 : 0;
    for (UINT z = 0; z < d.depth(); ++z) {
        for (UINT y = 0; y < d.height(); ++y) {
            s.decodeRow(2 * y, 2 * z, rows[0].data());
            s.decodeRow(2 * y + stepY, 2 * z, rows[1].data());
            s.decodeRow(2 * y, 2 * z + stepZ, rows[2].data());
            s.decodeRow(2 * y + stepY, 2 * z + stepZ, rows[3].data());
            for (UINT x = 0; x < d.width(); ++x) {
                const UINT x0 = 2 * x;
                const UINT x1 = x0 + stepX;
                Color4 sum = add(rows[0][x0], rows[0][x1]);
                for (int r = 1; r < 4; ++r) {
                    sum = add(add(sum, rows[r][x0]), rows[r][x1]);
                }
                out[x] = scale(sum, 0.125f);
            }
            d.encodeRow(y, z, out.data());
        }
    }
    *t.used = TransferRoutine::Box3D;
    return S_OK;
}

}  // namespace gfxutil::tex
