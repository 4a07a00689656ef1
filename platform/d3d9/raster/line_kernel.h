// The pixels of a line whose colour goes to the target as it is (untextured, no blending or
// tests: the scene's lit spring lines), for any lane count (see lanes.h): the 8-lane form is built
// in direct_fill_avx2.cpp. Each lane performs drawLine's operations for its pixel in the same
// order, so the bytes do not depend on which loop drew a pixel.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// One line, as drawLine has set it up: pixel i is at `start + i * step` on the major axis; its
// parameter t and minor coordinate follow from the ends.
struct DirectLine {
    int start, step, count;
    bool xMajor;
    float major0, dMajor, minor0, dMinor;
    float q0, dq;           // q at the first end, and its change along the line
    float v0[4], dv[4];     // the colour (premultiplied by q) at the first end, and its change
    Scissor scissor;
    uint8_t* colorBase;
    int32_t colorPitch;
    uint32_t fill, keep;
};

// Draws pixels [0, count) in the 8-lane loop.
void directLineAvx2(const DirectLine& l);
// The same in the 16-lane loop, storing with a scatter (processors with AVX-512F only).
void directLineAvx512(const DirectLine& l);

namespace {

template <int W>
RASTER_LANES_INLINE void directLinePixels(const DirectLine& l) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const F zero = splat<F>(0.0f), one = splat<F>(1.0f);
    for (int i = 0; i < l.count; i += W) {
        const I idx = splat<I>(i) + iota<I>();
        const I c = splat<I>(l.start) + idx * l.step;
        F t = l.dMajor != 0.0f ? (__builtin_convertvector(c, F) - l.major0) / l.dMajor : zero;
        t = t < zero ? zero : (t > one ? one : t);
        // ceilToInt(minor0 + t * dMinor - 0.5): truncation, then one up when that fell short.
        const F mf = splat<F>(l.minor0) + t * l.dMinor - 0.5f;
        I m = __builtin_convertvector(mf, I);
        m = m + (__builtin_convertvector(m, F) < mf ? splat<I>(1) : splat<I>(0));
        const I px = l.xMajor ? c : m, py = l.xMajor ? m : c;
        const I inside = (idx < l.count) & (px >= l.scissor.x0) & (px < l.scissor.x1) & (py >= l.scissor.y0) &
                         (py < l.scissor.y1);
        if (!anyLane<W>(inside, W)) continue;
        const F w = one / (splat<F>(l.q0) + splat<F>(l.dq) * t);
        const I r = toByte<W>((splat<F>(l.v0[0]) + splat<F>(l.dv[0]) * t) * w);
        const I g = toByte<W>((splat<F>(l.v0[1]) + splat<F>(l.dv[1]) * t) * w);
        const I b = toByte<W>((splat<F>(l.v0[2]) + splat<F>(l.dv[2]) * t) * w);
        const I a = toByte<W>((splat<F>(l.v0[3]) + splat<F>(l.dv[3]) * t) * w);
        const U v = pack<W>(a, r, g, b) | l.fill;
        // The pixels of a line are all different, so the stores can go in any order. With every
        // channel written the target is not read: a steep line's pixels are on different rows,
        // each a likely cache miss, and a store that misses costs far less than a load.
        const int bits = laneBits<W>(inside);
#if defined(__x86_64__) || defined(__i386__)
        if constexpr (W == 16) {
            if (l.keep == 0) {  // one scatter: offsets below 2^31 (a target is at most 16384 rows of 64 KiB)
                const I offset = py * splat<I>(l.colorPitch) + px * splat<I>(4);
                _mm512_mask_i32scatter_epi32(l.colorBase, __mmask16(bits), __m512i(offset), __m512i(v), 1);
                continue;
            }
        }
#endif
        if (l.keep == 0) {
            for (int k = 0; k < W; ++k) {
                if (!(bits & (1 << k))) continue;
                reinterpret_cast<uint32_t*>(l.colorBase + ptrdiff_t(py[k]) * l.colorPitch)[px[k]] = v[k];
            }
            continue;
        }
        for (int k = 0; k < W; ++k) {
            if (!(bits & (1 << k))) continue;
            uint32_t* dst = reinterpret_cast<uint32_t*>(l.colorBase + ptrdiff_t(py[k]) * l.colorPitch) + px[k];
            *dst = (v[k] & ~l.keep) | (*dst & l.keep);
        }
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop
