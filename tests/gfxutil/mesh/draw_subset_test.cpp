// DrawSubset: the device calls it makes, with and without an attribute table, and the emulated
// 32-bit path; LockAttributeBuffer and SetAttributeTable around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gfxutil/mesh/forwarding_device.h"
#include "tests/gfxutil/mesh/mesh_fixture.h"

namespace {

using mesh_test::MeshTest;
using Calls = std::vector<std::string>;

const Calls kStateCalls = {"SetVertexDeclaration(declaration)", "SetStreamSource(0, buffer, 0, 24)",
                           "SetIndices(buffer)"};

Calls withState(const Calls& draws) {
    Calls all = kStateCalls;
    all.insert(all.end(), draws.begin(), draws.end());
    return all;
}

// Four triangles over six vertices, attribute ids as given.
ComPtr<ID3DXMesh> fourFaces(IDirect3DDevice9* device, const std::vector<DWORD>& ids, DWORD options = D3DXMESH_MANAGED) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(
        device, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}},
        {0, 2, 1, 1, 2, 3, 1, 3, 4, 4, 3, 5}, options);
    DWORD* buffer = nullptr;
    mesh->LockAttributeBuffer(0, &buffer);
    std::copy(ids.begin(), ids.end(), buffer);
    mesh->UnlockAttributeBuffer();
    return mesh;
}

struct DrawCase {
    const char* name;
    DWORD attribId;
    Calls draws;
};

TEST_F(MeshTest, WithoutATableEachRunOfTheSubsetIsOneDraw) {
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {0, 0, 1, 0});
    const DrawCase cases[] = {
        {"subset 0: two runs", 0, {"DrawIndexedPrimitive(4, 0, 0, 6, 0, 2)", "DrawIndexedPrimitive(4, 0, 0, 6, 9, 1)"}},
        {"subset 1: one run", 1, {"DrawIndexedPrimitive(4, 0, 0, 6, 6, 1)"}},
        {"subset 7: nothing", 7, {}},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_device.takeCalls();
        EXPECT_EQ(mesh->DrawSubset(c.attribId), S_OK);
        EXPECT_EQ(m_device.takeCalls(), withState(c.draws));
    }
    EXPECT_TRUE(m_messages.texts().empty());
}

TEST_F(MeshTest, WithATableEachSubsetIsOneDrawOfItsRange) {
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {3, 3, 0, 5});
    const D3DXATTRIBUTERANGE table[] = {
        {3, 0, 2, 0, 4},
        {0, 2, 1, 1, 4},
        {5, 3, 1, 3, 3},
        {9, 4, 0, 0, 0},  // an empty subset
    };
    ASSERT_EQ(mesh->SetAttributeTable(table, 4), S_OK);
    EXPECT_EQ(mesh_test::MeshTest::mesh16(mesh.get())->stateBits() & gfxutil::mesh::kStateAttributeTable,
              gfxutil::mesh::kStateAttributeTable);
    const DrawCase cases[] = {
        {"entry 0 by search past a mismatched direct entry", 0, {"DrawIndexedPrimitive(4, 0, 1, 4, 6, 1)"}},
        {"entry 3 by direct index", 3, {"DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}},
        {"id 5 beyond the table, found by search", 5, {"DrawIndexedPrimitive(4, 0, 3, 3, 9, 1)"}},
        {"empty range draws nothing", 9, {}},
        {"unknown id draws nothing", 7, {}},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_device.takeCalls();
        EXPECT_EQ(mesh->DrawSubset(c.attribId), S_OK);
        EXPECT_EQ(m_device.takeCalls(), withState(c.draws));
    }
    D3DXATTRIBUTERANGE back[4] = {};
    DWORD count = 0;
    ASSERT_EQ(mesh->GetAttributeTable(back, &count), S_OK);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(std::memcmp(back, table, sizeof table), 0);
}

TEST_F(MeshTest, TheDirectTableEntryIsTriedFirst) {
    // Entry 1 carries id 1; a search from the start would meet the later duplicate entry only
    // after it, so the direct look-up and the search agree on the entry, and the draw shows it.
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {0, 1, 1, 2});
    const D3DXATTRIBUTERANGE table[] = {{0, 0, 1, 0, 3}, {1, 1, 2, 1, 4}, {2, 3, 1, 3, 3}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 3), S_OK);
    m_device.takeCalls();
    EXPECT_EQ(mesh->DrawSubset(1), S_OK);
    EXPECT_EQ(m_device.takeCalls(), withState({"DrawIndexedPrimitive(4, 0, 1, 4, 3, 2)"}));
}

