// D3DXComputeNormals and the two adjacency conversions it relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/gfxutil/mesh/mesh_fixture.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::normalOf;
using mesh_test::Position;

constexpr DWORD kNone = 0xFFFFFFFFu;

float length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

TEST_F(MeshTest, SphereNormalsLeanTowardsTheQuadDiagonals) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 8, 8, sphere.put(), nullptr), S_OK);
    const std::vector<BYTE> positionsBefore = mesh_test::readVertexBytes(sphere.get());
    const std::vector<WORD> facesBefore = mesh_test::readIndices<WORD>(sphere.get());
    ASSERT_EQ(D3DXComputeNormals(sphere.get(), nullptr), S_OK);

    const D3DXVECTOR3 north = normalOf(sphere.get(), 0);
    const D3DXVECTOR3 south = normalOf(sphere.get(), 57);
    EXPECT_NEAR(north.x, 0.0f, 1e-6f);
    EXPECT_NEAR(north.y, 0.0f, 1e-6f);
    EXPECT_NEAR(north.z, 1.0f, 1e-6f);
    EXPECT_NEAR(south.x, 0.0f, 1e-6f);
    EXPECT_NEAR(south.y, 0.0f, 1e-6f);
    EXPECT_NEAR(south.z, -1.0f, 1e-6f);

    struct Tilt {
        const char* name;
        DWORD vertex;
        double exactY;  // the radial direction's y
    };
    const double degree = 3.14159265358979323846 / 180.0;
    const Tilt tilts[] = {{"vertex 1", 1, std::sin(22.5 * degree)}, {"vertex 9", 9, std::sin(45 * degree)}};
    for (const Tilt& t : tilts) {
        SCOPED_TRACE(t.name);
        const D3DXVECTOR3 n = normalOf(sphere.get(), t.vertex);
        EXPECT_LT(n.x, -1e-3f) << "tilted sideways";
        EXPECT_GT(n.y, t.exactY + 1e-4) << "and up";
        EXPECT_NEAR(length(n), 1.0f, 2e-6f);
    }
    // Only the normals changed.
    const std::vector<BYTE> after = mesh_test::readVertexBytes(sphere.get());
    for (size_t v = 0; v < 58; ++v) {
        EXPECT_EQ(std::memcmp(after.data() + 24 * v, positionsBefore.data() + 24 * v, 12), 0) << v;
    }
    EXPECT_EQ(mesh_test::readIndices<WORD>(sphere.get()), facesBefore);
    EXPECT_TRUE(m_messages.texts().empty());
}

TEST_F(MeshTest, NormalsSumAreaWeightedFaceNormals) {
    // A unit right triangle in z = 0 (area 0.5) and a sliver rising out of the plane along the
    // shared edge; vertex 5 is used by no face, and face 2 has two corners at one position.
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(
        device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5f, 0.5f, 0.001f}, {0, 0, 0}, {9, 9, 9}},
        {0, 1, 2, 2, 1, 3, 0, 4, 1});
    ASSERT_EQ(D3DXComputeNormals(mesh.get(), nullptr), S_OK);
    const D3DXVECTOR3 n0 = normalOf(mesh.get(), 0);
    EXPECT_EQ(n0.x, 0.0f);
    EXPECT_EQ(n0.y, 0.0f);
    EXPECT_EQ(n0.z, 1.0f) << "the degenerate face added nothing";
    const D3DXVECTOR3 n1 = normalOf(mesh.get(), 1);
    // The sliver's normal, (-0.001, -0.001, 0) (twice its area), against (0, 0, 1) of the large face.
    EXPECT_NEAR(n1.x, -0.001f, 1e-5f);
    EXPECT_NEAR(n1.y, -0.001f, 1e-5f);
    EXPECT_GT(n1.z, 0.999f) << "the sliver hardly moves the large face's vertex";
    const D3DXVECTOR3 n5 = normalOf(mesh.get(), 5);
    EXPECT_EQ(n5.x, 0.0f);
    EXPECT_EQ(n5.y, 0.0f);
    EXPECT_EQ(n5.z, 0.0f);
    const D3DXVECTOR3 n4 = normalOf(mesh.get(), 4);
    EXPECT_EQ(length(n4), 0.0f) << "only a degenerate face uses it";
}

// Two triangles folded along the x axis, the fold edge's vertices duplicated: face 0 lies in
// z = 0 (normal +z), face 1 in y = 0 (normal +y).
ComPtr<ID3DXMesh> foldedPair(IDirect3DDevice9* device, DWORD options = D3DXMESH_MANAGED) {
    return mesh_test::makeMesh(device, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}},
                               {0, 1, 2, 4, 3, 5}, options);
}

