// Clipping in homogeneous space.
//
// A primitive is clipped against the near and far planes (0 <= z <= w), a plane that keeps w
// positive, a guard band of kGuardBand viewports in x and y, and the enabled user clip planes
// (world-space distances computed by the vertex stage, interpolated linearly here, which is exact
// because world position is a linear function of the homogeneous position). New vertices are
// always interpolated from the inside vertex towards the outside one, so two triangles sharing an
// edge get bit-identical new vertices and no crack opens between them.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/vertex.h"

namespace platform::d3d9::raster {

inline constexpr float kGuardBand = 8.0f;
inline constexpr int kFixedPlanes = 7;     // near, far, w > kMinW, and the guard band's four
inline constexpr float kMinW = 1e-5f;
inline constexpr int kMaxClippedVertices = 3 + 7 + kMaxClipPlanes;

// One bit per plane the vertex is outside of; 0 when inside them all.
uint32_t outcode(const ClipVertex& v, int userPlanes);

// Clips the polygon `in` (n vertices, codes OR-ed in codeUnion) into `out`; returns the vertex
// count (0 when nothing is left). `out` holds kMaxClippedVertices entries.
int clipPolygon(const ClipVertex* in, int n, uint32_t codeUnion, int userPlanes, int varyingCount,
                ClipVertex* out);

// Clips the segment in place; false when nothing is left.
bool clipLine(ClipVertex& a, ClipVertex& b, uint32_t codeUnion, int userPlanes, int varyingCount);

}  // namespace platform::d3d9::raster