TEST_F(MeshTest, AWritableAttributeLockDiscardsTheTable) {
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {0, 0, 1, 1});
    const D3DXATTRIBUTERANGE table[] = {{0, 0, 2, 0, 4}, {1, 2, 2, 1, 5}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), S_OK);
    DWORD* ids = nullptr;
    DWORD count = 0;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &ids), S_OK);
    mesh->UnlockAttributeBuffer();
    mesh->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 2u) << "a read-only lock keeps the table";
    m_device.takeCalls();
    mesh->DrawSubset(1);
    EXPECT_EQ(m_device.takeCalls(), withState({"DrawIndexedPrimitive(4, 0, 1, 5, 6, 2)"}));

    ASSERT_EQ(mesh->LockAttributeBuffer(0, &ids), S_OK);
    ids[1] = 1;  // ids now 0, 1, 1, 1
    mesh->UnlockAttributeBuffer();
    mesh->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(mesh_test::MeshTest::mesh16(mesh.get())->stateBits() & gfxutil::mesh::kStateAttributeTable, 0u);
    m_device.takeCalls();
    mesh->DrawSubset(1);
    EXPECT_EQ(m_device.takeCalls(), withState({"DrawIndexedPrimitive(4, 0, 0, 6, 3, 3)"}));
}

TEST_F(MeshTest, SetAttributeTableRefusesTablesThatDisagreeWithTheMesh) {
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {0, 0, 1, 1});
    struct Case {
        const char* name;
        D3DXATTRIBUTERANGE entry;
    };
    const Case cases[] = {
        {"faces past the end", {1, 2, 3, 0, 6}},
        {"vertices past the end", {1, 2, 2, 4, 3}},
        {"wrapping face range", {1, 2, 0xFFFFFFFF, 0, 6}},
        {"faces of another subset", {0, 1, 2, 0, 6}},
    };
    const D3DXATTRIBUTERANGE good = {0, 0, 2, 0, 4};
    ASSERT_EQ(mesh->SetAttributeTable(&good, 1), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mesh->SetAttributeTable(&c.entry, 1), D3DERR_INVALIDCALL);
        D3DXATTRIBUTERANGE kept{};
        DWORD count = 0;
        mesh->GetAttributeTable(&kept, &count);
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(kept.FaceCount, 2u) << "a refused table changes nothing";
    }
}

TEST_F(MeshTest, AFailingDrawEndsTheWalkWithItsStatus) {
    class FailingDraws : public mesh_test::ForwardingDevice {
    public:
        using ForwardingDevice::ForwardingDevice;
        int draws = 0;
        HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {
            ++draws;
            return D3DERR_INVALIDCALL;
        }
    };
    FailingDraws failing(device());
    ComPtr<ID3DXMesh> mesh = fourFaces(&failing, {0, 1, 0, 1});
    EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(failing.draws, 1);
}

// ---- 32-bit meshes a device cannot index --------------------------------------------------------------

class SixteenBitIndexDevice : public mesh_test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
        const HRESULT hr = m_inner->GetDeviceCaps(caps);
        caps->MaxVertexIndex = 0xFFFF;
        return hr;
    }
};

