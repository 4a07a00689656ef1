// Mesh creation: the checks in their order, construction, storage, pools and usages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/registry.h"
#include "tests/gfxutil/mesh/forwarding_device.h"
#include "tests/gfxutil/mesh/mesh_fixture.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::refCount;

constexpr D3DVERTEXELEMENT9 kEnd = D3DDECL_END;
const D3DVERTEXELEMENT9 kPositionNormal[] = {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, kEnd};
const D3DVERTEXELEMENT9 kOverlapping[] = {{0, 0, 2, 0, 0, 0}, {0, 8, 2, 0, 3, 0}, kEnd};
// A gap after the position: a valid mesh layout without an FVF equivalent.
const D3DVERTEXELEMENT9 kGapped[] = {{0, 0, 2, 0, 0, 0}, {0, 16, 2, 0, 3, 0}, kEnd};

ID3DXMesh* const kUntouched = reinterpret_cast<ID3DXMesh*>(0x1234);

enum class Out { Given, Missing };
enum class Dev { Given, Missing };

struct CreateRefusal {
    const char* name;
    DWORD faces;
    DWORD vertices;
    DWORD options;
    const D3DVERTEXELEMENT9* decl;
    Dev device;
    Out out;
    HRESULT status;
    std::vector<std::string> messages;
    ID3DXMesh* outputAfter;  // what the output holds after the refusal
};

