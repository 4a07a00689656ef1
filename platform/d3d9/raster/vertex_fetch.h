// Reading vertex elements from the caller's streams.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9::raster {

// The bytes an element of this type takes in its vertex.
uint32_t elementSize(ElementType type);

// True when every present element of vertex `index` lies inside its stream.
bool vertexReadable(const VertexLayout& layout, const DrawCall& call, int64_t index);

// Reads one element of vertex `index` as four floats; missing components are (0, 0, 0, 1).
// The caller has checked vertexReadable.
void fetchElement(const VertexElement& element, const DrawCall& call, int64_t index, float out[4]);

}  // namespace platform::d3d9::raster
