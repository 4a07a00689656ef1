// Vertex layouts: from an FVF code or a declaration to what the rasteriser fetches.
//
// The rasteriser fetches position (or a pretransformed position), normal, two colours and the
// first two texture coordinate sets; other components (blend weights, point size, further
// coordinate sets) are stepped over. Declarations are checked when they are created, so a
// declaration object always describes something the device can fetch.
#pragma once

#include <cstddef>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9 {

// Bytes per vertex of a valid FVF code; 0 for an invalid code.
UINT fvfVertexSize(DWORD fvf);
bool validFvf(DWORD fvf);
raster::VertexLayout layoutFromFvf(DWORD fvf);

UINT declTypeSize(BYTE type);

// Checks a declaration: the reason it is refused, or null when the device can fetch it. `count`
// receives the number of elements before the end marker.
const char* checkDeclaration(const D3DVERTEXELEMENT9* elements, size_t* count);
raster::VertexLayout layoutFromDeclaration(const D3DVERTEXELEMENT9* elements, size_t count);

}  // namespace platform::d3d9