TEST_F(MeshTest, CreateMeshRefusesInOrder) {
    const CreateRefusal cases[] = {
        {"clone-only sharing", 4, 4, D3DXMESH_VB_SHARE, kPositionNormal, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: VB_SHARE flag only valid on clone mesh calls.\n",
          "D3DXCreateMesh: Invalid mesh flag specified\n"},
         kUntouched},
        {"sharing without a device", 4, 4, D3DXMESH_VB_SHARE, kPositionNormal, Dev::Missing, Out::Given,
         D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: VB_SHARE flag only valid on clone mesh calls.\n",
          "D3DXCreateMesh: Invalid mesh flag specified\n"},
         kUntouched},
        {"hardware only", 4, 4, D3DXMESH_USEHWONLY, kPositionNormal, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: Invalid mesh flag specified\n"}, kUntouched},
        {"unknown option bit", 4, 4, 0x20000, kPositionNormal, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: Invalid mesh flag specified\n"}, kUntouched},
        {"no device", 4, 4, 0, kPositionNormal, Dev::Missing, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: NULL device specified\n"}, kUntouched},
        {"no output", 4, 4, 0, kPositionNormal, Dev::Given, Out::Missing, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: NULL mesh output parameter\n"}, nullptr},
        {"no declaration", 4, 4, 0, nullptr, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: pDecl cannot be NULL"}, kUntouched},
        {"overlapping declaration", 4, 4, 0, kOverlapping, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: Vertex elements cannot overlap.  Inconsistent offsets found."}, kUntouched},
        {"no faces", 0, 4, 0, kPositionNormal, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: Number of faces and vertices must be greater than zero\n"}, kUntouched},
        {"no vertices", 4, 0, 0, kPositionNormal, Dev::Given, Out::Given, D3DERR_INVALIDCALL,
         {"D3DXCreateMesh: Number of faces and vertices must be greater than zero\n"}, kUntouched},
        {"65536 faces in 16 bits", 65536, 4, D3DXMESH_MANAGED, kPositionNormal, Dev::Given, Out::Given,
         D3DERR_INVALIDCALL, {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}, nullptr},
        {"65536 vertices in 16 bits", 4, 65536, D3DXMESH_MANAGED, kPositionNormal, Dev::Given, Out::Given,
         D3DERR_INVALIDCALL, {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}, nullptr},
        {"65535 faces in 16 bits", 65535, 4, D3DXMESH_MANAGED, kPositionNormal, Dev::Given, Out::Given,
         D3DERR_INVALIDCALL, {}, nullptr},
        {"65535 vertices in 16 bits", 4, 65535, D3DXMESH_MANAGED, kPositionNormal, Dev::Given, Out::Given,
         D3DERR_INVALIDCALL, {}, nullptr},
        {"all-ones face count in 32 bits", 0xFFFFFFFF, 4, D3DXMESH_32BIT | D3DXMESH_MANAGED, kPositionNormal,
         Dev::Given, Out::Given, D3DERR_INVALIDCALL, {}, nullptr},
        {"index buffer past 4 GiB", 0x20000000, 4, D3DXMESH_32BIT | D3DXMESH_MANAGED, kPositionNormal, Dev::Given,
         Out::Given, E_OUTOFMEMORY, {}, nullptr},
        {"vertex buffer past 4 GiB", 4, 0x20000000, D3DXMESH_32BIT | D3DXMESH_MANAGED, kPositionNormal, Dev::Given,
         Out::Given, E_OUTOFMEMORY, {}, nullptr},
    };
    const ULONG deviceRefs = refCount(device());
    for (const CreateRefusal& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        ID3DXMesh* mesh = kUntouched;
        const HRESULT hr = D3DXCreateMesh(c.faces, c.vertices, c.options, c.decl,
                                          c.device == Dev::Given ? device() : nullptr,
                                          c.out == Out::Given ? &mesh : nullptr);
        EXPECT_EQ(hr, c.status);
        EXPECT_EQ(m_messages.texts(), c.messages);
        if (c.out == Out::Given) {
            EXPECT_EQ(mesh, c.outputAfter);
        }
        EXPECT_EQ(refCount(device()), deviceRefs) << "something was left alive";
    }
}

TEST_F(MeshTest, SixteenBitMeshHoldsUpTo65534FacesAndVertices) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMesh(65534, 65534, D3DXMESH_MANAGED, kPositionNormal, device(), mesh.put()), S_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 65534u);
    EXPECT_EQ(mesh->GetNumVertices(), 65534u);
    EXPECT_TRUE(m_messages.texts().empty());
}

struct FvfRefusal {
    const char* name;
    DWORD fvf;
    std::vector<std::string> messages;
};

TEST_F(MeshTest, CreateMeshFvfChecksTheCodeFirst) {
    const FvfRefusal cases[] = {
        {"zero", 0, {"D3DXCreateMesh: Invalid FVF specified\n"}},
        {"odd", 0x13, {"D3DXCreateMesh: Invalid FVF specified\n"}},
        {"transformed", 0x004, {"D3DXCreateMesh: XYZRHW is not supported by LPD3DXMESH\n"}},
        {"transformed with colour", 0x044, {"D3DXCreateMesh: XYZRHW is not supported by LPD3DXMESH\n"}},
        {"position with w", 0x4002,
         {"D3DXDeclaratorFromFVF: Invalid FVF", "CloneMesh: Declaration cannot be converted to FVF"}},
        {"five weights", 0x00E,
         {"D3DXDeclaratorFromFVF: Five weights is not supported in declarator without blend indices bit set",
          "CloneMesh: Declaration cannot be converted to FVF"}},
    };
    for (const FvfRefusal& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        ID3DXMesh* mesh = kUntouched;
        EXPECT_EQ(D3DXCreateMeshFVF(4, 4, D3DXMESH_MANAGED, c.fvf, device(), &mesh), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), c.messages);
        EXPECT_EQ(mesh, kUntouched);
    }
}

TEST_F(MeshTest, FreshMeshHasAllOnesVerticesAndZeroIds) {
    m_device.takeCalls();
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(3, 5, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 3u);
    EXPECT_EQ(mesh->GetNumVertices(), 5u);
    EXPECT_EQ(mesh->GetOptions(), D3DXMESH_MANAGED);
    EXPECT_EQ(mesh->GetFVF(), 0x12u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 24u);
    const std::vector<BYTE> bytes = mesh_test::readVertexBytes(mesh.get());
    ASSERT_EQ(bytes.size(), 5u * 24);
    for (BYTE b : bytes) {
        ASSERT_EQ(b, 0xFF);
    }
    DWORD* ids = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &ids), S_OK);
    EXPECT_EQ(std::vector<DWORD>(ids, ids + 3), (std::vector<DWORD>{0, 0, 0}));
    mesh->UnlockAttributeBuffer();
    DWORD entries = 99;
    EXPECT_EQ(mesh->GetAttributeTable(nullptr, &entries), S_OK);
    EXPECT_EQ(entries, 0u);
    EXPECT_EQ(mesh16(mesh.get())->stateBits(), gfxutil::mesh::kStateAttributeIds);

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh->GetDeclaration(decl), S_OK);
    EXPECT_EQ(std::memcmp(decl, kPositionNormal, sizeof kPositionNormal), 0);

    // The storage step: the declaration, the index buffer, the vertex buffer, then the all-ones fill.
    const std::vector<std::string> calls = m_device.takeCalls();
    const std::vector<std::string> expected = {
        "CreateVertexDeclaration()",
        "CreateIndexBuffer(18, 0x0, 101, 1)",
        "CreateVertexBuffer(120, 0x0, 0x12, 1)",
        "VertexBuffer.Lock(0, 0, 0x800)",
        "VertexBuffer.Unlock()",
    };
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 5), expected);
}

