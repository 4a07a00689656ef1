// The requirement computation: usage and pool checks, the format the device supports closest to the
// request, the size within the device's limits and power-of-two rules, and the level count.
// The order matters: device limits before power-of-two rounding, rounding before the level count.
#include "gfxutil/tex/texture_requirements.h"

#include "gfxutil/tex/closest_format.h"
#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/diagnostics.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::tex {
namespace {

constexpr DWORD kForbiddenUsage = 0xFFE039ECu;

bool isPowerOfTwo(UINT v) { return v != 0 && (v & (v - 1)) == 0; }

UINT nextPowerOfTwo(UINT v) {
    UINT p = 1;
    while (p < v && p != 0x80000000u) {
        p <<= 1;
    }
    return p < v ? v : p;  // values above 2^31 have no power of two in range: kept
}

bool isDxt(D3DFORMAT f) {
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

UINT significantBits(UINT v) {
    UINT n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

// Lowers `v` to `limit`, with the product done in 64 bits so a large aspect ratio cannot wrap.
void lowerTo(UINT& v, std::uint64_t limit) {
    if (v > limit) {
        v = static_cast<UINT>(limit);
    }
}

}  // namespace

HRESULT checkTextureRequirements(IDirect3DDevice9* device, TextureRequest& r) {
    if (device == nullptr) {
        report("pDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (r.usage == D3DX_DEFAULT) {
        r.usage = 0;
    }
    if ((r.usage & kForbiddenUsage) != 0) {
        report("Usage parameter is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (static_cast<DWORD>(r.pool) > D3DPOOL_SCRATCH) {
        report("Pool parameter is invalid");
        return D3DERR_INVALIDCALL;
    }
    const bool scratch = r.pool == D3DPOOL_SCRATCH;
    if (!scratch) {
        const D3DFORMAT found = findClosestFormat(lookupFormat(r.format), device, r.usage, D3DRTYPE_TEXTURE);
        if (found == D3DFMT_UNKNOWN) {
            report("Device does not support this Usage/ResType");
            return D3DERR_NOTAVAILABLE;
        }
        r.format = found;
    } else if (r.format == D3DFMT_UNKNOWN) {
        r.format = D3DFMT_A8R8G8B8;
    }

    if (r.width == D3DX_DEFAULT && r.height == D3DX_DEFAULT) {
        r.width = 256;
        r.height = 256;
    } else {
        if (r.width == D3DX_DEFAULT) {
            r.width = r.height;
        }
        if (r.height == D3DX_DEFAULT) {
            r.height = r.width;
        }
        if (r.width == 0) {
            r.width = 1;
        }
        if (r.height == 0) {
            r.height = 1;
        }
    }
    if (r.depth == D3DX_DEFAULT || r.depth == 0) {
        r.depth = 1;
    }

    D3DCAPS9 caps{};
    if (!scratch) {
        const HRESULT hr = device->GetDeviceCaps(&caps);
        if (FAILED(hr)) {
            return hr;
        }
        lowerTo(r.width, caps.MaxTextureWidth);
        lowerTo(r.height, caps.MaxTextureHeight);
        const DWORD aspect =
            (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0 ? 1 : caps.MaxTextureAspectRatio;
        if (aspect != 0) {
            lowerTo(r.width, static_cast<std::uint64_t>(aspect) * r.height);
            lowerTo(r.height, static_cast<std::uint64_t>(aspect) * r.width);
        }
        const bool conditional = r.mipLevels == 1 && (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0 &&
                                 !isDxt(r.format);
        if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0 && !conditional) {
            r.width = nextPowerOfTwo(r.width);
            r.height = nextPowerOfTwo(r.height);
            r.depth = nextPowerOfTwo(r.depth);
        }
    }
    if (isDxt(r.format)) {
        r.width = r.width > 0xFFFFFFFCu ? r.width : (r.width + 3) & ~3u;
        r.height = r.height > 0xFFFFFFFCu ? r.height : (r.height + 3) & ~3u;
    }

    const bool oneLevel =
        !scratch && ((caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) == 0 ||
                     ((caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0 &&
                      (!isPowerOfTwo(r.width) || !isPowerOfTwo(r.height) || !isPowerOfTwo(r.depth))));
    if (oneLevel) {
        r.mipLevels = 1;
    } else {
        const UINT full = significantBits(r.width > r.height ? r.width : r.height);
        if (r.mipLevels == 0 || r.mipLevels > full) {
            r.mipLevels = full;
        }
        if (r.mipLevels != 1 && (r.usage & D3DUSAGE_AUTOGENMIPMAP) != 0) {
            r.mipLevels = 0;
        }
    }
    return S_OK;
}

}  // namespace gfxutil::tex

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice9* pDevice, UINT* pWidth, UINT* pHeight, UINT* pNumMipLevels,
                                     DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool) {
    gfxutil::tex::TextureRequest r{pWidth != nullptr ? *pWidth : D3DX_DEFAULT,
                                   pHeight != nullptr ? *pHeight : D3DX_DEFAULT,
                                   1,
                                   pNumMipLevels != nullptr ? *pNumMipLevels : D3DX_DEFAULT,
                                   Usage,
                                   pFormat != nullptr ? *pFormat : D3DFMT_UNKNOWN,
                                   Pool};
    const HRESULT hr = gfxutil::tex::checkTextureRequirements(pDevice, r);
    if (FAILED(hr)) {
        return hr;
    }
    if (pWidth != nullptr) {
        *pWidth = r.width;
    }
    if (pHeight != nullptr) {
        *pHeight = r.height;
    }
    if (pNumMipLevels != nullptr) {
        *pNumMipLevels = r.mipLevels;
    }
    if (pFormat != nullptr) {
        *pFormat = r.format;
    }
    return S_OK;
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture) {
    if (pDevice == nullptr) {
        gfxutil::tex::report("pDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (ppTexture == nullptr) {
        gfxutil::tex::report("ppTexture pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (Usage == D3DX_DEFAULT) {
        Usage = 0;
    }
    gfxutil::tex::TextureRequest r{Width, Height, 1, MipLevels, Usage, Format, Pool};
    HRESULT hr = gfxutil::tex::checkTextureRequirements(pDevice, r);
    if (FAILED(hr)) {
        return hr;
    }
    IDirect3DTexture9* texture = nullptr;
    hr = pDevice->CreateTexture(r.width, r.height, r.mipLevels, r.usage & gfxutil::tex::kUsageWithoutQueries,
                                r.format, r.pool, &texture, nullptr);
    if (FAILED(hr)) {
        gfxutil::tex::report("CreateTexture failed");
        return hr;
    }
    *ppTexture = texture;
    return S_OK;
}
