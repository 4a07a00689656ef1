// D3DXCreateSphere: a latitude-longitude sphere centred at the origin with its poles on the z axis.
//
// Vertex 0 is the north pole (0, 0, r), then T - 1 rings of S vertices from north to south, then
// the south pole. Slice 0 lies on the +y side of the y-z plane and slices advance towards +x.
// Faces are the north cap, the bands between rings (two triangles per quad) and the south cap,
// each wound so that (p1 - p0) x (p2 - p0) points outwards. The seam closes by index wrap-around,
// so no vertex is repeated. Angles end in single precision: the tables hold the cosine and sine
// of each angle, each rounded to float, computed once per slice and once per stack.
#include <algorithm>
#include <cmath>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/shape_frame.h"

namespace gfxutil::mesh {
namespace {

constexpr UINT kMaxSlicesOrStacks = 240;  // the angle tables' size
constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.1415927f;

struct AngleTable {
    std::vector<float> cosines;
    std::vector<float> sines;
};

// cos and sin of (k * span) / count for k = 0 .. count - 1, each angle and value in float.
AngleTable angleTable(UINT count, float span) {
    AngleTable t;
    t.cosines.resize(count);
    t.sines.resize(count);
    for (UINT k = 0; k < count; ++k) {
        const float angle = static_cast<float>(k) * span / static_cast<float>(count);
        t.cosines[k] = static_cast<float>(std::cos(static_cast<double>(angle)));
        t.sines[k] = static_cast<float>(std::sin(static_cast<double>(angle)));
    }
    return t;
}

void writeSphere(float radius, UINT slices, UINT stacks, ShapeVertex* vertices, WORD* faces) {
    const AngleTable theta = angleTable(slices, kTwoPi);
    const AngleTable phi = angleTable(stacks, kPi);
    const DWORD ringVertices = slices * (stacks - 1);
    ShapeVertex* v = vertices;
    *v++ = ShapeVertex{D3DXVECTOR3(0.0f, 0.0f, radius), D3DXVECTOR3(0.0f, 0.0f, 1.0f)};
    for (UINT j = 1; j < stacks; ++j) {
        for (UINT i = 0; i < slices; ++i) {
            const D3DXVECTOR3 n(phi.sines[j] * theta.sines[i], phi.sines[j] * theta.cosines[i], phi.cosines[j]);
            *v++ = ShapeVertex{D3DXVECTOR3(radius * n.x, radius * n.y, radius * n.z), n};
        }
    }
    *v = ShapeVertex{D3DXVECTOR3(0.0f, 0.0f, -radius), D3DXVECTOR3(0.0f, 0.0f, -1.0f)};

    WORD* f = faces;
    auto face = [&f](DWORD a, DWORD b, DWORD c) {
        *f++ = static_cast<WORD>(a);
        *f++ = static_cast<WORD>(b);
        *f++ = static_cast<WORD>(c);
    };
    for (UINT i = 0; i < slices; ++i) {
        const UINT next = (i + 1) % slices;
        face(0, 1 + next, 1 + i);
    }
    for (UINT j = 1; j + 1 < stacks; ++j) {
        const DWORD b = 1 + (j - 1) * slices;
        const DWORD below = b + slices;
        for (UINT i = 0; i < slices; ++i) {
            const UINT next = (i + 1) % slices;
            face(b + i, b + next, below + i);
            face(b + next, below + next, below + i);
        }
    }
    const DWORD c = 1 + (stacks - 2) * slices;
    const DWORD south = ringVertices + 1;
    for (UINT i = 0; i < slices; ++i) {
        const UINT next = (i + 1) % slices;
        face(c + i, c + next, south);
    }
}

}  // namespace
}  // namespace gfxutil::mesh

HRESULT D3DXCreateSphere(IDirect3DDevice9* pDevice, FLOAT Radius, UINT Slices, UINT Stacks, ID3DXMesh** ppMesh,
                         ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (Radius == D3DX_DEFAULT_FLOAT) Radius = 1.0f;
    if (Slices == D3DX_DEFAULT) Slices = 8;
    if (Stacks == D3DX_DEFAULT) Stacks = 8;
    if (!checkShapeOutputs(pDevice, ppMesh)) {
        return D3DERR_INVALIDCALL;
    }
    if (Radius < 0.0f) {
        DebugMessage(0, "fRadius must be >= 0.0f");
        return D3DERR_INVALIDCALL;
    }
    if (Slices < 2) {
        DebugMessage(0, "uSlices must be >= 2");
        return D3DERR_INVALIDCALL;
    }
    if (Stacks < 2) {
        DebugMessage(0, "uStacks must be >= 2");
        return D3DERR_INVALIDCALL;
    }
    Slices = std::min(Slices, kMaxSlicesOrStacks);
    Stacks = std::min(Stacks, kMaxSlicesOrStacks);
    const DWORD ring = Slices * (Stacks - 1);
    ShapeRequest request;
    request.device = pDevice;
    request.faces = 2 * ring;
    request.vertices = ring + 2;
    request.write = [=](ShapeVertex* vertices, WORD* faces) { writeSphere(Radius, Slices, Stacks, vertices, faces); };
    return buildShape(request, ppMesh, ppAdjacency);
}