TEST_F(MeshTest, AdjacencyJoinsDuplicatedVertices) {
    struct Case {
        const char* name;
        DWORD options;
    };
    const Case cases[] = {{"16-bit", D3DXMESH_MANAGED}, {"32-bit", D3DXMESH_MANAGED | D3DXMESH_32BIT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> mesh = foldedPair(device(), c.options);
        ASSERT_EQ(D3DXComputeNormals(mesh.get(), nullptr), S_OK);
        EXPECT_EQ(normalOf(mesh.get(), 0).z, 1.0f) << "hard edge: each copy keeps its face";
        EXPECT_EQ(normalOf(mesh.get(), 3).y, 1.0f);

        // The fold: face 0's edge 0 (0 -> 1) is face 1's edge 0 (4 -> 3).
        const DWORD fold[] = {1, kNone, kNone, 0, kNone, kNone};
        ASSERT_EQ(D3DXComputeNormals(mesh.get(), fold), S_OK);
        const float r = 1.0f / std::sqrt(2.0f);
        for (DWORD v : {0u, 3u, 1u, 4u}) {
            SCOPED_TRACE(v);
            const D3DXVECTOR3 n = normalOf(mesh.get(), v);
            EXPECT_NEAR(n.x, 0.0f, 1e-6f);
            EXPECT_NEAR(n.y, r, 1e-6f);
            EXPECT_NEAR(n.z, r, 1e-6f);
        }
    }
}

TEST_F(MeshTest, ComputeNormalsRefusesMeshesItCannotUse) {
    const D3DVERTEXELEMENT9 end = D3DDECL_END;
    const D3DVERTEXELEMENT9 positionOnly[] = {{0, 0, 2, 0, 0, 0}, end};
    const D3DVERTEXELEMENT9 fourFloatPosition[] = {{0, 0, 3, 0, 0, 0}, {0, 16, 2, 0, 3, 0}, end};
    const D3DVERTEXELEMENT9 positionNormal[] = {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, end};
    struct Case {
        const char* name;
        const D3DVERTEXELEMENT9* decl;
        DWORD options;
        const char* message;
    };
    const Case cases[] = {
        {"no normal", positionOnly, 0,
         "D3DXComputeNormals: Normal field required on input mesh to be filled in (clonemesh can be used to add "
         "them)\n"},
        {"position of four floats", fourFloatPosition, 0,
         "D3DXComputeNormals: Position field required on input mesh to be calculate normal from\n"},
        {"write-only indices", positionNormal, D3DXMESH_IB_WRITEONLY,
         "D3DXComputeNormals:  Cannot compute normals when the source mesh's index buffer is write only."},
        {"write-only vertices", positionNormal, D3DXMESH_VB_WRITEONLY,
         "D3DXComputeNormals:  Cannot compute normals when the source mesh's vertex buffer is write only."},
        {"write-only vertices without normal", positionOnly, D3DXMESH_VB_WRITEONLY,
         "D3DXComputeNormals: Normal field required on input mesh to be filled in (clonemesh can be used to add "
         "them)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMesh(1, 3, c.options, c.decl, device(), mesh.put()), S_OK);
        m_messages.clear();
        m_device.takeCalls();
        EXPECT_EQ(D3DXComputeNormals(mesh.get(), nullptr), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(m_device.takeCalls().empty()) << "no buffer was touched";
    }
    m_messages.clear();
    EXPECT_EQ(D3DXComputeNormals(nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_messages.texts(),
              std::vector<std::string>{"D3DXComputeNormals: Failed due to input mesh being NULL\n"});
}

TEST_F(MeshTest, ComputeNormalsLocksBothBuffersOnceAndReleasesThem) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 4, 3, sphere.put(), nullptr), S_OK);
    IDirect3DVertexBuffer9* vb = nullptr;
    sphere->GetVertexBuffer(&vb);
    const ULONG vbRefs = mesh_test::refCount(vb);
    m_device.takeCalls();
    ASSERT_EQ(D3DXComputeNormals(sphere.get(), nullptr), S_OK);
    EXPECT_EQ(m_device.takeCalls(), (std::vector<std::string>{"IndexBuffer.Lock(0, 0, 0x800)",
                                                               "VertexBuffer.Lock(0, 0, 0x800)", "IndexBuffer.Unlock()",
                                                               "VertexBuffer.Unlock()"}));
    EXPECT_EQ(mesh_test::refCount(vb), vbRefs);
    vb->Release();
}

// A closed fan of `faces` triangles around vertex 0 (a cone), with its adjacency.
std::pair<ComPtr<ID3DXMesh>, std::vector<DWORD>> cone(IDirect3DDevice9* device, DWORD faces) {
    std::vector<Position> positions = {{0, 0, 1}};
    std::vector<DWORD> indices;
    for (DWORD i = 0; i < faces; ++i) {
        const double a = 6.283185307179586 * i / faces;
        positions.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0});
        indices.insert(indices.end(), {0, 1 + i, 1 + (i + 1) % faces});
    }
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device, positions, indices);
    std::vector<DWORD> adjacency(3 * faces);
    EXPECT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency.data()), S_OK);
    return {mesh, adjacency};
}

