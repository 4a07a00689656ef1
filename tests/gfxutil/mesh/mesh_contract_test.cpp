// The operations this system does not call but a caller of the interface may: cloning, changing
// semantics, adjacency from positions, optimisation and the consistency check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/gfxutil/mesh/mesh_fixture.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::normalOf;
using mesh_test::positionOf;

constexpr DWORD kNone = 0xFFFFFFFFu;

void setIds(ID3DXMesh* mesh, const std::vector<DWORD>& ids) {
    DWORD* buffer = nullptr;
    mesh->LockAttributeBuffer(0, &buffer);
    std::copy(ids.begin(), ids.end(), buffer);
    mesh->UnlockAttributeBuffer();
}

std::vector<DWORD> idsOf(ID3DXMesh* mesh) {
    DWORD* buffer = nullptr;
    mesh->LockAttributeBuffer(D3DLOCK_READONLY, &buffer);
    std::vector<DWORD> ids(buffer, buffer + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return ids;
}

TEST_F(MeshTest, CloneConvertsLayoutAndIndexWidth) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 5, 4, sphere.put(), nullptr), S_OK);
    setIds(sphere.get(), std::vector<DWORD>(sphere->GetNumFaces(), 2));
    struct Case {
        const char* name;
        DWORD options;
        DWORD fvf;
        UINT stride;
    };
    const Case cases[] = {
        {"same layout, 32-bit", D3DXMESH_MANAGED | D3DXMESH_32BIT, 0x12, 24},
        {"with a texture set", D3DXMESH_SYSTEMMEM, 0x112, 32},
        {"with a colour first after the normal", D3DXMESH_MANAGED, 0x52, 28},
    };
    const std::vector<WORD> faces = mesh_test::readIndices<WORD>(sphere.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> clone;
        ASSERT_EQ(sphere->CloneMeshFVF(c.options, c.fvf, device(), clone.put()), S_OK);
        EXPECT_EQ(clone->GetOptions(), c.options);
        EXPECT_EQ(clone->GetFVF(), c.fvf);
        ASSERT_EQ(clone->GetNumBytesPerVertex(), c.stride);
        EXPECT_EQ(clone->GetNumVertices(), sphere->GetNumVertices());
        EXPECT_EQ(idsOf(clone.get()), idsOf(sphere.get()));
        if ((c.options & D3DXMESH_32BIT) != 0) {
            const std::vector<DWORD> wide = mesh_test::readIndices<DWORD>(clone.get());
            EXPECT_EQ(std::vector<WORD>(wide.begin(), wide.end()), faces);
        } else {
            EXPECT_EQ(mesh_test::readIndices<WORD>(clone.get()), faces);
        }
        const std::vector<BYTE> from = mesh_test::readVertexBytes(sphere.get());
        const std::vector<BYTE> to = mesh_test::readVertexBytes(clone.get());
        for (DWORD v = 0; v < sphere->GetNumVertices(); ++v) {
            EXPECT_EQ(std::memcmp(to.data() + v * c.stride, from.data() + v * 24, 24), 0) << v;
            for (UINT extra = 24; extra < c.stride; ++extra) {
                EXPECT_EQ(to[v * c.stride + extra], 0) << "new components start zeroed";
            }
        }
    }
}

TEST_F(MeshTest, CloneKeepsAValidTableAndCanShareTheVertexBuffer) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                                 {0, 2, 1, 1, 2, 3});
    setIds(mesh.get(), {0, 1});
    const D3DXATTRIBUTERANGE table[] = {{0, 0, 1, 0, 3}, {1, 1, 1, 1, 3}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), S_OK);
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    mesh->GetDeclaration(decl);

    ComPtr<ID3DXMesh> shared;
    ASSERT_EQ(mesh->CloneMesh(D3DXMESH_MANAGED | D3DXMESH_VB_SHARE, decl, device(), shared.put()), S_OK);
    ComPtr<IDirect3DVertexBuffer9> a;
    ComPtr<IDirect3DVertexBuffer9> b;
    mesh->GetVertexBuffer(a.put());
    shared->GetVertexBuffer(b.put());
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(MeshTest::mesh16(shared.get())->stateBits() & gfxutil::mesh::kStateSharedVB, 0u);
    DWORD count = 0;
    shared->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 2u);
    m_device.takeCalls();
    shared->DrawSubset(1);
    const std::vector<std::string> calls = m_device.takeCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "DrawIndexedPrimitive(4, 0, 1, 3, 3, 1)");

    // Sharing needs the same layout.
    m_messages.clear();
    ComPtr<ID3DXMesh> refused;
    EXPECT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_VB_SHARE, 0x112, device(), refused.put()),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_messages.texts(), std::vector<std::string>{"CloneMesh: VB_SHARE needs the same declaration and the same device"});
    EXPECT_FALSE(refused);
}

