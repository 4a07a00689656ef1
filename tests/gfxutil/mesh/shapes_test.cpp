// The shape generators: the sphere's exact vertices, faces and adjacency, and the family's counts,
// defaults, checks, closure, winding and normals.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/gfxutil/mesh/mesh_fixture.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::normalOf;
using mesh_test::positionOf;

constexpr double kDegree = 3.14159265358979323846 / 180.0;

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
D3DXVECTOR3 minus(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z); }
float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Within four units in the last place, or within `tolerance` where the single-precision angle
// itself is off (a zero that comes out as a tiny residue of the float pi).
void expectNear(const D3DXVECTOR3& got, double x, double y, double z, double tolerance = 0.0) {
    if (tolerance == 0.0) {
        EXPECT_FLOAT_EQ(got.x, static_cast<float>(x));
        EXPECT_FLOAT_EQ(got.y, static_cast<float>(y));
        EXPECT_FLOAT_EQ(got.z, static_cast<float>(z));
    } else {
        EXPECT_NEAR(got.x, x, tolerance);
        EXPECT_NEAR(got.y, y, tolerance);
        EXPECT_NEAR(got.z, z, tolerance);
    }
}

std::vector<D3DXVECTOR3> allOf(ID3DXMesh* mesh, size_t offset) {
    const std::vector<BYTE> bytes = mesh_test::readVertexBytes(mesh);
    std::vector<D3DXVECTOR3> out(mesh->GetNumVertices());
    for (size_t v = 0; v < out.size(); ++v) {
        std::memcpy(&out[v], bytes.data() + v * 24 + offset, 12);
    }
    return out;
}

TEST_F(MeshTest, SphereOfTheApplication) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 8, 8, sphere.put(), nullptr), S_OK);
    ASSERT_EQ(sphere->GetNumVertices(), 58u);
    ASSERT_EQ(sphere->GetNumFaces(), 112u);
    EXPECT_EQ(sphere->GetOptions(), D3DXMESH_MANAGED);
    EXPECT_EQ(sphere->GetFVF(), 0x12u);

    const double s225 = std::sin(22.5 * kDegree), c225 = std::cos(22.5 * kDegree);
    const double s45 = std::sin(45 * kDegree), c45 = std::cos(45 * kDegree);
    struct VertexCase {
        const char* name;
        DWORD index;
        double x, y, z;
        double tolerance;
    };
    const VertexCase cases[] = {
        {"north pole", 0, 0, 0, 1, 0},
        {"ring 1, slice 0", 1, 0, s225, c225, 0},
        {"ring 1, slice 1", 2, s225 * s45, s225 * c45, c225, 0},
        {"ring 1, slice 2 (on +x)", 3, s225, 0, c225, 1e-7},
        {"ring 2, slice 0", 9, 0, s45, c45, 0},
        {"ring 7, slice 4 (on -y)", 1 + 6 * 8 + 4, 0, -s225, -c225, 3e-7},
        {"south pole", 57, 0, 0, -1, 0},
    };
    for (const VertexCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectNear(positionOf(sphere.get(), c.index), c.x, c.y, c.z, c.tolerance);
        expectNear(normalOf(sphere.get(), c.index), c.x, c.y, c.z, c.tolerance);
    }
    // The poles are exact.
    EXPECT_EQ(positionOf(sphere.get(), 0).z, 1.0f);
    EXPECT_EQ(normalOf(sphere.get(), 57).z, -1.0f);

    const std::vector<WORD> f = mesh_test::readIndices<WORD>(sphere.get());
    auto face = [&](DWORD i) { return std::vector<WORD>{f[3 * i], f[3 * i + 1], f[3 * i + 2]}; };
    const std::pair<DWORD, std::vector<WORD>> faces[] = {
        {0, {0, 2, 1}},  {1, {0, 3, 2}},    {6, {0, 8, 7}},    {7, {0, 1, 8}},    {8, {1, 2, 9}},
        {9, {2, 10, 9}}, {10, {2, 3, 10}}, {22, {8, 1, 16}}, {23, {1, 9, 16}}, {111, {56, 49, 57}},
    };
    for (const auto& [index, corners] : faces) {
        SCOPED_TRACE(index);
        EXPECT_EQ(face(index), corners);
    }
    DWORD* ids = nullptr;
    sphere->LockAttributeBuffer(D3DLOCK_READONLY, &ids);
    EXPECT_EQ(std::count(ids, ids + 112, 0u), 112);
    sphere->UnlockAttributeBuffer();
    DWORD tableSize = 1;
    sphere->GetAttributeTable(nullptr, &tableSize);
    EXPECT_EQ(tableSize, 0u);
    EXPECT_TRUE(m_messages.texts().empty());
}

