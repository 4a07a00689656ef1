// D3DXCreateCylinder: a cylinder (or cone frustum) along the z axis, radius 1 at z = -length / 2
// and radius 2 at z = +length / 2, with flat caps.
//
// Vertices: the side's stacks + 1 rings of `slices` vertices (bottom to top, slice i at angle
// 2 pi i / slices from +x towards +y) with slanted side normals, then for each cap its centre and
// a ring of its own with the cap's normal (bottom cap first). The caps repeat the side's edge
// positions, so point representatives join them when adjacency is asked for. Slices stay below
// 240, as the sphere's angle tables do.
#include <algorithm>
#include <cmath>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/shape_frame.h"

namespace gfxutil::mesh {
namespace {

constexpr UINT kMaxSlices = 239;

class FaceWriter {
public:
    explicit FaceWriter(WORD* faces) : m_f(faces) {}
    void operator()(DWORD a, DWORD b, DWORD c) {
        *m_f++ = static_cast<WORD>(a);
        *m_f++ = static_cast<WORD>(b);
        *m_f++ = static_cast<WORD>(c);
    }

private:
    WORD* m_f;
};

void writeCylinder(float radius1, float radius2, float length, UINT slices, UINT stacks, ShapeVertex* v,
                   WORD* faces) {
    const double twoPi = 6.28318530717958647692;
    const float bottom = -0.5f * length;
    // The side's normal leans by the slope of the radius; a flat disc (no length, equal radii)
    // keeps the radial direction.
    float slopeXY = length;
    float slopeZ = radius1 - radius2;
    const float norm = std::sqrt(slopeXY * slopeXY + slopeZ * slopeZ);
    if (norm > 0.0f) {
        slopeXY /= norm;
        slopeZ /= norm;
    } else {
        slopeXY = 1.0f;
        slopeZ = 0.0f;
    }
    auto ring = [&](UINT i) {
        const double a = twoPi * i / slices;
        return std::make_pair(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
    };
    DWORD n = 0;
    for (UINT j = 0; j <= stacks; ++j) {
        const float t = static_cast<float>(j) / static_cast<float>(stacks);
        const float r = radius1 + (radius2 - radius1) * t;
        const float z = bottom + length * t;
        for (UINT i = 0; i < slices; ++i) {
            const auto [c, s] = ring(i);
            v[n++] = {D3DXVECTOR3(r * c, r * s, z), D3DXVECTOR3(slopeXY * c, slopeXY * s, slopeZ)};
        }
    }
    const DWORD bottomCentre = n;
    v[n++] = {D3DXVECTOR3(0.0f, 0.0f, bottom), D3DXVECTOR3(0.0f, 0.0f, -1.0f)};
    const DWORD bottomRing = n;
    for (UINT i = 0; i < slices; ++i) {
        const auto [c, s] = ring(i);
        v[n++] = {D3DXVECTOR3(radius1 * c, radius1 * s, bottom), D3DXVECTOR3(0.0f, 0.0f, -1.0f)};
    }
    const DWORD topCentre = n;
    v[n++] = {D3DXVECTOR3(0.0f, 0.0f, -bottom), D3DXVECTOR3(0.0f, 0.0f, 1.0f)};
    const DWORD topRing = n;
    for (UINT i = 0; i < slices; ++i) {
        const auto [c, s] = ring(i);
        v[n++] = {D3DXVECTOR3(radius2 * c, radius2 * s, -bottom), D3DXVECTOR3(0.0f, 0.0f, 1.0f)};
    }

    FaceWriter face(faces);
    for (UINT j = 0; j < stacks; ++j) {
        const DWORD b = j * slices;
        const DWORD above = b + slices;
        for (UINT i = 0; i < slices; ++i) {
            const UINT next = (i + 1) % slices;
            face(b + i, b + next, above + i);
            face(b + next, above + next, above + i);
        }
    }
    for (UINT i = 0; i < slices; ++i) {
        const UINT next = (i + 1) % slices;
        face(bottomCentre, bottomRing + next, bottomRing + i);
        face(topCentre, topRing + i, topRing + next);
    }
}

bool refuseBelow(bool refused, const char* message) {
    if (refused) {
        DebugMessage(0, "%s", message);
    }
    return refused;
}

}  // namespace
}  // namespace gfxutil::mesh

HRESULT D3DXCreateCylinder(IDirect3DDevice9* pDevice, FLOAT Radius1, FLOAT Radius2, FLOAT Length, UINT Slices,
                           UINT Stacks, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (Radius1 == D3DX_DEFAULT_FLOAT) Radius1 = 1.0f;
    if (Radius2 == D3DX_DEFAULT_FLOAT) Radius2 = 1.0f;
    if (Length == D3DX_DEFAULT_FLOAT) Length = 1.0f;
    if (Slices == D3DX_DEFAULT) Slices = 8;
    if (Stacks == D3DX_DEFAULT) Stacks = 8;
    if (!checkShapeOutputs(pDevice, ppMesh) || refuseBelow(Radius1 < 0.0f, "fRadius1 must be >= 0.0f") ||
        refuseBelow(Radius2 < 0.0f, "fRadius2 must be >= 0.0f") || refuseBelow(Length < 0.0f, "fLength must be >= 0.0f") ||
        refuseBelow(Slices < 2, "uSlices must be >= 2") || refuseBelow(Stacks < 1, "uStacks must be >= 1")) {
        return D3DERR_INVALIDCALL;
    }
    Slices = std::min(Slices, kMaxSlices);
    ShapeRequest request;
    request.device = pDevice;
    request.faces = saturatedCount(2ull * Slices * (Stacks + 1ull));
    request.vertices = saturatedCount(static_cast<unsigned long long>(Slices) * (Stacks + 3ull) + 2);
    request.pointRepsByPosition = true;
    request.write = [=](ShapeVertex* vertices, WORD* faces) {
        writeCylinder(Radius1, Radius2, Length, Slices, Stacks, vertices, faces);
    };
    return buildShape(request, ppMesh, ppAdjacency);
}
