// The vertex records passed between the pipeline stages.
#pragma once

#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9::raster {

// The attributes the pixel stage interpolates, in this order: diffuse r, g, b, a, then u, v of each
// texture coordinate set.
inline constexpr int kMaxVaryings = 4 + 2 * kMaxTexCoords;

// A vertex after the vertex stage: clip-space position, distances to the enabled user clip planes
// (positive inside) and the varyings.
struct ClipVertex {
    float pos[4];                   // x, y, z, w in clip space (pretransformed: screen x, y, z, 1/w)
    float clipDist[kMaxClipPlanes];
    float varyings[kMaxVaryings];
};

}  // namespace platform::d3d9::raster
