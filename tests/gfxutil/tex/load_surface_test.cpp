#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfxutil/tex/texture_loader.h"
#include "gfxutil/tex/diagnostics.h"
#include "test_device.h"

namespace gfxutil::tex {
namespace {

using testing::TestDevice;
using testing::levelBytes;

TEST(TextureRequirements, Adjustments) {
    TestDevice device;
    struct Case {
        const char* name;
        UINT width, height, levels;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
        UINT expectWidth, expectHeight, expectLevels;
        D3DFORMAT expectFormat;
    };
    constexpr Case kCases[] = {
        {"all defaults", D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 256, 256, 9,
         D3DFMT_A8R8G8B8},
        {"one default takes the other", 64, D3DX_DEFAULT, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, 64, 64, 7,
         D3DFMT_X8R8G8B8},
        {"zero becomes one", 0, 8, D3DX_DEFAULT, 0, D3DFMT_L8, D3DPOOL_MANAGED, 1, 8, 4, D3DFMT_L8},
        {"power of two", 300, 200, D3DX_DEFAULT, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, 512, 256, 10, D3DFMT_X8R8G8B8},
        {"device limit", 9000, 16, D3DX_DEFAULT, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, 4096, 16, 13, D3DFMT_X8R8G8B8},
        {"autogen reports 0 levels", 64, 64, D3DX_DEFAULT, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
         64, 64, 0, D3DFMT_X8R8G8B8},
        {"scratch ignores the device", 300, 9000, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_SCRATCH, 300, 9000, 14,
         D3DFMT_A8R8G8B8},
        {"supported format kept", 32, 32, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 32, 32, 1, D3DFMT_R5G6B5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        UINT w = c.width;
        UINT h = c.height;
        UINT levels = c.levels;
        D3DFORMAT format = c.format;
        ASSERT_EQ(D3DXCheckTextureRequirements(device.get(), &w, &h, &levels, c.usage, &format, c.pool), S_OK);
        EXPECT_EQ(w, c.expectWidth);
        EXPECT_EQ(h, c.expectHeight);
        EXPECT_EQ(levels, c.expectLevels);
        EXPECT_EQ(format, c.expectFormat);
    }
    // A4L4: kept where the device has it, else A4R4G4B4 (same bits, colour kind).
    D3DFORMAT a4l4 = D3DFMT_A4L4;
    ASSERT_EQ(D3DXCheckTextureRequirements(device.get(), nullptr, nullptr, nullptr, 0, &a4l4, D3DPOOL_MANAGED), S_OK);
    EXPECT_EQ(a4l4, device.supportsTexture(D3DFMT_A4L4) ? D3DFMT_A4L4 : D3DFMT_A4R4G4B4);
    DiagnosticCapture capture;
    EXPECT_EQ(D3DXCheckTextureRequirements(nullptr, nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"pDevice pointer is invalid"});
}

TEST(LoadSurface, RefusalsAndRegions) {
    TestDevice device;
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(D3DXCreateTexture(device.get(), 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put()), S_OK);
    ComPtr<IDirect3DSurface9> surface;
    ASSERT_EQ(texture->GetSurfaceLevel(0, surface.put()), S_OK);
    const DWORD pixels[4] = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
    const RECT src = {0, 0, 2, 2};
    struct Case {
        const char* name;
        IDirect3DSurface9* surface;
        const void* memory;
        const RECT* srcRect;
        RECT dstRect;
        DWORD filter;
        HRESULT status;
        const char* message;
    };
    const RECT negative = {-2, -2, -1, -1};
    const Case kCases[] = {
        {"null surface", nullptr, pixels, &src, {0, 0, 2, 2}, D3DX_FILTER_NONE, D3DERR_INVALIDCALL, "pDestSurface pointer is invalid"},
        {"null memory", surface.get(), nullptr, &src, {0, 0, 2, 2}, D3DX_FILTER_NONE, D3DERR_INVALIDCALL, "pSrcMemory pointer is invalid"},
        {"null source rect", surface.get(), pixels, nullptr, {0, 0, 2, 2}, D3DX_FILTER_NONE, D3DERR_INVALIDCALL, "pSrcRect pointer is invalid"},
        {"destination outside", surface.get(), pixels, &src, {6, 6, 10, 10}, D3DX_FILTER_NONE, D3DERR_INVALIDCALL, "Invalid rect"},
        {"negative source rect", surface.get(), pixels, &negative, {0, 0, 2, 2}, D3DX_FILTER_NONE, D3DERR_INVALIDCALL, "Invalid rect"},
        {"filter 0", surface.get(), pixels, &src, {0, 0, 2, 2}, 0, D3DERR_INVALIDCALL, "Invalid image filter"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        EXPECT_EQ(D3DXLoadSurfaceFromMemory(c.surface, nullptr, &c.dstRect, c.memory, D3DFMT_A8R8G8B8, 8, nullptr,
                                            c.srcRect, c.filter, 0),
                  c.status);
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.message});
    }
    // A 2 x 2 block placed at (3, 4) of the surface.
    const RECT at = {3, 4, 5, 6};
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface.get(), nullptr, &at, pixels, D3DFMT_A8R8G8B8, 8, nullptr, &src,
                                        D3DX_FILTER_NONE, 0),
              S_OK);
    const std::vector<BYTE> bytes = levelBytes(texture.get(), 0, 4);
    auto pixel = [&](UINT x, UINT y) {
        DWORD v;
        std::memcpy(&v, &bytes[(y * 8 + x) * 4], 4);
        return v;
    };
    EXPECT_EQ(pixel(3, 4), pixels[0]);
    EXPECT_EQ(pixel(4, 4), pixels[1]);
    EXPECT_EQ(pixel(3, 5), pixels[2]);
    EXPECT_EQ(pixel(4, 5), pixels[3]);