TEST_F(MeshTest, LocksAddNoSysLockToTheCallersFlags) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
    m_device.takeCalls();
    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), S_OK);
    ASSERT_EQ(mesh->UnlockVertexBuffer(), S_OK);
    ASSERT_EQ(mesh->LockIndexBuffer(0, &data), S_OK);
    ASSERT_EQ(mesh->UnlockIndexBuffer(), S_OK);
    EXPECT_EQ(m_device.takeCalls(), (std::vector<std::string>{"VertexBuffer.Lock(0, 0, 0x810)",
                                                               "VertexBuffer.Unlock()", "IndexBuffer.Lock(0, 0, 0x800)",
                                                               "IndexBuffer.Unlock()"}));
}

struct PoolCase {
    const char* name;
    DWORD options;
    const char* vertexBuffer;  // the device's record of the creation call
    const char* indexBuffer;
};

TEST_F(MeshTest, OptionsChooseThePoolsAndUsages) {
    // Two faces and four vertices of 24 bytes: index buffers of 12 (16-bit) or 24 bytes, vertex
    // buffers of 96 bytes.
    const PoolCase cases[] = {
        {"nothing", 0, "CreateVertexBuffer(96, 0x0, 0x12, 0)", "CreateIndexBuffer(12, 0x0, 101, 0)"},
        {"managed", 0x220, "CreateVertexBuffer(96, 0x0, 0x12, 1)", "CreateIndexBuffer(12, 0x0, 101, 1)"},
        {"system memory", 0x110, "CreateVertexBuffer(96, 0x0, 0x12, 2)", "CreateIndexBuffer(12, 0x0, 101, 2)"},
        {"system memory wins", 0x330, "CreateVertexBuffer(96, 0x0, 0x12, 2)", "CreateIndexBuffer(12, 0x0, 101, 2)"},
        {"vertex managed only", 0x020, "CreateVertexBuffer(96, 0x0, 0x12, 1)", "CreateIndexBuffer(12, 0x0, 101, 0)"},
        {"shared usages", 0x0E, "CreateVertexBuffer(96, 0xe0, 0x12, 0)", "CreateIndexBuffer(12, 0xe0, 101, 0)"},
        {"n-patches", 0x4000, "CreateVertexBuffer(96, 0x100, 0x12, 0)", "CreateIndexBuffer(12, 0x100, 101, 0)"},
        {"write-only", 0x440, "CreateVertexBuffer(96, 0x8, 0x12, 0)", "CreateIndexBuffer(12, 0x8, 101, 0)"},
        {"vertex write-only", 0x040, "CreateVertexBuffer(96, 0x8, 0x12, 0)", "CreateIndexBuffer(12, 0x0, 101, 0)"},
        {"dynamic", 0x880, "CreateVertexBuffer(96, 0x200, 0x12, 0)", "CreateIndexBuffer(12, 0x200, 101, 0)"},
        {"software processing", 0x18000, "CreateVertexBuffer(96, 0x10, 0x12, 0)",
         "CreateIndexBuffer(12, 0x10, 101, 0)"},
        {"index software processing", 0x10000, "CreateVertexBuffer(96, 0x0, 0x12, 0)",
         "CreateIndexBuffer(12, 0x10, 101, 0)"},
        {"32-bit", 0x221, "CreateVertexBuffer(96, 0x0, 0x12, 1)", "CreateIndexBuffer(24, 0x0, 102, 1)"},
    };
    for (const PoolCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_device.takeCalls();
        ComPtr<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMeshFVF(2, 4, c.options, 0x12, device(), mesh.put()), S_OK);
        const std::vector<std::string> calls = m_device.takeCalls();
        auto has = [&](const char* line) { return std::find(calls.begin(), calls.end(), line) != calls.end(); };
        EXPECT_TRUE(has(c.vertexBuffer)) << testing::PrintToString(calls);
        EXPECT_TRUE(has(c.indexBuffer)) << testing::PrintToString(calls);
        EXPECT_EQ(mesh->GetOptions(), c.options);
    }
}

