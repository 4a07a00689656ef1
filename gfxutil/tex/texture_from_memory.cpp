// D3DXCreateTextureFromFileInMemoryEx: decode the image, choose the texture's size, level count
// and format from the image, the caller's wishes and the device, create it and fill it.
//
// The image's own levels are loaded through the pixel-transfer engine with the load filter; the
// remaining levels are either resampled from the image's last level or regenerated from the
// texture's own levels by D3DXFilterTexture, whichever the filters ask for. On failure nothing is
// left behind and the output is not written.
#include <cstring>

#include "gfxutil/tex/closest_format.h"
#include "gfxutil/tex/d3dx9tex.h"
#include "gfxutil/tex/decoded_image.h"
#include "gfxutil/tex/diagnostics.h"
#include "gfxutil/tex/texture_requirements.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::tex {
namespace {

// The opaque grey ramp and the 3-3-2 palette: 8-bit images whose palette is one of these are
// really L8 or R3G3B2 images.
bool isGreyRamp(const PALETTEENTRY* p) {
    for (int i = 0; i < 256; ++i) {
        if (p[i].peRed != i || p[i].peGreen != i || p[i].peBlue != i || p[i].peFlags != 255) {
            return false;
        }
    }
    return true;
}

bool isR3G3B2Palette(const PALETTEENTRY* p) {
    constexpr BYTE kB4[4] = {0, 85, 170, 255};
    constexpr BYTE kB8[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int i = 0; i < 256; ++i) {
        // PALETTEENTRY order: red in the low byte. Red from the top three index bits, green from the
        // next three, blue from the low two.
        if (p[i].peRed != kB8[i >> 5] || p[i].peGreen != kB8[(i >> 2) & 7] || p[i].peBlue != kB4[i & 3] ||
            p[i].peFlags != 255) {
            return false;
        }
    }
    return true;
}

DWORD asDword(const PALETTEENTRY& e) {
    DWORD v = 0;
    std::memcpy(&v, &e, 4);
    return v;
}

// Width, height or depth: the image value rounded up to a power of two, unless asked otherwise.
UINT chooseSize(UINT requested, UINT image) {
    if (requested == D3DX_DEFAULT_NONPOW2 || (image & 0x80000000u) != 0) {
        return image;
    }
    if (requested == 0 || requested == D3DX_DEFAULT) {
        UINT p = 1;
        while (p < image) {
            p <<= 1;
        }
        return p;
    }
    return requested;
}

struct Creation {
    IDirect3DDevice9* device;
    UINT width, height, depth, mipLevels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD filter, mipFilter;
    D3DCOLOR colorKey;
    PALETTEENTRY* callerPalette;
    PALETTEENTRY work[256];
    bool imageHasPalette;
};

HRESULT loadLevels(Creation& c, const DecodedImage& image, IDirect3DTexture9* target) {
    const UINT imageLevels = image.levelCount();
    const DWORD kind = c.filter & 0xFF;
    const DWORD mipKind = c.mipFilter & 0xFF;
    const bool regenerate = kind == D3DX_FILTER_NONE || mipKind == D3DX_FILTER_POINT || mipKind == D3DX_FILTER_BOX;
    const DecodedImage* level = &image;
    const DecodedImage* last = &image;
    for (UINT l = 0; l < c.mipLevels; ++l) {
        const bool own = l < imageLevels;
        if (!own && regenerate) {
            break;
        }
        const DecodedImage& from = own ? *level : *last;
        ComPtr<IDirect3DSurface9> surface;
        HRESULT hr = target->GetSurfaceLevel(l, surface.put());
        if (FAILED(hr)) {
            return hr;
        }
        const RECT box = {static_cast<LONG>(from.box.left), static_cast<LONG>(from.box.top),
                          static_cast<LONG>(from.box.right), static_cast<LONG>(from.box.bottom)};
        hr = D3DXLoadSurfaceFromMemory(surface.get(), c.callerPalette, nullptr, from.pixels, from.format,
                                       from.rowPitch, c.work, &box, c.filter, c.colorKey);
        if (FAILED(hr)) {
            return hr;
        }
        if (own) {
            last = level;
            level = level->nextLevel.get();
        }
    }
    if (regenerate && imageLevels < c.mipLevels) {
        return D3DXFilterTexture(target, c.work, imageLevels - 1, c.mipFilter);
    }
    return S_OK;
}

HRESULT createFromImage(Creation& c, DecodedImage& image, IDirect3DTexture9** out) {
    // Size and filters.
    c.width = chooseSize(c.width, image.width);
    c.height = chooseSize(c.height, image.height);
    c.depth = chooseSize(c.depth, image.depth);
    if (c.filter == D3DX_DEFAULT) {
        c.filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    }
    if (c.mipFilter == D3DX_DEFAULT) {
        c.mipFilter = D3DX_FILTER_BOX;
    }

    // Palette and colour key: a key on a palette image lives in the palette from here on.
    D3DFORMAT imageFormat = image.format;
    c.imageHasPalette = image.palette != nullptr;
    if (c.imageHasPalette) {
        const DWORD key = (c.colorKey & 0xFF00FF00u) | ((c.colorKey & 0xFFu) << 16) | ((c.colorKey >> 16) & 0xFFu);
        for (int i = 0; i < 256; ++i) {
            c.work[i] = image.palette[i];
            if (asDword(c.work[i]) == key) {
                c.work[i] = {0, 0, 0, 0};
            }
        }
        c.colorKey = 0;
        if (c.format != D3DFMT_P8 && imageFormat == D3DFMT_P8) {
            if (isGreyRamp(c.work)) {
                imageFormat = D3DFMT_L8;
            } else if (isR3G3B2Palette(c.work)) {
                imageFormat = D3DFMT_R3G3B2;
            }
        }
    } else {
        std::memset(c.work, 0xFF, sizeof c.work);
    }

    // Format.
    if (c.format == D3DFMT_UNKNOWN) {
        D3DFORMAT chosen = imageFormat;
        const FormatDescription& row = lookupFormat(imageFormat);
        if (c.colorKey != 0 && row.alphaBits == 0 &&
            (row.kind == FormatKind::Colour || row.kind == FormatKind::Palette || row.kind == FormatKind::Luminance)) {
            FormatDescription withAlpha = row;
            withAlpha.format = D3DFMT_UNKNOWN;
            withAlpha.alphaBits = 1;
            const D3DFORMAT keyed = findClosestFormat(withAlpha, nullptr, 0, D3DRTYPE_TEXTURE);
            if (keyed != D3DFMT_UNKNOWN) {
                chosen = keyed;
            }
        }
        chosen = mapInternalFormat(chosen);
        if (c.pool != D3DPOOL_SCRATCH && chosen == D3DFMT_R8G8B8) {
            chosen = D3DFMT_X8R8G8B8;
        }
        c.format = chosen;
    }
    bool keepPalette = false;
    if (c.callerPalette != nullptr) {
        std::memcpy(c.callerPalette, c.work, sizeof c.work);
        keepPalette = c.imageHasPalette;
    }
    if (!keepPalette) {
        if (c.format == D3DFMT_A8P8) {
            c.format = D3DFMT_A8R8G8B8;
        } else if (c.format == D3DFMT_P8) {
            bool translucent = false;
            for (const PALETTEENTRY& e : c.work) {
                translucent = translucent || e.peFlags != 255;
            }
            c.format = translucent ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        }
    }

    // Requirements, creation and filling.
    const bool staging = c.pool == D3DPOOL_DEFAULT && (c.usage & D3DUSAGE_DYNAMIC) == 0;
    TextureRequest request{c.width, c.height, c.depth, c.mipLevels, c.usage, c.format, c.pool};
    HRESULT hr = checkTextureRequirements(c.device, request);
    if (FAILED(hr)) {
        return hr;
    }
    c.width = request.width;
    c.height = request.height;
    c.mipLevels = request.mipLevels;
    c.usage = request.usage;
    c.format = request.format;
    ComPtr<IDirect3DTexture9> texture;
    hr = c.device->CreateTexture(c.width, c.height, c.mipLevels, c.usage & kUsageWithoutQueries, c.format, c.pool,
                                 texture.put(), nullptr);
    if (FAILED(hr)) {
        report("Failed trying to create texture");
        return hr;
    }
    ComPtr<IDirect3DTexture9> stagingTexture;
    if (staging) {
        hr = c.device->CreateTexture(c.width, c.height, c.mipLevels, 0, c.format, D3DPOOL_SYSTEMMEM,
                                     stagingTexture.put(), nullptr);
        if (FAILED(hr)) {
            report("Failed trying to create texture");
            return hr;
        }
    }
    // An automatically generated chain reports 0 levels; the device then holds the top level only.
    if (c.mipLevels == 0) {
        c.mipLevels = 1;
    }
    hr = loadLevels(c, image, staging ? stagingTexture.get() : texture.get());
    if (SUCCEEDED(hr) && staging) {
        hr = c.device->UpdateTexture(stagingTexture.get(), texture.get());
    }
    if (FAILED(hr)) {
        return hr;
    }
    *out = texture.detach();
    return S_OK;
}

}  // namespace
}  // namespace gfxutil::tex

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                            UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            IDirect3DTexture9** ppTexture) {
    using gfxutil::tex::report;
    if (pDevice == nullptr) {
        report("pDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (pSrcData == nullptr) {
        report("pvSrcData pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (SrcDataSize == 0) {
        report("cbSrcData value is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (ppTexture == nullptr) {
        report("Texture pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    gfxutil::tex::DecodedImage image;
    HRESULT hr = gfxutil::tex::DecodeImage(image, pSrcData, SrcDataSize, pSrcInfo, true);
    if (FAILED(hr)) {
        return hr;
    }
    gfxutil::tex::Creation c{pDevice, Width,     Height,   1,        MipLevels, Usage, Format,
                             Pool,    Filter,    MipFilter, ColorKey, pPalette,  {},    false};
    return gfxutil::tex::createFromImage(c, image, ppTexture);
}
