// Begin and End: the lazily created buffers, the six recorded state blocks, and capturing and
// applying them as the flags say.
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/sprite_batch.h"

namespace gfxutil::core {
namespace {

bool has(DWORD flags, DWORD flag) { return (flags & flag) != 0; }

// Capture and Apply of a block that may be missing (its recording failed).
void capture(const ComPtr<IDirect3DStateBlock9>& block) {
    if (block) {
        block->Capture();
    }
}
void apply(const ComPtr<IDirect3DStateBlock9>& block) {
    if (block) {
        block->Apply();
    }
}

// BeginStateBlock, the block's calls, EndStateBlock. When recording cannot start, the calls are not
// made (they would change the device, or land in a block the caller is recording) and the block
// stays missing.
template <class Calls>
void recordBlock(IDirect3DDevice9* device, ComPtr<IDirect3DStateBlock9>& block, Calls calls) {
    if (FAILED(device->BeginStateBlock())) {
        return;
    }
    calls();
    device->EndStateBlock(block.put());
}

}  // namespace

// Begin, step 3: the static index pattern and the ring of vertices.
HRESULT SpriteBatch::createBuffers() {
    if (!m_pIB) {
        ComPtr<IDirect3DIndexBuffer9> ib;
        HRESULT hr = m_pDevice->CreateIndexBuffer(kSpriteIndexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, m_bufferPool,
                                                  ib.put(), nullptr);
        if (FAILED(hr)) {
            return hr;
        }
        void* data = nullptr;
        hr = ib->Lock(0, 0, &data, 0);
        if (FAILED(hr)) {
            return hr;  // our choice: a buffer without the pattern is dropped (see the header)
        }
        auto* indices = static_cast<WORD*>(data);
        for (UINT k = 0; k < kSpriteQuads; ++k) {
            const WORD base = static_cast<WORD>(4 * k);
            WORD* quad = indices + 6 * k;
            quad[0] = base;
            quad[1] = static_cast<WORD>(base + 1);
            quad[2] = static_cast<WORD>(base + 2);
            quad[3] = static_cast<WORD>(base + 2);
            quad[4] = static_cast<WORD>(base + 1);
            quad[5] = static_cast<WORD>(base + 3);
        }
        ib->Unlock();
        m_pIB = std::move(ib);
    }
    if (!m_pVB) {
        const HRESULT hr = m_pDevice->CreateVertexBuffer(kSpriteVertexBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                                         m_bufferPool, m_pVB.put(), nullptr);
        if (FAILED(hr)) {
            return hr;
        }
        m_indexCursor = 0;
        m_vertexCursor = 0;
    }
    return S_OK;
}

// Begin, step 5: records the blocks that are missing, each save block before its set block.
void SpriteBatch::recordStateBlocks() {
    IDirect3DDevice9* d = m_pDevice.get();
    if (!m_pStateSave) {
        recordBlock(d, m_pStateSave, [&] { recordGeneralStates(true); });
    }
    if (!m_pStateSet) {
        recordBlock(d, m_pStateSet, [&] { recordGeneralStates(false); });
    }
    if (!m_pBlendSave) {
        recordBlock(d, m_pBlendSave, [&] { recordBlendStates(); });
    }
    if (!m_pBlendSet) {
        recordBlock(d, m_pBlendSet, [&] { recordBlendStates(); });
    }
    if (!m_pTransformSave) {
        recordBlock(d, m_pTransformSave, [&] { recordTransforms(true); });
    }
    if (!m_pTransformSet) {
        recordBlock(d, m_pTransformSet, [&] { recordTransforms(false); });
    }
}

void SpriteBatch::recordGeneralStates(bool saveBlock) {
    IDirect3DDevice9* d = m_pDevice.get();
    d->SetVertexDeclaration(m_pDecl.get());
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_WRAP0, 0);
    d->SetRenderState(D3DRS_CLIPPING, 1);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetNPatchMode(0.0f);
    d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    d->SetRenderState(D3DRS_ENABLEADAPTIVETESSELLATION, 0);
    d->SetRenderState(D3DRS_SRGBWRITEENABLE, 0);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    d->SetRenderState(D3DRS_FOGENABLE, 0);
    d->SetRenderState(D3DRS_RANGEFOGENABLE, 0);
    d->SetRenderState(D3DRS_SPECULARENABLE, 0);
    d->SetRenderState(D3DRS_STENCILENABLE, 0);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, m_magFilter);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, m_minFilter);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, m_mipFilter);
    d->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, 0);
    d->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    d->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, m_maxAnisotropy);
    d->SetSamplerState(0, D3DSAMP_SRGBTEXTURE, 0);
    if (saveBlock) {
        // So that capturing the save block also saves stream 0 and the texture of stage 0.
        d->SetVertexDeclaration(m_pDecl.get());
        d->SetStreamSource(0, nullptr, 0, 0);
        d->SetTexture(0, nullptr);
    }
}