TEST_F(MeshTest, QueryInterfaceAnswersTheMeshInterfacesOnly) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
    struct Case {
        const char* name;
        IID iid;
        HRESULT status;
    };
    const Case cases[] = {
        {"IUnknown", IID_IUnknown, S_OK},
        {"ID3DXBaseMesh", IID_ID3DXBaseMesh, S_OK},
        {"ID3DXMesh", IID_ID3DXMesh, S_OK},
        {"a device", IID_IDirect3DDevice9, E_NOINTERFACE},
        {"a buffer", IID_ID3DXBuffer, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(mesh->QueryInterface(c.iid, &out), c.status);
        if (c.status == S_OK) {
            EXPECT_EQ(out, static_cast<void*>(mesh.get()));
            EXPECT_EQ(refCount(mesh.get()), 2u);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(refCount(mesh.get()), 1u);
    }
    // The identifiers as published.
    EXPECT_EQ(IID_ID3DXMesh.Data1, 0x29E3EB8Du);
    EXPECT_EQ(IID_ID3DXBaseMesh.Data1, 0x4F5621A3u);
    EXPECT_EQ(IID_ID3DXBaseMesh.Data4[7], 0xCB);
}

TEST_F(MeshTest, ReferencesGoBackWhenTheMeshIsReleased) {
    const ULONG deviceRefs = refCount(device());
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, 0x12, device(), &mesh), S_OK);
    EXPECT_GT(refCount(device()), deviceRefs);
    EXPECT_EQ(mesh->AddRef(), 2u);

    IDirect3DDevice9* got = nullptr;
    ASSERT_EQ(mesh->GetDevice(&got), S_OK);
    EXPECT_EQ(got, device());
    got->Release();
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), S_OK);
    const ULONG vbRefs = refCount(vb);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(mesh->GetIndexBuffer(&ib), S_OK);
    EXPECT_EQ(refCount(ib), 2u);  // the mesh's and ours

    EXPECT_EQ(mesh->Release(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
    // The mesh dropped its references: the buffers now hang on ours alone.
    EXPECT_EQ(refCount(vb), vbRefs - 1);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
    EXPECT_EQ(refCount(device()), deviceRefs);
}

TEST_F(MeshTest, GettersRefuseMissingOutputs) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        const char* message;
    };
    const Case cases[] = {
        {"GetDeclaration", [&] { return mesh->GetDeclaration(nullptr); }, "GetDeclaration: pDecl cannot be NULL"},
        {"GetDevice", [&] { return mesh->GetDevice(nullptr); }, "ppDevice pointer is invalid"},
        {"GetVertexBuffer", [&] { return mesh->GetVertexBuffer(nullptr); }, "ppVB pointer is invalid"},
        {"GetIndexBuffer", [&] { return mesh->GetIndexBuffer(nullptr); }, "ppIB pointer is invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), std::vector<std::string>{c.message});
    }
    EXPECT_EQ(refCount(mesh.get()), 1u);
}

