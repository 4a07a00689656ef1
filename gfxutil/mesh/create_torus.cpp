// D3DXCreateTorus: a torus around the z axis. The inner radius is the tube's radius, the outer
// radius that of the circle the tube's centre follows (so the defaults 1 and 2 give a torus that
// just closes its hole). Vertex r * sides + s sits on ring r (angle 2 pi r / rings around z) at
// side s (angle 2 pi s / sides around the tube, starting at the outer equator and rising towards
// +z). The seams close by index wrap-around, so no vertex is repeated.
#include <cmath>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/shape_frame.h"

namespace {

using gfxutil::mesh::ShapeVertex;

void writeTorus(float inner, float outer, UINT sides, UINT rings, ShapeVertex* vertices, WORD* faces) {
    const double twoPi = 6.28318530717958647692;
    for (UINT r = 0; r < rings; ++r) {
        const double phi = twoPi * r / rings;
        const float cp = static_cast<float>(std::cos(phi));
        const float sp = static_cast<float>(std::sin(phi));
        for (UINT s = 0; s < sides; ++s) {
            const double theta = twoPi * s / sides;
            const float ct = static_cast<float>(std::cos(theta));
            const float st = static_cast<float>(std::sin(theta));
            const D3DXVECTOR3 n(ct * cp, ct * sp, st);
            vertices[r * sides + s] = {
                D3DXVECTOR3(outer * cp + inner * n.x, outer * sp + inner * n.y, inner * n.z), n};
        }
    }
    WORD* f = faces;
    for (UINT r = 0; r < rings; ++r) {
        const UINT r2 = (r + 1) % rings;
        for (UINT s = 0; s < sides; ++s) {
            const UINT s2 = (s + 1) % sides;
            const WORD a = static_cast<WORD>(r * sides + s);
            const WORD b = static_cast<WORD>(r2 * sides + s);
            const WORD c = static_cast<WORD>(r * sides + s2);
            const WORD d = static_cast<WORD>(r2 * sides + s2);
            const WORD quad[6] = {a, b, c, b, d, c};
            for (WORD index : quad) {
                *f++ = index;
            }
        }
    }
}

}  // namespace

HRESULT D3DXCreateTorus(IDirect3DDevice9* pDevice, FLOAT InnerRadius, FLOAT OuterRadius, UINT Sides, UINT Rings,
                        ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (InnerRadius == D3DX_DEFAULT_FLOAT) InnerRadius = 1.0f;
    if (OuterRadius == D3DX_DEFAULT_FLOAT) OuterRadius = 2.0f;
    if (Sides == D3DX_DEFAULT) Sides = 8;
    if (Rings == D3DX_DEFAULT) Rings = 15;
    if (!checkShapeOutputs(pDevice, ppMesh)) {
        return D3DERR_INVALIDCALL;
    }
    const char* refusal = InnerRadius < 0.0f ? "fInnerRadius must be >= 0.0f"
                          : OuterRadius < 0.0f ? "fOuterRadius must be >= 0.0f"
                          : Sides < 3          ? "uSides must be >= 3"
                          : Rings < 3          ? "uRings must be >= 3"
                                               : nullptr;
    if (refusal != nullptr) {
        DebugMessage(0, "%s", refusal);
        return D3DERR_INVALIDCALL;
    }
    const unsigned long long vertices = static_cast<unsigned long long>(Sides) * Rings;
    ShapeRequest request;
    request.device = pDevice;
    request.faces = saturatedCount(2 * vertices);
    request.vertices = saturatedCount(vertices);
    request.write = [=](ShapeVertex* v, WORD* faces) { writeTorus(InnerRadius, OuterRadius, Sides, Rings, v, faces); };
    return buildShape(request, ppMesh, ppAdjacency);
}
