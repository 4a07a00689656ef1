// The top level decoded straight into the texture must give exactly the bytes of the general road:
// the image decoded into its own buffer, moved in by the transfer engine, the chain regenerated.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/decoded_image.h"
#include "image_fixtures.h"
#include "test_device.h"

namespace gfxutil::tex {
namespace {

using testing::Bytes;
using testing::JpegKind;
using testing::TestDevice;
using testing::encodeJpeg;
using testing::levelBytes;

std::uint8_t photo(int x, int y, int c) {
    // Gradients with a little hash noise, so that every level differs from its neighbours.
    const unsigned h = static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
    return static_cast<std::uint8_t>((x * 3 + y * 5 + c * 77 + (h >> 27)) & 0xFF);
}

UINT bytesPerPixel(D3DFORMAT f) { return f == D3DFMT_L8 ? 1 : f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 ? 4 : 0; }

// A level's packed bytes, read through a system-memory copy when the texture cannot be locked.
std::vector<BYTE> readLevel(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT level) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    if (desc.Pool != D3DPOOL_DEFAULT) {
        return levelBytes(texture, level, bytesPerPixel(desc.Format));
    }
    ComPtr<IDirect3DTexture9> copy;
    EXPECT_EQ(device->CreateTexture(desc.Width, desc.Height, 1, 0, desc.Format, D3DPOOL_SYSTEMMEM, copy.put(),
                                    nullptr),
              S_OK);
    ComPtr<IDirect3DSurface9> from;
    ComPtr<IDirect3DSurface9> to;
    texture->GetSurfaceLevel(level, from.put());
    copy->GetSurfaceLevel(0, to.put());
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, nullptr, from.get(), nullptr, nullptr, D3DX_FILTER_NONE, 0),
              S_OK);
    return levelBytes(copy.get(), 0, bytesPerPixel(desc.Format));
}

struct Case {
    const char* name;
    JpegKind kind;
    int imageWidth, imageHeight;
    UINT width, height, mipLevels;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD usage, filter, mipFilter;
    D3DCOLOR key;
    bool inPlace;  // whether the top level may be written by the decoder
};

constexpr DWORD kDefault = D3DX_DEFAULT;
// A key equal to the decoded image's first pixel, so that keying really changes bytes.
constexpr D3DCOLOR kKeyFirstPixel = 1;
constexpr Case kCases[] = {
    {"colour, defaults", JpegKind::Colour, 64, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0,
     kDefault, kDefault, 0, true},
    {"grey to L8", JpegKind::Grey, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, kDefault,
     kDefault, 0, true},
    {"X8R8G8B8 asked", JpegKind::Colour, 16, 16, kDefault, kDefault, kDefault, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, 0,
     kDefault, kDefault, 0, true},
    {"odd size kept, one level", JpegKind::Colour, 37, 23, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1,
     D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, kDefault, D3DX_FILTER_TRIANGLE, 0, true},
    {"system memory", JpegKind::Colour, 32, 16, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_SYSTEMMEM, 0,
     kDefault, kDefault, 0, true},
    {"scratch", JpegKind::Colour, 32, 16, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_SCRATCH, 0, kDefault,
     kDefault, 0, true},
    {"default pool through staging", JpegKind::Colour, 32, 16, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN,
     D3DPOOL_DEFAULT, 0, kDefault, kDefault, 0, true},
    {"dynamic default pool", JpegKind::Colour, 32, 16, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
     D3DUSAGE_DYNAMIC, kDefault, kDefault, 0, true},
    {"filter none, point chain", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN,
     D3DPOOL_MANAGED, 0, D3DX_FILTER_NONE, D3DX_FILTER_POINT, 0, true},
    {"sRGB both ways", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0,
     D3DX_FILTER_BOX | D3DX_FILTER_SRGB, kDefault, 0, true},
    // Each of these needs the transfer engine for the top level, or the image's own pixels for
    // the smaller levels.
    {"rounded up to a power of two", JpegKind::Colour, 30, 20, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN,
     D3DPOOL_MANAGED, 0, kDefault, kDefault, 0, false},
    {"smaller than the image", JpegKind::Colour, 64, 64, 32, 32, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0,
     kDefault, kDefault, 0, false},
    {"converted to A8R8G8B8", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_A8R8G8B8,
     D3DPOOL_MANAGED, 0, kDefault, kDefault, 0, false},
    {"colour key", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, 0,
     kDefault, kDefault, kKeyFirstPixel, false},
    {"sRGB in only", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0,
     D3DX_FILTER_TRIANGLE | D3DX_FILTER_SRGB_IN, kDefault, 0, false},
    {"chain resampled from the image", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN,
     D3DPOOL_MANAGED, 0, kDefault, D3DX_FILTER_TRIANGLE, 0, false},
    {"invalid filter", JpegKind::Colour, 32, 32, kDefault, kDefault, kDefault, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, 7,
     kDefault, 0, false},
};

