#include "gfxutil/tex/transfer_pixels.h"

#include <cstring>
#include <new>
#include <vector>

#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/transfer_routines.h"

namespace gfxutil::tex {
namespace {

thread_local TransferRoutine t_lastRoutine = TransferRoutine::Nothing;

bool boxIsOrdered(const PixelBox& b) { return b.left <= b.right && b.top <= b.bottom && b.front <= b.back; }

bool regionEmpty(const PixelCodec& c) { return c.width() == 0 || c.height() == 0 || c.depth() == 0; }

bool sameSize(const PixelCodec& a, const PixelCodec& b) {
    return a.width() == b.width() && a.height() == b.height() && a.depth() == b.depth();
}

bool samePalette(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    if (a == b) {
        return true;
    }
    return a != nullptr && b != nullptr && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0;
}

// With an empty source region there is nothing to sample: the destination becomes transparent
// black, as the padding of the unfiltered copy does.
HRESULT fillTransparent(PixelCodec& dst) {
    const std::vector<Color4> zero(dst.width());
    for (UINT z = 0; z < dst.depth(); ++z) {
        for (UINT y = 0; y < dst.height(); ++y) {
            dst.encodeRow(y, z, zero.data());
        }
    }
    return S_OK;
}

using Routine = RoutineResult (*)(Transfer&);
constexpr Routine kRoutines[] = {
    copyRows,      convertSameSize, filterNone,     filterPoint,      filterBox2D,
    filterBox3D,   filterLinear2D,  filterLinear3D, filterTriangle2D, filterTriangle3D,
};

HRESULT runRoutines(const BlitRequest& destination, const BlitRequest& source, DWORD filter) {
    BlitRequest dstRequest = destination;
    BlitRequest srcRequest = source;
    srcRequest.srgb = (filter & kFilterSrgbIn) != 0;
    srcRequest.dither = false;
    srcRequest.diffusion = false;
    dstRequest.srgb = (filter & kFilterSrgbOut) != 0;
    dstRequest.dither = (filter & kFilterDither) != 0;
    dstRequest.diffusion = (filter & kFilterDitherDiffusion) != 0;
    dstRequest.colorKey = 0;

    std::unique_ptr<PixelCodec> dst = PixelCodec::create(dstRequest);
    std::unique_ptr<PixelCodec> src = PixelCodec::create(srcRequest);
    if (dst == nullptr || src == nullptr) {
        report("Unsupported image format");
        return E_FAIL;
    }
    src->quantiseColorKey();
    if (src->codecClass() != dst->codecClass() && dst->codecClass() != CodecClass::Float) {
        dst->setConvertFrom(src->codecClass());
    }
    if (src->srgb() && dst->srgb()) {
        src->setBothSrgb(true);
        dst->setBothSrgb(true);
    }
    if (regionEmpty(*dst)) {
        t_lastRoutine = TransferRoutine::Nothing;
        return S_OK;
    }
    if (regionEmpty(*src)) {
        t_lastRoutine = TransferRoutine::EmptySource;
        return fillTransparent(*dst);
    }
    TransferRoutine used = TransferRoutine::Nothing;
    Transfer transfer{*dst, *src, filter, &used};
    for (Routine routine : kRoutines) {
        if (RoutineResult result = routine(transfer)) {
            if (SUCCEEDED(*result)) {
                t_lastRoutine = used;
            }
            return *result;
        }
    }
    report("No suitable image filter found");
    return E_FAIL;
}

}  // namespace

TransferRoutine lastTransferRoutine() { return t_lastRoutine; }

HRESULT TransferPixels(const BlitRequest& destination, const BlitRequest& source, DWORD filter) {
    const DWORD kind = filter & 0xFFFF;
    if (kind < kFilterNone || kind > kFilterBox || (filter & 0xFF800000u) != 0) {
        report("Invalid image filter");
        return D3DERR_INVALIDCALL;
    }
    // An inverted box would turn into a region billions of pixels wide.
    if (!boxIsOrdered(destination.region) || !boxIsOrdered(source.region)) {
        report("Invalid rect");
        return D3DERR_INVALIDCALL;
    }
    try {
        return runRoutines(destination, source, filter);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void clampToClass(Color4& c, CodecClass cls) {
    auto clamp = [](float& v, float lo, float hi) {
        if (!(v >= lo)) {
            v = lo;
        } else if (v > hi) {
            v = hi;
        }
    };
    switch (cls) {
        case CodecClass::Unsigned:
            clamp(c.r, 0.0f, 1.0f);
            clamp(c.g, 0.0f, 1.0f);
            clamp(c.b, 0.0f, 1.0f);
            clamp(c.a, 0.0f, 1.0f);
            break;
        case CodecClass::Signed:
            clamp(c.r, -1.0f, 1.0f);
            clamp(c.g, -1.0f, 1.0f);
            clamp(c.b, -1.0f, 1.0f);
            clamp(c.a, 0.0f, 1.0f);
            break;
        case CodecClass::Signed4:
            clamp(c.r, -1.0f, 1.0f);
            clamp(c.g, -1.0f, 1.0f);
            clamp(c.b, -1.0f, 1.0f);
            clamp(c.a, -1.0f, 1.0f);
            break;
        case CodecClass::Float:
        case CodecClass::None:
            break;
    }
}

RoutineResult copyRows(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if (d.format() != s.format() || s.hasColorKey() || !sameSize(d, s) || d.srgb() != s.srgb()) {
        return std::nullopt;
    }
    if (s.palettised() && !samePalette(s.paletteEntries(), d.paletteEntries())) {
        return std::nullopt;
    }
    for (UINT z = 0; z < s.depth(); ++z) {
        for (UINT y = 0; y < s.height(); ++y) {
            std::memmove(d.row(y, z), s.row(y, z), s.rowBytes());
        }
    }
    *t.used = TransferRoutine::Copy;
    return S_OK;
}

RoutineResult convertSameSize(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if (!sameSize(d, s)) {
        return std::nullopt;
    }
    if (d.srgb() && s.srgb()) {
        d.setSrgb(false);
        s.setSrgb(false);
    }
    std::vector<Color4> row(s.width());
    for (UINT z = 0; z < s.depth(); ++z) {
        for (UINT y = 0; y < s.height(); ++y) {
            s.decodeRow(y, z, row.data());
            d.encodeRow(y, z, row.data());
        }
    }
    *t.used = TransferRoutine::Conversion;
    return S_OK;
}

// The overlap is converted; destination pixels outside the source become transparent black.
RoutineResult filterNone(Transfer& t) {
    if ((t.filter & 0xFF) != kFilterNone) {
        return std::nullopt;
    }
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    std::vector<Color4> in(s.width());
    std::vector<Color4> out(d.width());
    const UINT overlap = s.width() < d.width() ? s.width() : d.width();
    for (UINT z = 0; z < d.depth(); ++z) {
        for (UINT y = 0; y < d.height(); ++y) {
            std::fill(out.begin(), out.end(), Color4{});
            if (z < s.depth() && y < s.height()) {
                s.decodeRow(y, z, in.data());
                std::copy(in.begin(), in.begin() + overlap, out.begin());
            }
            d.encodeRow(y, z, out.data());
        }
    }
    *t.used = TransferRoutine::None;
    return S_OK;
}

namespace {

// 16.16 fixed-point step: destination index i reads source index (i * step) >> 16.
std::uint64_t pointStep(UINT source, UINT destination) {
    return (static_cast<std::uint64_t>(source) << 16) / destination;
}

UINT pointIndex(UINT i, std::uint64_t step) { return static_cast<UINT>((i * step) >> 16); }

}  // namespace

RoutineResult filterPoint(Transfer& t) {
    if ((t.filter & 0xFF) != kFilterPoint) {
        return std::nullopt;
    }
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    const std::uint64_t stepX = pointStep(s.width(), d.width());
    const std::uint64_t stepY = pointStep(s.height(), d.height());
    const std::uint64_t stepZ = pointStep(s.depth(), d.depth());
    std::vector<Color4> in(s.width());
    std::vector<Color4> out(d.width());
    std::vector<UINT> columns(d.width());
    for (UINT x = 0; x < d.width(); ++x) {
        columns[x] = pointIndex(x, stepX);
    }
    bool haveRow = false;
    UINT decodedY = 0;
    UINT decodedZ = 0;
    for (UINT z = 0; z < d.depth(); ++z) {
        const UINT sz = pointIndex(z, stepZ);
        for (UINT y = 0; y < d.height(); ++y) {
            const UINT sy = pointIndex(y, stepY);
            if (!haveRow || sy != decodedY || sz != decodedZ) {
                s.decodeRow(sy, sz, in.data());
                haveRow = true;
                decodedY = sy;
                decodedZ = sz;
            }
            for (UINT x = 0; x < d.width(); ++x) {
                out[x] = in[columns[x]];
            }
            d.encodeRow(y, z, out.data());
        }
    }
    *t.used = TransferRoutine::Point;
    return S_OK;
}

}  // namespace gfxutil::tex
