// The vertex stage: transforms, fixed-function lighting and the varyings the pixel stage needs.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/vertex.h"

namespace platform::d3d9::raster {

// What the vertex stage derives once per draw from the state.
struct VertexStage {
    const PipelineState* state = nullptr;
    float worldViewProj[4][4];
    float worldView[4][4];
    float normalMatrix[3][3];     // inverse transpose of world-view's upper 3 x 3
    int lightCount = 0;
    struct ViewLight {
        LightType type;
        Color4 diffuse, ambient;
        float pos[3];             // view space
        float toLight[3];         // directional: unit vector towards the light, view space
        float dir[3];             // spot: unit direction of travel, view space
        float range, falloff, att0, att1, att2, cosHalfTheta, cosHalfPhi;
    } lights[kMaxLights];
    Color4 ambientSum;            // global ambient plus every enabled light's ambient
    int clipPlaneCount = 0;
    float clipPlanes[kMaxClipPlanes][4];  // enabled planes, in order, in world space
};

void prepareVertexStage(const PipelineState& state, VertexStage& stage);

// Transforms and lights vertex `index` of the call (already checked readable).
void processVertex(const VertexStage& stage, const DrawCall& call, int64_t index, ClipVertex& out);

}  // namespace platform::d3d9::raster
