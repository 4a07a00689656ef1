// Texture sampling: addressing (wrap, mirror, clamp, border), point and bilinear filtering, mip
// selection (none, point, linear) with the level-of-detail bias and the maximum level, for every
// texel format of TextureFormat.
//
// Texel centres are at half-integer texel coordinates: point sampling takes texel floor(u * width),
// bilinear filtering blends the four texels around u * width - 0.5. The level of detail is
// log2 of the larger screen-space footprint in texels; at or below 0 the magnification filter
// applies to the most detailed usable level, above 0 the minification and mip filters.
#pragma once

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/span.h"

namespace platform::d3d9::raster {

struct Sampler;
using SampleSpanFn = void (*)(const Sampler& s, int n, const float* u, const float* v, const float* lod,
                              SpanColor& out);

struct Sampler {
    const TextureView* view = nullptr;
    SamplerState state;
    int firstLevel = 0;  // the most detailed level allowed (maxMipLevel, clamped)
    int lastLevel = 0;
    bool needsLod = false;  // whether the level of detail changes the result
    float border[4] = {0, 0, 0, 0};
    SampleSpanFn sampleSpan = nullptr;
};

// Prepares sampling of `view` (which must have at least one level) with `state`.
void prepareSampler(const TextureView& view, const SamplerState& state, Sampler& out);

// Reads one texel of a level as r, g, b, a in 0..1 (used by tests and by the sampler).
void readTexel(const TextureView& view, int level, int x, int y, float out[4]);

}  // namespace platform::d3d9::raster
