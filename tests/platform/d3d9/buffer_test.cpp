// Vertex and index buffers: creation checks, lock semantics of each pool and usage, ranges,
// nesting and double unlocks, and reference counts.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/d3d9/device_fixture.h"

using namespace d3d9_test;

namespace {

class D3d9Buffers : public DeviceTest {};

TEST_F(D3d9Buffers, CreationChecksItsArguments) {
    struct Case {
        const char* name;
        UINT length;
        DWORD usage;
        DWORD fvf;
        D3DPOOL pool;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"line buffer", 56, 0, 0x52, D3DPOOL_DEFAULT, D3D_OK},
        {"mirror buffer", 112, D3DUSAGE_WRITEONLY, 0x52, D3DPOOL_MANAGED, D3D_OK},
        {"sprite ring", 393216, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, D3D_OK},
        {"system memory", 64, 0, 0, D3DPOOL_SYSTEMMEM, D3D_OK},
        {"empty", 0, 0, 0, D3DPOOL_DEFAULT, D3DERR_INVALIDCALL},
        {"scratch pool", 64, 0, 0, D3DPOOL_SCRATCH, D3DERR_INVALIDCALL},
        {"pool 7", 64, 0, 0, static_cast<D3DPOOL>(7), D3DERR_INVALIDCALL},
        {"dynamic and managed", 64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {"render target usage", 64, D3DUSAGE_RENDERTARGET, 0, D3DPOOL_DEFAULT, D3DERR_INVALIDCALL},
        {"invalid FVF", 64, 0, 0x2001, D3DPOOL_DEFAULT, D3DERR_INVALIDCALL},
        {"shorter than one vertex", 27, 0, 0x52, D3DPOOL_DEFAULT, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(0x1);
        const HRESULT hr = m_device->CreateVertexBuffer(c.length, c.usage, c.fvf, c.pool, &vb, nullptr);
        EXPECT_EQ(hr, c.expected);
        if (SUCCEEDED(hr)) {
            D3DVERTEXBUFFER_DESC desc{};
            ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
            EXPECT_EQ(desc.Size, c.length);
            EXPECT_EQ(desc.Usage, c.usage);
            EXPECT_EQ(desc.Pool, c.pool);
            EXPECT_EQ(desc.FVF, c.fvf);
            EXPECT_EQ(desc.Type, D3DRTYPE_VERTEXBUFFER);
            EXPECT_EQ(vb->Release(), 0u);
        } else {
            EXPECT_EQ(vb, reinterpret_cast<IDirect3DVertexBuffer9*>(0x1));
        }
    }
    IDirect3DVertexBuffer9* vb = nullptr;
    HANDLE shared = nullptr;
    EXPECT_EQ(m_device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, &shared), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, nullptr, nullptr), D3DERR_INVALIDCALL);

    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(m_device->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->CreateIndexBuffer(3, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_device->CreateIndexBuffer(49152, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    D3DINDEXBUFFER_DESC desc{};
    ASSERT_EQ(ib->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(desc.Size, 49152u);
    EXPECT_EQ(ib->Release(), 0u);
}

TEST_F(D3d9Buffers, LockFlagsByPoolAndUsage) {
    struct Case {
        const char* name;
        DWORD usage;
        D3DPOOL pool;
        DWORD flags;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"default pool, no flags", 0, D3DPOOL_DEFAULT, 0, D3D_OK},
        {"managed, no system lock", 0, D3DPOOL_MANAGED, D3DLOCK_NOSYSLOCK, D3D_OK},
        {"managed, read-only", 0, D3DPOOL_MANAGED, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK, D3D_OK},
        {"write-only buffer read back", D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED, D3DLOCK_READONLY, D3D_OK},
        {"dynamic, discard", D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT, D3DLOCK_DISCARD, D3D_OK},
        {"dynamic, no overwrite", D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT, D3DLOCK_NOOVERWRITE, D3D_OK},
        {"static, discard", 0, D3DPOOL_DEFAULT, D3DLOCK_DISCARD, D3DERR_INVALIDCALL},
        {"managed, discard", 0, D3DPOOL_MANAGED, D3DLOCK_DISCARD, D3DERR_INVALIDCALL},
        {"discard and read-only", D3DUSAGE_DYNAMIC, D3DPOOL_SYSTEMMEM, D3DLOCK_DISCARD | D3DLOCK_READONLY,
         D3DERR_INVALIDCALL},
        {"unknown flag", 0, D3DPOOL_DEFAULT, 0x1, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ComPtr<IDirect3DVertexBuffer9> vb;
        ASSERT_EQ(m_device->CreateVertexBuffer(64, c.usage, 0, c.pool, vb.put(), nullptr), D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &data, c.flags), c.expected);
        if (c.expected == D3D_OK) {
            EXPECT_NE(data, nullptr);
            EXPECT_EQ(vb->Unlock(), D3D_OK);
        } else {
            EXPECT_EQ(data, nullptr);
            EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);  // the refused lock left nothing to unlock
        }
    }
}

TEST_F(D3d9Buffers, LockRangesMustLieInsideTheBuffer) {
    ComPtr<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(m_device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x52, D3DPOOL_MANAGED, vb.put(), nullptr), D3D_OK);
    void* whole = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &whole, 0), D3D_OK);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    struct Case {
        const char* name;
        UINT offset;
        UINT size;
        HRESULT expected;
    };
    constexpr Case kCases[] = {
        {"whole, by size", 0, 112, D3D_OK},
        {"second vertex", 28, 28, D3D_OK},
        {"last byte", 111, 1, D3D_OK},
        {"offset to the end", 56, 0, D3D_OK},
        {"one byte past", 0, 113, D3DERR_INVALIDCALL},
        {"offset at the end", 112, 0, D3DERR_INVALIDCALL},
        {"range past the end", 100, 20, D3DERR_INVALIDCALL},
        {"size wrapping round", 8, 0xFFFFFFFF, D3DERR_INVALIDCALL},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        void* data = nullptr;
        EXPECT_EQ(vb->Lock(c.offset, c.size, &data, 0), c.expected);
        if (c.expected == D3D_OK) {
            EXPECT_EQ(static_cast<std::byte*>(data) - static_cast<std::byte*>(whole), static_cast<ptrdiff_t>(c.offset));
            EXPECT_EQ(vb->Unlock(), D3D_OK);
        }
    }
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(D3d9Buffers, ContentsWrittenUnderALockReadBackAndLocksNest) {
    ComPtr<IDirect3DIndexBuffer9> ib;
    ASSERT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.put(), nullptr), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &data, D3DLOCK_NOSYSLOCK), D3D_OK);
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(data, indices, sizeof indices);
    void* inner = nullptr;
    ASSERT_EQ(ib->Lock(6, 6, &inner, D3DLOCK_READONLY), D3D_OK);  // a second lock while the first is held
    WORD second[3] = {};
    std::memcpy(second, inner, sizeof second);
    EXPECT_EQ(second[0], 2);
    EXPECT_EQ(second[2], 3);
    EXPECT_EQ(ib->Unlock(), D3D_OK);
    EXPECT_EQ(ib->Unlock(), D3D_OK);
    EXPECT_EQ(ib->Unlock(), D3DERR_INVALIDCALL);  // one unlock too many

    ASSERT_EQ(ib->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(data, indices, sizeof indices), 0);
    EXPECT_EQ(ib->Unlock(), D3D_OK);
}