TEST_F(MeshTest, GetFvfReportsADeclarationWithoutCode) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED, kGapped, device(), mesh.put()), S_OK);
    EXPECT_TRUE(m_messages.texts().empty()) << "construction converts quietly";
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 28u);
    EXPECT_EQ(mesh->GetFVF(), 0u);
    EXPECT_EQ(m_messages.texts(),
              std::vector<std::string>{"ID3DXMesh::GetFVF:  The declaration cannot be converted to an FVF"});
}

// ---- device failures -------------------------------------------------------------------------------

class FailingDevice : public mesh_test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;
    HRESULT failVertexDeclaration = S_OK;
    HRESULT failIndexBuffer = S_OK;
    HRESULT failVertexBuffer = S_OK;
    HRESULT failCaps = S_OK;
    HRESULT failQuery = S_OK;
    DWORD maxVertexIndex = 0;  // 0: the real device's

    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* e, IDirect3DVertexDeclaration9** out) override {
        return failVertexDeclaration != S_OK ? failVertexDeclaration : m_inner->CreateVertexDeclaration(e, out);
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** out,
                              HANDLE* shared) override {
        return failIndexBuffer != S_OK ? failIndexBuffer
                                       : m_inner->CreateIndexBuffer(length, usage, format, pool, out, shared);
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                               HANDLE* shared) override {
        return failVertexBuffer != S_OK ? failVertexBuffer
                                        : m_inner->CreateVertexBuffer(length, usage, fvf, pool, out, shared);
    }
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
        if (failCaps != S_OK) {
            return failCaps;
        }
        const HRESULT hr = m_inner->GetDeviceCaps(caps);
        if (maxVertexIndex != 0) {
            caps->MaxVertexIndex = maxVertexIndex;
        }
        return hr;
    }
    HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** out) override {
        return failQuery != S_OK ? failQuery : m_inner->CreateQuery(type, out);
    }
};

TEST_F(MeshTest, DeviceFailuresDuringStorageLeaveNothingBehind) {
    struct Case {
        const char* name;
        HRESULT FailingDevice::*what;
        HRESULT status;
    };
    const Case cases[] = {
        {"index buffer", &FailingDevice::failIndexBuffer, D3DERR_OUTOFVIDEOMEMORY},
        {"vertex buffer", &FailingDevice::failVertexBuffer, E_OUTOFMEMORY},
        {"capabilities", &FailingDevice::failCaps, D3DERR_INVALIDCALL},
    };
    const ULONG deviceRefs = refCount(device());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FailingDevice failing(device());
        failing.*c.what = c.status;
        ID3DXMesh* mesh = kUntouched;
        EXPECT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, 0x12, &failing, &mesh), c.status);
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(refCount(device()), deviceRefs);
    }
}

TEST_F(MeshTest, ARefusedDeclarationFailsEveryDrawButNotCreation) {
    FailingDevice failing(device());
    failing.failVertexDeclaration = D3DERR_INVALIDCALL;
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, 0x12, &failing, mesh.put()), S_OK);
    const std::vector<std::string> twoLines = {
        "ID3DXMesh::DrawSubset: The mesh declaration is not compatible with the device.  ",
        "ID3DXMesh::DrawSubset:      Probably due to unsupported type like UBYTE4 for Float16"};
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_messages.clear();
        m_device.takeCalls();
        EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), twoLines);
        EXPECT_TRUE(m_device.takeCalls().empty());
    }
}

// ---- vertex-cache tuning ---------------------------------------------------------------------------

class OtherAdapter : public mesh_test::ForwardingDirect3D {
public:
    using ForwardingDirect3D::ForwardingDirect3D;
    DWORD vendor = 0;
    DWORD deviceId = 0;
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) override {
        const HRESULT hr = m_inner->GetAdapterIdentifier(adapter, flags, id);
        id->VendorId = vendor;
        id->DeviceId = deviceId;
        return hr;
    }
};

class AdapterDevice : public FailingDevice {
public:
    AdapterDevice(IDirect3DDevice9* inner, IDirect3D9* root) : FailingDevice(inner), m_root(root) {}
    HRESULT GetDirect3D(IDirect3D9** out) override {
        IDirect3D9* real = nullptr;
        const HRESULT hr = m_inner->GetDirect3D(&real);
        *out = m_root;  // the reference taken on the real root is the one handed out
        return hr;
    }

private:
    IDirect3D9* m_root;
};