TEST_F(MeshTest, ThirtyTwoBitDrawingIsEmulatedWhenTheDeviceCannotIndex) {
    SixteenBitIndexDevice limited(device());
    ComPtr<ID3DXMesh> mesh = fourFaces(&limited, {0, 0, 1, 0}, D3DXMESH_MANAGED | D3DXMESH_32BIT);
    EXPECT_NE(mesh32(mesh.get())->stateBits() & gfxutil::mesh::kStateEmulate32Bit, 0u);
    m_device.takeCalls();
    ASSERT_EQ(mesh->DrawSubset(0), S_OK);
    EXPECT_EQ(m_device.takeCalls(),
              (Calls{"SetVertexDeclaration(declaration)", "VertexBuffer.Lock(0, 0, 0x810)",
                     "IndexBuffer.Lock(0, 0, 0x810)", "DrawPrimitiveUP(4, 1, 24)", "DrawPrimitiveUP(4, 1, 24)",
                     "DrawPrimitiveUP(4, 1, 24)", "IndexBuffer.Unlock()", "VertexBuffer.Unlock()"}));

    // With a table only the entry's faces are drawn.
    DWORD* ids = nullptr;
    mesh->LockAttributeBuffer(0, &ids);
    ids[3] = 1;  // 0, 0, 1, 1
    mesh->UnlockAttributeBuffer();
    const D3DXATTRIBUTERANGE table[] = {{0, 0, 2, 0, 4}, {1, 2, 2, 1, 5}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), S_OK);
    m_device.takeCalls();
    ASSERT_EQ(mesh->DrawSubset(1), S_OK);
    const Calls calls = m_device.takeCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrawPrimitiveUP(4, 1, 24)"), 2);
    m_device.takeCalls();
    ASSERT_EQ(mesh->DrawSubset(4), S_OK);
    EXPECT_EQ(m_device.takeCalls(), Calls{"SetVertexDeclaration(declaration)"});
}

TEST_F(MeshTest, EmulationCopiesEachFacesCornersInOrder) {
    class RecordingDevice : public SixteenBitIndexDevice {
    public:
        using SixteenBitIndexDevice::SixteenBitIndexDevice;
        std::vector<float> xs;
        HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
            for (int corner = 0; corner < 3; ++corner) {
                float x = 0;
                std::memcpy(&x, static_cast<const BYTE*>(data) + corner * stride, sizeof x);
                xs.push_back(x);
            }
            return m_inner->DrawPrimitiveUP(type, count, data, stride);
        }
    };
    RecordingDevice recording(device());
    ComPtr<ID3DXMesh> mesh = fourFaces(&recording, {1, 0, 1, 1}, D3DXMESH_MANAGED | D3DXMESH_32BIT);
    ASSERT_EQ(mesh->DrawSubset(0), S_OK);
    // Face 1 is (1, 2, 3): x of 1, 0, 1.
    EXPECT_EQ(recording.xs, (std::vector<float>{1, 0, 1}));
}

TEST_F(MeshTest, EmulationRefusesWriteOnlyBuffers) {
    SixteenBitIndexDevice limited(device());
    struct Case {
        const char* name;
        DWORD options;
        const char* message;
    };
    const Case cases[] = {
        {"index buffer", D3DXMESH_IB_WRITEONLY,
         "ID3DXMesh::DrawSubset: Cannot emulate 32bit index drawing when the source mesh's index buffer is write "
         "only.\n"},
        {"vertex buffer", D3DXMESH_VB_WRITEONLY,
         "ID3DXMesh::DrawSubset: Cannot emulate 32bit index drawing when the source mesh's vertex buffer is write "
         "only.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_32BIT | c.options, 0x12, &limited, mesh.put()), S_OK);
        m_messages.clear();
        m_device.takeCalls();
        EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(m_device.takeCalls().empty());
    }
}

TEST_F(MeshTest, ThirtyTwoBitMeshesDrawIndexedOnACapableDevice) {
    ComPtr<ID3DXMesh> mesh = fourFaces(device(), {0, 0, 1, 0}, D3DXMESH_MANAGED | D3DXMESH_32BIT);
    EXPECT_EQ(mesh32(mesh.get())->stateBits() & gfxutil::mesh::kStateEmulate32Bit, 0u);
    m_device.takeCalls();
    ASSERT_EQ(mesh->DrawSubset(1), S_OK);
    EXPECT_EQ(m_device.takeCalls(), withState({"DrawIndexedPrimitive(4, 0, 0, 6, 6, 1)"}));
}

}  // namespace
