// From the device's state to the rasteriser's PipelineState.
//
// Each group of state is translated only when it changed (the device's dirty bits), the way a
// driver derives its hardware state at draw time. The translation also decides what the
// rasteriser does not do: texture operations and arguments it lacks make the stage end the
// cascade (ValidateDevice reports them); anisotropic and the other higher filters sample
// linearly; mirror-once addresses as mirror; at most the first eight enabled lights, in index
// order, light a draw.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/state_set.h"

namespace platform::d3d9 {

void buildPipeline(StateSet& state, uint32_t dirtyGroups, raster::PipelineState& out);

// What ValidateDevice reports for the texture stages: D3D_OK, or the first problem found.
HRESULT validateStages(const StateSet& state);

raster::Color4 toColor4(D3DCOLOR c);

}  // namespace platform::d3d9