TEST_F(MeshTest, VertexCacheTuningComesFromTheDeviceWithFallbacks) {
    ComPtr<IDirect3D9> root;
    ASSERT_EQ(device()->GetDirect3D(root.put()), S_OK);
    struct Case {
        const char* name;
        DWORD vendor;
        DWORD deviceId;
        HRESULT queryFailure;
        DWORD size;
        DWORD magic;
    };
    const Case cases[] = {
        {"the device's answer", 0x1234, 0x1, S_OK, 16, 8},
        {"no vertex-cache query", 0x1234, 0x1, D3DERR_NOTAVAILABLE, 12, 7},
        {"adapter family without tuning, first", 0x1002, 0x5144, S_OK, 0, 0},
        {"adapter family without tuning, last", 0x1002, 0x5147, S_OK, 0, 0},
        {"same vendor, other device", 0x1002, 0x5148, S_OK, 16, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gfxutil::mesh::resetVertexCacheMemoForTesting();
        OtherAdapter adapter(root.get());
        adapter.vendor = c.vendor;
        adapter.deviceId = c.deviceId;
        AdapterDevice wrapped(device(), &adapter);
        wrapped.failQuery = c.queryFailure;
        ComPtr<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, &wrapped, mesh.put()), S_OK);
        const gfxutil::mesh::VertexCacheTuning t = mesh16(mesh.get())->vertexCacheTuning();
        EXPECT_EQ(t.cacheSize, c.size);
        EXPECT_EQ(t.magicNumber, c.magic);
    }
}

TEST_F(MeshTest, VertexCacheTuningIsMemoisedPerDevice) {
    FailingDevice wrapped(device());
    ComPtr<ID3DXMesh> first;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, &wrapped, first.put()), S_OK);
    // The memo answers for the same device: a query that now fails is never made.
    wrapped.failQuery = D3DERR_NOTAVAILABLE;
    ComPtr<ID3DXMesh> second;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, &wrapped, second.put()), S_OK);
    EXPECT_EQ(mesh16(second.get())->vertexCacheTuning().cacheSize, 16u);
    // Another device is asked afresh.
    FailingDevice other(device());
    other.failQuery = D3DERR_NOTAVAILABLE;
    ComPtr<ID3DXMesh> third;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, &other, third.put()), S_OK);
    EXPECT_EQ(mesh16(third.get())->vertexCacheTuning().cacheSize, 12u);
}

