#include "platform/d3d9/surface.h"

#include <cstring>
#include <new>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/texture.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kSurfaceLockFlags =
    D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD | D3DLOCK_DONOTWAIT | D3DLOCK_NO_DIRTY_UPDATE;

}  // namespace

bool Surface::init(Device* device, Texture* container, const SurfaceDesc& desc) {
    const auto layout = formatLayout(desc.format);
    if (!layout || desc.width == 0 || desc.height == 0) {
        return false;
    }
    m_desc = desc;
    m_layout = *layout;
    m_pitch = rowPitch(m_layout, desc.width);
    if (!m_bytes.allocate(static_cast<size_t>(m_pitch) * blockRows(m_layout, desc.height))) {
        return false;
    }
    if (desc.format == D3DFMT_D24S8) {
        // A new depth buffer starts as if cleared to the far plane (depth 1.0, stencil 0), so a
        // caller that clears only the colour still sees its first draws pass the depth test.
        const uint32_t far = 0xFFFFFF00u;
        for (size_t i = 0; i + 4 <= m_bytes.size(); i += 4) {
            std::memcpy(m_bytes.data() + i, &far, 4);
        }
    }
    m_container = container;
    if (container != nullptr) {
        m_outer = static_cast<IDirect3DTexture9*>(container);
    }
    attachResource(device, D3DRTYPE_SURFACE, desc.pool);
    return true;
}

Surface* Surface::createStandalone(Device* device, const SurfaceDesc& desc) {
    auto* s = new (std::nothrow) Surface();
    if (s != nullptr && !s->init(device, nullptr, desc)) {
        s->Release();
        return nullptr;
    }
    return s;
}

std::unique_ptr<Surface> Surface::createLevel(Device* device, Texture* container, const SurfaceDesc& desc) {
    std::unique_ptr<Surface> s(new (std::nothrow) Surface());
    if (s != nullptr && !s->init(device, container, desc)) {
        s.reset();
    }
    return s;
}

HRESULT Surface::GetContainer(REFIID riid, void** ppContainer) {
    REFUSE_IF(ppContainer == nullptr, D3DERR_INVALIDCALL, "no output");
    if (m_container != nullptr) {
        return static_cast<IDirect3DTexture9*>(m_container)->QueryInterface(riid, ppContainer);
    }
    REFUSE_IF(device() == nullptr, D3DERR_INVALIDCALL, "the device is gone");
    return static_cast<IDirect3DDevice9*>(device())->QueryInterface(riid, ppContainer);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc) {
    REFUSE_IF(pDesc == nullptr, D3DERR_INVALIDCALL, "no output");
    *pDesc = D3DSURFACE_DESC{m_desc.format, D3DRTYPE_SURFACE, m_desc.usage, m_desc.pool, D3DMULTISAMPLE_NONE, 0,
                             m_desc.width,  m_desc.height};
    return D3D_OK;
}

bool Surface::validRect(const RECT& r) const {
    const auto w = static_cast<LONG>(m_desc.width);
    const auto h = static_cast<LONG>(m_desc.height);
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > w || r.bottom > h) {
        return false;
    }
    const auto bw = static_cast<LONG>(m_layout.blockWidth);
    const auto bh = static_cast<LONG>(m_layout.blockHeight);
    // A block rectangle may end at the surface's edge even when the edge is not on a block.
    return r.left % bw == 0 && r.top % bh == 0 && (r.right % bw == 0 || r.right == w) &&
           (r.bottom % bh == 0 || r.bottom == h);
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    REFUSE_IF(pLockedRect == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF((Flags & ~kSurfaceLockFlags) != 0, D3DERR_INVALIDCALL, "flags 0x%x not valid on a surface", Flags);
    REFUSE_IF(m_locked, D3DERR_INVALIDCALL, "already locked");
    REFUSE_IF(!m_desc.lockable, D3DERR_INVALIDCALL, "surface of pool %u, usage 0x%x is not lockable",
              static_cast<unsigned>(m_desc.pool), m_desc.usage);
    REFUSE_IF((Flags & D3DLOCK_DISCARD) != 0 && (m_desc.usage & D3DUSAGE_DYNAMIC) == 0, D3DERR_INVALIDCALL,
              "D3DLOCK_DISCARD needs a dynamic texture");
    REFUSE_IF((Flags & D3DLOCK_DISCARD) != 0 && (Flags & D3DLOCK_READONLY) != 0, D3DERR_INVALIDCALL,
              "a discarding lock cannot be read-only");
    REFUSE_IF(pRect != nullptr && !validRect(*pRect), D3DERR_INVALIDCALL, "rectangle (%d, %d, %d, %d) outside %ux%u",
              pRect != nullptr ? pRect->left : 0, pRect != nullptr ? pRect->top : 0,
              pRect != nullptr ? pRect->right : 0, pRect != nullptr ? pRect->bottom : 0, m_desc.width, m_desc.height);
    if (Device* d = device()) d->finishDrawing();  // the bytes must include every draw so far
    size_t offset = 0;
    if (pRect != nullptr) {
        offset = static_cast<size_t>(pRect->top / static_cast<LONG>(m_layout.blockHeight)) * m_pitch +
                 static_cast<size_t>(pRect->left / static_cast<LONG>(m_layout.blockWidth)) * m_layout.bytesPerBlock;
    }
    m_locked = true;
    pLockedRect->Pitch = static_cast<INT>(m_pitch);
    pLockedRect->pBits = m_bytes.data() + offset;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    REFUSE_IF(!m_locked, D3DERR_INVALIDCALL, "not locked");
    m_locked = false;
    return D3D_OK;
}

// Device contexts on surfaces are not offered: text is drawn with the GDI layer into its own
// bitmaps and copied in through locks.
HRESULT Surface::GetDC(HDC* /*phdc*/) {
    noteRefusal(__func__, "device contexts on surfaces are not supported");
    return D3DERR_INVALIDCALL;
}

HRESULT Surface::ReleaseDC(HDC /*hdc*/) {
    noteRefusal(__func__, "device contexts on surfaces are not supported");
    return D3DERR_INVALIDCALL;
}

}  // namespace platform::d3d9