TEST_F(MeshTest, CloneRefusals) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    ComPtr<ID3DXMesh> clone;
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"no output", [&] { return mesh->CloneMeshFVF(0, 0x12, device(), nullptr); },
         {"CloneMesh: ppCloneMesh cannot be NULL"}},
        {"no device", [&] { return mesh->CloneMeshFVF(0, 0x12, nullptr, clone.put()); },
         {"CloneMesh: pD3DDevice cannot be NULL"}},
        {"bad FVF", [&] { return mesh->CloneMeshFVF(0, 0x4002, device(), clone.put()); },
         {"D3DXDeclaratorFromFVF: Invalid FVF"}},
        {"bad options", [&] { return mesh->CloneMeshFVF(0x40000, 0x12, device(), clone.put()); },
         {"CloneMesh: Invalid mesh flag specified"}},
        {"no declaration", [&] { return mesh->CloneMesh(0, nullptr, device(), clone.put()); },
         {"CloneMesh: pDecl cannot be NULL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), c.messages);
        EXPECT_FALSE(clone);
    }
}

TEST_F(MeshTest, UpdateSemanticsRelabelsElementsOfTheSameSize) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    const D3DVERTEXELEMENT9 end = D3DDECL_END;
    D3DVERTEXELEMENT9 asTexture[] = {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 5, 0}, end};
    ASSERT_EQ(mesh->UpdateSemantics(asTexture), S_OK);
    EXPECT_EQ(mesh->GetFVF(), 0x2u | 0x100u | (1u << 16));
    D3DVERTEXELEMENT9 back[MAX_FVF_DECL_SIZE];
    mesh->GetDeclaration(back);
    EXPECT_EQ(back[1].Usage, D3DDECLUSAGE_TEXCOORD);

    struct Case {
        const char* name;
        std::vector<D3DVERTEXELEMENT9> decl;
        const char* message;
    };
    const Case cases[] = {
        {"other size", {{0, 0, 2, 0, 0, 0}, end}, "UpdateSemantics: The new declaration must have the same vertex size"},
        {"overlap", {{0, 0, 2, 0, 0, 0}, {0, 4, 2, 0, 3, 0}, end},
         "UpdateSemantics: Vertex elements cannot overlap.  Inconsistent offsets found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        std::vector<D3DVERTEXELEMENT9> decl = c.decl;
        EXPECT_EQ(mesh->UpdateSemantics(decl.data()), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), std::vector<std::string>{c.message});
        mesh->GetDeclaration(back);
        EXPECT_EQ(back[1].Usage, D3DDECLUSAGE_TEXCOORD) << "unchanged";
    }
}

TEST_F(MeshTest, GenerateAdjacencyJoinsVerticesWithinEpsilon) {
    // The box repeats each corner on three sides; adjacency from positions closes it.
    ComPtr<ID3DXMesh> box;
    ComPtr<ID3DXBuffer> expected;
    ASSERT_EQ(D3DXCreateBox(device(), 1, 1, 1, box.put(), expected.put()), S_OK);
    std::vector<DWORD> adjacency(36, 1234);
    ASSERT_EQ(box->GenerateAdjacency(0.0f, adjacency.data()), S_OK);
    const DWORD* e = static_cast<const DWORD*>(expected->GetBufferPointer());
    EXPECT_EQ(adjacency, std::vector<DWORD>(e, e + 36));
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), kNone), 0);

    // Two triangles whose shared corners are 0.001 apart: joined only within that epsilon.
    ComPtr<ID3DXMesh> near = mesh_test::makeMesh(
        device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.001f, 0, 0}, {1, 0.001f, 0}, {0, 0, 1}}, {0, 1, 2, 4, 3, 5});
    std::vector<DWORD> tight(6), loose(6);
    ASSERT_EQ(near->GenerateAdjacency(0.0001f, tight.data()), S_OK);
    ASSERT_EQ(near->GenerateAdjacency(0.01f, loose.data()), S_OK);
    EXPECT_EQ(tight, (std::vector<DWORD>{kNone, kNone, kNone, kNone, kNone, kNone}));
    EXPECT_EQ(loose, (std::vector<DWORD>{1, kNone, kNone, 0, kNone, kNone}));

    m_messages.clear();
    EXPECT_EQ(near->GenerateAdjacency(-1.0f, tight.data()), D3DERR_INVALIDCALL);
    EXPECT_EQ(near->GenerateAdjacency(0.0f, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_messages.texts().size(), 2u);
}

