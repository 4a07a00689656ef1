// SurfaceLock: a BlitRequest over a region of a device surface, written back when released.
//
// A surface that cannot be locked directly (one in video memory) is reached through a scratch
// copy in system memory (or in the scratch pool, for a scratch surface): the surface's pixels are
// copied in first unless the whole surface is about to be overwritten, and a writable copy goes
// back to the surface on release. The lock holds a reference to the surface, and to the scratch
// texture and surface and the device while it uses them; release() lets go of all of them.
#pragma once

#include "gfxutil/tex/blit_request.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::tex {

class SurfaceLock {
public:
    SurfaceLock() = default;
    ~SurfaceLock() { release(); }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    // `rect` null means the whole surface. `forceScratch` reads through a scratch copy even when
    // the surface could be locked (a transfer from a surface onto itself).
    HRESULT acquire(IDirect3DSurface9* surface, const PALETTEENTRY* palette, const RECT* rect, bool readOnly,
                    bool forceScratch = false);
    // Unlocks, writes a scratch copy back when writable, and releases everything held.
    void release();

    const BlitRequest& request() const { return m_request; }
    const D3DSURFACE_DESC& desc() const { return m_desc; }

private:
    HRESULT lockThroughScratch(bool wholeOverwritten);
    bool copyRows(IDirect3DSurface9* from, IDirect3DSurface9* to);

    ComPtr<IDirect3DSurface9> m_surface;
    ComPtr<IDirect3DDevice9> m_device;
    ComPtr<IDirect3DTexture9> m_scratchTexture;
    ComPtr<IDirect3DSurface9> m_scratchSurface;
    IDirect3DSurface9* m_locked = nullptr;  // whichever of the two surfaces is locked
    bool m_readOnly = true;
    D3DSURFACE_DESC m_desc{};
    BlitRequest m_request;
};

}  // namespace gfxutil::tex
