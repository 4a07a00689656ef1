#include "platform/d3d9/state_set.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kTransformStates[kTransformSlots] = {
    D3DTS_VIEW,     D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1, D3DTS_TEXTURE2, D3DTS_TEXTURE3, D3DTS_TEXTURE4,
    D3DTS_TEXTURE5, D3DTS_TEXTURE6,   D3DTS_TEXTURE7, D3DTS_WORLD,    D3DTS_WORLD1,   D3DTS_WORLD2,   D3DTS_WORLD3,
};

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

bool inGroup(states::Group group, D3DSTATEBLOCKTYPE type) {
    switch (type) {
        case D3DSBT_ALL:
            return true;
        case D3DSBT_PIXELSTATE:
            return (group & states::P) != 0;
        case D3DSBT_VERTEXSTATE:
            return (group & states::V) != 0;
        default:
            return false;
    }
}

}  // namespace

std::optional<size_t> transformSlot(DWORD state) {
    for (size_t i = 0; i < kTransformSlots; ++i) {
        if (kTransformStates[i] == state) {
            return i;
        }
    }
    return std::nullopt;
}

DWORD transformOfSlot(size_t slot) { return kTransformStates[slot]; }

D3DLIGHT9 defaultLight() {
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    return l;
}

StateSet defaultStateSet(UINT width, UINT height, bool autoDepth) {
    StateSet s;
    size_t n = 0;
    const states::Row* rows = states::renderStateRows(&n);
    for (size_t i = 0; i < n; ++i) {
        s.renderStates[rows[i].state] = rows[i].defaultValue;
    }
    if (!autoDepth) {
        s.renderStates[D3DRS_ZENABLE] = D3DZB_FALSE;
    }
    rows = states::samplerStateRows(&n);
    for (auto& sampler : s.samplers) {
        for (size_t i = 0; i < n; ++i) {
            sampler[rows[i].state] = rows[i].defaultValue;
        }
    }
    rows = states::stageStateRows(&n);
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        for (size_t i = 0; i < n; ++i) {
            DWORD value = stage == 0 ? rows[i].defaultValue : rows[i].otherStageDefault;
            s.stages[stage][rows[i].state] = value == states::kStageIndex ? stage : value;
        }
    }
    s.transforms.fill(identity());
    s.viewport = D3DVIEWPORT9{0, 0, width, height, 0.0f, 1.0f};
    s.scissor = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return s;
}

StateMask maskForBlockType(D3DSTATEBLOCKTYPE type, const StateSet& current) {
    StateMask m;
    size_t n = 0;
    const states::Row* rows = states::renderStateRows(&n);
    for (size_t i = 0; i < n; ++i) {
        m.renderStates[rows[i].state] = inGroup(rows[i].group, type);
    }
    rows = states::samplerStateRows(&n);
    for (auto& sampler : m.samplers) {
        for (size_t i = 0; i < n; ++i) {
            sampler[rows[i].state] = inGroup(rows[i].group, type);
        }
    }
    rows = states::stageStateRows(&n);
    for (auto& stage : m.stages) {
        for (size_t i = 0; i < n; ++i) {
            stage[rows[i].state] = inGroup(rows[i].group, type);
        }
    }
    const bool all = type == D3DSBT_ALL;
    const bool vertex = all || type == D3DSBT_VERTEXSTATE;
    if (all) {
        m.transforms.set();
        m.material = true;
        m.clipPlanes.set();
        m.viewport = true;
        m.scissor = true;
        m.textures.set();
        m.streams.set();
        m.indices = true;
        m.nPatch = true;
    }
    if (vertex) {
        for (const auto& [index, slot] : current.lights) {
            m.lights[index] = kLightData | kLightEnable;
        }
        m.vertexInput = true;
    }
    return m;
}

namespace {

void copyLights(const StateSet& from, StateSet& to, const StateMask& mask) {
    for (const auto& [index, parts] : mask.lights) {
        const auto src = from.lights.find(index);
        if ((parts & kLightData) != 0 && src != from.lights.end()) {
            to.lights[index].light = src->second.light;  // a new entry starts disabled
        }
        if ((parts & kLightEnable) != 0) {
            const bool enabled = src != from.lights.end() && src->second.enabled;
            const auto dst = to.lights.find(index);
            if (dst != to.lights.end()) {
                dst->second.enabled = enabled;
            } else if (enabled) {
                to.lights[index] = LightSlot{defaultLight(), true};
            }
        }
    }
}

}  // namespace

void copyMasked(const StateSet& from, StateSet& to, const StateMask& mask) {
    for (size_t i = 0; i < states::kRenderStateSlots; ++i) {
        if (mask.renderStates[i]) {
            to.renderStates[i] = from.renderStates[i];
        }
    }
    for (size_t s = 0; s < kMaxSamplers; ++s) {
        for (size_t i = 0; i < states::kSamplerStateSlots; ++i) {
            if (mask.samplers[s][i]) {
                to.samplers[s][i] = from.samplers[s][i];
            }
        }
        if (mask.textures[s]) {
            to.textures[s] = from.textures[s];
        }
    }
    for (size_t s = 0; s < kMaxTextureStages; ++s) {
        for (size_t i = 0; i < states::kStageStateSlots; ++i) {
            if (mask.stages[s][i]) {
                to.stages[s][i] = from.stages[s][i];
            }
        }
    }
    for (size_t i = 0; i < kTransformSlots; ++i) {
        if (mask.transforms[i]) {
            to.transforms[i] = from.transforms[i];
        }
    }
    if (mask.material) {
        to.material = from.material;
    }
    copyLights(from, to, mask);
    for (size_t i = 0; i < kMaxClipPlanes; ++i) {
        if (mask.clipPlanes[i]) {
            to.clipPlanes[i] = from.clipPlanes[i];
        }
    }
    if (mask.viewport) {
        to.viewport = from.viewport;
    }
    if (mask.scissor) {
        to.scissor = from.scissor;
    }
    for (size_t i = 0; i < kMaxStreams; ++i) {
        if (mask.streams[i]) {
            to.streams[i] = from.streams[i];
        }
    }
    if (mask.indices) {
        to.indices = from.indices;
    }
    if (mask.vertexInput) {
        to.fvf = from.fvf;
        to.declaration = from.declaration;
    }
    if (mask.nPatch) {
        to.nPatchSegments = from.nPatchSegments;
    }
}

}  // namespace platform::d3d9
