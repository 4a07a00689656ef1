// D3DXCreatePolygon: a regular polygon of `sides` sides of length `length` in the z = 0 plane,
// facing +z, as a fan around a centre vertex. Vertex 0 is the centre; vertex 1 + i is corner i at
// angle 2 pi i / sides from the +x axis, counter-clockwise seen from +z.
#include <cmath>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/shape_frame.h"

namespace {

void writePolygon(float length, DWORD sides, gfxutil::mesh::ShapeVertex* vertices, WORD* faces) {
    const double pi = 3.14159265358979323846;
    // The circumradius that gives sides of the requested length.
    const float radius = static_cast<float>(length / (2.0 * std::sin(pi / sides)));
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    vertices[0] = {D3DXVECTOR3(0.0f, 0.0f, 0.0f), up};
    for (DWORD i = 0; i < sides; ++i) {
        const double angle = 2.0 * pi * i / sides;
        vertices[1 + i] = {D3DXVECTOR3(static_cast<float>(radius * std::cos(angle)),
                                       static_cast<float>(radius * std::sin(angle)), 0.0f),
                           up};
        faces[3 * i] = 0;
        faces[3 * i + 1] = static_cast<WORD>(1 + i);
        faces[3 * i + 2] = static_cast<WORD>(1 + (i + 1) % sides);
    }
}

}  // namespace

HRESULT D3DXCreatePolygon(IDirect3DDevice9* pDevice, FLOAT Length, UINT Sides, ID3DXMesh** ppMesh,
                          ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (Length == D3DX_DEFAULT_FLOAT) Length = 1.0f;
    if (Sides == D3DX_DEFAULT) Sides = 3;
    if (!checkShapeOutputs(pDevice, ppMesh)) {
        return D3DERR_INVALIDCALL;
    }
    if (Length < 0.0f) {
        DebugMessage(0, "fLength must be >= 0.0f");
        return D3DERR_INVALIDCALL;
    }
    if (Sides < 3) {
        DebugMessage(0, "uSides must be >= 3");
        return D3DERR_INVALIDCALL;
    }
    ShapeRequest request;
    request.device = pDevice;
    request.faces = Sides;
    request.vertices = saturatedCount(Sides + 1ull);
    request.write = [=](ShapeVertex* vertices, WORD* faces) { writePolygon(Length, Sides, vertices, faces); };
    return buildShape(request, ppMesh, ppAdjacency);
}
