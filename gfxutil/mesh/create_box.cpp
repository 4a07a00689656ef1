// D3DXCreateBox: an axis-aligned box centred at the origin, four vertices per side so each side
// has its own flat normal; point representatives join the 24 vertices into the 8 corners when
// adjacency is asked for.
#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/shape_frame.h"

namespace gfxutil::mesh {
namespace {

struct Side {
    D3DXVECTOR3 normal;
    D3DXVECTOR3 u;  // u x v = normal, so the corners below run counter-clockwise about it
    D3DXVECTOR3 v;
};

constexpr Side kSides[6] = {
    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
    {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
};

void writeBox(float width, float height, float depth, ShapeVertex* vertices, WORD* faces) {
    const float half[3] = {width * 0.5f, height * 0.5f, depth * 0.5f};
    static constexpr float kCorner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (WORD s = 0; s < 6; ++s) {
        const Side& side = kSides[s];
        for (int c = 0; c < 4; ++c) {
            const float a = kCorner[c][0];
            const float b = kCorner[c][1];
            const D3DXVECTOR3 unit(side.normal.x + a * side.u.x + b * side.v.x,
                                   side.normal.y + a * side.u.y + b * side.v.y,
                                   side.normal.z + a * side.u.z + b * side.v.z);
            vertices[4 * s + c] =
                ShapeVertex{D3DXVECTOR3(unit.x * half[0], unit.y * half[1], unit.z * half[2]), side.normal};
        }
        const WORD base = static_cast<WORD>(4 * s);
        const WORD quad[6] = {base, static_cast<WORD>(base + 1), static_cast<WORD>(base + 2),
                              base, static_cast<WORD>(base + 2), static_cast<WORD>(base + 3)};
        for (int k = 0; k < 6; ++k) {
            faces[6 * s + k] = quad[k];
        }
    }
}

bool checkExtent(float value, const char* message) {
    if (value < 0.0f) {
        DebugMessage(0, "%s", message);
        return false;
    }
    return true;
}

}  // namespace
}  // namespace gfxutil::mesh

HRESULT D3DXCreateBox(IDirect3DDevice9* pDevice, FLOAT Width, FLOAT Height, FLOAT Depth, ID3DXMesh** ppMesh,
                      ID3DXBuffer** ppAdjacency) {
    using namespace gfxutil::mesh;
    if (Width == D3DX_DEFAULT_FLOAT) Width = 1.0f;
    if (Height == D3DX_DEFAULT_FLOAT) Height = 1.0f;
    if (Depth == D3DX_DEFAULT_FLOAT) Depth = 1.0f;
    if (!checkShapeOutputs(pDevice, ppMesh) || !checkExtent(Width, "fWidth must be >= 0.0f") ||
        !checkExtent(Height, "fHeight must be >= 0.0f") || !checkExtent(Depth, "fDepth must be >= 0.0f")) {
        return D3DERR_INVALIDCALL;
    }
    ShapeRequest request;
    request.device = pDevice;
    request.faces = 12;
    request.vertices = 24;
    request.pointRepsByPosition = true;
    request.write = [=](ShapeVertex* vertices, WORD* faces) { writeBox(Width, Height, Depth, vertices, faces); };
    return buildShape(request, ppMesh, ppAdjacency);
}
