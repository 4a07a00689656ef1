#include "gfxutil/tex/surface_lock.h"

#include <cstring>

#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/pixel_layout.h"

namespace gfxutil::tex {
namespace {

bool isDxt(D3DFORMAT f) {
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

bool isPairFormat(D3DFORMAT f) {
    return f == D3DFMT_UYVY || f == D3DFMT_YUY2 || f == D3DFMT_R8G8_B8G8 || f == D3DFMT_G8R8_G8B8;
}

LONG roundDown(LONG v, LONG m) { return v - v % m; }
LONG roundUp(LONG v, LONG m, LONG limit) {
    const LONG r = v % m == 0 ? v : v + (m - v % m);
    return r > limit ? limit : r;
}

// Bytes of one row of `width` pixels; 0 for formats without a per-pixel layout.
std::size_t rowBytesOf(D3DFORMAT format, UINT width) {
    const PixelLayout* layout = findPixelLayout(format);
    return layout != nullptr ? static_cast<std::size_t>(layout->bytesPerPixel) * width : 0;
}

bool isDynamicSingleLevel(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc) {
    if ((desc.Usage & D3DUSAGE_DYNAMIC) == 0) {
        return false;
    }
    ComPtr<IDirect3DTexture9> container;
    if (FAILED(surface->GetContainer(iidOf<IDirect3DTexture9>(), reinterpret_cast<void**>(container.put())))) {
        return false;
    }
    return container->GetLevelCount() == 1;
}

}  // namespace

HRESULT SurfaceLock::acquire(IDirect3DSurface9* surface, const PALETTEENTRY* palette, const RECT* rect,
                             bool readOnly, bool forceScratch) {
    release();
    HRESULT hr = surface->GetDesc(&m_desc);
    if (FAILED(hr)) {
        return hr;
    }
    const auto width = static_cast<LONG>(m_desc.Width);
    const auto height = static_cast<LONG>(m_desc.Height);
    RECT region = {0, 0, width, height};
    if (rect != nullptr) {
        if (rect->left < 0 || rect->left > rect->right || rect->right > width || rect->top < 0 ||
            rect->top > rect->bottom || rect->bottom > height) {
            report("Invalid rect");
            return D3DERR_INVALIDCALL;
        }
        region = *rect;
    }
    const bool whole = region.left == 0 && region.top == 0 && region.right == width && region.bottom == height;
    DWORD flags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
    if (!readOnly && whole && isDynamicSingleLevel(surface, m_desc)) {
        flags |= D3DLOCK_DISCARD;
    }
    // Block and pair formats lock whole blocks and pairs.
    RECT locked = region;
    if (!whole && isDxt(m_desc.Format)) {
        locked = {roundDown(region.left, 4), roundDown(region.top, 4), roundUp(region.right, 4, width),
                  roundUp(region.bottom, 4, height)};
    } else if (!whole && isPairFormat(m_desc.Format)) {
        locked.left = roundDown(region.left, 2);
        locked.right = roundUp(region.right, 2, width);
    }
    m_surface = ComPtr<IDirect3DSurface9>::share(surface);
    m_readOnly = readOnly;

    D3DLOCKED_RECT bits{};
    {
        MuteScope mute;
        hr = forceScratch ? E_FAIL : surface->LockRect(&bits, &locked, flags);
    }
    if (SUCCEEDED(hr)) {
        m_locked = surface;
    } else {
        hr = lockThroughScratch(whole && !readOnly);
        if (FAILED(hr)) {
            release();
            return hr;
        }
        hr = m_scratchSurface->LockRect(&bits, &locked, flags & ~D3DLOCK_DISCARD);
        if (FAILED(hr)) {
            release();
            return hr;
        }
        m_locked = m_scratchSurface.get();
    }
    m_request = BlitRequest{};
    m_request.pixels = bits.pBits;
    m_request.format = m_desc.Format;
    m_request.rowPitch = static_cast<UINT>(bits.Pitch);
    m_request.slicePitch = 0;
    m_request.extent = {0, 0, static_cast<UINT>(locked.right - locked.left),
                        static_cast<UINT>(locked.bottom - locked.top), 0, 1};
    m_request.region = {static_cast<UINT>(region.left - locked.left), static_cast<UINT>(region.top - locked.top),
                        static_cast<UINT>(region.right - locked.left), static_cast<UINT>(region.bottom - locked.top),
                        0, 1};
    m_request.palette = palette;
    return S_OK;
}

HRESULT SurfaceLock::lockThroughScratch(bool wholeOverwritten) {
    HRESULT hr = m_surface->GetDevice(m_device.put());
    if (FAILED(hr)) {
        return hr;
    }
    const D3DPOOL pool = m_desc.Pool == D3DPOOL_SCRATCH ? D3DPOOL_SCRATCH : D3DPOOL_SYSTEMMEM;
    {
        MuteScope mute;
        hr = m_device->CreateTexture(m_desc.Width, m_desc.Height, 1, 0, m_desc.Format, pool,
                                     m_scratchTexture.put(), nullptr);
    }
    if (FAILED(hr)) {
        report("Failed to create scratch copy of vidmem surface");
        return hr;
    }
    hr = m_scratchTexture->GetSurfaceLevel(0, m_scratchSurface.put());
    if (FAILED(hr)) {
        return hr;
    }
    if (wholeOverwritten) {
        return S_OK;
    }
    if (copyRows(m_surface.get(), m_scratchSurface.get())) {
        return S_OK;
    }
    // A surface that cannot be locked at all is read through a lockable render target. If that
    // fails too, the copy keeps what the scratch texture was created with.
    ComPtr<IDirect3DSurface9> target;
    MuteScope mute;
    if (SUCCEEDED(m_device->CreateRenderTarget(m_desc.Width, m_desc.Height, m_desc.Format, D3DMULTISAMPLE_NONE, 0,
                                               TRUE, target.put(), nullptr)) &&
        SUCCEEDED(m_device->StretchRect(m_surface.get(), nullptr, target.get(), nullptr, D3DTEXF_NONE))) {
        copyRows(target.get(), m_scratchSurface.get());
    }
    return S_OK;
}

bool SurfaceLock::copyRows(IDirect3DSurface9* from, IDirect3DSurface9* to) {
    const std::size_t rowBytes = rowBytesOf(m_desc.Format, m_desc.Width);
    if (rowBytes == 0) {
        return false;
    }
    MuteScope mute;
    D3DLOCKED_RECT src{};
    D3DLOCKED_RECT dst{};
    if (FAILED(from->LockRect(&src, nullptr, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK))) {
        return false;
    }
    if (FAILED(to->LockRect(&dst, nullptr, D3DLOCK_NOSYSLOCK))) {
        from->UnlockRect();
        return false;
    }
    for (UINT y = 0; y < m_desc.Height; ++y) {
        std::memcpy(static_cast<BYTE*>(dst.pBits) + static_cast<std::size_t>(y) * static_cast<UINT>(dst.Pitch),
                    static_cast<const BYTE*>(src.pBits) + static_cast<std::size_t>(y) * static_cast<UINT>(src.Pitch),
                    rowBytes);
    }
    to->UnlockRect();
    from->UnlockRect();
    return true;
}

void SurfaceLock::release() {
    if (m_locked != nullptr) {
        m_locked->UnlockRect();
        if (m_locked == m_scratchSurface.get() && !m_readOnly) {
            bool written = false;
            {
                MuteScope mute;
                written = SUCCEEDED(m_device->UpdateSurface(m_scratchSurface.get(), nullptr, m_surface.get(), nullptr));
            }
            if (!written && !copyRows(m_scratchSurface.get(), m_surface.get())) {
                report("Update of vidmem texture failed");
            }
        }
        m_locked = nullptr;
    }
    m_scratchSurface.reset();
    m_scratchTexture.reset();
    m_device.reset();
    m_surface.reset();
    m_request = BlitRequest{};
}

}  // namespace gfxutil::tex
