// Draw: queueing one quad, growing the per-sprite arrays, the billboard scales and the pending
// transform.
#include <algorithm>
#include <cmath>
#include <new>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/sprite_batch.h"

namespace gfxutil::core {
namespace {

FLOAT rowLength(FLOAT a, FLOAT b, FLOAT c) { return std::sqrt(a * a + b * b + c * c); }

}  // namespace

// Draw, step 2: doubles the four arrays (64 at first). Sort order and depth keys are rebuilt at
// every Flush, so only textures and vertices are carried over. Capacity changes only when all
// four allocations succeed.
HRESULT SpriteBatch::grow() {
    const UINT capacity = m_capacity == 0 ? 64 : m_capacity * 2;
    std::unique_ptr<UINT[]> order(new (std::nothrow) UINT[capacity]);
    std::unique_ptr<FLOAT[]> keys(new (std::nothrow) FLOAT[capacity]);
    std::unique_ptr<IDirect3DTexture9*[]> textures(new (std::nothrow) IDirect3DTexture9*[capacity]);
    std::unique_ptr<SpriteVertex[]> vertices(new (std::nothrow) SpriteVertex[4 * static_cast<size_t>(capacity)]);
    if (!order || !keys || !textures || !vertices) {
        return E_OUTOFMEMORY;
    }
    std::copy_n(m_rgpTextures.get(), m_cSprites, textures.get());
    std::copy_n(m_rgVertices.get(), 4 * static_cast<size_t>(m_cSprites), vertices.get());
    m_rgSortOrder = std::move(order);
    m_rgDepthKeys = std::move(keys);
    m_rgpTextures = std::move(textures);
    m_rgVertices = std::move(vertices);
    m_capacity = capacity;
    return S_OK;
}

// combined = transform x worldView, and the billboard scales from its first three rows, signed by
// the transform's diagonal.
void SpriteBatch::updateBillboardScale() {
    Matrices& m = *m_pMatrices;
    D3DXMatrixMultiply(&m.combined, &m.transform, &m.worldView);
    m_fCombinedValid = TRUE;
    m_scaleX = rowLength(m.combined._11, m.combined._12, m.combined._13);
    m_scaleY = rowLength(m.combined._21, m.combined._22, m.combined._23);
    m_scaleZ = rowLength(m.combined._31, m.combined._32, m.combined._33);
    if (m.transform._11 < 0.0f) {
        m_scaleX = -m_scaleX;
    }
    if (m.transform._22 < 0.0f) {
        m_scaleY = -m_scaleY;
    }
    if (m.transform._33 < 0.0f) {
        m_scaleZ = -m_scaleZ;
    }
}

HRESULT SpriteBatch::Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                          const D3DXVECTOR3* pPosition, D3DCOLOR Color) {
    if (!m_fInBegin) {
        DebugMessage(0, "ID3DXSprite::Draw called outside a Begin/End pair");
        return D3DERR_INVALIDCALL;
    }
    if (pTexture == nullptr) {
        DebugMessage(0, "pTexture pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (m_cSprites == m_capacity) {
        const HRESULT hr = grow();
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (pTexture != m_pCurrentTexture) {
        m_pCurrentTexture = pTexture;
        if (m_cSprites > 0) {
            ++m_cTextureChanges;
        }
        D3DSURFACE_DESC desc{};
        pTexture->GetLevelDesc(0, &desc);
        m_currentWidth = desc.Width;
        m_currentHeight = desc.Height;
        m_invWidth = 1.0f / static_cast<FLOAT>(desc.Width);
        m_invHeight = 1.0f / static_cast<FLOAT>(desc.Height);
    }

    const RECT src = pSrcRect != nullptr
                         ? *pSrcRect
                         : RECT{0, 0, static_cast<LONG>(m_currentWidth), static_cast<LONG>(m_currentHeight)};
    m_rgpTextures[m_cSprites] = m_pCurrentTexture;
    FLOAT w = static_cast<FLOAT>(src.right - src.left);
    FLOAT h = static_cast<FLOAT>(src.bottom - src.top);

    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 p;
    if ((m_dwFlags & D3DXSPRITE_BILLBOARD) != 0) {
        if (!m_fCombinedValid) {
            updateBillboardScale();
        }
        D3DXVec3TransformCoord(&p, pPosition != nullptr ? pPosition : &origin, &m_pMatrices->combined);
        w *= m_scaleX;
        h *= m_scaleY;
        if (pCenter != nullptr) {
            p.x -= m_scaleX * pCenter->x;
            p.y -= m_scaleY * pCenter->y;
            p.z -= m_scaleZ * pCenter->z;
        }
    } else {
        p = pPosition != nullptr ? *pPosition : origin;
        if (pCenter != nullptr) {
            p.x -= pCenter->x;
            p.y -= pCenter->y;
            p.z -= pCenter->z;
        }
    }

    const FLOAT u0 = static_cast<FLOAT>(src.left) * m_invWidth;
    const FLOAT u1 = static_cast<FLOAT>(src.right) * m_invWidth;
    const FLOAT v0 = static_cast<FLOAT>(src.top) * m_invHeight;
    const FLOAT v1 = static_cast<FLOAT>(src.bottom) * m_invHeight;
    SpriteVertex* quad = &m_rgVertices[4 * static_cast<size_t>(m_cSprites)];
    quad[0] = SpriteVertex{p.x, p.y, p.z, Color, u0, v0};
    quad[1] = SpriteVertex{p.x, p.y + h, p.z, Color, u0, v1};
    quad[2] = SpriteVertex{p.x + w, p.y, p.z, Color, u1, v0};
    quad[3] = SpriteVertex{p.x + w, p.y + h, p.z, Color, u1, v1};
    ++m_cSprites;
    return S_OK;
}

// Transforms, in place, the sprites queued since the last time, unless the transform is the
// identity or billboards already carry it. The caller sets m_cTransformed afterwards.
void SpriteBatch::applyPendingTransform() {
    if (m_fTransformIsIdentity || (m_dwFlags & D3DXSPRITE_BILLBOARD) != 0 || m_cTransformed >= m_cSprites) {
        return;
    }
    auto* first = reinterpret_cast<D3DXVECTOR3*>(&m_rgVertices[4 * static_cast<size_t>(m_cTransformed)]);
    D3DXVec3TransformCoordArray(first, sizeof(SpriteVertex), first, sizeof(SpriteVertex), &m_pMatrices->transform,
                                4 * (m_cSprites - m_cTransformed));
}

}  // namespace gfxutil::core