TEST_F(MeshTest, AFanLongerThanTenThousandFacesIsTakenForALoop) {
    struct Case {
        const char* name;
        DWORD faces;
        HRESULT status;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"10000 faces around the apex", 10000, S_OK, {}},
        {"10001 faces around the apex", 10001, D3DXERR_INVALIDMESH,
         {"ConvertAdjacencyToPointReps: Possible bad adjacency loop found cannot continue",
          "ConvertAdjacencyToPointReps:   Try calling D3DXValidMesh for more information"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [mesh, adjacency] = cone(device(), c.faces);
        const std::vector<BYTE> before = mesh_test::readVertexBytes(mesh.get());
        m_messages.clear();
        EXPECT_EQ(D3DXComputeNormals(mesh.get(), adjacency.data()), c.status);
        EXPECT_EQ(m_messages.texts(), c.messages);
        if (FAILED(c.status)) {
            EXPECT_EQ(mesh_test::readVertexBytes(mesh.get()), before) << "a failure leaves the mesh alone";
        }
    }
}

struct CorruptCase {
    const char* name;
    std::vector<DWORD> adjacency;  // for the strip of three faces below
    std::vector<std::string> messages;
};

TEST_F(MeshTest, CorruptAdjacencyIsAnInvalidMeshNeverAHang) {
    // A strip: faces (0,1,2), (2,1,3), (2,3,4).
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}},
                                                 {0, 1, 2, 2, 1, 3, 2, 3, 4});
    const std::vector<std::string> loop = {
        "ConvertAdjacencyToPointReps: Possible bad adjacency loop found cannot continue",
        "ConvertAdjacencyToPointReps:   Try calling D3DXValidMesh for more information"};
    const CorruptCase cases[] = {
        {"neighbour past the last face", {kNone, 7, kNone, kNone, kNone, kNone, kNone, kNone, kNone},
         {"ConvertAdjacencyToPointReps: Adjacency of face 0 is inconsistent"}},
        {"neighbour that does not point back", {kNone, 1, kNone, kNone, kNone, kNone, kNone, kNone, kNone},
         {"ConvertAdjacencyToPointReps: Adjacency of face 1 is inconsistent"}},
        // Faces 1 and 2 name each other on every edge, so a walk entering them never leaves.
        {"a loop that never returns", {kNone, 1, kNone, 0, 2, 2, 1, 1, 1}, loop},
    };
    for (const CorruptCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        std::vector<DWORD> reps(5, 1234);
        EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(c.adjacency.data(), reps.data()), D3DXERR_INVALIDMESH);
        EXPECT_EQ(m_messages.texts(), c.messages);
        m_messages.clear();
        EXPECT_EQ(D3DXComputeNormals(mesh.get(), c.adjacency.data()), D3DXERR_INVALIDMESH);
    }
    // The mesh is still usable afterwards: nothing was left locked.
    void* data = nullptr;
    EXPECT_EQ(mesh->LockIndexBuffer(0, &data), S_OK);
    EXPECT_EQ(mesh->UnlockIndexBuffer(), S_OK);
}

TEST_F(MeshTest, PointRepsFollowTheFanAroundEachPoint) {
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(
        device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {5, 5, 5}},
        {0, 1, 2, 4, 3, 5});
    struct Case {
        const char* name;
        std::vector<DWORD> adjacency;
        std::vector<DWORD> reps;
    };
    const Case cases[] = {
        {"no neighbours: each its own", {kNone, kNone, kNone, kNone, kNone, kNone}, {0, 1, 2, 3, 4, 5, 6}},
        {"joined along the fold", {1, kNone, kNone, 0, kNone, kNone}, {0, 1, 2, 0, 1, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<DWORD> reps(7, 1234);
        ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(c.adjacency.data(), reps.data()), S_OK);
        EXPECT_EQ(reps, c.reps);
    }
    // With an attribute table its ranges are visited in table order, so face 1 comes first and
    // its vertices become the representatives.
    DWORD* ids = nullptr;
    mesh->LockAttributeBuffer(0, &ids);
    ids[0] = 1;
    mesh->UnlockAttributeBuffer();
    const D3DXATTRIBUTERANGE table[] = {{0, 1, 1, 3, 3}, {1, 0, 1, 0, 3}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), S_OK);
    std::vector<DWORD> reps(7);
    const DWORD fold[] = {1, kNone, kNone, 0, kNone, kNone};
    ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(fold, reps.data()), S_OK);
    EXPECT_EQ(reps, (std::vector<DWORD>{3, 4, 2, 3, 4, 5, 6}));
}