TEST_F(MeshTest, SphereScalesPositionsButNotNormals) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 2.5f, 8, 8, sphere.put(), nullptr), S_OK);
    for (DWORD v : {0u, 1u, 9u, 30u, 57u}) {
        SCOPED_TRACE(v);
        const D3DXVECTOR3 n = normalOf(sphere.get(), v);
        const D3DXVECTOR3 p = positionOf(sphere.get(), v);
        EXPECT_EQ(p.x, 2.5f * n.x);
        EXPECT_EQ(p.y, 2.5f * n.y);
        EXPECT_EQ(p.z, 2.5f * n.z);
        EXPECT_NEAR(dot(n, n), 1.0f, 1e-6f);
    }
}

TEST_F(MeshTest, SmallestSpheres) {
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 3, 2, sphere.put(), nullptr), S_OK);
    EXPECT_EQ(sphere->GetNumVertices(), 5u);
    EXPECT_EQ(mesh_test::readIndices<WORD>(sphere.get()),
              (std::vector<WORD>{0, 2, 1, 0, 3, 2, 0, 1, 3, 1, 2, 4, 2, 3, 4, 3, 1, 4}));
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 2, 2, sphere.put(), nullptr), S_OK);
    EXPECT_EQ(sphere->GetNumVertices(), 4u);
    EXPECT_EQ(sphere->GetNumFaces(), 4u);
}

struct CountCase {
    const char* name;
    float radius;
    UINT slices;
    UINT stacks;
    DWORD vertices;
    DWORD faces;
};

TEST_F(MeshTest, SphereDefaultsAndClamps) {
    const CountCase cases[] = {
        {"defaults", D3DX_DEFAULT_FLOAT, D3DX_DEFAULT, D3DX_DEFAULT, 58, 112},
        {"slices clamped to 240", 1.0f, 1000, 3, 482, 960},
        {"stacks clamped to 240", 1.0f, 3, 100000, 3 * 239 + 2, 2 * 3 * 239},
        {"largest 16-bit sphere", 1.0f, 240, 137, 240 * 136 + 2, 65280},
        {"radius zero", 0.0f, 4, 4, 14, 24},
        {"NaN radius is accepted", std::numeric_limits<float>::quiet_NaN(), 4, 4, 14, 24},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> sphere;
        ASSERT_EQ(D3DXCreateSphere(device(), c.radius, c.slices, c.stacks, sphere.put(), nullptr), S_OK);
        EXPECT_EQ(sphere->GetNumVertices(), c.vertices);
        EXPECT_EQ(sphere->GetNumFaces(), c.faces);
    }
    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device(), D3DX_DEFAULT_FLOAT, 8, 8, sphere.put(), nullptr), S_OK);
    EXPECT_EQ(positionOf(sphere.get(), 0).z, 1.0f) << "the default radius is 1";
    ASSERT_EQ(D3DXCreateSphere(device(), 0.0f, 5, 5, sphere.put(), nullptr), S_OK);
    for (DWORD v = 0; v < sphere->GetNumVertices(); ++v) {
        const D3DXVECTOR3 p = positionOf(sphere.get(), v);
        EXPECT_EQ(dot(p, p), 0.0f);
        const D3DXVECTOR3 n = normalOf(sphere.get(), v);
        EXPECT_NEAR(dot(n, n), 1.0f, 1e-6f);
    }
}

using Generator = std::function<HRESULT(IDirect3DDevice9*, ID3DXMesh**, ID3DXBuffer**)>;

struct RefusalCase {
    const char* name;
    bool withDevice;
    bool withOutput;
    Generator make;
    HRESULT status;
    std::vector<std::string> messages;
};

