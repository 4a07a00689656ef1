// The frame every shape generator shares: a managed 16-bit mesh of position and normal (FVF
// 0x12), filled in one pass through the locks, and the optional adjacency output.
//
// Counts are formed in 64 bits; a count that does not fit a DWORD is handed on as 0xFFFFFFFF, so
// mesh creation refuses it with the 16-bit limit message instead of creating a small mesh that
// the generator would then overrun.
#pragma once

#include <functional>
#include <vector>

#include "gfxutil/mesh/mesh.h"

namespace gfxutil::mesh {

struct ShapeVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
};
static_assert(sizeof(ShapeVertex) == 24);

inline constexpr DWORD kShapeFVF = D3DFVF_XYZ | D3DFVF_NORMAL;

DWORD saturatedCount(unsigned long long count);

// Writes every vertex and every face (three indices each) into the locked buffers.
using ShapeWriter = std::function<void(ShapeVertex* vertices, WORD* faces)>;

struct ShapeRequest {
    IDirect3DDevice9* device = nullptr;
    DWORD faces = 0;
    DWORD vertices = 0;
    ShapeWriter write;
    // Shapes that repeat a vertex along a hard edge join the copies through point
    // representatives when the caller asks for adjacency.
    bool pointRepsByPosition = false;
};

// Creates, fills and hands out the mesh (and the adjacency when ppAdjacency is given). On failure
// nothing is handed out: the mesh is released and an adjacency buffer already made is released
// and its output cleared.
HRESULT buildShape(const ShapeRequest& request, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);

// The common checks: a device and a mesh output, in that order.
bool checkShapeOutputs(IDirect3DDevice9* device, ID3DXMesh** ppMesh);

// One representative per distinct position: the first vertex at it.
std::vector<DWORD> pointRepsFromPositions(const ShapeVertex* vertices, DWORD count);

}  // namespace gfxutil::mesh