// The general road by hand: the image decoded into its own buffer, each of its levels moved into
// the texture by D3DXLoadSurfaceFromMemory, the rest regenerated by D3DXFilterTexture or
// resampled from the image, as the filters ask.
HRESULT loadByTransfer(IDirect3DDevice9* device, const Bytes& file, const D3DSURFACE_DESC& top, UINT levels,
                       const Case& c, ComPtr<IDirect3DTexture9>& out) {
    DecodedImage image;
    HRESULT hr = DecodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true);
    if (FAILED(hr)) {
        return hr;
    }
    hr = device->CreateTexture(top.Width, top.Height, levels, 0, top.Format, D3DPOOL_SYSTEMMEM, out.put(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD filter = c.filter == kDefault ? D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER : c.filter;
    const DWORD mipFilter = c.mipFilter == kDefault ? D3DX_FILTER_BOX : c.mipFilter;
    const DWORD mipKind = mipFilter & 0xFF;
    const bool regenerate =
        (filter & 0xFF) == D3DX_FILTER_NONE || mipKind == D3DX_FILTER_POINT || mipKind == D3DX_FILTER_BOX;
    PALETTEENTRY work[256];
    std::memset(work, 0xFF, sizeof work);
    const RECT whole = {0, 0, static_cast<LONG>(image.width), static_cast<LONG>(image.height)};
    for (UINT level = 0; level < (regenerate ? 1 : levels); ++level) {
        ComPtr<IDirect3DSurface9> surface;
        out->GetSurfaceLevel(level, surface.put());
        hr = D3DXLoadSurfaceFromMemory(surface.get(), nullptr, nullptr, image.pixels, image.format, image.rowPitch,
                                       work, &whole, filter, c.key);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return regenerate && levels > 1 ? D3DXFilterTexture(out.get(), work, 0, mipFilter) : S_OK;
}

TEST(TopLevelInPlace, SameBytesAsTheTransferEngine) {
    TestDevice device;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encodeJpeg(c.kind, c.imageWidth, c.imageHeight, photo);
        Case run = c;
        if (c.key == kKeyFirstPixel) {
            DecodedImage image;
            ASSERT_EQ(DecodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true), S_OK);
            ASSERT_EQ(image.format, D3DFMT_X8R8G8B8);
            run.key = 0xFF000000u | (static_cast<D3DCOLOR>(image.pixels[2]) << 16) |
                      (static_cast<D3DCOLOR>(image.pixels[1]) << 8) | image.pixels[0];
        }
        ComPtr<IDirect3DTexture9> loaded;
        const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
            device.get(), file.data(), static_cast<UINT>(file.size()), c.width, c.height, c.mipLevels, c.usage,
            c.format, c.pool, c.filter, c.mipFilter, run.key, nullptr, nullptr, loaded.put());
        if (c.filter == 7) {
            // Refused by the transfer engine on the general road; no texture is left behind.
            EXPECT_EQ(hr, D3DERR_INVALIDCALL);
            EXPECT_EQ(loaded.get(), nullptr);
            EXPECT_FALSE(lastTopLevelDecodedInPlace());
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(lastTopLevelDecodedInPlace(), c.inPlace);
        D3DSURFACE_DESC top{};
        loaded->GetLevelDesc(0, &top);
        ASSERT_NE(bytesPerPixel(top.Format), 0u) << top.Format;
        ComPtr<IDirect3DTexture9> reference;
        ASSERT_EQ(loadByTransfer(device.get(), file, top, loaded->GetLevelCount(), run, reference), S_OK);
        ASSERT_EQ(reference->GetLevelCount(), loaded->GetLevelCount());
        for (UINT level = 0; level < loaded->GetLevelCount(); ++level) {
            SCOPED_TRACE(level);
            const std::vector<BYTE> got = readLevel(device.get(), loaded.get(), level);
            const std::vector<BYTE> expected = readLevel(device.get(), reference.get(), level);
            ASSERT_EQ(got.size(), expected.size());
            EXPECT_TRUE(got == expected);
        }
    }
}

// The caller's palette gets what the general road writes for an image without a palette: every
// entry 0xFF in all four bytes.
TEST(TopLevelInPlace, CallerPaletteIsWritten) {
    TestDevice device;
    const Bytes file = encodeJpeg(JpegKind::Colour, 16, 16, photo);
    PALETTEENTRY palette[256];
    std::memset(palette, 0x12, sizeof palette);
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()),
                                                  kDefault, kDefault, kDefault, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  kDefault, kDefault, 0, nullptr, palette, texture.put()),
              S_OK);
    ASSERT_TRUE(lastTopLevelDecodedInPlace());
    std::vector<BYTE> bytes(sizeof palette);
    std::memcpy(bytes.data(), palette, sizeof palette);
    EXPECT_EQ(bytes, std::vector<BYTE>(sizeof palette, 0xFF));
}

// Texture levels start zeroed even when their memory is what a freed texture of the same size
// held: both the kernel-mapped blocks of large levels and the heap blocks of small ones.
TEST(TopLevelInPlace, NewTexturesStartZeroedAfterAFreedOne) {
    TestDevice device;
    for (UINT side : {2048u, 1024u, 64u}) {
        SCOPED_TRACE(side);
        for (int round = 0; round < 2; ++round) {
            ComPtr<IDirect3DTexture9> texture;
            ASSERT_EQ(device.get()->CreateTexture(side, side, 2, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, texture.put(),
                                                  nullptr),
                      S_OK);
            for (UINT level = 0; level < 2; ++level) {
                D3DLOCKED_RECT bits{};
                ASSERT_EQ(texture->LockRect(level, &bits, nullptr, 0), S_OK);
                const UINT rows = side >> level;
                bool zero = true;
                for (UINT y = 0; y < rows; ++y) {
                    const BYTE* row = static_cast<const BYTE*>(bits.pBits) + static_cast<std::size_t>(y) * bits.Pitch;
                    for (UINT x = 0; x < rows * 4; ++x) {
                        zero = zero && row[x] == 0;
                    }
                }
                EXPECT_TRUE(zero) << "level " << level << " round " << round;
                // Dirty every byte, so a block handed out again without clearing would show.
                for (UINT y = 0; y < rows; ++y) {
                    std::memset(static_cast<BYTE*>(bits.pBits) + static_cast<std::size_t>(y) * bits.Pitch, 0xA5,
                                static_cast<std::size_t>(rows) * 4);
                }
                texture->UnlockRect(level);
            }
        }
    }
}

}  // namespace
}  // namespace gfxutil::tex
