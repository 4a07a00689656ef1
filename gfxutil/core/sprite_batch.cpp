// The sprite's creation, lifetime, device reset and its transforms.
#include "gfxutil/core/sprite_batch.h"

#include <new>

#include "gfxutil/core/diagnostics.h"

namespace gfxutil::core {
namespace {

constexpr D3DVERTEXELEMENT9 kSpriteDeclaration[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END,
};

bool isIdentity(const D3DXMATRIX& m) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

HRESULT SpriteBatch::refuseNullQueryOutput() {
    DebugMessage(0, "ppv pointer is invalid");
    return D3DERR_INVALIDCALL;
}

// Initialisation, steps 1 to 5.
HRESULT SpriteBatch::initialize(IDirect3DDevice9* device) {
    m_pDevice = ComPtr<IDirect3DDevice9>::share(device);
    HRESULT hr = m_pDevice->GetDirect3D(m_pD3D.put());
    if (FAILED(hr)) {
        return hr;
    }
    hr = m_pDevice->CreateVertexDeclaration(kSpriteDeclaration, m_pDecl.put());
    if (FAILED(hr)) {
        return hr;
    }

    D3DCAPS9 caps{};
    hr = m_pDevice->GetDeviceCaps(&caps);
    if (FAILED(hr)) {
        return hr;
    }
    m_deviceType = caps.DeviceType;
    m_adapterOrdinal = caps.AdapterOrdinal;
    const DWORD filters = caps.TextureFilterCaps;
    m_magFilter = (filters & D3DPTFILTERCAPS_MAGFANISOTROPIC) != 0 ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR;
    m_minFilter = (filters & D3DPTFILTERCAPS_MINFANISOTROPIC) != 0 ? D3DTEXF_ANISOTROPIC : D3DTEXF_LINEAR;
    m_mipFilter = (filters & D3DPTFILTERCAPS_MIPFLINEAR) != 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    m_maxAnisotropy = caps.MaxAnisotropy;
    m_fAlphaTestCapable = (caps.AlphaCmpCaps & D3DPCMPCAPS_GREATER) != 0 ? TRUE : FALSE;
    m_fBlendCapable = TRUE;

    D3DDEVICE_CREATION_PARAMETERS creation{};
    hr = m_pDevice->GetCreationParameters(&creation);
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD softwareOrMixed = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
    m_bufferPool = (creation.BehaviorFlags & softwareOrMixed) != 0 ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT;

    m_pMatrices.reset(new (std::nothrow) Matrices);
    if (!m_pMatrices) {
        return E_OUTOFMEMORY;
    }
    D3DXMatrixIdentity(&m_pMatrices->transform);
    D3DXMatrixIdentity(&m_pMatrices->worldView);
    D3DXMatrixIdentity(&m_pMatrices->combined);
    m_viewDirection = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    m_fTransformIsIdentity = TRUE;
    m_fCombinedValid = TRUE;

    return OnResetDevice();
}

SpriteBatch::~SpriteBatch() {
    m_pD3D.reset();
    m_pDevice.reset();
    m_pDecl.reset();
    m_pIB.reset();
    m_pVB.reset();
    m_pSavedIB.reset();
    m_pStateSet.reset();
    m_pStateSave.reset();
    m_pBlendSet.reset();
    m_pBlendSave.reset();
    m_pTransformSet.reset();
    m_pTransformSave.reset();
    // The matrix block and the per-sprite arrays go with their owners.
}

HRESULT SpriteBatch::OnResetDevice() {
    m_fInBegin = FALSE;
    m_fBlendCapable = TRUE;
    ComPtr<IDirect3DSurface9> target;
    if (FAILED(m_pDevice->GetRenderTarget(0, target.put()))) {
        return S_OK;
    }
    D3DSURFACE_DESC desc{};
    D3DDISPLAYMODE mode{};
    if (FAILED(target->GetDesc(&desc)) || FAILED(m_pDevice->GetDisplayMode(0, &mode)) ||
        FAILED(m_pD3D->CheckDeviceFormat(m_adapterOrdinal, m_deviceType, mode.Format,
                                         D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_RENDERTARGET,
                                         D3DRTYPE_SURFACE, desc.Format))) {
        m_fBlendCapable = FALSE;
    }
    return S_OK;
}

HRESULT SpriteBatch::OnLostDevice() {
    m_fInBegin = FALSE;
    m_pIB.reset();
    m_pVB.reset();
    m_pSavedIB.reset();
    m_pStateSave.reset();
    m_pStateSet.reset();
    m_pBlendSave.reset();
    m_pBlendSet.reset();
    m_pTransformSave.reset();
    m_pTransformSet.reset();
    m_indexCursor = 0;  // our choice: see the header
    m_vertexCursor = 0;
    return S_OK;
}

HRESULT SpriteBatch::GetDevice(IDirect3DDevice9** ppDevice) {
    if (ppDevice == nullptr) {
        DebugMessage(0, "ppDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    m_pDevice->AddRef();
    *ppDevice = m_pDevice.get();
    return S_OK;
}

HRESULT SpriteBatch::GetTransform(D3DXMATRIX* pTransform) {
    if (pTransform == nullptr) {
        DebugMessage(0, "pTransform pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    *pTransform = m_pMatrices->transform;
    return S_OK;
}

HRESULT SpriteBatch::SetTransform(const D3DXMATRIX* pTransform) {
    if (pTransform == nullptr) {
        DebugMessage(0, "pTransform pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (m_fInBegin) {
        // Sprites drawn so far take the matrix that was current when they were drawn.
        applyPendingTransform();
        m_cTransformed = m_cSprites;
    }
    m_pMatrices->transform = *pTransform;
    m_fTransformIsIdentity = isIdentity(*pTransform) ? TRUE : FALSE;
    m_fCombinedValid = FALSE;
    return S_OK;
}

HRESULT SpriteBatch::SetWorldViewRH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) {
    if (m_fInBegin) {
        DebugMessage(0, "ID3DXSprite::SetWorldViewRH called inside a Begin/End pair");
        return D3DERR_INVALIDCALL;
    }
    return setWorldView(pWorld, pView, true);
}

HRESULT SpriteBatch::SetWorldViewLH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) {
    if (m_fInBegin) {
        DebugMessage(0, "ID3DXSprite::SetWorldViewLH called inside a Begin/End pair");
        return D3DERR_INVALIDCALL;
    }
    return setWorldView(pWorld, pView, false);
}

HRESULT SpriteBatch::setWorldView(const D3DXMATRIX* world, const D3DXMATRIX* view, bool rightHanded) {
    D3DXMATRIX& wv = m_pMatrices->worldView;
    if (world != nullptr && view != nullptr) {
        D3DXMatrixMultiply(&wv, world, view);
    } else if (world != nullptr) {
        wv = *world;
    } else if (view != nullptr) {
        wv = *view;
    } else {
        D3DXMatrixIdentity(&wv);
    }
    const D3DXVECTOR3 direction = rightHanded ? D3DXVECTOR3(-wv._13, -wv._23, -wv._33)
                                              : D3DXVECTOR3(wv._13, wv._23, wv._33);
    D3DXVec3Normalize(&m_viewDirection, &direction);
    m_fCombinedValid = FALSE;
    return S_OK;
}

}  // namespace gfxutil::core

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
    if (pDevice == nullptr) {
        DebugMessage(0, "pDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (ppSprite == nullptr) {
        DebugMessage(0, "ppSprite pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    auto* sprite = new (std::nothrow) gfxutil::core::SpriteBatch();
    if (sprite == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = sprite->initialize(pDevice);
    if (FAILED(hr)) {
        sprite->Release();
        return hr;
    }
    *ppSprite = sprite;
    return S_OK;
}