TEST_F(D3d9Buffers, ReferenceCountsReachZeroAndBuffersOutliveTheirDevice) {
    ComPtr<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(m_device->CreateVertexBuffer(56, 0, 0x52, D3DPOOL_DEFAULT, vb.put(), nullptr), D3D_OK);
    const ULONG deviceCount = refCount(m_device.get());
    EXPECT_EQ(refCount(vb.get()), 1u);
    ASSERT_EQ(m_device->SetStreamSource(0, vb.get(), 0, 28), D3D_OK);
    EXPECT_EQ(refCount(vb.get()), 2u);  // the device holds what is bound
    ComPtr<IDirect3DDevice9> owner;
    ASSERT_EQ(vb->GetDevice(owner.put()), D3D_OK);
    EXPECT_EQ(owner.get(), m_device.get());
    EXPECT_EQ(refCount(m_device.get()), deviceCount + 1);
    owner.reset();

    void* query = nullptr;
    EXPECT_EQ(vb->QueryInterface(IID_IDirect3DResource9, &query), S_OK);
    EXPECT_EQ(query, static_cast<void*>(vb.get()));
    static_cast<IUnknown*>(query)->Release();
    EXPECT_EQ(vb->QueryInterface(IID_IDirect3DIndexBuffer9, &query), E_NOINTERFACE);

    // The device goes while the buffer is still bound: it lets go of the binding, and the
    // buffer keeps working on its own memory.
    EXPECT_EQ(m_device.get()->Release(), 0u);
    m_device.detach();
    EXPECT_EQ(refCount(vb.get()), 1u);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->GetDevice(owner.put()), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb.detach()->Release(), 0u);
}

TEST_F(D3d9Buffers, PrivateDataIsKeptPerIdentifier) {
    ComPtr<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(m_device->CreateVertexBuffer(56, 0, 0, D3DPOOL_MANAGED, vb.put(), nullptr), D3D_OK);
    constexpr GUID kId = {0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    const int value = 42;
    ASSERT_EQ(vb->SetPrivateData(kId, &value, sizeof value, 0), D3D_OK);
    DWORD size = 0;
    ASSERT_EQ(vb->GetPrivateData(kId, nullptr, &size), D3D_OK);
    EXPECT_EQ(size, sizeof value);
    int got = 0;
    DWORD small = 2;
    EXPECT_EQ(vb->GetPrivateData(kId, &got, &small), D3DERR_MOREDATA);
    EXPECT_EQ(small, sizeof value);
    size = sizeof got;
    ASSERT_EQ(vb->GetPrivateData(kId, &got, &size), D3D_OK);
    EXPECT_EQ(got, 42);
    EXPECT_EQ(vb->FreePrivateData(kId), D3D_OK);
    EXPECT_EQ(vb->GetPrivateData(kId, &got, &size), D3DERR_NOTFOUND);

    // An interface stored as private data is held until freed.
    ComPtr<IDirect3DIndexBuffer9> held;
    ASSERT_EQ(m_device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, held.put(), nullptr), D3D_OK);
    IUnknown* pointer = held.get();
    ASSERT_EQ(vb->SetPrivateData(kId, &pointer, sizeof pointer, D3DSPD_IUNKNOWN), D3D_OK);
    EXPECT_EQ(refCount(held.get()), 2u);
    vb.reset();
    EXPECT_EQ(refCount(held.get()), 1u);
}

}  // namespace
