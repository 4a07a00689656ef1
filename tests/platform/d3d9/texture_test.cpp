// Textures and surfaces: mip chains, level descriptions, levels sharing their texture's count,
// lock rules by pool and usage, and the copies between pools.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9Textures : public DeviceTest {
protected:
    ComPtr<IDirect3DTexture9> make(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
        ComPtr<IDirect3DTexture9> t;
        EXPECT_EQ(m_device->CreateTexture(w, h, levels, usage, format, pool, t.put(), nullptr), D3D_OK);
        return t;
    }
    // Fills level `level` with value(x, y) as 32-bit texels.
    static void fill(IDirect3DTexture9* t, UINT level, uint32_t (*value)(UINT, UINT)) {
        D3DSURFACE_DESC d{};
        ASSERT_EQ(t->GetLevelDesc(level, &d), D3D_OK);
        D3DLOCKED_RECT r{};
        ASSERT_EQ(t->LockRect(level, &r, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < d.Height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<std::byte*>(r.pBits) + y * r.Pitch);
            for (UINT x = 0; x < d.Width; ++x) {
                row[x] = value(x, y);
            }
        }
        ASSERT_EQ(t->UnlockRect(level), D3D_OK);
    }
    static uint32_t texel(IDirect3DSurface9* s, UINT x, UINT y) {
        D3DLOCKED_RECT r{};
        EXPECT_EQ(s->LockRect(&r, nullptr, D3DLOCK_READONLY), D3D_OK);
        uint32_t v = 0;
        std::memcpy(&v, static_cast<std::byte*>(r.pBits) + y * r.Pitch + x * 4, 4);
        s->UnlockRect();
        return v;
    }
};

uint32_t pattern(UINT x, UINT y) { return 0xFF000000u | (x << 16) | (y << 8) | ((x * 7 + y) & 0xFF); }

TEST_F(D3d9Textures, FullChainsAndLevelDescriptions) {
    struct Case {
        const char* name;
        UINT w, h, levels;
        DWORD usage;
        UINT expectedLevels;
    };
    constexpr Case kCases[] = {
        {"256 x 256 full chain", 256, 256, 0, 0, 9},
        {"512 x 128 full chain", 512, 128, 0, 0, 10},
        {"1 x 1", 1, 1, 0, 0, 1},
        {"300 x 20 (not a power of two)", 300, 20, 0, 0, 9},
        {"three levels asked", 64, 64, 3, 0, 3},
        {"automatic mip-maps give one level", 64, 64, 0, D3DUSAGE_AUTOGENMIPMAP, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto t = make(c.w, c.h, c.levels, c.usage, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED);
        ASSERT_TRUE(t);
        ASSERT_EQ(t->GetLevelCount(), c.expectedLevels);
        UINT w = c.w, h = c.h;
        for (UINT i = 0; i < c.expectedLevels; ++i) {
            D3DSURFACE_DESC d{};
            ASSERT_EQ(t->GetLevelDesc(i, &d), D3D_OK);
            EXPECT_EQ(d.Width, w);
            EXPECT_EQ(d.Height, h);
            EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
            EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
            EXPECT_EQ(d.Type, D3DRTYPE_SURFACE);
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
        }
        D3DSURFACE_DESC d{};
        EXPECT_EQ(t->GetLevelDesc(c.expectedLevels, &d), D3DERR_INVALIDCALL);
        ComPtr<IDirect3DSurface9> s;
        EXPECT_EQ(t->GetSurfaceLevel(c.expectedLevels, s.put()), D3DERR_INVALIDCALL);
        D3DLOCKED_RECT r{};
        EXPECT_EQ(t->LockRect(c.expectedLevels, &r, nullptr, 0), D3DERR_INVALIDCALL);
        EXPECT_EQ(t->UnlockRect(c.expectedLevels), D3DERR_INVALIDCALL);
        EXPECT_EQ(t->GetType(), D3DRTYPE_TEXTURE);
    }
}

TEST_F(D3d9Textures, CreationRefusesWhatCannotExist) {
    struct Case {
        const char* name;
        UINT w, h, levels;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"zero width", 0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"more levels than the chain", 4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"render target outside the default pool", 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
         D3DERR_INVALIDCALL},
        {"dynamic and managed", 4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"usage query bit", 4, 4, 1, D3DUSAGE_QUERY_FILTER, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"write-only is a buffer usage", 4, 4, 1, D3DUSAGE_WRITEONLY, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
         D3DERR_INVALIDCALL},
        {"unsampled format", 4, 4, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"automatic mip-maps with 3 levels", 8, 8, 3, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
         D3DERR_INVALIDCALL},
        {"scratch with usage", 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, D3DERR_INVALIDCALL},
        {"scratch R8G8B8", 4, 4, 1, 0, D3DFMT_R8G8B8, D3DPOOL_SCRATCH, D3D_OK},
        {"scratch DXT1", 8, 8, 0, 0, D3DFMT_DXT1, D3DPOOL_SCRATCH, D3D_OK},
        {"render target texture", 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, D3D_OK},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(0x1);
        const HRESULT hr = m_device->CreateTexture(c.w, c.h, c.levels, c.usage, c.format, c.pool, &t, nullptr);
        EXPECT_EQ(hr, c.expected);
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(t->Release(), 0u);
        } else {
            EXPECT_EQ(t, reinterpret_cast<IDirect3DTexture9*>(0x1));
        }
    }
}

