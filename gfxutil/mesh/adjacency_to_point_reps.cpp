// Tri3Mesh::ConvertAdjacencyToPointReps: vertices at one point of a connected surface share one
// representative, found by walking the fan of faces around each corner through the adjacency.
//
// The adjacency comes from the caller and is checked as it is walked: a neighbour outside the
// face range, or one that does not name the face it was reached from, makes the mesh invalid
// (D3DXERR_INVALIDMESH) instead of steering the walk through memory it does not own, and a walk
// longer than 10,000 faces is taken for a loop. Representatives are only ever given to vertices
// that have none yet, so the first vertex met at a point stays its own representative even where
// two fans meet at one vertex.
#include <algorithm>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;
constexpr DWORD kMaxFanFaces = 10000;

HRESULT badLoop() {
    DebugMessage(0, "ConvertAdjacencyToPointReps: Possible bad adjacency loop found cannot continue");
    DebugMessage(0, "ConvertAdjacencyToPointReps:   Try calling D3DXValidMesh for more information");
    return D3DXERR_INVALIDMESH;
}

HRESULT badNeighbour(DWORD face) {
    DebugMessage(0, "ConvertAdjacencyToPointReps: Adjacency of face %u is inconsistent", face);
    return D3DXERR_INVALIDMESH;
}

// The edge of `face` whose neighbour is `from`, or 3 when there is none.
DWORD edgeBackTo(const DWORD* adjacency, DWORD face, DWORD from) {
    DWORD k = 0;
    while (k < 3 && adjacency[3 * size_t{face} + k] != from) {
        ++k;
    }
    return k;
}

}  // namespace

template <class Index>
HRESULT Tri3Mesh<Index>::walkFanForPointReps(DWORD startFace, DWORD startCorner, const DWORD* adjacency,
                                             DWORD* pointReps) {
    const DWORD rep = m_pFaces[3 * size_t{startFace} + startCorner];
    pointReps[rep] = rep;
    DWORD visited = 1;
    auto give = [&](DWORD face, DWORD corner) {
        const DWORD v = m_pFaces[3 * size_t{face} + corner];
        if (v < m_cVertices && pointReps[v] == kNone) {
            pointReps[v] = rep;
        }
    };
    // direction 0 crosses the edge leaving the point, direction 1 the edge entering it; the second
    // direction is walked only when the first ended at an open edge.
    for (int direction = 0; direction < 2; ++direction) {
        DWORD face = startFace;
        DWORD corner = startCorner;
        for (;;) {
            const DWORD edge = direction == 0 ? corner : (corner + 2) % 3;
            const DWORD next = adjacency[3 * size_t{face} + edge];
            if (next == kNone) {
                break;
            }
            if (next == startFace) {
                return S_OK;  // the fan is closed
            }
            if (next >= m_cFaces) {
                return badNeighbour(face);
            }
            const DWORD back = edgeBackTo(adjacency, next, face);
            if (back == 3) {
                return badNeighbour(next);
            }
            if (++visited > kMaxFanFaces) {
                return badLoop();
            }
            face = next;
            corner = direction == 0 ? (back + 1) % 3 : back;
            give(face, corner);
        }
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::ConvertAdjacencyToPointReps(const DWORD* pAdjacency, DWORD* pPRep) {
    if (pAdjacency == nullptr) {
        DebugMessage(0, "ConvertAdjacencyToPointReps: Failed because Adjacency array must not be NULL\n");
        return D3DERR_INVALIDCALL;
    }
    if (pPRep == nullptr) {
        DebugMessage(0, "ConvertAdjacencyToPointReps: Failed because PointRep output array must not be NULL\n");
        return D3DERR_INVALIDCALL;
    }
    if ((m_dwOptions & D3DXMESH_IB_WRITEONLY) != 0) {
        DebugMessage(0, "ConvertAdjacencyToPointReps: Cannot generate point reps when the mesh's index buffer is "
                        "write only.\n");
        return D3DERR_INVALIDCALL;
    }
    // Faces are visited range by range: the attribute table's order when there is one.
    std::vector<D3DXATTRIBUTERANGE> ranges;
    try {
        ranges.assign(m_rgaeAttributeTable.begin(), m_rgaeAttributeTable.begin() + m_caeAttributeTable);
        if (ranges.empty()) {
            ranges.push_back(D3DXATTRIBUTERANGE{0, 0, m_cFaces, 0, m_cVertices});
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    std::fill_n(pPRep, m_cVertices, kNone);
    HRESULT hr = lockOwnFaces();
    if (FAILED(hr)) {
        return hr;
    }
    for (const D3DXATTRIBUTERANGE& range : ranges) {
        for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount && SUCCEEDED(hr); ++f) {
            for (DWORD corner = 0; corner < 3 && SUCCEEDED(hr); ++corner) {
                const DWORD v = m_pFaces[3 * size_t{f} + corner];
                if (v < m_cVertices && pPRep[v] == kNone) {
                    hr = walkFanForPointReps(f, corner, pAdjacency, pPRep);
                }
            }
        }
        if (FAILED(hr)) {
            break;
        }
    }
    unlockOwnFaces();
    if (FAILED(hr)) {
        return hr;
    }
    for (DWORD v = 0; v < m_cVertices; ++v) {
        if (pPRep[v] == kNone) {
            pPRep[v] = v;  // no face uses it
        }
    }
    return S_OK;
}

#define GFX_INSTANTIATE_POINT_REPS(Index)                                                         \
    template HRESULT Tri3Mesh<Index>::ConvertAdjacencyToPointReps(const DWORD*, DWORD*);          \
    template HRESULT Tri3Mesh<Index>::walkFanForPointReps(DWORD, DWORD, const DWORD*, DWORD*);
GFX_INSTANTIATE_POINT_REPS(WORD)
GFX_INSTANTIATE_POINT_REPS(DWORD)
#undef GFX_INSTANTIATE_POINT_REPS

}  // namespace gfxutil::mesh