TEST_F(MeshTest, GeneratorsRefuseWithTheirLines) {
    auto sphere = [](float r, UINT sl, UINT st) {
        return [=](IDirect3DDevice9* d, ID3DXMesh** m, ID3DXBuffer** a) { return D3DXCreateSphere(d, r, sl, st, m, a); };
    };
    auto box = [](float w, float h, float dp) {
        return [=](IDirect3DDevice9* d, ID3DXMesh** m, ID3DXBuffer** a) { return D3DXCreateBox(d, w, h, dp, m, a); };
    };
    auto cylinder = [](float r1, float r2, float l, UINT sl, UINT st) {
        return [=](IDirect3DDevice9* d, ID3DXMesh** m, ID3DXBuffer** a) {
            return D3DXCreateCylinder(d, r1, r2, l, sl, st, m, a);
        };
    };
    auto polygon = [](float l, UINT s) {
        return [=](IDirect3DDevice9* d, ID3DXMesh** m, ID3DXBuffer** a) { return D3DXCreatePolygon(d, l, s, m, a); };
    };
    auto torus = [](float in, float out, UINT s, UINT r) {
        return [=](IDirect3DDevice9* d, ID3DXMesh** m, ID3DXBuffer** a) { return D3DXCreateTorus(d, in, out, s, r, m, a); };
    };
    const HRESULT bad = D3DERR_INVALIDCALL;
    const RefusalCase cases[] = {
        {"sphere without device", false, true, sphere(-1, 1, 1), bad, {"pDevice pointer is invalid"}},
        {"sphere without output", true, false, sphere(-1, 1, 1), bad, {"ppMesh pointer is invalid"}},
        {"sphere radius", true, true, sphere(-0.5f, 1, 1), bad, {"fRadius must be >= 0.0f"}},
        {"sphere slices", true, true, sphere(1, 1, 1), bad, {"uSlices must be >= 2"}},
        {"sphere stacks", true, true, sphere(1, 2, 1), bad, {"uStacks must be >= 2"}},
        {"sphere too big for 16 bits", true, true, sphere(1, 240, 138), bad,
         {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}},
        {"box width", true, true, box(-1, -1, -1), bad, {"fWidth must be >= 0.0f"}},
        {"box height", true, true, box(1, -1, -1), bad, {"fHeight must be >= 0.0f"}},
        {"box depth", true, true, box(1, 1, -1), bad, {"fDepth must be >= 0.0f"}},
        {"box without device", false, true, box(-1, 1, 1), bad, {"pDevice pointer is invalid"}},
        {"cylinder radius 1", true, true, cylinder(-1, -1, -1, 0, 0), bad, {"fRadius1 must be >= 0.0f"}},
        {"cylinder radius 2", true, true, cylinder(1, -1, -1, 0, 0), bad, {"fRadius2 must be >= 0.0f"}},
        {"cylinder length", true, true, cylinder(1, 1, -1, 0, 0), bad, {"fLength must be >= 0.0f"}},
        {"cylinder slices", true, true, cylinder(1, 1, 1, 1, 0), bad, {"uSlices must be >= 2"}},
        {"cylinder stacks", true, true, cylinder(1, 1, 1, 2, 0), bad, {"uStacks must be >= 1"}},
        {"cylinder too big for 16 bits", true, true, cylinder(1, 1, 1, 239, 0xFFFFFFFE), bad,
         {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}},
        {"polygon length", true, true, polygon(-1, 2), bad, {"fLength must be >= 0.0f"}},
        {"polygon sides", true, true, polygon(1, 2), bad, {"uSides must be >= 3"}},
        {"polygon sides wrapping the vertex count", true, true, polygon(1, 0xFFFFFFFE), bad,
         {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}},
        {"torus inner", true, true, torus(-1, -1, 2, 2), bad, {"fInnerRadius must be >= 0.0f"}},
        {"torus outer", true, true, torus(1, -1, 2, 2), bad, {"fOuterRadius must be >= 0.0f"}},
        {"torus sides before rings", true, true, torus(1, 2, 2, 2), bad, {"uSides must be >= 3"}},
        {"torus rings", true, true, torus(1, 2, 3, 2), bad, {"uRings must be >= 3"}},
        {"torus product past 32 bits", true, true, torus(1, 2, 0x10000, 0x10000), bad,
         {"D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n"}},
        {"teapot without device", false, true, [](auto d, auto m, auto a) { return D3DXCreateTeapot(d, m, a); }, bad,
         {"pDevice pointer is invalid"}},
        {"teapot without output", true, false, [](auto d, auto m, auto a) { return D3DXCreateTeapot(d, m, a); }, bad,
         {"ppMesh pointer is invalid"}},
    };
    const ULONG deviceRefs = mesh_test::refCount(device());
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(0x1234);
        ID3DXBuffer* adjacency = reinterpret_cast<ID3DXBuffer*>(0x5678);
        EXPECT_EQ(c.make(c.withDevice ? device() : nullptr, c.withOutput ? &mesh : nullptr, &adjacency), c.status);
        EXPECT_EQ(m_messages.texts(), c.messages);
        EXPECT_EQ(adjacency, reinterpret_cast<ID3DXBuffer*>(0x5678));
        EXPECT_EQ(mesh_test::refCount(device()), deviceRefs);
    }
}