TEST_F(D3d9Textures, LevelsShareTheTexturesCount) {
    auto t = make(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    EXPECT_EQ(refCount(t.get()), 1u);
    ComPtr<IDirect3DSurface9> level;
    ASSERT_EQ(t->GetSurfaceLevel(2, level.put()), D3D_OK);
    EXPECT_EQ(refCount(t.get()), 2u);
    ComPtr<IDirect3DTexture9> container;
    ASSERT_EQ(level->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(container.put())), D3D_OK);
    EXPECT_EQ(container.get(), t.get());
    EXPECT_EQ(refCount(t.get()), 3u);
    container.reset();
    // The application drops the texture: the level it still holds keeps it alive.
    IDirect3DTexture9* raw = t.detach();
    EXPECT_EQ(raw->Release(), 1u);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(level->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 4u);
    EXPECT_EQ(level.detach()->Release(), 0u);
}

TEST_F(D3d9Textures, LockRulesByPoolAndUsage) {
    struct Case {
        const char* name;
        DWORD usage;
        D3DPOOL pool;
        DWORD flags;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"managed", 0, D3DPOOL_MANAGED, 0, D3D_OK},
        {"managed, read-only", 0, D3DPOOL_MANAGED, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK, D3D_OK},
        {"system memory", 0, D3DPOOL_SYSTEMMEM, 0, D3D_OK},
        {"scratch", 0, D3DPOOL_SCRATCH, 0, D3D_OK},
        {"default pool", 0, D3DPOOL_DEFAULT, 0, D3DERR_INVALIDCALL},
        {"default pool, dynamic", D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, 0, D3D_OK},
        {"dynamic, discard", D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, D3DLOCK_DISCARD, D3D_OK},
        {"render target", D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, 0, D3DERR_INVALIDCALL},
        {"managed, discard", 0, D3DPOOL_MANAGED, D3DLOCK_DISCARD, D3DERR_INVALIDCALL},
        {"no-overwrite is for buffers", 0, D3DPOOL_MANAGED, D3DLOCK_NOOVERWRITE, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto t = make(8, 8, 1, c.usage, D3DFMT_X8R8G8B8, c.pool);
        ASSERT_TRUE(t);
        D3DLOCKED_RECT r{};
        EXPECT_EQ(t->LockRect(0, &r, nullptr, c.flags), c.expected);
        if (c.expected == D3D_OK) {
            EXPECT_NE(r.pBits, nullptr);
            EXPECT_GE(r.Pitch, 32);
            EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
            EXPECT_EQ(t->UnlockRect(0), D3D_OK);
        }
        EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);  // nothing (left) to unlock
    }
}

