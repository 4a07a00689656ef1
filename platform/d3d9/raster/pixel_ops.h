// The per-pixel operations after the texture stages: alpha test, depth test and write, blending,
// the colour write mask and the store into the render target.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/span.h"

namespace platform::d3d9::raster {

struct OutputSetup {
    bool alphaTest = false;
    CompareFunc alphaFunc = CompareFunc::Always;
    float alphaRef = 0.0f;  // alphaRef / 255
    bool blend = false;
    BlendFactor src = BlendFactor::One, dest = BlendFactor::Zero;
    BlendOp op = BlendOp::Add;
    uint32_t keepMask = 0;   // target bits the write mask protects
    bool destHasAlpha = false;
    bool depth = false;      // depth test on (with a depth target)
    bool depthWrite = false;
    CompareFunc depthFunc = CompareFunc::LessEqual;
};

void prepareOutput(const PipelineState& state, const Targets& targets, OutputSetup& out);

// Clears mask[i] for pixels failing the alpha test.
void alphaTest(const OutputSetup& o, int n, const float* alpha, uint8_t* mask);

// Depth test for n pixels of a D24S8 row; clears mask[i] for failures. Depth values are written
// later by writeDepth, for the pixels that survive the alpha test too.
// The pixels are n contiguous words: a span of the target itself, or a gathered copy of
// scattered pixels (line pixels) that the caller writes back.
void depthTest(const OutputSetup& o, int n, const float* z, const uint32_t* depth, uint8_t* mask);
void writeDepth(int n, const float* z, uint32_t* depth, const uint8_t* mask);

// Blends and stores n pixels (A8R8G8B8 or X8R8G8B8) where mask[i] is set; a null mask means
// every pixel.
void writeColor(const OutputSetup& o, int n, const SpanColor& c, uint32_t* dst, const uint8_t* mask);

// writeColor for n pixels that all have the colour c (r, g, b, a) and no mask: the same bytes
// as writeColor with c repeated, with the per-colour work done once.
void writeUniformColor(const OutputSetup& o, int n, const float c[4], uint32_t* dst);

// A channel value clamped to 0..1; NaN becomes 0. Written with plain comparisons so that loops
// using it vectorise.
inline float saturate(float v) {
    v = v > 0.0f ? v : 0.0f;
    return v < 1.0f ? v : 1.0f;
}

// The byte a channel value is stored as: round(saturate(v) * 255), halves up.
inline uint32_t toByte(float v) {
    return uint32_t(saturate(v) * 255.0f + 0.5f);
}

}  // namespace platform::d3d9::raster
