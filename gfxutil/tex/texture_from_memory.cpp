// D3DXCreateTextureFromFileInMemoryEx: decode the image, choose the texture's size, level count
// and format from the image, the caller's wishes and the device, create it and fill it.
//
// The image's own levels are loaded through the pixel-transfer engine with the load filter; the
// remaining levels are either resampled from the image's last level or regenerated from the
// texture's own levels by D3DXFilterTexture, whichever the filters ask for. On failure nothing is
// left behind and the output is not written.
//
// The top level usually needs no conversion at all: a photograph decodes to the very format and
// size of the texture, and the transfer engine would only copy its rows. The decoder is then
// offered the texture's top level itself (TopLevelTarget), and writes each row once, where it
// stays, with no image buffer of its own and no copy. The texture is planned and created the
// moment the decoder knows the image's format and size, from the same facts the general road
// uses, so it is the same texture; whenever any condition of the plain copy fails, the offer is
// declined and the general road runs unchanged. The price of the early creation: a file whose
// pixels turn out damaged after a good header costs one texture created and dropped (and a
// refused creation is tried twice, the first time muted).
#include <cstring>

#include "gfxutil/tex/closest_format.h"
#include "gfxutil/tex/texture_loader.h"
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

// `topLoaded`: level 0 already holds the image's top level (decoded in place).
HRESULT loadLevels(Creation& c, const DecodedImage& image, IDirect3DTexture9* target, bool topLoaded) {
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
        if (l == 0 && topLoaded) {
            level = level->nextLevel.get();
            continue;
        }
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

// Chooses the texture's size, format and filters from the image and the caller's wishes, and has
// the device's requirements applied; refusals write their diagnostic.
HRESULT planTexture(Creation& c, const DecodedImage& image) {
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

    // Requirements.
    TextureRequest request{c.width, c.height, c.depth, c.mipLevels, c.usage, c.format, c.pool};
    const HRESULT hr = checkTextureRequirements(c.device, request);
    if (FAILED(hr)) {
        return hr;
    }
    c.width = request.width;
    c.height = request.height;
    c.mipLevels = request.mipLevels;
    c.usage = request.usage;
    c.format = request.format;
    return S_OK;
}

// The texture the caller gets and, for the default pool, the system-memory texture that is filled
// in its place and copied over at the end.
struct Textures {
    ComPtr<IDirect3DTexture9> texture;
    ComPtr<IDirect3DTexture9> staging;
    IDirect3DTexture9* filled() const { return staging ? staging.get() : texture.get(); }
};

HRESULT createTextures(Creation& c, Textures& t) {
    HRESULT hr = c.device->CreateTexture(c.width, c.height, c.mipLevels, c.usage & kUsageWithoutQueries, c.format,
                                         c.pool, t.texture.put(), nullptr);
    if (FAILED(hr)) {
        report("Failed trying to create texture");
        return hr;
    }
    if (c.pool == D3DPOOL_DEFAULT && (c.usage & D3DUSAGE_DYNAMIC) == 0) {
        hr = c.device->CreateTexture(c.width, c.height, c.mipLevels, 0, c.format, D3DPOOL_SYSTEMMEM,
                                     t.staging.put(), nullptr);
        if (FAILED(hr)) {
            report("Failed trying to create texture");
            return hr;
        }
    }
    // An automatically generated chain reports 0 levels; the device then holds the top level only.
    if (c.mipLevels == 0) {
        c.mipLevels = 1;
    }
    return S_OK;
}

HRESULT fillTextures(Creation& c, const DecodedImage& image, Textures& t, bool topLoaded,
                     IDirect3DTexture9** out) {
    HRESULT hr = loadLevels(c, image, t.filled(), topLoaded);
    if (SUCCEEDED(hr) && t.staging) {
        hr = c.device->UpdateTexture(t.staging.get(), t.texture.get());
    }
    if (FAILED(hr)) {
        return hr;
    }
    *out = t.texture.detach();
    return S_OK;
}

HRESULT createFromImage(Creation& c, const DecodedImage& image, IDirect3DTexture9** out) {
    HRESULT hr = planTexture(c, image);
    if (FAILED(hr)) {
        return hr;
    }
    Textures t;
    hr = createTextures(c, t);
    if (FAILED(hr)) {
        return hr;
    }
    return fillTextures(c, image, t, false, out);
}

thread_local bool t_lastTopDecodedInPlace = false;

// Whether loading `image` (one level) into level 0 of the planned texture is a plain copy of its
// rows, the first road of the transfer engine: same format and size, no colour key, a filter the
// engine accepts, sRGB on both sides or on neither. The smaller levels must come from the texture's
// own top level, since the image's pixels are the texture's once decoded in place.
bool topLevelIsPlainCopy(const Creation& c, const DecodedImage& image) {
    const DWORD filter = c.filter;
    const DWORD kind = filter & 0xFFFF;
    const bool filterAccepted = kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX && (filter & 0xFF800000u) == 0;
    const bool srgbIn = (filter & D3DX_FILTER_SRGB_IN) != 0;
    const bool srgbOut = (filter & D3DX_FILTER_SRGB_OUT) != 0;
    const DWORD mipKind = c.mipFilter & 0xFF;
    const bool regenerate = (filter & 0xFF) == D3DX_FILTER_NONE || mipKind == D3DX_FILTER_POINT ||
                            mipKind == D3DX_FILTER_BOX;
    return image.nextLevel == nullptr && image.nextFace == nullptr && image.depth == 1 && image.palette == nullptr &&
           c.width == image.width && c.height == image.height && c.format == image.format && c.colorKey == 0 &&
           filterAccepted && srgbIn == srgbOut && (regenerate || c.mipLevels == 1);
}

// Offers the decoder the top level of the texture being loaded; see the file comment. Holds the
// textures (and the lock on the top level) until the load takes them or gives up.
class TopLevelTarget final : public DecodeTarget {
public:
    // The caller's palette is written only when the load succeeds (finish), as on the general road.
    explicit TopLevelTarget(const Creation& wishes) : m_creation(wishes), m_callerPalette(wishes.callerPalette) {
        m_creation.callerPalette = nullptr;
    }
    ~TopLevelTarget() { unlock(); }
    TopLevelTarget(const TopLevelTarget&) = delete;
    TopLevelTarget& operator=(const TopLevelTarget&) = delete;

    BYTE* provide(D3DFORMAT format, UINT width, UINT height, UINT& pitch) override {
        if (m_asked) {
            return nullptr;  // one offer per load
        }
        m_asked = true;
        DecodedImage header;
        header.format = format;
        header.width = width;
        header.height = height;
        header.depth = 1;
        const UINT bytesPerPixel = format == D3DFMT_X8R8G8B8 ? 4 : format == D3DFMT_L8 ? 1 : 0;
        if (bytesPerPixel == 0) {
            return nullptr;
        }
        // A refusal here is declined silently; the general road meets it again and reports it.
        MuteScope mute;
        if (FAILED(planTexture(m_creation, header)) || !topLevelIsPlainCopy(m_creation, header) ||
            FAILED(createTextures(m_creation, m_textures))) {
            m_textures = Textures{};
            return nullptr;
        }
        D3DLOCKED_RECT bits{};
        if (FAILED(m_textures.filled()->LockRect(0, &bits, nullptr, D3DLOCK_NOSYSLOCK))) {
            m_textures = Textures{};
            return nullptr;
        }
        m_locked = true;
        if (bits.Pitch < 0 || static_cast<UINT>(bits.Pitch) < width * bytesPerPixel) {
            unlock();
            m_textures = Textures{};
            return nullptr;
        }
        m_bits = static_cast<BYTE*>(bits.pBits);
        pitch = static_cast<UINT>(bits.Pitch);
        return m_bits;
    }

    // Whether the decoded record is the one written into the offered level.
    bool holds(const DecodedImage& image) const {
        return m_bits != nullptr && image.pixels == m_bits && image.ownedPixels == nullptr;
    }

    // Finishes the load from the top level already in place.
    HRESULT finish(const DecodedImage& image, IDirect3DTexture9** out) {
        unlock();
        // Planned without the caller's palette: for an image without one that changes nothing but
        // this copy, which planning makes on the general road.
        m_creation.callerPalette = m_callerPalette;
        if (m_callerPalette != nullptr) {
            std::memcpy(m_callerPalette, m_creation.work, sizeof m_creation.work);
        }
        return fillTextures(m_creation, image, m_textures, true, out);
    }

private:
    void unlock() {
        if (m_locked) {
            m_textures.filled()->UnlockRect(0);
            m_locked = false;
        }
    }

    Creation m_creation;
    PALETTEENTRY* m_callerPalette;
    Textures m_textures;
    BYTE* m_bits = nullptr;
    bool m_asked = false;
    bool m_locked = false;
};

}  // namespace

bool lastTopLevelDecodedInPlace() { return t_lastTopDecodedInPlace; }

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
    const gfxutil::tex::Creation wishes{pDevice, Width,     Height,   1,        MipLevels, Usage, Format,
                                        Pool,    Filter,    MipFilter, ColorKey, pPalette,  {},    false};
    gfxutil::tex::t_lastTopDecodedInPlace = false;
    gfxutil::tex::TopLevelTarget top(wishes);
    gfxutil::tex::DecodedImage image;
    image.target = &top;
    HRESULT hr = gfxutil::tex::DecodeImage(image, pSrcData, SrcDataSize, pSrcInfo, true);
    if (FAILED(hr)) {
        return hr;
    }
    if (top.holds(image)) {
        gfxutil::tex::t_lastTopDecodedInPlace = true;
        return top.finish(image, ppTexture);
    }
    gfxutil::tex::Creation c = wishes;
    return gfxutil::tex::createFromImage(c, image, ppTexture);
}