TEST_F(MeshTest, PointRepConversionRefusals) {
    ComPtr<ID3DXMesh> mesh = foldedPair(device());
    ComPtr<ID3DXMesh> writeOnly = foldedPair(device(), D3DXMESH_IB_WRITEONLY);
    DWORD adjacency[6] = {};
    DWORD reps[6] = {};
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        const char* message;
    };
    const Case cases[] = {
        {"adjacency to reps without adjacency", [&] { return mesh->ConvertAdjacencyToPointReps(nullptr, reps); },
         "ConvertAdjacencyToPointReps: Failed because Adjacency array must not be NULL\n"},
        {"adjacency to reps without output", [&] { return mesh->ConvertAdjacencyToPointReps(adjacency, nullptr); },
         "ConvertAdjacencyToPointReps: Failed because PointRep output array must not be NULL\n"},
        {"adjacency to reps, write-only indices",
         [&] { return writeOnly->ConvertAdjacencyToPointReps(adjacency, reps); },
         "ConvertAdjacencyToPointReps: Cannot generate point reps when the mesh's index buffer is write only.\n"},
        {"reps to adjacency without output", [&] { return mesh->ConvertPointRepsToAdjacency(nullptr, nullptr); },
         "ConvertPointRepsToAdjacency: Adjacency out parameter must not be NULL\n"},
        {"reps to adjacency, write-only indices",
         [&] { return writeOnly->ConvertPointRepsToAdjacency(nullptr, adjacency); },
         "ConvertPointRepsToAdjacency: Cannot generate adjacency when the mesh's index buffer is write only.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        EXPECT_EQ(c.call(), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_messages.texts(), std::vector<std::string>{c.message});
    }
}

TEST_F(MeshTest, AdjacencyFromPointRepresentatives) {
    ComPtr<ID3DXMesh> mesh = foldedPair(device());
    struct Case {
        const char* name;
        std::vector<DWORD> reps;  // empty: none given
        std::vector<DWORD> adjacency;
    };
    const Case cases[] = {
        {"each vertex its own", {}, {kNone, kNone, kNone, kNone, kNone, kNone}},
        {"duplicates joined", {0, 1, 2, 0, 1, 5}, {1, kNone, kNone, 0, kNone, kNone}},
        // Joining vertices 2 and 1 makes face 0 degenerate: no edges at all.
        {"degenerate face", {0, 1, 1, 0, 1, 5}, {kNone, kNone, kNone, kNone, kNone, kNone}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<DWORD> adjacency(6, 1234);
        ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(c.reps.empty() ? nullptr : c.reps.data(), adjacency.data()), S_OK);
        EXPECT_EQ(adjacency, c.adjacency);
    }
}

TEST_F(MeshTest, AdjacencyWhenMoreThanTwoFacesShareAnEdge) {
    // Three faces on the edge 0-1: two wound one way, one the other. The opposite-wound pair is
    // joined first (in face order); the face left over stays open on that edge.
    ComPtr<ID3DXMesh> mesh = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                                                 {0, 1, 2, 1, 0, 3, 0, 1, 4});
    std::vector<DWORD> adjacency(9);
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency.data()), S_OK);
    EXPECT_EQ(adjacency[0], 1u);
    EXPECT_EQ(adjacency[3], 0u);
    EXPECT_EQ(adjacency[6], kNone);
    // Faces whose indices reach past the vertices join nothing.
    ComPtr<ID3DXMesh> broken = mesh_test::makeMesh(device(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 2, 1, 0xFFFF});
    std::vector<DWORD> adj2(6);
    ASSERT_EQ(broken->ConvertPointRepsToAdjacency(nullptr, adj2.data()), S_OK);
    EXPECT_EQ(adj2, (std::vector<DWORD>{kNone, kNone, kNone, kNone, kNone, kNone}));
    EXPECT_EQ(D3DXComputeNormals(broken.get(), nullptr), S_OK) << "the broken face is skipped";
    EXPECT_EQ(normalOf(broken.get(), 0).z, 1.0f);
}

}  // namespace
