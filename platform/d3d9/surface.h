// A surface: one image of pixels in memory, either standing alone (the back buffer, the depth
// buffer, render targets and plain off-screen surfaces) or as one level of a texture.
//
// A texture's level shares the texture's reference count (AddRef and Release on the level move the
// texture's count), so a level handed out by GetSurfaceLevel keeps its texture alive and is never
// destroyed on its own. A standalone surface counts for itself.
//
// Lock rules: a surface is lockable when it lives in a pool the caller owns (managed, system
// memory, scratch), when it is a dynamic texture level, or when it was created lockable (a lockable
// render target, a back buffer with D3DPRESENTFLAG_LOCKABLE_BACKBUFFER). Depth buffers of D24S8
// are never lockable. Only one lock at a time; the rectangle, when given, must lie inside the
// surface and, for block formats, on block boundaries. New surfaces are zeroed, except depth
// buffers, which start as if cleared to the far plane.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/d3d9/formats.h"
#include "platform/d3d9/resource.h"
#include "platform/d3d9/zeroed_pages.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class Texture;

struct SurfaceDesc {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    DWORD usage = 0;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    UINT width = 0;
    UINT height = 0;
    bool lockable = false;
};

class Surface final : public ComObject<Surface, ResourceSlots<IDirect3DSurface9>, IDirect3DResource9> {
public:
    // Null when the format has no known layout or the memory cannot be had.
    static Surface* createStandalone(Device* device, const SurfaceDesc& desc);
    static std::unique_ptr<Surface> createLevel(Device* device, Texture* container, const SurfaceDesc& desc);

    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;
    HRESULT GetDC(HDC* phdc) override;
    HRESULT ReleaseDC(HDC hdc) override;

    const SurfaceDesc& desc() const { return m_desc; }
    const FormatLayout& layout() const { return m_layout; }
    std::byte* bits() { return m_bytes.data(); }
    const std::byte* bits() const { return m_bytes.data(); }
    UINT pitch() const { return m_pitch; }
    bool locked() const { return m_locked; }
    Texture* container() const { return m_container; }

    // Whether a rectangle lies inside the surface and on its block boundaries.
    bool validRect(const RECT& r) const;

private:
    Surface() = default;
    bool init(Device* device, Texture* container, const SurfaceDesc& desc);

    SurfaceDesc m_desc;
    FormatLayout m_layout;
    UINT m_pitch = 0;
    ZeroedPages m_bytes;
    bool m_locked = false;
    Texture* m_container = nullptr;  // not counted: the container owns its levels
};

}  // namespace platform::d3d9
