// The triangle filter: every source pixel spreads over the destination pixels its tent (one source
// pixel wide on each side of its centre) covers, weighted by the overlap. It resamples by any
// factor, up or down, and is what loads an image whose size differs from the texture's.
//
// Destination rows are accumulated in row buffers that are recycled as soon as every source row
// that contributes to them has been added, so no whole-image float buffer exists.
#include <cmath>
#include <memory>
#include <vector>

#include "gfxutil/tex/transfer_routines.h"

namespace gfxutil::tex {
namespace {

struct Weight {
    UINT index;
    float weight;
};

// For each source index, the destination indices it contributes to and how much.
using WeightList = std::vector<std::vector<Weight>>;

WeightList buildWeightList(UINT source, UINT destination, bool clamp) {
    WeightList list(source);
    const float s = static_cast<float>(destination) / static_cast<float>(source);
    const float halfOverS = 0.5f / s;
    const float end = static_cast<float>(destination);
    const auto dst = static_cast<std::int64_t>(destination);
    for (UINT j = 0; j < source; ++j) {
        std::vector<Weight>& out = list[j];
        bool open = false;
        std::int64_t current = 0;
        float sum = 0.0f;
        auto emit = [&] {
            if (open && sum > 0.00001f) {
                out.push_back({static_cast<UINT>(current), sum});
            }
        };
        for (int h = 0; h < 2; ++h) {
            const float e = static_cast<float>(j) + static_cast<float>(h) - 0.5f;
            float g = e * s;
            float halfEnd = g + s;
            if (clamp) {
                if (g < 0.0f) {
                    g = 0.0f;
                }
                if (halfEnd > end) {
                    halfEnd = end;
                }
            }
            for (auto m = static_cast<std::int64_t>(std::floor(g)); static_cast<float>(m) < halfEnd; ++m) {
                const float mf = static_cast<float>(m);
                const float v = mf > g ? mf : g;
                const float u = mf + 1.0f < halfEnd ? mf + 1.0f : halfEnd;
                float b = (u + v) * halfOverS - e;
                if (clamp) {
                    if (e < 0.0f) {
                        b = 1.0f;
                    } else if (e + 1.0f >= static_cast<float>(source)) {
                        b = 0.0f;
                    }
                }
                const float weight = h == 0 ? b : 1.0f - b;
                const float contribution = (u - v) * weight;
                std::int64_t index = m;
                if (index < 0) {
                    index += dst;
                } else if (index >= dst) {
                    index -= dst;
                }
                if (!open || index != current) {
                    emit();
                    open = true;
                    current = index;
                    sum = 0.0f;
                }
                sum += contribution;
            }
        }
        emit();
    }
    return list;
}

RoutineResult triangle(Transfer& t, bool threeD) {
    PixelCodec& d = t.dst;
    PixelCodec& s = t.src;
    const WeightList columns = buildWeightList(s.width(), d.width(), (t.filter & kFilterMirrorU) != 0);
    const WeightList rows = buildWeightList(s.height(), d.height(), (t.filter & kFilterMirrorV) != 0);
    const WeightList slices = buildWeightList(s.depth(), d.depth(), (t.filter & kFilterMirrorW) != 0);
    const std::size_t destinationRows = static_cast<std::size_t>(d.height()) * d.depth();

    std::vector<UINT> remaining(destinationRows, 0);
    for (UINT sz = 0; sz < s.depth(); ++sz) {
        for (const Weight& wz : slices[sz]) {
            for (UINT sy = 0; sy < s.height(); ++sy) {
                for (const Weight& wy : rows[sy]) {
                    ++remaining[static_cast<std::size_t>(wz.index) * d.height() + wy.index];
                }
            }
        }
    }

    std::vector<std::unique_ptr<Color4[]>> active(destinationRows);
    std::vector<std::unique_ptr<Color4[]>> freeList;
    std::vector<bool> written(destinationRows, false);
    auto finish = [&](std::size_t at, Color4* buffer) {
        for (UINT x = 0; x < d.width(); ++x) {
            clampToClass(buffer[x], s.codecClass());
        }
        d.encodeRow(static_cast<UINT>(at % d.height()), static_cast<UINT>(at / d.height()), buffer);
        written[at] = true;
    };

    std::vector<Color4> source(s.width());
    for (UINT sz = 0; sz < s.depth(); ++sz) {
        for (UINT sy = 0; sy < s.height(); ++sy) {
            s.decodeRow(sy, sz, source.data());
            for (const Weight& wz : slices[sz]) {
                for (const Weight& wy : rows[sy]) {
                    const std::size_t at = static_cast<std::size_t>(wz.index) * d.height() + wy.index;
                    if (!active[at]) {
                        if (freeList.empty()) {
                            active[at] = std::make_unique<Color4[]>(d.width());
                        } else {
                            active[at] = std::move(freeList.back());
                            freeList.pop_back();
                        }
                        std::fill(active[at].get(), active[at].get() + d.width(), Color4{});
                    }
                    Color4* acc = active[at].get();
                    for (UINT k = 0; k < s.width(); ++k) {
                        const Color4& p = source[k];
                        for (const Weight& wx : columns[k]) {
                            const float w = threeD ? (wx.weight * wy.weight) * wz.weight : wx.weight * wy.weight;
                            Color4& a = acc[wx.index];
                            a.r += w * p.r;
                            a.g += w * p.g;
                            a.b += w * p.b;
                            a.a += w * p.a;
                        }
                    }
                    if (--remaining[at] == 0) {
                        finish(at, acc);
                        freeList.push_back(std::move(active[at]));
                    }
                }
            }
        }
    }
    // A destination row that no source row reached (all its weights fell below the cut-off) is
    // still written, as transparent black.
    std::vector<Color4> zero(d.width());
    for (std::size_t at = 0; at < destinationRows; ++at) {
        if (!written[at]) {
            std::fill(zero.begin(), zero.end(), Color4{});
            finish(at, zero.data());
        }
    }
    *t.used = threeD ? TransferRoutine::Triangle3D : TransferRoutine::Triangle2D;
    return S_OK;
}

}  // namespace

RoutineResult filterTriangle2D(Transfer& t) {
    if (t.src.depth() != 1 || t.dst.depth() != 1) {
        return std::nullopt;
    }
    return triangle(t, false);
}

RoutineResult filterTriangle3D(Transfer& t) { return triangle(t, true); }

}  // namespace gfxutil::tex
