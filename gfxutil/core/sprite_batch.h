// SpriteBatch: the sprite object behind ID3DXSprite (gfxutil/core/sprite.h).
//
// Sprites are queued in system-memory arrays between Begin and End, sorted at Flush when the
// flags ask for it, and copied into one dynamic vertex buffer of 4,096 quads that is filled as a
// ring: no-overwrite locks behind the previous batches, a discarding lock only when it is full.
// The index buffer holds the quad pattern once and is never written again. Begin records six state
// blocks once (general, blend and transform states, each a save block and a set block) and then
// only captures and applies them.
//
// Implementation files: sprite_batch.cpp (creation, lifetime, reset, transforms),
// sprite_states.cpp (buffers, recorded state blocks, Begin, End), sprite_draw.cpp (Draw, array
// growth, the pending transform), sprite_flush.cpp (sorting and submission).
//
// Who keeps whom alive: the sprite holds one reference each on the device, its root object, the
// vertex declaration, the two buffers, the six state blocks and the index buffer that was bound at
// the last Begin (put back at End, held until the next Begin or OnLostDevice). It holds none on
// the textures given to Draw. Destruction releases them in this order: root, device, declaration,
// index buffer, vertex buffer, saved index buffer, general set and save blocks, blend set and
// save blocks, transform set and save blocks; then the matrix block and the per-sprite arrays go.
//
// Choices made where nothing else fixes them:
// - A state block whose recording fails (BeginStateBlock or EndStateBlock refused, for instance
//   because the caller is recording a block of its own) is left missing: when BeginStateBlock is
//   refused, the calls of that block are not made at all (they would otherwise change the device
//   or the caller's block), and a missing block is never captured or applied. The next Begin tries
//   to record it again.
// - When the lock of a freshly created index buffer fails, the buffer is released and Begin
//   returns the lock's status before anything is captured, as for a creation failure, so a buffer
//   without the quad pattern is never drawn from.
// - OnLostDevice also sets both ring cursors to 0, so "no vertex buffer" always goes with "the
//   next lock discards"; the next Begin would reset them anyway when it creates the buffer.
// - The per-sprite arrays are plain arrays allocated with the non-throwing new, so that a failed
//   growth is E_OUTOFMEMORY with the queue intact.
#pragma once

#include <memory>

#include "gfxutil/core/sprite.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::core {

// One corner of a sprite quad.
struct SpriteVertex {
    FLOAT x, y, z;
    D3DCOLOR color;
    FLOAT u, v;
};
static_assert(sizeof(SpriteVertex) == 24);

// Buffer geometry: 4,096 quads of four vertices and six indices.
inline constexpr UINT kSpriteQuads = 4096;
inline constexpr UINT kSpriteVertices = 4 * kSpriteQuads;                           // 16,384
inline constexpr UINT kSpriteIndexBytes = 6 * kSpriteQuads * sizeof(WORD);         // 49,152
inline constexpr UINT kSpriteVertexBytes = kSpriteVertices * sizeof(SpriteVertex);  // 393,216

class SpriteBatch final : public ComObject<SpriteBatch, ID3DXSprite> {
public:
    // ComObject's hook for QueryInterface with a null output.
    static HRESULT refuseNullQueryOutput();

    // Creation's two steps: construction holds nothing; initialise (from D3DXCreateSprite) takes
    // the device and reads its capabilities.
    SpriteBatch() = default;
    HRESULT initialize(IDirect3DDevice9* device);

    // ---- ID3DXSprite, in slot order ----
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetTransform(D3DXMATRIX* pTransform) override;
    HRESULT SetTransform(const D3DXMATRIX* pTransform) override;
    HRESULT SetWorldViewRH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) override;
    HRESULT SetWorldViewLH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) override;
    HRESULT Begin(DWORD Flags) override;
    HRESULT Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                 const D3DXVECTOR3* pPosition, D3DCOLOR Color) override;
    HRESULT Flush() override;
    HRESULT End() override;
    HRESULT OnLostDevice() override;
    HRESULT OnResetDevice() override;

    // For tests.
    bool blendCapable() const { return m_fBlendCapable; }
    D3DPOOL bufferPool() const { return m_bufferPool; }
    UINT vertexCursor() const { return m_vertexCursor; }
    UINT capacity() const { return m_capacity; }
    DWORD flags() const { return m_dwFlags; }

private:
    friend class ComObject<SpriteBatch, ID3DXSprite>;
    ~SpriteBatch() override;

    // The three matrices, in one block aligned to 16 bytes.
    struct alignas(16) Matrices {
        D3DXMATRIX transform;
        D3DXMATRIX worldView;
        D3DXMATRIX combined;
    };

    HRESULT setWorldView(const D3DXMATRIX* world, const D3DXMATRIX* view, bool rightHanded);
    // Begin's steps (sprite_states.cpp).
    HRESULT createBuffers();
    void recordStateBlocks();
    void recordGeneralStates(bool saveBlock);
    void recordBlendStates();
    void recordTransforms(bool saveBlock);
    void setPixelProjection();
    // Draw's helpers (sprite_draw.cpp).
    HRESULT grow();
    void updateBillboardScale();
    void applyPendingTransform();
    // Flush's steps (sprite_flush.cpp).
    void sortSprites();
    bool sortByDepth();
    void submit();
    void clearQueue();

    ComPtr<IDirect3D9> m_pD3D;
    ComPtr<IDirect3DDevice9> m_pDevice;
    ComPtr<IDirect3DVertexDeclaration9> m_pDecl;
    ComPtr<IDirect3DIndexBuffer9> m_pIB;
    ComPtr<IDirect3DVertexBuffer9> m_pVB;
    UINT m_indexCursor = 0;
    UINT m_vertexCursor = 0;
    ComPtr<IDirect3DStateBlock9> m_pStateSave, m_pStateSet;
    ComPtr<IDirect3DStateBlock9> m_pBlendSave, m_pBlendSet;
    ComPtr<IDirect3DStateBlock9> m_pTransformSave, m_pTransformSet;
    ComPtr<IDirect3DIndexBuffer9> m_pSavedIB;
    D3DDEVTYPE m_deviceType = D3DDEVTYPE_HAL;
    UINT m_adapterOrdinal = 0;
    D3DPOOL m_bufferPool = D3DPOOL_DEFAULT;
    DWORD m_magFilter = D3DTEXF_LINEAR;
    DWORD m_minFilter = D3DTEXF_LINEAR;
    DWORD m_mipFilter = D3DTEXF_LINEAR;
    DWORD m_maxAnisotropy = 1;
    BOOL m_fAlphaTestCapable = FALSE;
    BOOL m_fBlendCapable = TRUE;
    BOOL m_fTransformIsIdentity = TRUE;
    BOOL m_fCombinedValid = TRUE;
    std::unique_ptr<Matrices> m_pMatrices;
    D3DXVECTOR3 m_viewDirection{0.0f, 0.0f, -1.0f};
    FLOAT m_scaleX = 1.0f, m_scaleY = 1.0f, m_scaleZ = 1.0f;
    BOOL m_fInBegin = FALSE;
    DWORD m_dwFlags = 0;
    std::unique_ptr<UINT[]> m_rgSortOrder;
    std::unique_ptr<IDirect3DTexture9*[]> m_rgpTextures;
    std::unique_ptr<FLOAT[]> m_rgDepthKeys;
    std::unique_ptr<SpriteVertex[]> m_rgVertices;  // four per sprite
    UINT m_cSprites = 0;
    UINT m_capacity = 0;
    UINT m_cTransformed = 0;
    UINT m_cTextureChanges = 0;
    IDirect3DTexture9* m_pCurrentTexture = nullptr;
    UINT m_currentWidth = 0, m_currentHeight = 0;
    FLOAT m_invWidth = 0.0f, m_invHeight = 0.0f;
};

}  // namespace gfxutil::core