TEST_F(D3d9Textures, LockRectanglesPointIntoTheLevel) {
    auto t = make(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    fill(t.get(), 0, pattern);
    struct Case {
        const char* name;
        RECT rect;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"one texel", {3, 5, 4, 6}, D3D_OK},
        {"right column", {7, 0, 8, 8}, D3D_OK},
        {"empty", {2, 2, 2, 4}, D3DERR_INVALIDCALL},
        {"inverted", {4, 4, 2, 6}, D3DERR_INVALIDCALL},
        {"past the right edge", {6, 0, 9, 1}, D3DERR_INVALIDCALL},
        {"negative", {-1, 0, 2, 2}, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        D3DLOCKED_RECT r{};
        ASSERT_EQ(t->LockRect(0, &r, &c.rect, D3DLOCK_READONLY), c.expected);
        if (c.expected == D3D_OK) {
            uint32_t v = 0;
            std::memcpy(&v, r.pBits, 4);
            EXPECT_EQ(v, pattern(static_cast<UINT>(c.rect.left), static_cast<UINT>(c.rect.top)));
            ASSERT_EQ(t->UnlockRect(0), D3D_OK);
        }
    }
    // Block formats lock whole 4 x 4 blocks.
    auto dxt = make(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_SCRATCH);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(dxt->LockRect(0, &r, nullptr, 0), D3D_OK);
    EXPECT_EQ(r.Pitch, 16);  // two blocks of 8 bytes per block row
    ASSERT_EQ(dxt->UnlockRect(0), D3D_OK);
    const RECT misaligned{2, 0, 6, 4};
    EXPECT_EQ(dxt->LockRect(0, &r, &misaligned, 0), D3DERR_INVALIDCALL);
    const RECT block{4, 4, 8, 8};
    ASSERT_EQ(dxt->LockRect(0, &r, &block, 0), D3D_OK);
    ASSERT_EQ(dxt->UnlockRect(0), D3D_OK);
}

TEST_F(D3d9Textures, UpdateTextureCopiesEveryLevelFromSystemMemory) {
    auto staging = make(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    for (UINT level = 0; level < staging->GetLevelCount(); ++level) {
        fill(
            staging.get(), level, level == 0 ? pattern : [](UINT x, UINT y) { return 0xFF00FF00u + x + 16 * y; });
    }
    auto target = make(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_EQ(m_device->UpdateTexture(staging.get(), target.get()), D3D_OK);
    // Default-pool levels can be locked only when dynamic, so the copy is checked in a dynamic one.
    auto readable = make(8, 8, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_EQ(m_device->UpdateTexture(staging.get(), readable.get()), D3D_OK);
    for (UINT level = 0; level < 4; ++level) {
        ComPtr<IDirect3DSurface9> s;
        ASSERT_EQ(readable->GetSurfaceLevel(level, s.put()), D3D_OK);
        EXPECT_EQ(texel(s.get(), 0, 0), level == 0 ? pattern(0, 0) : 0xFF00FF00u);
        if (level < 3) {
            const UINT last = (8u >> level) - 1;
            EXPECT_EQ(texel(s.get(), last, last), level == 0 ? pattern(7, 7) : 0xFF00FF00u + last + 16 * last);
        }
    }
    // A smaller destination takes the matching lower levels of the source.
    auto small = make(2, 2, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_EQ(m_device->UpdateTexture(staging.get(), small.get()), D3D_OK);
    ComPtr<IDirect3DSurface9> s;
    ASSERT_EQ(small->GetSurfaceLevel(0, s.put()), D3D_OK);
    EXPECT_EQ(texel(s.get(), 1, 1), 0xFF00FF00u + 1 + 16);

    struct Case {
        const char* name;
        IDirect3DBaseTexture9* src;
        IDirect3DBaseTexture9* dst;
    };
    auto managed = make(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    auto otherFormat = make(8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    auto bigger = make(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    auto shortChain = make(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    const Case kMisuse[] = {
        {"managed source", managed.get(), target.get()},
        {"system memory destination", staging.get(), staging.get()},
        {"formats differ", staging.get(), otherFormat.get()},
        {"destination larger than the source", staging.get(), bigger.get()},
        {"source chain too short", shortChain.get(), target.get()},
        {"no source", nullptr, target.get()},
    };
    for (const Case& c : kMisuse) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_device->UpdateTexture(c.src, c.dst), D3DERR_INVALIDCALL);
    }
}

TEST_F(D3d9Textures, UpdateSurfaceCopiesARectangleToAPoint) {
    auto src = make(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    fill(src.get(), 0, pattern);
    auto dst = make(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ComPtr<IDirect3DSurface9> from, to;
    ASSERT_EQ(src->GetSurfaceLevel(0, from.put()), D3D_OK);
    ASSERT_EQ(dst->GetSurfaceLevel(0, to.put()), D3D_OK);
    const RECT rect{1, 2, 4, 5};
    const POINT at{5, 0};
    ASSERT_EQ(m_device->UpdateSurface(from.get(), &rect, to.get(), &at), D3D_OK);
    EXPECT_EQ(texel(to.get(), 5, 0), pattern(1, 2));
    EXPECT_EQ(texel(to.get(), 7, 2), pattern(3, 4));
    EXPECT_EQ(texel(to.get(), 4, 0), 0u);  // outside the copied rectangle
    const POINT tooFar{6, 0};
    EXPECT_EQ(m_device->UpdateSurface(from.get(), &rect, to.get(), &tooFar), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->UpdateSurface(to.get(), nullptr, from.get(), nullptr), D3DERR_INVALIDCALL);  // wrong pools
    D3DLOCKED_RECT r{};
    ASSERT_EQ(from->LockRect(&r, nullptr, 0), D3D_OK);
    EXPECT_EQ(m_device->UpdateSurface(from.get(), nullptr, to.get(), nullptr), D3DERR_INVALIDCALL);  // locked
    ASSERT_EQ(from->UnlockRect(), D3D_OK);
    EXPECT_EQ(m_device->UpdateSurface(from.get(), nullptr, to.get(), nullptr), D3D_OK);
    EXPECT_EQ(texel(to.get(), 4, 0), pattern(4, 0));
}

TEST_F(D3d9Textures, StretchRectAndColorFillInTheDefaultPool) {
    ComPtr<IDirect3DSurface9> rt, plain;
    ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, rt.put(), nullptr),
              D3D_OK);
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(2, 2, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, plain.put(), nullptr),
              D3D_OK);
    const RECT left{0, 0, 2, 4};
    ASSERT_EQ(m_device->ColorFill(rt.get(), &left, 0xFF112233), D3D_OK);
    const RECT right{2, 0, 4, 4};
    ASSERT_EQ(m_device->ColorFill(rt.get(), &right, 0xFF445566), D3D_OK);
    // Shrinking 4 x 4 to 2 x 2 takes the texel under each destination pixel's centre.
    ASSERT_EQ(m_device->StretchRect(rt.get(), nullptr, plain.get(), nullptr, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(texel(plain.get(), 0, 1), 0xFF112233u);
    EXPECT_EQ(texel(plain.get(), 1, 0), 0xFF445566u);
    EXPECT_EQ(m_device->StretchRect(rt.get(), nullptr, plain.get(), nullptr, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->StretchRect(rt.get(), nullptr, rt.get(), nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    auto managed = make(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED);
    ComPtr<IDirect3DSurface9> managedLevel;
    ASSERT_EQ(managed->GetSurfaceLevel(0, managedLevel.put()), D3D_OK);
    EXPECT_EQ(m_device->StretchRect(managedLevel.get(), nullptr, plain.get(), nullptr, D3DTEXF_NONE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->ColorFill(managedLevel.get(), nullptr, 0), D3DERR_INVALIDCALL);
    const RECT outside{0, 0, 5, 1};
    EXPECT_EQ(m_device->ColorFill(rt.get(), &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texel(rt.get(), 0, 0), 0xFF112233u);
}

TEST_F(D3d9Textures, SurfacesOfTheDeviceAndTheirLocks) {
    ComPtr<IDirect3DSurface9> bb, depth, rt;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, bb.put()), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTarget(0, rt.put()), D3D_OK);
    EXPECT_EQ(bb.get(), rt.get());
    ASSERT_EQ(m_device->GetDepthStencilSurface(depth.put()), D3D_OK);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(depth->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Format, D3DFMT_D24S8);
    EXPECT_EQ(d.Usage, D3DUSAGE_DEPTHSTENCIL);
    D3DLOCKED_RECT r{};
    EXPECT_EQ(depth->LockRect(&r, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(bb->LockRect(&r, nullptr, 0), D3DERR_INVALIDCALL);  // not created lockable
    EXPECT_EQ(m_device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, bb.put()), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->GetRenderTarget(1, rt.put()), D3DERR_INVALIDCALL);
    HDC dc = nullptr;
    EXPECT_EQ(depth->GetDC(&dc), D3DERR_INVALIDCALL);

    D3DPRESENT_PARAMETERS p = windowedParams(8, 8);
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    bb.reset();
    depth.reset();
    rt.reset();
    ASSERT_EQ(recreate(p), D3D_OK);
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, bb.put()), D3D_OK);
    EXPECT_EQ(bb->LockRect(&r, nullptr, 0), D3D_OK);
    EXPECT_EQ(bb->UnlockRect(), D3D_OK);
}

}  // namespace
