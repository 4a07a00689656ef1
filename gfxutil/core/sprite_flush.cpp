// Flush: the pending transform, sorting by texture or depth, and submission through the ring of
// vertices with one indexed draw per run of one texture.
#include <cfloat>
#include <cstdint>
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/core/sprite_batch.h"

namespace gfxutil::core {
namespace {

// In-place heap sort of `order` (n entries). before(a, b) is a strict total order (every caller
// breaks ties by submission index), so the result does not depend on the heap's visiting order:
// equal keys keep submission order.
template <class Before>
void heapSort(UINT* order, UINT n, Before before) {
    auto siftDown = [&](UINT root, UINT end) {
        while (true) {
            UINT child = 2 * root + 1;
            if (child >= end) {
                return;
            }
            if (child + 1 < end && before(order[child], order[child + 1])) {
                ++child;
            }
            if (!before(order[root], order[child])) {
                return;
            }
            std::swap(order[root], order[child]);
            root = child;
        }
    };
    for (UINT i = n / 2; i-- > 0;) {
        siftDown(i, n);
    }
    for (UINT end = n; end-- > 1;) {
        std::swap(order[0], order[end]);
        siftDown(0, end);
    }
}

}  // namespace

// Flush, step 3. Without a sort the order is the submission order.
void SpriteBatch::sortSprites() {
    UINT* order = m_rgSortOrder.get();
    for (UINT i = 0; i < m_cSprites; ++i) {
        order[i] = i;
    }
    if ((m_dwFlags & D3DXSPRITE_SORT_TEXTURE) != 0) {
        if (m_cTextureChanges > 0) {
            IDirect3DTexture9* const* textures = m_rgpTextures.get();
            // Highest address first, so that the sprites of one texture become contiguous.
            heapSort(order, m_cSprites, [textures](UINT a, UINT b) {
                const auto ta = reinterpret_cast<std::uintptr_t>(textures[a]);
                const auto tb = reinterpret_cast<std::uintptr_t>(textures[b]);
                return ta != tb ? ta > tb : a < b;
            });
        }
        return;
    }
    if ((m_dwFlags & (D3DXSPRITE_SORT_DEPTH_FRONTTOBACK | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT)) != 0) {
        sortByDepth();
    }
}

// Keys once per sprite; no sort when they are all equal. Front-to-back wins over back-to-front.
bool SpriteBatch::sortByDepth() {
    const bool screenDepth = (m_dwFlags & D3DXSPRITE_OBJECTSPACE) == 0 || (m_dwFlags & D3DXSPRITE_BILLBOARD) != 0;
    FLOAT lowest = FLT_MAX;
    FLOAT highest = -FLT_MAX;
    FLOAT* keys = m_rgDepthKeys.get();
    for (UINT i = 0; i < m_cSprites; ++i) {
        const SpriteVertex* q = &m_rgVertices[4 * static_cast<size_t>(i)];
        FLOAT key;
        if (screenDepth) {
            key = -(q[0].z + q[1].z + q[2].z + q[3].z);
        } else {
            const FLOAT sx = q[0].x + q[1].x + q[2].x + q[3].x;
            const FLOAT sy = q[0].y + q[1].y + q[2].y + q[3].y;
            const FLOAT sz = q[0].z + q[1].z + q[2].z + q[3].z;
            key = sx * m_viewDirection.x + sy * m_viewDirection.y + sz * m_viewDirection.z;
        }
        keys[i] = key;
        if (key < lowest) {
            lowest = key;
        }
        if (key > highest) {
            highest = key;
        }
    }
    if (lowest == highest) {
        return false;
    }
    if ((m_dwFlags & D3DXSPRITE_SORT_DEPTH_FRONTTOBACK) != 0) {
        heapSort(m_rgSortOrder.get(), m_cSprites,
                 [keys](UINT a, UINT b) { return keys[a] != keys[b] ? keys[a] < keys[b] : a < b; });
    } else {
        heapSort(m_rgSortOrder.get(), m_cSprites,
                 [keys](UINT a, UINT b) { return keys[a] != keys[b] ? keys[a] > keys[b] : a < b; });
    }
    return true;
}

// Flush, step 5: runs of one texture, each cut where the ring is full. The ring persists across
// batches: a lock discards only when the cursor is back at 0.
void SpriteBatch::submit() {
    const UINT* order = m_rgSortOrder.get();
    IDirect3DTexture9* previous = nullptr;
    UINT next = 0;
    while (next < m_cSprites) {
        IDirect3DTexture9* texture = m_rgpTextures[order[next]];
        if (texture != previous) {
            m_pDevice->SetTexture(0, texture);
            previous = texture;
        }
        void* data = nullptr;
        const DWORD lockFlags = m_vertexCursor > 0 ? D3DLOCK_NOOVERWRITE : D3DLOCK_DISCARD;
        const HRESULT locked = m_pVB->Lock(0, 0, &data, lockFlags);
        const UINT startVertex = m_vertexCursor;
        const UINT startIndex = m_indexCursor;
        auto* ring = static_cast<SpriteVertex*>(data);
        do {
            if (SUCCEEDED(locked)) {
                std::memcpy(ring + m_vertexCursor, &m_rgVertices[4 * static_cast<size_t>(order[next])],
                            4 * sizeof(SpriteVertex));
            }
            m_vertexCursor += 4;
            m_indexCursor += 6;
            ++next;
        } while (next < m_cSprites && m_rgpTextures[order[next]] == texture && m_vertexCursor < kSpriteVertices);
        if (SUCCEEDED(locked)) {
            m_pVB->Unlock();
        }
        m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, startVertex, m_vertexCursor - startVertex, startIndex,
                                        (m_indexCursor - startIndex) / 3);
        if (m_vertexCursor >= kSpriteVertices) {
            m_vertexCursor = 0;
            m_indexCursor = 0;
        }
    }
}

void SpriteBatch::clearQueue() {
    m_cSprites = 0;
    m_cTransformed = 0;
    m_cTextureChanges = 0;
    m_pCurrentTexture = nullptr;
    m_currentWidth = 0;
    m_currentHeight = 0;
    m_invWidth = 0.0f;
    m_invHeight = 0.0f;
}

HRESULT SpriteBatch::Flush() {
    if (!m_fInBegin) {
        DebugMessage(0, "ID3DXSprite::Flush called outside a Begin/End pair");
        return D3DERR_INVALIDCALL;
    }
    applyPendingTransform();
    m_cTransformed = m_cSprites;
    sortSprites();
    m_pDevice->SetVertexDeclaration(m_pDecl.get());
    m_pDevice->SetIndices(m_pIB.get());
    m_pDevice->SetStreamSource(0, m_pVB.get(), 0, sizeof(SpriteVertex));
    submit();
    clearQueue();
    return S_OK;
}

}  // namespace gfxutil::core
