// D3DXFilterTexture: regenerates the smaller levels of a texture from one of its levels.
//
// Point and box filters chain (each level from the one just above it, the cheap and exact road of
// the 2 x 2 box); the others resample every level from the source level.
// FIXME: cube and volume textures are refused for now; the device offers only 2D textures.
#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/diagnostics.h"
#include "platform/win32/com_ptr.h"

namespace {

bool isPowerOfTwo(UINT v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* pBaseTexture, const PALETTEENTRY* pPalette, UINT SrcLevel,
                          DWORD Filter) {
    using gfxutil::tex::report;
    if (pBaseTexture == nullptr || pBaseTexture->GetType() != D3DRTYPE_TEXTURE) {
        report("pBaseTexture pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    auto* texture = static_cast<IDirect3DTexture9*>(pBaseTexture);
    if (Filter == D3DX_DEFAULT) {
        D3DSURFACE_DESC top{};
        const HRESULT hr = texture->GetLevelDesc(0, &top);
        if (FAILED(hr)) {
            return hr;
        }
        Filter = isPowerOfTwo(top.Width) && isPowerOfTwo(top.Height) ? D3DX_FILTER_BOX
                                                                     : D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    }
    Filter = (Filter & D3DX_FILTER_SRGB_OUT) != 0 ? Filter | D3DX_FILTER_SRGB : Filter & ~D3DX_FILTER_SRGB;
    if (SrcLevel == D3DX_DEFAULT) {
        SrcLevel = 0;
    }
    const DWORD levels = texture->GetLevelCount();
    if (SrcLevel >= levels) {
        report("uSrcLevel larger than num Mip level in the texture");
        return D3DERR_INVALIDCALL;
    }
    const DWORD kind = Filter & 0xFF;
    const bool chained = kind == D3DX_FILTER_POINT || kind == D3DX_FILTER_BOX;
    ComPtr<IDirect3DSurface9> source;
    HRESULT hr = texture->GetSurfaceLevel(SrcLevel, source.put());
    if (FAILED(hr)) {
        return hr;
    }
    for (UINT level = SrcLevel + 1; level < levels; ++level) {
        ComPtr<IDirect3DSurface9> target;
        hr = texture->GetSurfaceLevel(level, target.put());
        if (FAILED(hr)) {
            return hr;
        }
        hr = D3DXLoadSurfaceFromSurface(target.get(), pPalette, nullptr, source.get(), pPalette, nullptr, Filter, 0);
        if (FAILED(hr)) {
            return hr;
        }
        if (chained) {
            source = std::move(target);
        }
    }
    return S_OK;
}