    // Loading a surface onto itself, shifted, reads through a copy.
    const RECT from = {3, 4, 5, 6};
    const RECT to = {4, 4, 6, 6};
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(surface.get(), nullptr, &to, surface.get(), nullptr, &from,
                                         D3DX_FILTER_NONE, 0),
              S_OK);
    const std::vector<BYTE> after = levelBytes(texture.get(), 0, 4);
    DWORD v;
    std::memcpy(&v, &after[(4 * 8 + 5) * 4], 4);
    EXPECT_EQ(v, pixels[1]);
    std::memcpy(&v, &after[(4 * 8 + 4) * 4], 4);
    EXPECT_EQ(v, pixels[0]);
}

TEST(FilterTexture, Refusals) {
    TestDevice device;
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(D3DXCreateTexture(device.get(), 8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, texture.put()), S_OK);
    struct Case {
        const char* name;
        IDirect3DBaseTexture9* texture;
        UINT level;
        DWORD filter;
        HRESULT status;
        const char* message;
    };
    const Case kCases[] = {
        {"null texture", nullptr, 0, D3DX_DEFAULT, D3DERR_INVALIDCALL, "pBaseTexture pointer is invalid"},
        {"level past the chain", texture.get(), 4, D3DX_DEFAULT, D3DERR_INVALIDCALL,
         "uSrcLevel larger than num Mip level in the texture"},
        {"bad filter", texture.get(), 0, 9, D3DERR_INVALIDCALL, "Invalid image filter"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        EXPECT_EQ(D3DXFilterTexture(c.texture, nullptr, c.level, c.filter), c.status);
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.message});
    }
    EXPECT_EQ(D3DXFilterTexture(texture.get(), nullptr, D3DX_DEFAULT, D3DX_DEFAULT), S_OK);
}

// Surfaces of the default pool cannot be locked: loads go through a system-memory scratch copy
// that is written back, and a partial load keeps the pixels around the region.
TEST(LoadSurface, UnlockableSurfacesGoThroughAScratchCopy) {
    TestDevice device;
    ComPtr<IDirect3DTexture9> video;
    ComPtr<IDirect3DTexture9> managed;
    ASSERT_EQ(D3DXCreateTexture(device.get(), 8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, video.put()), S_OK);
    ASSERT_EQ(D3DXCreateTexture(device.get(), 8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, managed.put()), S_OK);
    std::vector<DWORD> image(64);
    for (UINT i = 0; i < 64; ++i) {
        image[i] = 0xFF000000u | (i * 0x030507u);
    }
    const RECT whole = {0, 0, 8, 8};
    const RECT part = {2, 2, 4, 4};
    const DWORD patch[4] = {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00};
    const RECT patchRect = {0, 0, 2, 2};
    for (IDirect3DTexture9* texture : {video.get(), managed.get()}) {
        ComPtr<IDirect3DSurface9> top;
        texture->GetSurfaceLevel(0, top.put());
        ASSERT_EQ(D3DXLoadSurfaceFromMemory(top.get(), nullptr, nullptr, image.data(), D3DFMT_A8R8G8B8, 32, nullptr,
                                            &whole, D3DX_FILTER_NONE, 0),
                  S_OK);
        ASSERT_EQ(D3DXLoadSurfaceFromMemory(top.get(), nullptr, &part, patch, D3DFMT_A8R8G8B8, 8, nullptr, &patchRect,
                                            D3DX_FILTER_NONE, 0),
                  S_OK);
        ASSERT_EQ(D3DXFilterTexture(texture, nullptr, 0, D3DX_FILTER_BOX), S_OK);
    }
    for (UINT level = 0; level < managed->GetLevelCount(); ++level) {
        SCOPED_TRACE(level);
        D3DSURFACE_DESC ld{};
        video->GetLevelDesc(level, &ld);
        ComPtr<IDirect3DTexture9> readBack;
        ASSERT_EQ(device.get()->CreateTexture(ld.Width, ld.Height, 1, 0, ld.Format, D3DPOOL_SYSTEMMEM,
                                              readBack.put(), nullptr),
                  S_OK);
        ComPtr<IDirect3DSurface9> from;
        ComPtr<IDirect3DSurface9> to;
        video->GetSurfaceLevel(level, from.put());
        readBack->GetSurfaceLevel(0, to.put());
        ASSERT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, nullptr, from.get(), nullptr, nullptr,
                                             D3DX_FILTER_NONE, 0),
                  S_OK);
        EXPECT_EQ(levelBytes(readBack.get(), 0, 4), levelBytes(managed.get(), level, 4));
    }
    const std::vector<BYTE> top = levelBytes(managed.get(), 0, 4);
    DWORD v;
    std::memcpy(&v, &top[(2 * 8 + 3) * 4], 4);
    EXPECT_EQ(v, patch[1]);
    std::memcpy(&v, &top[(1 * 8 + 3) * 4], 4);
    EXPECT_EQ(v, image[1 * 8 + 3]) << "pixels around the region are kept";
}

}  // namespace
}  // namespace gfxutil::tex
