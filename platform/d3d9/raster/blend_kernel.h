// Source-alpha blending of one colour over a run of the target, for any lane count (see
// lanes.h): the 8-lane form is built in direct_fill_avx2.cpp. It performs blendSrcAlphaUniform's
// operations in the same order, so the bytes do not depend on which loop blended a pixel. The
// 16-lane form is built in direct_fill_avx512.cpp.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/lanes.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// The per-run constants: the colour's terms s * a, the factor 1 - a, and how the target's
// alpha byte reads (scale and bias) and is written (fill), and the write mask's kept bits.
struct UniformBlend {
    float sr, sg, sb, sa, ia;
    float destAlphaScale, destAlphaBias;
    uint32_t fill, keep;
};

// Blends pixels [0, n & ~7) of dst in the 8-lane loop; returns how many it did.
int blendUniformAvx2(const UniformBlend& b, int n, uint32_t* dst);

// The same for pixels [0, n & ~15) in the 16-lane (AVX-512F) loop.
int blendUniformAvx512(const UniformBlend& b, int n, uint32_t* dst);

namespace {

template <int W>
RASTER_LANES_INLINE int blendUniformRun(const UniformBlend& b, int n, uint32_t* dst) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const F ia = splat<F>(b.ia);
    int i = 0;
    for (; i + W <= n; i += W) {
        const U d = load<U>(dst + i);
        const F da = __builtin_convertvector(I(d >> 24), F) * splat<F>(b.destAlphaScale) + splat<F>(b.destAlphaBias);
        const I r = toByte<W>(splat<F>(b.sr) + channel<W>(d, 16) * ia);
        const I g = toByte<W>(splat<F>(b.sg) + channel<W>(d, 8) * ia);
        const I bl = toByte<W>(splat<F>(b.sb) + channel<W>(d, 0) * ia);
        const I al = toByte<W>(splat<F>(b.sa) + da * ia);
        const U v = pack<W>(al, r, g, bl) | splat<U>(b.fill);
        store(dst + i, (v & ~splat<U>(b.keep)) | (d & splat<U>(b.keep)));
    }
    return i;
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop
