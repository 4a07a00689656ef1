// The sprite batcher's public interface: ID3DXSprite, its identifier, D3DXCreateSprite and the
// Begin flags.
//
// A sprite collects textured, coloured rectangles between Begin and End, optionally sorts them by
// texture or depth, and draws them through one shared dynamic vertex buffer with one indexed draw
// per run of sprites that share a texture. Begin puts the device into the state the sprite needs
// (recorded state blocks) and End puts the previous state back.
//
// Callers rely on:
// - every operation checks its arguments and the inside/outside state first; a refusal writes one
//   line on the library's diagnostic channel (gfxutil/core/diagnostics.h), returns
//   D3DERR_INVALIDCALL and changes nothing;
// - the sprite comes out of D3DXCreateSprite with one reference the caller owns; it holds the
//   device and the device objects it creates, and takes no reference on the textures given to
//   Draw, which must stay alive until the Flush or End that draws them;
// - Flush and End report S_OK; device failures while drawing are not reported;
// - one thread uses a sprite at a time (the count is not interlocked).
#pragma once

#include "gfxutil/core/shared_types.h"
#include "gfxutil/math/math_types.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"

// ---- Begin flags ---------------------------------------------------------------------------------
// Any bit at or above 0x100 is refused by Begin.
inline constexpr DWORD D3DXSPRITE_DONOTSAVESTATE = 0x01;          // nothing captured, nothing put back
inline constexpr DWORD D3DXSPRITE_DONOTMODIFY_RENDERSTATE = 0x02; // general states left alone
inline constexpr DWORD D3DXSPRITE_OBJECTSPACE = 0x04;             // world/view/projection left as set
inline constexpr DWORD D3DXSPRITE_BILLBOARD = 0x08;               // face the viewer; implies 0x04
inline constexpr DWORD D3DXSPRITE_ALPHABLEND = 0x10;              // alpha blending (or alpha test)
inline constexpr DWORD D3DXSPRITE_SORT_TEXTURE = 0x20;            // group sprites by texture
inline constexpr DWORD D3DXSPRITE_SORT_DEPTH_FRONTTOBACK = 0x40;  // ascending depth key
inline constexpr DWORD D3DXSPRITE_SORT_DEPTH_BACKTOFRONT = 0x80;  // descending depth key

// ---- interface -------------------------------------------------------------------------------------
// The 14 slots in table order: QueryInterface, AddRef, Release (IUnknown), then the sprite's own.
class ID3DXSprite : public IUnknown {
public:
    // ppDevice receives the device with a reference added.
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // The sprite transform (identity after creation); it persists across batches.
    virtual HRESULT GetTransform(D3DXMATRIX* pTransform) = 0;
    // Allowed inside and outside Begin/End; inside, sprites drawn so far keep the old transform.
    virtual HRESULT SetTransform(const D3DXMATRIX* pTransform) = 0;
    // World x view for billboards and object-space depth sorting; only outside Begin/End. Either
    // matrix may be null (the other one is taken, or the identity when both are null).
    virtual HRESULT SetWorldViewRH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) = 0;
    virtual HRESULT SetWorldViewLH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) = 0;
    // Flags: D3DXSPRITE_* above.
    virtual HRESULT Begin(DWORD Flags) = 0;
    // pSrcRect (texels) null: the whole level 0; pCenter and pPosition null: the origin.
    virtual HRESULT Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                         const D3DXVECTOR3* pPosition, D3DCOLOR Color) = 0;
    // Draws what is queued without leaving the batch.
    virtual HRESULT Flush() = 0;
    virtual HRESULT End() = 0;
    // Before the device is reset: drops the device objects (recreated by the next Begin).
    virtual HRESULT OnLostDevice() = 0;
    // After the device is reset: asks again whether the render target can blend.
    virtual HRESULT OnResetDevice() = 0;
};

using LPD3DXSPRITE = ID3DXSprite*;

WIN32_DECLARE_IID(ID3DXSprite, {0xD4715B38, 0x6C44, 0x472A, {0x90, 0x24, 0x6E, 0x2B, 0x03, 0x21, 0xCA, 0xC6}});

// pDevice null: "pDevice pointer is invalid"; ppSprite null: "ppSprite pointer is invalid"; both
// D3DERR_INVALIDCALL. *ppSprite is written only on success.
HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite);