// The same calls in both blend blocks. Without blending after the pixel stage the block falls
// back to an alpha test that keeps texels with alpha above 63.
void SpriteBatch::recordBlendStates() {
    IDirect3DDevice9* d = m_pDevice.get();
    d->SetRenderState(D3DRS_ALPHATESTENABLE, m_fAlphaTestCapable ? 1 : 0);
    d->SetRenderState(D3DRS_ALPHAREF, m_fBlendCapable ? 0 : 0x3F);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, m_fBlendCapable ? 1 : 0);
    d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 0);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
}

void SpriteBatch::recordTransforms(bool saveBlock) {
    IDirect3DDevice9* d = m_pDevice.get();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetTransform(D3DTS_VIEW, &identity);
    if (saveBlock) {
        d->SetTransform(D3DTS_PROJECTION, &identity);
    }
}

// Begin, step 8: pixel coordinates running right and down from the viewport's corner.
void SpriteBatch::setPixelProjection() {
    D3DVIEWPORT9 vp{};
    m_pDevice->GetViewport(&vp);
    const FLOAT invW = 1.0f / static_cast<FLOAT>(vp.Width);
    const FLOAT invH = 1.0f / static_cast<FLOAT>(vp.Height);
    D3DXMATRIX projection;
    std::memset(&projection, 0, sizeof projection);
    projection._11 = 2.0f * invW;
    projection._22 = -2.0f * invH;
    projection._33 = 1.0f;
    projection._44 = 1.0f;
    projection._41 = -(2.0f * static_cast<FLOAT>(vp.X) + 1.0f) * invW - 1.0f;
    projection._42 = (2.0f * static_cast<FLOAT>(vp.Y) + 1.0f) * invH + 1.0f;
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
}

HRESULT SpriteBatch::Begin(DWORD Flags) {
    if (m_fInBegin) {
        DebugMessage(0, "Begin called from within a Begin/End pair");
        return D3DERR_INVALIDCALL;
    }
    if ((Flags & 0xFFFFFF00u) != 0) {
        DebugMessage(0, "Flags parameter is invalid");
        return D3DERR_INVALIDCALL;
    }
    const DWORD flags = has(Flags, D3DXSPRITE_BILLBOARD) ? (Flags | D3DXSPRITE_OBJECTSPACE) : Flags;
    const HRESULT hr = createBuffers();
    if (FAILED(hr)) {
        return hr;
    }
    m_dwFlags = flags;

    MuteDebugOutput(1);
    recordStateBlocks();
    const bool save = !has(flags, D3DXSPRITE_DONOTSAVESTATE);
    if (!has(flags, D3DXSPRITE_DONOTMODIFY_RENDERSTATE)) {
        if (save) {
            capture(m_pStateSave);
            m_pSavedIB.reset();
            m_pDevice->GetIndices(m_pSavedIB.put());
        }
        apply(m_pStateSet);
    }
    if (has(flags, D3DXSPRITE_ALPHABLEND)) {
        if (save) {
            capture(m_pBlendSave);
        }
        apply(m_pBlendSet);
    }
    if (!has(flags, D3DXSPRITE_OBJECTSPACE)) {
        if (save) {
            capture(m_pTransformSave);
        }
        apply(m_pTransformSet);
        setPixelProjection();
    } else if (has(flags, D3DXSPRITE_BILLBOARD)) {
        if (save) {
            capture(m_pTransformSave);
        }
        apply(m_pTransformSet);
    }
    MuteDebugOutput(0);

    clearQueue();
    m_fInBegin = TRUE;
    return S_OK;
}

HRESULT SpriteBatch::End() {
    if (!m_fInBegin) {
        DebugMessage(0, "End called without matching Begin");
        return D3DERR_INVALIDCALL;
    }
    const HRESULT result = m_cSprites > 0 ? Flush() : S_OK;

    MuteDebugOutput(1);
    const DWORD flags = m_dwFlags;
    const bool save = !has(flags, D3DXSPRITE_DONOTSAVESTATE);
    if (save && !has(flags, D3DXSPRITE_DONOTMODIFY_RENDERSTATE)) {
        apply(m_pStateSave);
        // The sprite goes on holding this reference until the next Begin or OnLostDevice.
        m_pDevice->SetIndices(m_pSavedIB.get());
    }
    if (save && has(flags, D3DXSPRITE_ALPHABLEND)) {
        apply(m_pBlendSave);
    }
    if (save && (!has(flags, D3DXSPRITE_OBJECTSPACE) || has(flags, D3DXSPRITE_BILLBOARD))) {
        apply(m_pTransformSave);
    }
    MuteDebugOutput(0);

    m_fInBegin = FALSE;
    return result;
}

}  // namespace gfxutil::core