TEST_F(MeshTest, SphereAdjacencyRows) {
    ComPtr<ID3DXMesh> sphere;
    ComPtr<ID3DXBuffer> adjacency;
    ASSERT_EQ(D3DXCreateSphere(device(), 1.0f, 8, 8, sphere.put(), adjacency.put()), S_OK);
    ASSERT_EQ(adjacency->GetBufferSize(), 112u * 3 * 4);
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    const std::pair<DWORD, std::vector<DWORD>> rows[] = {
        {0, {1, 8, 7}}, {8, {0, 9, 23}}, {111, {103, 104, 110}}};
    for (const auto& [face, entries] : rows) {
        SCOPED_TRACE(face);
        EXPECT_EQ(std::vector<DWORD>(a + 3 * face, a + 3 * face + 3), entries);
    }
    for (DWORD f = 0; f < 112; ++f) {
        for (int k = 0; k < 3; ++k) {
            const DWORD g = a[3 * f + k];
            ASSERT_LT(g, 112u) << "face " << f;
            EXPECT_TRUE(a[3 * g] == f || a[3 * g + 1] == f || a[3 * g + 2] == f) << f << " -> " << g;
        }
    }
}

struct ShapeCase {
    const char* name;
    Generator make;
    DWORD vertices;
    DWORD faces;
};

// Checks a shape is closed (every edge joins two faces through the adjacency), wound outwards
// (each face's winding normal agrees with its corners' normals) and lit correctly (unit normals).
void expectClosedOutwardLit(ID3DXMesh* mesh, const DWORD* adjacency, bool closed) {
    const std::vector<D3DXVECTOR3> positions = allOf(mesh, 0);
    const std::vector<D3DXVECTOR3> normals = allOf(mesh, 12);
    const std::vector<WORD> f = mesh_test::readIndices<WORD>(mesh);
    for (DWORD i = 0; i < mesh->GetNumFaces(); ++i) {
        const D3DXVECTOR3 n = cross(minus(positions[f[3 * i + 1]], positions[f[3 * i]]),
                                    minus(positions[f[3 * i + 2]], positions[f[3 * i]]));
        ASSERT_GT(dot(n, n), 0.0f) << "face " << i << " is degenerate";
        for (int k = 0; k < 3; ++k) {
            EXPECT_GT(dot(n, normals[f[3 * i + k]]), 0.0f) << "face " << i << " corner " << k;
            if (closed) {
                EXPECT_NE(adjacency[3 * i + k], 0xFFFFFFFFu) << "face " << i << " edge " << k;
            }
        }
    }
    for (const D3DXVECTOR3& n : normals) {
        EXPECT_NEAR(dot(n, n), 1.0f, 1e-5f);
    }
}

