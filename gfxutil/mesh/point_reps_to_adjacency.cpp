// Tri3Mesh::ConvertPointRepsToAdjacency: which face lies across each edge.
//
// Every edge of every face is one half-edge keyed by its two end points (through the point
// representatives). Half-edges with the same two points are grouped; within a group, half-edges
// running in opposite directions are paired first, in face order (a consistently wound surface
// pairs exactly so), and what remains of the group is paired in face order, so that surfaces with
// a flipped face still come out connected. When more than two faces share an edge, the faces
// beyond the first pair of each kind stay without a neighbour on it.
#include <algorithm>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

struct HalfEdge {
    DWORD low;
    DWORD high;
    DWORD slot;      // 3 * face + edge
    bool forwards;   // runs from low to high
};

void pairGroup(const HalfEdge* begin, const HalfEdge* end, DWORD* adjacency) {
    std::vector<const HalfEdge*> forwards;
    std::vector<const HalfEdge*> backwards;
    for (const HalfEdge* h = begin; h != end; ++h) {
        (h->forwards ? forwards : backwards).push_back(h);
    }
    const size_t opposite = std::min(forwards.size(), backwards.size());
    std::vector<const HalfEdge*> rest;
    for (size_t i = 0; i < opposite; ++i) {
        adjacency[forwards[i]->slot] = backwards[i]->slot / 3;
        adjacency[backwards[i]->slot] = forwards[i]->slot / 3;
    }
    const auto& longer = forwards.size() > opposite ? forwards : backwards;
    for (size_t i = opposite; i + 1 < longer.size(); i += 2) {
        adjacency[longer[i]->slot] = longer[i + 1]->slot / 3;
        adjacency[longer[i + 1]->slot] = longer[i]->slot / 3;
    }
}

}  // namespace

template <class Index>
HRESULT Tri3Mesh<Index>::ConvertPointRepsToAdjacency(const DWORD* pPRep, DWORD* pAdjacency) {
    if (pAdjacency == nullptr) {
        DebugMessage(0, "ConvertPointRepsToAdjacency: Adjacency out parameter must not be NULL\n");
        return D3DERR_INVALIDCALL;
    }
    if ((m_dwOptions & D3DXMESH_IB_WRITEONLY) != 0) {
        DebugMessage(0, "ConvertPointRepsToAdjacency: Cannot generate adjacency when the mesh's index buffer is "
                        "write only.\n");
        return D3DERR_INVALIDCALL;
    }
    std::vector<HalfEdge> edges;
    try {
        edges.reserve(3 * size_t{m_cFaces});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = lockOwnFaces();
    if (FAILED(hr)) {
        return hr;
    }
    std::fill_n(pAdjacency, 3 * size_t{m_cFaces}, 0xFFFFFFFFu);
    for (DWORD f = 0; f < m_cFaces; ++f) {
        if (!faceInRange(f)) {
            continue;  // unused or broken faces join nothing
        }
        DWORD p[3];
        for (int k = 0; k < 3; ++k) {
            const DWORD v = m_pFaces[3 * size_t{f} + k];
            p[k] = pPRep != nullptr ? pPRep[v] : v;
        }
        if (p[0] == p[1] || p[1] == p[2] || p[2] == p[0]) {
            continue;  // a degenerate face has no edges to share
        }
        for (DWORD k = 0; k < 3; ++k) {
            const DWORD a = p[k];
            const DWORD b = p[(k + 1) % 3];
            edges.push_back(HalfEdge{std::min(a, b), std::max(a, b), 3 * f + k, a < b});
        }
    }
    unlockOwnFaces();
    std::sort(edges.begin(), edges.end(), [](const HalfEdge& x, const HalfEdge& y) {
        return x.low != y.low ? x.low < y.low : x.high != y.high ? x.high < y.high : x.slot < y.slot;
    });
    try {
        for (size_t i = 0; i < edges.size();) {
            size_t j = i + 1;
            while (j < edges.size() && edges[j].low == edges[i].low && edges[j].high == edges[i].high) {
                ++j;
            }
            pairGroup(edges.data() + i, edges.data() + j, pAdjacency);
            i = j;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

template HRESULT Tri3Mesh<WORD>::ConvertPointRepsToAdjacency(const DWORD*, DWORD*);
template HRESULT Tri3Mesh<DWORD>::ConvertPointRepsToAdjacency(const DWORD*, DWORD*);

}  // namespace gfxutil::mesh
