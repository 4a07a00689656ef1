// The device's state calls. Each checks its arguments, logs the call, and then writes either into
// the state block being recorded (values and mask) or into the device's state, marking the
// pipeline groups it changes.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/vertex_layout.h"

namespace platform::d3d9 {
namespace {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

// Why a light is refused, or null. A light with no direction or an impossible cone would give
// the lighting stage a division by zero or a meaningless cone.
const char* checkLight(const D3DLIGHT9& l) {
    if (l.Type < D3DLIGHT_POINT || l.Type > D3DLIGHT_DIRECTIONAL) {
        return "unknown light type";
    }
    const bool aimed = l.Type == D3DLIGHT_SPOT || l.Type == D3DLIGHT_DIRECTIONAL;
    if (aimed && l.Direction.x == 0.0f && l.Direction.y == 0.0f && l.Direction.z == 0.0f) {
        return "a directional or spot light needs a direction";
    }
    if (l.Type != D3DLIGHT_DIRECTIONAL && !(l.Range >= 0.0f && l.Range <= std::sqrt(3.402823466e38f))) {
        return "range outside 0 to sqrt(FLT_MAX)";
    }
    if (l.Type == D3DLIGHT_SPOT && !(l.Theta >= 0.0f && l.Theta <= l.Phi && l.Phi <= std::numbers::pi_v<float>)) {
        return "spot cone needs 0 <= Theta <= Phi <= pi";
    }
    return nullptr;
}

size_t enabledLights(const StateSet& s) {
    return static_cast<size_t>(
        std::count_if(s.lights.begin(), s.lights.end(), [](const auto& entry) { return entry.second.enabled; }));
}

}  // namespace

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    m_log.add("SetTransform(%u)", static_cast<unsigned>(State));
    const auto slot = transformSlot(State);
    REFUSE_IF(!slot, D3DERR_INVALIDCALL, "transform %u is not kept", static_cast<unsigned>(State));
    REFUSE_IF(pMatrix == nullptr, D3DERR_INVALIDCALL, "no matrix");
    target().transforms[*slot] = *pMatrix;
    if (StateMask* mask = recordMask()) {
        mask->transforms[*slot] = true;
    }
    touched(kDirtyTransforms);
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    const auto slot = transformSlot(State);
    REFUSE_IF(!slot, D3DERR_INVALIDCALL, "transform %u is not kept", static_cast<unsigned>(State));
    REFUSE_IF(pMatrix == nullptr, D3DERR_INVALIDCALL, "no output");
    *pMatrix = m_state.transforms[*slot];
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    m_log.add("MultiplyTransform(%u)", static_cast<unsigned>(State));
    const auto slot = transformSlot(State);
    REFUSE_IF(!slot, D3DERR_INVALIDCALL, "transform %u is not kept", static_cast<unsigned>(State));
    REFUSE_IF(pMatrix == nullptr, D3DERR_INVALIDCALL, "no matrix");
    target().transforms[*slot] = multiply(*pMatrix, target().transforms[*slot]);
    if (StateMask* mask = recordMask()) {
        mask->transforms[*slot] = true;
    }
    touched(kDirtyTransforms);
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* pViewport) {
    m_log.add("SetViewport()");
    REFUSE_IF(pViewport == nullptr, D3DERR_INVALIDCALL, "no viewport");
    const D3DVIEWPORT9& v = *pViewport;
    const SurfaceDesc& rt = m_renderTarget->desc();
    REFUSE_IF(v.Width == 0 || v.Height == 0 || v.X >= rt.width || v.Y >= rt.height || v.Width > rt.width - v.X ||
                  v.Height > rt.height - v.Y,
              D3DERR_INVALIDCALL, "viewport (%u, %u, %u, %u) outside the %ux%u target", v.X, v.Y, v.Width, v.Height,
              rt.width, rt.height);
    REFUSE_IF(!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f), D3DERR_INVALIDCALL,
              "depth range outside 0 to 1");
    target().viewport = v;
    if (StateMask* mask = recordMask()) {
        mask->viewport = true;
    }
    touched(kDirtyViewport);
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport) {
    REFUSE_IF(pViewport == nullptr, D3DERR_INVALIDCALL, "no output");
    *pViewport = m_state.viewport;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* pMaterial) {
    m_log.add("SetMaterial()");
    REFUSE_IF(pMaterial == nullptr, D3DERR_INVALIDCALL, "no material");
    target().material = *pMaterial;
    if (StateMask* mask = recordMask()) {
        mask->material = true;
    }
    touched(kDirtyLighting);
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* pMaterial) {
    REFUSE_IF(pMaterial == nullptr, D3DERR_INVALIDCALL, "no output");
    *pMaterial = m_state.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
    m_log.add("SetLight(%u)", Index);
    REFUSE_IF(pLight == nullptr, D3DERR_INVALIDCALL, "no light");
    const char* reason = checkLight(*pLight);
    REFUSE_IF(reason != nullptr, D3DERR_INVALIDCALL, "%s", reason);
    target().lights[Index].light = *pLight;  // a new entry starts disabled
    if (StateMask* mask = recordMask()) {
        mask->lights[Index] |= kLightData;
    }
    touched(kDirtyLighting);
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT9* pLight) {
    REFUSE_IF(pLight == nullptr, D3DERR_INVALIDCALL, "no output");
    const auto it = m_state.lights.find(Index);
    REFUSE_IF(it == m_state.lights.end(), D3DERR_INVALIDCALL, "light %u was never set", Index);
    *pLight = it->second.light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable) {
    m_log.add("LightEnable(%u, %d)", Index, Enable);
    StateSet& s = target();
    const auto it = s.lights.find(Index);
    const bool wasEnabled = it != s.lights.end() && it->second.enabled;
    REFUSE_IF(!m_recording && Enable != FALSE && !wasEnabled && enabledLights(s) >= kMaxActiveLights,
              D3DERR_INVALIDCALL, "already %u lights enabled", kMaxActiveLights);
    if (it == s.lights.end()) {
        s.lights[Index].light = defaultLight();
    }
    s.lights[Index].enabled = Enable != FALSE;
    if (StateMask* mask = recordMask()) {
        mask->lights[Index] |= kLightEnable;
    }
    touched(kDirtyLighting);
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable) {
    REFUSE_IF(pEnable == nullptr, D3DERR_INVALIDCALL, "no output");
    const auto it = m_state.lights.find(Index);
    REFUSE_IF(it == m_state.lights.end(), D3DERR_INVALIDCALL, "light %u was never set", Index);
    *pEnable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD Index, const float* pPlane) {
    m_log.add("SetClipPlane(%u)", Index);
    REFUSE_IF(Index >= kMaxClipPlanes, D3DERR_INVALIDCALL, "clip plane %u of %u", Index, kMaxClipPlanes);
    REFUSE_IF(pPlane == nullptr, D3DERR_INVALIDCALL, "no plane");
    std::copy(pPlane, pPlane + 4, target().clipPlanes[Index].begin());
    if (StateMask* mask = recordMask()) {
        mask->clipPlanes[Index] = true;
    }
    touched(kDirtyTransforms);
    return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD Index, float* pPlane) {
    REFUSE_IF(Index >= kMaxClipPlanes, D3DERR_INVALIDCALL, "clip plane %u of %u", Index, kMaxClipPlanes);
    REFUSE_IF(pPlane == nullptr, D3DERR_INVALIDCALL, "no output");
    std::copy(m_state.clipPlanes[Index].begin(), m_state.clipPlanes[Index].end(), pPlane);
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    m_log.add("SetRenderState(%u, %u)", static_cast<unsigned>(State), Value);
    const states::Row* row = states::renderStateRow(State);
    REFUSE_IF(row == nullptr, D3DERR_INVALIDCALL, "unknown state %u", static_cast<unsigned>(State));
    REFUSE_IF(!row->accept(Value), D3DERR_INVALIDCALL, "value %u not accepted for state %u", Value,
              static_cast<unsigned>(State));
    target().renderStates[State] = Value;
    if (StateMask* mask = recordMask()) {
        mask->renderStates[State] = true;
    }
    touched(kDirtyRenderStates | kDirtyLighting | kDirtyTransforms);
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    REFUSE_IF(states::renderStateRow(State) == nullptr, D3DERR_INVALIDCALL, "unknown state %u",
              static_cast<unsigned>(State));
    REFUSE_IF(pValue == nullptr, D3DERR_INVALIDCALL, "no output");
    *pValue = m_state.renderStates[State];
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
    REFUSE_IF(Stage >= kMaxSamplers, D3DERR_INVALIDCALL, "stage %u", Stage);
    REFUSE_IF(ppTexture == nullptr, D3DERR_INVALIDCALL, "no output");
    Texture* t = m_state.textures[Stage].get();
    if (t != nullptr) {
        t->AddRef();
    }
    *ppTexture = t;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
    m_log.add("SetTexture(%u, %s)", Stage, pTexture != nullptr ? "texture" : "null");
    REFUSE_IF(Stage >= kMaxSamplers, D3DERR_INVALIDCALL, "stage %u", Stage);
    Texture* texture = pTexture != nullptr ? dynamic_cast<Texture*>(pTexture) : nullptr;
    REFUSE_IF(pTexture != nullptr && (texture == nullptr || texture->device() != this), D3DERR_INVALIDCALL,
              "not a texture of this device");
    REFUSE_IF(texture != nullptr && texture->pool() == D3DPOOL_SCRATCH, D3DERR_INVALIDCALL,
              "scratch textures cannot be bound");
    target().textures[Stage] = ComPtr<Texture>::share(texture);
    if (StateMask* mask = recordMask()) {
        mask->textures[Stage] = true;
    }
    touched(kDirtyStages);
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    REFUSE_IF(Stage >= kMaxTextureStages || states::stageStateRow(Type) == nullptr, D3DERR_INVALIDCALL,
              "stage %u state %u", Stage, static_cast<unsigned>(Type));
    REFUSE_IF(pValue == nullptr, D3DERR_INVALIDCALL, "no output");
    *pValue = m_state.stages[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    m_log.add("SetTextureStageState(%u, %u, %u)", Stage, static_cast<unsigned>(Type), Value);
    REFUSE_IF(Stage >= kMaxTextureStages, D3DERR_INVALIDCALL, "stage %u of %u", Stage, kMaxTextureStages);
    const states::Row* row = states::stageStateRow(Type);
    REFUSE_IF(row == nullptr, D3DERR_INVALIDCALL, "unknown stage state %u", static_cast<unsigned>(Type));
    REFUSE_IF(!row->accept(Value), D3DERR_INVALIDCALL, "value %u not accepted for stage state %u", Value,
              static_cast<unsigned>(Type));
    target().stages[Stage][Type] = Value;
    if (StateMask* mask = recordMask()) {
        mask->stages[Stage][Type] = true;
    }
    touched(kDirtyStages);
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
    REFUSE_IF(Sampler >= kMaxSamplers || states::samplerStateRow(Type) == nullptr, D3DERR_INVALIDCALL,
              "sampler %u state %u", Sampler, static_cast<unsigned>(Type));
    REFUSE_IF(pValue == nullptr, D3DERR_INVALIDCALL, "no output");
    *pValue = m_state.samplers[Sampler][Type];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
    m_log.add("SetSamplerState(%u, %u, %u)", Sampler, static_cast<unsigned>(Type), Value);
    REFUSE_IF(Sampler >= kMaxSamplers, D3DERR_INVALIDCALL, "sampler %u of %u", Sampler, kMaxSamplers);
    const states::Row* row = states::samplerStateRow(Type);
    REFUSE_IF(row == nullptr, D3DERR_INVALIDCALL, "unknown sampler state %u", static_cast<unsigned>(Type));
    REFUSE_IF(!row->accept(Value), D3DERR_INVALIDCALL, "value %u not accepted for sampler state %u", Value,
              static_cast<unsigned>(Type));
    target().samplers[Sampler][Type] = Value;
    if (StateMask* mask = recordMask()) {
        mask->samplers[Sampler][Type] = true;
    }
    touched(kDirtyStages);
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* pRect) {
    m_log.add("SetScissorRect()");
    REFUSE_IF(pRect == nullptr, D3DERR_INVALIDCALL, "no rectangle");
    REFUSE_IF(pRect->left < 0 || pRect->top < 0 || pRect->left > pRect->right || pRect->top > pRect->bottom,
              D3DERR_INVALIDCALL, "rectangle (%d, %d, %d, %d)", pRect->left, pRect->top, pRect->right, pRect->bottom);
    target().scissor = *pRect;
    if (StateMask* mask = recordMask()) {
        mask->scissor = true;
    }
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* pRect) {
    REFUSE_IF(pRect == nullptr, D3DERR_INVALIDCALL, "no output");
    *pRect = m_state.scissor;
    return D3D_OK;
}

HRESULT Device::SetNPatchMode(float nSegments) {
    m_log.add("SetNPatchMode(%g)", static_cast<double>(nSegments));
    REFUSE_IF(!(nSegments >= 0.0f), D3DERR_INVALIDCALL, "negative segment count");
    target().nPatchSegments = nSegments;
    if (StateMask* mask = recordMask()) {
        mask->nPatch = true;
    }
    return D3D_OK;
}

float Device::GetNPatchMode() { return m_state.nPatchSegments; }

HRESULT Device::SetFVF(DWORD FVF) {
    m_log.add("SetFVF(0x%x)", FVF);
    REFUSE_IF(FVF != 0 && !validFvf(FVF), D3DERR_INVALIDCALL, "invalid FVF code 0x%x", FVF);
    target().fvf = FVF;
    target().declaration.reset();
    if (StateMask* mask = recordMask()) {
        mask->vertexInput = true;
    }
    touched(kDirtyInput);
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* pFVF) {
    REFUSE_IF(pFVF == nullptr, D3DERR_INVALIDCALL, "no output");
    *pFVF = m_state.fvf;
    return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) {
    m_log.add("SetVertexDeclaration(%s)", pDecl != nullptr ? "declaration" : "null");
    auto* decl = pDecl != nullptr ? dynamic_cast<VertexDeclaration*>(pDecl) : nullptr;
    REFUSE_IF(pDecl != nullptr && (decl == nullptr || decl->device() != this), D3DERR_INVALIDCALL,
              "not a declaration of this device");
    target().declaration = ComPtr<VertexDeclaration>::share(decl);
    target().fvf = 0;
    if (StateMask* mask = recordMask()) {
        mask->vertexInput = true;
    }
    touched(kDirtyInput);
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) {
    REFUSE_IF(ppDecl == nullptr, D3DERR_INVALIDCALL, "no output");
    VertexDeclaration* d = m_state.declaration.get();
    if (d != nullptr) {
        d->AddRef();
    }
    *ppDecl = d;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                UINT Stride) {
    m_log.add("SetStreamSource(%u, %s, %u, %u)", StreamNumber, pStreamData != nullptr ? "buffer" : "null",
              OffsetInBytes, Stride);
    REFUSE_IF(StreamNumber >= kMaxStreams, D3DERR_INVALIDCALL, "stream %u of %u", StreamNumber, kMaxStreams);
    auto* vb = pStreamData != nullptr ? dynamic_cast<VertexBuffer*>(pStreamData) : nullptr;
    REFUSE_IF(pStreamData != nullptr && (vb == nullptr || vb->device() != this), D3DERR_INVALIDCALL,
              "not a vertex buffer of this device");
    REFUSE_IF(Stride > kMaxStreamStride, D3DERR_INVALIDCALL, "stride %u above %u", Stride, kMaxStreamStride);
    REFUSE_IF(OffsetInBytes % 4 != 0, D3DERR_INVALIDCALL, "offset %u not a multiple of 4", OffsetInBytes);
    REFUSE_IF(vb != nullptr && OffsetInBytes > vb->storage().length(), D3DERR_INVALIDCALL,
              "offset %u past the buffer's %u bytes", OffsetInBytes, vb->storage().length());
    target().streams[StreamNumber] = StreamBinding{ComPtr<VertexBuffer>::share(vb), OffsetInBytes, Stride};
    if (StateMask* mask = recordMask()) {
        mask->streams[StreamNumber] = true;
    }
    touched(kDirtyInput);
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                UINT* pStride) {
    REFUSE_IF(StreamNumber >= kMaxStreams, D3DERR_INVALIDCALL, "stream %u", StreamNumber);
    REFUSE_IF(ppStreamData == nullptr || pOffsetInBytes == nullptr || pStride == nullptr, D3DERR_INVALIDCALL,
              "no output");
    const StreamBinding& b = m_state.streams[StreamNumber];
    if (b.buffer) {
        b.buffer->AddRef();
    }
    *ppStreamData = b.buffer.get();
    *pOffsetInBytes = b.offset;
    *pStride = b.stride;
    return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT StreamNumber, UINT Setting) {
    REFUSE_IF(StreamNumber >= kMaxStreams, D3DERR_INVALIDCALL, "stream %u", StreamNumber);
    REFUSE_IF(Setting != 1, D3DERR_INVALIDCALL, "instancing is not supported");
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) {
    REFUSE_IF(StreamNumber >= kMaxStreams || pSetting == nullptr, D3DERR_INVALIDCALL, "stream or output");
    *pSetting = 1;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
    m_log.add("SetIndices(%s)", pIndexData != nullptr ? "buffer" : "null");
    auto* ib = pIndexData != nullptr ? dynamic_cast<IndexBuffer*>(pIndexData) : nullptr;
    REFUSE_IF(pIndexData != nullptr && (ib == nullptr || ib->device() != this), D3DERR_INVALIDCALL,
              "not an index buffer of this device");
    target().indices = ComPtr<IndexBuffer>::share(ib);
    if (StateMask* mask = recordMask()) {
        mask->indices = true;
    }
    touched(kDirtyInput);
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData) {
    REFUSE_IF(ppIndexData == nullptr, D3DERR_INVALIDCALL, "no output");
    IndexBuffer* ib = m_state.indices.get();
    if (ib != nullptr) {
        ib->AddRef();
    }
    *ppIndexData = ib;
    return D3D_OK;
}

// Only the fixed-function pipeline exists, so null is the one shader that can be set; it is what
// every state is already drawn with.
HRESULT Device::SetVertexShader(IDirect3DVertexShader9* pShader) {
    m_log.add("SetVertexShader(%s)", pShader != nullptr ? "shader" : "null");
    REFUSE_IF(pShader != nullptr, D3DERR_INVALIDCALL, "shaders are not supported");
    return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* pShader) {
    m_log.add("SetPixelShader(%s)", pShader != nullptr ? "shader" : "null");
    REFUSE_IF(pShader != nullptr, D3DERR_INVALIDCALL, "shaders are not supported");
    return D3D_OK;
}

}  // namespace platform::d3d9