TEST_F(MeshTest, TheShapeFamily) {
    const ShapeCase cases[] = {
        {"sphere 8 x 8", [](auto d, auto m, auto a) { return D3DXCreateSphere(d, 1, 8, 8, m, a); }, 58, 112},
        {"sphere 3 x 5", [](auto d, auto m, auto a) { return D3DXCreateSphere(d, 2, 3, 5, m, a); }, 14, 24},
        {"box", [](auto d, auto m, auto a) { return D3DXCreateBox(d, 1, 2, 3, m, a); }, 24, 12},
        {"box defaults",
         [](auto d, auto m, auto a) { return D3DXCreateBox(d, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT_FLOAT, m, a); },
         24, 12},
        {"cylinder defaults",
         [](auto d, auto m, auto a) {
             return D3DXCreateCylinder(d, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT,
                                       D3DX_DEFAULT, m, a);
         },
         8 * 11 + 2, 2 * 8 * 9},
        {"cone frustum", [](auto d, auto m, auto a) { return D3DXCreateCylinder(d, 2, 0.5f, 3, 5, 1, m, a); }, 22, 20},
        {"cylinder slices clamped to 239",
         [](auto d, auto m, auto a) { return D3DXCreateCylinder(d, 1, 1, 1, 240, 1, m, a); }, 239 * 4 + 2, 2 * 239 * 2},
        {"torus defaults",
         [](auto d, auto m, auto a) {
             return D3DXCreateTorus(d, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT_FLOAT, D3DX_DEFAULT, D3DX_DEFAULT, m, a);
         },
         120, 240},
        {"thin torus", [](auto d, auto m, auto a) { return D3DXCreateTorus(d, 0.25f, 1, 3, 4, m, a); }, 12, 24},
        {"teapot", [](auto d, auto m, auto a) { return D3DXCreateTeapot(d, m, a); }, 1178, 2256},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> mesh;
        ComPtr<ID3DXBuffer> adjacency;
        ASSERT_EQ(c.make(device(), mesh.put(), adjacency.put()), S_OK);
        EXPECT_EQ(mesh->GetNumVertices(), c.vertices);
        EXPECT_EQ(mesh->GetNumFaces(), c.faces);
        EXPECT_EQ(mesh->GetFVF(), 0x12u);
        EXPECT_EQ(mesh->GetOptions(), D3DXMESH_MANAGED);
        expectClosedOutwardLit(mesh.get(), static_cast<const DWORD*>(adjacency->GetBufferPointer()), true);
    }
    EXPECT_TRUE(m_messages.texts().empty());
}

TEST_F(MeshTest, PolygonFacesUpAndIsOpenAtItsRim) {
    struct Case {
        const char* name;
        float length;
        UINT sides;
        UINT expectedSides;
    };
    const Case cases[] = {{"defaults", D3DX_DEFAULT_FLOAT, D3DX_DEFAULT, 3}, {"hexagon", 2.0f, 6, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ID3DXMesh> mesh;
        ComPtr<ID3DXBuffer> adjacency;
        ASSERT_EQ(D3DXCreatePolygon(device(), c.length, c.sides, mesh.put(), adjacency.put()), S_OK);
        ASSERT_EQ(mesh->GetNumFaces(), c.expectedSides);
        EXPECT_EQ(mesh->GetNumVertices(), c.expectedSides + 1);
        expectClosedOutwardLit(mesh.get(), nullptr, false);
        // Each side is as long as asked.
        const float expectedLength = c.length == D3DX_DEFAULT_FLOAT ? 1.0f : c.length;
        const D3DXVECTOR3 side = minus(positionOf(mesh.get(), 2), positionOf(mesh.get(), 1));
        EXPECT_NEAR(std::sqrt(dot(side, side)), expectedLength, 1e-5f);
        // The rim edges have no neighbour; the spokes have two.
        const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
        for (DWORD f = 0; f < c.expectedSides; ++f) {
            EXPECT_NE(a[3 * f], 0xFFFFFFFFu);
            EXPECT_EQ(a[3 * f + 1], 0xFFFFFFFFu);
            EXPECT_NE(a[3 * f + 2], 0xFFFFFFFFu);
        }
    }
}

TEST_F(MeshTest, BoxSidesKeepFlatNormalsAndExtents) {
    ComPtr<ID3DXMesh> box;
    ASSERT_EQ(D3DXCreateBox(device(), 2, 4, 6, box.put(), nullptr), S_OK);
    const std::vector<D3DXVECTOR3> positions = allOf(box.get(), 0);
    const std::vector<D3DXVECTOR3> normals = allOf(box.get(), 12);
    std::map<std::tuple<float, float, float>, int> corners;
    for (size_t v = 0; v < positions.size(); ++v) {
        EXPECT_EQ(std::fabs(positions[v].x), 1.0f);
        EXPECT_EQ(std::fabs(positions[v].y), 2.0f);
        EXPECT_EQ(std::fabs(positions[v].z), 3.0f);
        ++corners[{positions[v].x, positions[v].y, positions[v].z}];
        // A side's vertices lie on the side the normal names.
        EXPECT_GT(dot(positions[v], normals[v]), 0.0f);
    }
    EXPECT_EQ(corners.size(), 8u);
    for (const auto& [corner, uses] : corners) {
        EXPECT_EQ(uses, 3);
    }
}

}  // namespace
