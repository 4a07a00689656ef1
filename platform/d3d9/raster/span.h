// Pixel data of one span, kept as structure-of-arrays so that each pipeline step is a tight loop
// over up to kSpanLength pixels; the choice of what each step does is made once per span, never
// per pixel.
#pragma once

#include <cstdint>

namespace platform::d3d9::raster {

inline constexpr int kSpanLength = 64;

struct SpanColor {
    alignas(32) float r[kSpanLength];
    alignas(32) float g[kSpanLength];
    alignas(32) float b[kSpanLength];
    alignas(32) float a[kSpanLength];
};

}  // namespace platform::d3d9::raster