TEST_F(MeshTest, OptimizeGroupsFacesBySubsetAndBuildsTheTable) {
    // Four faces of subsets 1, 0, 1, 0 over six vertices; vertex 5 is unused.
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(
        device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {9, 9, 9}}, {0, 2, 1, 1, 2, 3, 1, 3, 4, 2, 3, 0});
    setIds(mesh.get(), {1, 0, 1, 0});
    std::vector<DWORD> adjacency(12);
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency.data()), S_OK);
    const std::vector<WORD> oldFaces = mesh_test::readIndices<WORD>(mesh.get());

    ComPtr<ID3DXMesh> optimized;
    std::vector<DWORD> faceRemap(4), adjacencyOut(12);
    ComPtr<ID3DXBuffer> vertexRemap;
    ASSERT_EQ(mesh->Optimize(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESH_MANAGED, adjacency.data(),
                             adjacencyOut.data(), faceRemap.data(), vertexRemap.put(), optimized.put()),
              S_OK);
    EXPECT_EQ(faceRemap, (std::vector<DWORD>{1, 3, 0, 2}));
    EXPECT_EQ(idsOf(optimized.get()), (std::vector<DWORD>{0, 0, 1, 1}));
    ASSERT_EQ(optimized->GetNumVertices(), 5u) << "the unused vertex is dropped";
    ASSERT_EQ(vertexRemap->GetBufferSize(), 5u * sizeof(DWORD));
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());

    // Every new face is the old face it came from, through the vertex remap.
    const std::vector<WORD> newFaces = mesh_test::readIndices<WORD>(optimized.get());
    for (DWORD n = 0; n < 4; ++n) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(remap[newFaces[3 * n + k]], oldFaces[3 * faceRemap[n] + k]) << n << "," << k;
            const D3DXVECTOR3 p = positionOf(optimized.get(), newFaces[3 * n + k]);
            const D3DXVECTOR3 q = positionOf(mesh.get(), oldFaces[3 * faceRemap[n] + k]);
            EXPECT_EQ(std::memcmp(&p, &q, sizeof p), 0);
        }
    }
    // The adjacency follows the faces.
    for (DWORD n = 0; n < 4; ++n) {
        for (int k = 0; k < 3; ++k) {
            const DWORD old = adjacency[3 * faceRemap[n] + k];
            const DWORD now = adjacencyOut[3 * n + k];
            EXPECT_EQ(now == kNone ? kNone : faceRemap[now], old);
        }
    }
    D3DXATTRIBUTERANGE table[2] = {};
    DWORD count = 0;
    optimized->GetAttributeTable(table, &count);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 2u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 2u);
    EXPECT_EQ(table[1].FaceCount, 2u);
    m_device.takeCalls();
    ASSERT_EQ(optimized->DrawSubset(1), S_OK);
    const std::vector<std::string> calls = m_device.takeCalls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& s) { return s.rfind("DrawIndexedPrimitive", 0) == 0; }),
              1);
    // The source is untouched.
    EXPECT_EQ(idsOf(mesh.get()), (std::vector<DWORD>{1, 0, 1, 0}));
    EXPECT_EQ(mesh->GetNumVertices(), 6u);
    EXPECT_TRUE(MeshTest::mesh16(optimized.get())->BValid(newFaces.data()));
}

TEST_F(MeshTest, OptimizeInplaceWithTheSameArrayForBothAdjacencies) {
    ComPtr<ID3DXMesh> sphere;
    ComPtr<ID3DXBuffer> adjacency;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 6, 5, sphere.put(), adjacency.put()), S_OK);
    const DWORD faces = sphere->GetNumFaces();
    std::vector<DWORD> ids(faces);
    for (DWORD f = 0; f < faces; ++f) {
        ids[f] = f % 3;
    }
    setIds(sphere.get(), ids);
    DWORD* a = static_cast<DWORD*>(adjacency->GetBufferPointer());
    ASSERT_EQ(sphere->OptimizeInplace(D3DXMESHOPT_ATTRSORT, a, a, nullptr, nullptr), S_OK);
    // The remapped adjacency is what the optimised faces give.
    std::vector<DWORD> fresh(3 * faces);
    ASSERT_EQ(sphere->ConvertPointRepsToAdjacency(nullptr, fresh.data()), S_OK);
    EXPECT_EQ(std::vector<DWORD>(a, a + 3 * faces), fresh);
    DWORD count = 0;
    sphere->GetAttributeTable(nullptr, &count);
    EXPECT_EQ(count, 3u);
}

TEST_F(MeshTest, BValidSpotsFacesOutsideTheVertices) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    const WORD good[] = {0, 1, 2};
    const WORD unused[] = {0, 1, 0xFFFF};
    const WORD bad[] = {0, 1, 3};
    EXPECT_TRUE(MeshTest::mesh16(mesh.get())->BValid(good));
    EXPECT_TRUE(MeshTest::mesh16(mesh.get())->BValid(unused));
    EXPECT_FALSE(MeshTest::mesh16(mesh.get())->BValid(bad));
    EXPECT_FALSE(MeshTest::mesh16(mesh.get())->BValid(nullptr));
}

TEST(MeshBuffer, CreateBufferHandsOutZeroedBytes) {
    ComPtr<ID3DXBuffer> buffer;
    ASSERT_EQ(D3DXCreateBuffer(16, buffer.put()), S_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 16u);
    const BYTE* bytes = static_cast<const BYTE*>(buffer->GetBufferPointer());
    EXPECT_EQ(std::count(bytes, bytes + 16, 0), 16);
    void* same = nullptr;
    EXPECT_EQ(buffer->QueryInterface(IID_ID3DXBuffer, &same), S_OK);
    EXPECT_EQ(same, buffer.get());
    buffer->Release();
    EXPECT_EQ(D3DXCreateBuffer(16, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
