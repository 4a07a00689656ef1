// The device's state as values, and a mask that picks parts of it.
//
// The device holds one StateSet (what draws use); a state block holds another together with the
// mask of what it records. Capture copies the masked parts from the device into the block, Apply
// copies them back, and recording a block writes each Set call into the block's set and mask
// instead of the device's. One copy routine, copyMasked, serves all three, so they cannot
// disagree about what a part contains.
//
// Bound objects are held with a reference (ComPtr) both by the device and by blocks.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <optional>

#include "platform/d3d9/caps.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/index_buffer.h"
#include "platform/d3d9/state_table.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/vertex_buffer.h"
#include "platform/d3d9/vertex_declaration.h"
#include "platform/win32/com_ptr.h"

namespace platform::d3d9 {

// Transforms the device keeps: view, projection, eight texture matrices and four world matrices.
inline constexpr size_t kTransformSlots = 14;
std::optional<size_t> transformSlot(DWORD state);
DWORD transformOfSlot(size_t slot);

struct LightSlot {
    D3DLIGHT9 light{};
    bool enabled = false;
};

// The light LightEnable creates for an index never given to SetLight.
D3DLIGHT9 defaultLight();

struct StreamBinding {
    ComPtr<VertexBuffer> buffer;
    UINT offset = 0;
    UINT stride = 0;
};

struct StateSet {
    std::array<DWORD, states::kRenderStateSlots> renderStates{};
    std::array<std::array<DWORD, states::kSamplerStateSlots>, kMaxSamplers> samplers{};
    std::array<std::array<DWORD, states::kStageStateSlots>, kMaxTextureStages> stages{};
    std::array<D3DMATRIX, kTransformSlots> transforms{};
    D3DMATERIAL9 material{};
    std::map<DWORD, LightSlot> lights;
    std::array<std::array<float, 4>, kMaxClipPlanes> clipPlanes{};
    D3DVIEWPORT9 viewport{};
    RECT scissor{};
    std::array<ComPtr<Texture>, kMaxSamplers> textures;
    std::array<StreamBinding, kMaxStreams> streams;
    ComPtr<IndexBuffer> indices;
    // Vertex input is either an FVF code or a declaration; setting one clears the other.
    DWORD fvf = 0;
    ComPtr<VertexDeclaration> declaration;
    float nPatchSegments = 0.0f;
};

// The two parts of a light a block can hold: SetLight records the data, LightEnable the switch.
inline constexpr uint8_t kLightData = 1;
inline constexpr uint8_t kLightEnable = 2;

struct StateMask {
    std::bitset<states::kRenderStateSlots> renderStates;
    std::array<std::bitset<states::kSamplerStateSlots>, kMaxSamplers> samplers;
    std::array<std::bitset<states::kStageStateSlots>, kMaxTextureStages> stages;
    std::bitset<kTransformSlots> transforms;
    bool material = false;
    std::map<DWORD, uint8_t> lights;  // per light index: kLightData and/or kLightEnable
    std::bitset<kMaxClipPlanes> clipPlanes;
    bool viewport = false;
    bool scissor = false;
    std::bitset<kMaxSamplers> textures;
    std::bitset<kMaxStreams> streams;
    bool indices = false;
    bool vertexInput = false;  // FVF code and declaration
    bool nPatch = false;
};

// The defaults of a new device whose render target is width x height.
StateSet defaultStateSet(UINT width, UINT height, bool autoDepth);

// The parts a state block of each kind captures: D3DSBT_ALL, D3DSBT_PIXELSTATE, D3DSBT_VERTEXSTATE.
StateMask maskForBlockType(D3DSTATEBLOCKTYPE type, const StateSet& current);

// Copies the parts named by `mask` from `from` into `to`. Light data that `from` never had is
// left alone in `to`; enabling a light `to` lacks gives it the default light, as LightEnable does.
void copyMasked(const StateSet& from, StateSet& to, const StateMask& mask);

}  // namespace platform::d3d9