TEST_F(MeshTest, VertexCacheTuningOverridesFromRegistryThenEnvironment) {
    kernel_test::ScratchDir dir;
    struct Case {
        const char* name;
        const char* registry;  // values under the Direct3D key, or null for no registry
        const char* envSize;
        const char* envMagic;
        DWORD size;
        DWORD magic;
    };
    const Case cases[] = {
        {"nothing set", nullptr, nullptr, nullptr, 16, 8},
        {"registry size", "\"D3DXVertexCacheSize\"=dword:00000018\n", nullptr, nullptr, 24, 8},
        {"registry magic above the size", "\"D3DXOptMagicNumber\"=dword:00000020\n", nullptr, nullptr, 16, 16},
        {"registry text is not a DWORD", "\"D3DXVertexCacheSize\"=\"24\"\n", nullptr, nullptr, 16, 8},
        {"environment after registry", "\"D3DXVertexCacheSize\"=dword:00000018\n", "32", "20", 32, 20},
        {"environment magic clamped", nullptr, nullptr, "99", 16, 16},
        {"environment not a number", nullptr, "lots", nullptr, 16, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<std::string> file;
        if (c.registry != nullptr) {
            file = dir.write("reg.txt", std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n") + c.registry);
        }
        kernel_test::ScopedEnv registry("WIN32_REGISTRY", file);
        kernel_test::ScopedEnv size("D3DXVertexCacheSize",
                                    c.envSize ? std::optional<std::string>(c.envSize) : std::nullopt);
        kernel_test::ScopedEnv magic("D3DXOptMagicNumber",
                                     c.envMagic ? std::optional<std::string>(c.envMagic) : std::nullopt);
        platform::kernel::reloadRegistry();
        ComPtr<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
        const gfxutil::mesh::VertexCacheTuning t = mesh16(mesh.get())->vertexCacheTuning();
        EXPECT_EQ(t.cacheSize, c.size);
        EXPECT_EQ(t.magicNumber, c.magic);
    }
    platform::kernel::reloadRegistry();
}

}  // namespace

namespace {

// An index buffer that refuses read-only locks: the mesh's own reads of its faces fail, writes
// through LockIndexBuffer still work.
class NoReadIndexBuffer final : public IDirect3DIndexBuffer9 {
public:
    explicit NoReadIndexBuffer(IDirect3DIndexBuffer9* inner) : m_inner(inner) {}
    HRESULT QueryInterface(REFIID iid, void** out) override { return m_inner->QueryInterface(iid, out); }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) {
            m_inner->Release();
            delete this;
        }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice9** out) override { return m_inner->GetDevice(out); }
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override { return m_inner->SetPrivateData(g, d, s, f); }
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return m_inner->GetPrivateData(g, d, s); }
    HRESULT FreePrivateData(REFGUID g) override { return m_inner->FreePrivateData(g); }
    DWORD SetPriority(DWORD p) override { return m_inner->SetPriority(p); }
    DWORD GetPriority() override { return m_inner->GetPriority(); }
    void PreLoad() override { m_inner->PreLoad(); }
    D3DRESOURCETYPE GetType() override { return m_inner->GetType(); }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return (flags & D3DLOCK_READONLY) != 0 ? D3DERR_WASSTILLDRAWING : m_inner->Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return m_inner->Unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override { return m_inner->GetDesc(desc); }

private:
    ~NoReadIndexBuffer() = default;
    IDirect3DIndexBuffer9* m_inner;
    ULONG m_refs = 1;
};

class NoReadIndexDevice : public mesh_test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** out,
                              HANDLE* shared) override {
        IDirect3DIndexBuffer9* inner = nullptr;
        const HRESULT hr = m_inner->CreateIndexBuffer(length, usage, format, pool, &inner, shared);
        if (SUCCEEDED(hr)) {
            *out = new NoReadIndexBuffer(inner);
        }
        return hr;
    }
};

TEST_F(MeshTest, AFailedAdjacencyHandsOutNeitherMeshNorBuffer) {
    NoReadIndexDevice device_(device());
    const ULONG deviceRefs = refCount(device());
    ID3DXMesh* mesh = kUntouched;
    ID3DXBuffer* adjacency = reinterpret_cast<ID3DXBuffer*>(0x5678);
    EXPECT_EQ(D3DXCreateSphere(&device_, 1.0f, 8, 8, &mesh, &adjacency), D3DERR_WASSTILLDRAWING);
    EXPECT_EQ(mesh, kUntouched);
    EXPECT_EQ(adjacency, reinterpret_cast<ID3DXBuffer*>(0x5678)) << "no buffer is left for the caller to free";
    EXPECT_EQ(refCount(device()), deviceRefs);
    // Without adjacency the same device makes the sphere.
    ComPtr<ID3DXMesh> sphere;
    EXPECT_EQ(D3DXCreateSphere(&device_, 1.0f, 8, 8, sphere.put(), nullptr), S_OK);
}

TEST_F(MeshTest, LockAttributeBufferRefusesAMissingOutputAndKeepsTheTable) {
    ComPtr<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, 0x12, device(), mesh.put()), S_OK);
    const D3DXATTRIBUTERANGE entry = {0, 0, 1, 0, 3};
    ASSERT_EQ(mesh->SetAttributeTable(&entry, 1), S_OK);
    m_messages.clear();
    EXPECT_EQ(mesh->LockAttributeBuffer(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_messages.texts(), std::vector<std::string>{"LockAttributeBuffer: ppData cannot be NULL"});
    DWORD count = 0;
    mesh->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 1u);
}

}  // namespace
