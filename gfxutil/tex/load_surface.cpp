// D3DXLoadSurfaceFromMemory and D3DXLoadSurfaceFromSurface: the pixel-transfer engine between
// memory or a surface and a region of a destination surface.
#include <cstring>

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/surface_lock.h"
#include "gfxutil/tex/transfer_pixels.h"

namespace gfxutil::tex {
namespace {

RECT wholeRect(const D3DSURFACE_DESC& d) { return {0, 0, static_cast<LONG>(d.Width), static_cast<LONG>(d.Height)}; }

bool samePalettes(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    return a == b || (a != nullptr && b != nullptr && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0);
}

// The device copies the pixels itself when no filtering, key or palette change is involved.
bool tryDeviceCopy(IDirect3DSurface9* dst, const RECT* dstRect, IDirect3DSurface9* src, const RECT* srcRect,
                   const D3DSURFACE_DESC& dd, const D3DSURFACE_DESC& sd) {
    if (dd.Pool != D3DPOOL_DEFAULT) {
        return false;
    }
    MuteScope mute;
    ComPtr<IDirect3DDevice9> device;
    if (FAILED(dst->GetDevice(device.put()))) {
        return false;
    }
    if (sd.Pool == D3DPOOL_DEFAULT) {
        return SUCCEEDED(device->StretchRect(src, srcRect, dst, dstRect, D3DTEXF_NONE));
    }
    if (sd.Pool == D3DPOOL_SYSTEMMEM) {
        POINT at = {dstRect != nullptr ? dstRect->left : 0, dstRect != nullptr ? dstRect->top : 0};
        return SUCCEEDED(device->UpdateSurface(src, srcRect, dst, &at));
    }
    return false;
}

}  // namespace
}  // namespace gfxutil::tex

using gfxutil::tex::report;

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                  const RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                  const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                  D3DCOLOR ColorKey) {
    if (pDestSurface == nullptr) {
        report("pDestSurface pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (pSrcMemory == nullptr) {
        report("pSrcMemory pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (pSrcRect == nullptr) {
        report("pSrcRect pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    // The rectangle must lie inside the caller's pixels, which we cannot see; a negative or inverted
    // one can never be right, and would address memory before the pixels.
    if (pSrcRect->left < 0 || pSrcRect->top < 0 || pSrcRect->left > pSrcRect->right ||
        pSrcRect->top > pSrcRect->bottom) {
        report("Invalid rect");
        return D3DERR_INVALIDCALL;
    }
    if (Filter == D3DX_DEFAULT) {
        Filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    }
    gfxutil::tex::SurfaceLock lock;
    HRESULT hr = lock.acquire(pDestSurface, pDestPalette, pDestRect, false);
    if (FAILED(hr)) {
        return hr;
    }
    gfxutil::tex::BlitRequest source;
    source.pixels = pSrcMemory;
    source.format = SrcFormat;
    source.rowPitch = SrcPitch;
    source.slicePitch = 0;
    source.extent = {static_cast<UINT>(pSrcRect->left), static_cast<UINT>(pSrcRect->top),
                     static_cast<UINT>(pSrcRect->right), static_cast<UINT>(pSrcRect->bottom), 0, 1};
    source.region = source.extent;
    source.colorKey = ColorKey;
    source.palette = pSrcPalette;
    hr = gfxutil::tex::TransferPixels(lock.request(), source, Filter);
    lock.release();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                   const RECT* pDestRect, IDirect3DSurface9* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey) {
    if (pDestSurface == nullptr) {
        report("pDestSurface pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (pSrcSurface == nullptr) {
        report("pSrcSurface pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC dd{};
    D3DSURFACE_DESC sd{};
    HRESULT hr = pDestSurface->GetDesc(&dd);
    if (SUCCEEDED(hr)) {
        hr = pSrcSurface->GetDesc(&sd);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const RECT dstRect = pDestRect != nullptr ? *pDestRect : gfxutil::tex::wholeRect(dd);
    const RECT srcRect = pSrcRect != nullptr ? *pSrcRect : gfxutil::tex::wholeRect(sd);
    const bool sameSize = dstRect.right - dstRect.left == srcRect.right - srcRect.left &&
                          dstRect.bottom - dstRect.top == srcRect.bottom - srcRect.top;
    if ((Filter & 0xFFFF) != D3DX_FILTER_BOX && ColorKey == 0 && gfxutil::tex::samePalettes(pDestPalette, pSrcPalette) &&
        sameSize && gfxutil::tex::tryDeviceCopy(pDestSurface, pDestRect, pSrcSurface, pSrcRect, dd, sd)) {
        return S_OK;
    }
    gfxutil::tex::SurfaceLock source;
    hr = source.acquire(pSrcSurface, pSrcPalette, pSrcRect, true, pSrcSurface == pDestSurface);
    if (FAILED(hr)) {
        return hr;
    }
    const gfxutil::tex::BlitRequest& s = source.request();
    const RECT region = {static_cast<LONG>(s.region.left), static_cast<LONG>(s.region.top),
                         static_cast<LONG>(s.region.right), static_cast<LONG>(s.region.bottom)};
    hr = D3DXLoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect, s.pixels, sd.Format, s.rowPitch,
                                   pSrcPalette, &region, Filter, ColorKey);
    if (sd.Pool == D3DPOOL_DEFAULT && dd.Pool != D3DPOOL_DEFAULT) {
        ComPtr<IDirect3DDevice9> device;
        if (SUCCEEDED(pSrcSurface->GetDevice(device.put())) && device->TestCooperativeLevel() != S_OK) {
            hr = D3DERR_DEVICELOST;
        }
    }
    source.release();
    return hr;
}
