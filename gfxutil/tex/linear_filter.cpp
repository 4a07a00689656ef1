// The bilinear (and trilinear) resampling routines. Each destination index samples the two source
// indices around its centre; indices outside the source wrap around unless the axis's mirror flag
// asks for clamping to the edge.
#include <vector>

#include "gfxutil/tex/transfer_routines.h"

namespace gfxutil::tex {
namespace {

struct Sample {
    UINT first;   // r = o - 1
    UINT second;  // o
    float firstWeight;
    float secondWeight;
};

std::vector<Sample> sampleTable(UINT source, UINT destination, bool clamp) {
    std::vector<Sample> table(destination);
    const float ratio = static_cast<float>(source) / static_cast<float>(destination);
    for (UINT i = 0; i < destination; ++i) {
        const float m = (static_cast<float>(i) + 0.5f) * ratio + 0.5f;
        const auto o = static_cast<std::int64_t>(m);
        std::int64_t r = o - 1;
        std::int64_t second = o;
        const float wr = static_cast<float>(o + 1) - m;
        if (r < 0) {
            r = clamp ? 0 : static_cast<std::int64_t>(source) - 1;
        }
        if (second >= static_cast<std::int64_t>(source)) {
            second = clamp ? static_cast<std::int64_t>(source) - 1 : 0;
        }
        table[i] = {static_cast<UINT>(r), static_cast<UINT>(second), wr, 1.0f - wr};
    }
    return table;
}

Color4 blend(const Color4& p, float wp, const Color4& q, float wq) {
    return {wp * p.r + wq * q.r, wp * p.g + wq * q.g, wp * p.b + wq * q.b, wp * p.a + wq * q.a};
}

// Keeps the source rows in use decoded; a row is decoded again only when its index changes.
class RowCache {
public:
    RowCache(PixelCodec& codec, int slots) : m_codec(codec), m_rows(static_cast<std::size_t>(slots)) {
        for (Entry& e : m_rows) {
            e.pixels.resize(codec.width());
        }
    }
    const Color4* get(int slot, UINT y, UINT z) {
        Entry& e = m_rows[static_cast<std::size_t>(slot)];
        if (!e.valid || e.y != y || e.z != z) {
            m_codec.decodeRow(y, z, e.pixels.data());
            e.valid = true;
            e.y = y;
            e.z = z;
        }
        return e.pixels.data();
    }

private:
    struct Entry {
        bool valid = false;
        UINT y = 0;
        UINT z = 0;
        std::vector<Color4> pixels;
    };
    PixelCodec& m_codec;
    std::vector<Entry> m_rows;
};

void blendRow(const std::vector<Sample>& columns, const Color4* row0, const Color4* row1, const Sample& ys,
              Color4* out, UINT width) {
    for (UINT x = 0; x < width; ++x) {
        const Sample& xs = columns[x];
        const Color4 top = blend(row0[xs.first], xs.firstWeight, row0[xs.second], xs.secondWeight);
        const Color4 bottom = blend(row1[xs.first], xs.firstWeight, row1[xs.second], xs.secondWeight);
        out[x] = blend(top, ys.firstWeight, bottom, ys.secondWeight);
    }
}

}  // namespace

RoutineResult filterLinear2D(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if ((t.filter & 0xFF) != kFilterLinear || s.depth() != 1 || d.depth() != 1) {
        return std::nullopt;
    }
    const std::vector<Sample> columns = sampleTable(s.width(), d.width(), (t.filter & kFilterMirrorU) != 0);
    const std::vector<Sample> rows = sampleTable(s.height(), d.height(), (t.filter & kFilterMirrorV) != 0);
    RowCache cache(s, 2);
    std::vector<Color4> out(d.width());
    for (UINT y = 0; y < d.height(); ++y) {
        const Sample& ys = rows[y];
        const Color4* row0 = cache.get(0, ys.first, 0);
        const Color4* row1 = cache.get(1, ys.second, 0);
        blendRow(columns, row0, row1, ys, out.data(), d.width());
        d.encodeRow(y, 0, out.data());
    }
    *t.used = TransferRoutine::Linear2D;
    return S_OK;
}

RoutineResult filterLinear3D(Transfer& t) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    if ((t.filter & 0xFF) != kFilterLinear) {
        return std::nullopt;
    }
    const std::vector<Sample> columns = sampleTable(s.width(), d.width(), (t.filter & kFilterMirrorU) != 0);
    const std::vector<Sample> rows = sampleTable(s.height(), d.height(), (t.filter & kFilterMirrorV) != 0);
    const std::vector<Sample> slices = sampleTable(s.depth(), d.depth(), (t.filter & kFilterMirrorW) != 0);
    RowCache cache(s, 4);
    std::vector<Color4> front(d.width());
    std::vector<Color4> back(d.width());
    for (UINT z = 0; z < d.depth(); ++z) {
        const Sample& zs = slices[z];
        for (UINT y = 0; y < d.height(); ++y) {
            const Sample& ys = rows[y];
            blendRow(columns, cache.get(0, ys.first, zs.first), cache.get(1, ys.second, zs.first), ys, front.data(),
                     d.width());
            blendRow(columns, cache.get(2, ys.first, zs.second), cache.get(3, ys.second, zs.second), ys, back.data(),
                     d.width());
            for (UINT x = 0; x < d.width(); ++x) {
                front[x] = blend(front[x], zs.firstWeight, back[x], zs.secondWeight);
            }
            d.encodeRow(y, z, front.data());
        }
    }
    *t.used = TransferRoutine::Linear3D;
    return S_OK;
}

}  // namespace gfxutil::tex
