// Tri3Mesh: Optimize, OptimizeInplace and the internal consistency check BValid.
//
// Optimisation here means grouping: faces are sorted by attribute id (stably, so each subset keeps
// its face order) when any reordering flag is given, and vertices are renumbered in the order the
// new faces first use them, so each subset's vertices come out close together; with
// D3DXMESHOPT_COMPACT vertices no face uses are dropped, otherwise they follow in their old order.
// The sorted mesh gets an attribute table, one entry per subset, so DrawSubset issues one call per
// subset. No vertex-cache reordering is done within a subset (FIXME: a cache-aware face order
// would use the recorded tuning values).
#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;
constexpr DWORD kReorderFlags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER;

// One entry per run of equal ids, with the vertex range its faces use.
std::vector<D3DXATTRIBUTERANGE> buildAttributeTable(const std::vector<DWORD>& ids, const std::vector<DWORD>& faces,
                                                    DWORD vertexCount) {
    std::vector<D3DXATTRIBUTERANGE> table;
    for (DWORD f = 0; f < ids.size(); ++f) {
        if (table.empty() || table.back().AttribId != ids[f]) {
            table.push_back(D3DXATTRIBUTERANGE{ids[f], f, 0, kNone, 0});
        }
        D3DXATTRIBUTERANGE& e = table.back();
        ++e.FaceCount;
        for (int k = 0; k < 3; ++k) {
            const DWORD v = faces[3 * size_t{f} + k];
            if (v >= vertexCount) {
                continue;
            }
            const DWORD end = e.VertexStart == kNone ? v + 1 : std::max(e.VertexStart + e.VertexCount, v + 1);
            e.VertexStart = e.VertexStart == kNone ? v : std::min(e.VertexStart, v);
            e.VertexCount = end - e.VertexStart;
        }
    }
    for (D3DXATTRIBUTERANGE& e : table) {
        if (e.VertexStart == kNone) {
            e.VertexStart = 0;
        }
    }
    return table;
}

// The new order of faces and vertices, and the faces and ids in that order.
struct Reordering {
    std::vector<DWORD> faceOrder;    // new face -> old face
    std::vector<DWORD> newFaceOf;    // old face -> new face
    std::vector<DWORD> vertexOrder;  // new vertex -> old vertex
    std::vector<DWORD> newFaces;     // three new vertex indices per new face, kNone for none
    std::vector<DWORD> ids;          // attribute id per new face
};

// Plans the reordering of `faces` (three old vertex indices each, kNone for none). Allocation
// failures surface as std::bad_alloc, which the caller turns into a status.
Reordering planReordering(const std::vector<DWORD>& faces, const DWORD* ids, DWORD vertexCount, DWORD flags) {
    const DWORD faceCount = static_cast<DWORD>(faces.size() / 3);
    const bool renumber = (flags & D3DXMESHOPT_IGNOREVERTS) == 0;
    Reordering r;
    r.faceOrder.resize(faceCount);
    r.newFaceOf.resize(faceCount);
    std::iota(r.faceOrder.begin(), r.faceOrder.end(), DWORD{0});
    if ((flags & kReorderFlags) != 0) {
        std::stable_sort(r.faceOrder.begin(), r.faceOrder.end(), [&](DWORD a, DWORD b) { return ids[a] < ids[b]; });
    }
    std::vector<DWORD> newVertexOf(vertexCount, kNone);
    for (DWORD n = 0; n < faceCount; ++n) {
        r.newFaceOf[r.faceOrder[n]] = n;
        for (int k = 0; k < 3; ++k) {
            const DWORD v = faces[3 * size_t{r.faceOrder[n]} + k];
            if (renumber && v < vertexCount && newVertexOf[v] == kNone) {
                newVertexOf[v] = static_cast<DWORD>(r.vertexOrder.size());
                r.vertexOrder.push_back(v);
            }
        }
    }
    for (DWORD v = 0; v < vertexCount; ++v) {
        if (newVertexOf[v] == kNone && (!renumber || (flags & D3DXMESHOPT_COMPACT) == 0)) {
            newVertexOf[v] = static_cast<DWORD>(r.vertexOrder.size());
            r.vertexOrder.push_back(v);
        }
    }
    r.newFaces.resize(faces.size());
    r.ids.resize(faceCount);
    for (DWORD n = 0; n < faceCount; ++n) {
        r.ids[n] = ids[r.faceOrder[n]];
        for (int k = 0; k < 3; ++k) {
            const DWORD v = faces[3 * size_t{r.faceOrder[n]} + k];
            r.newFaces[3 * size_t{n} + k] = v < vertexCount ? newVertexOf[v] : kNone;
        }
    }
    return r;
}

// Rewrites the mesh's vertices and faces in the new order. `scratch` holds the old vertices.
template <class Index>
HRESULT writeReordered(ID3DXMesh* mesh, const Reordering& r, UINT stride, std::vector<BYTE>& scratch) {
    void* data = nullptr;
    HRESULT hr = mesh->LockVertexBuffer(0, &data);
    if (FAILED(hr)) {
        return hr;
    }
    BYTE* bytes = static_cast<BYTE*>(data);
    std::memcpy(scratch.data(), bytes, scratch.size());
    for (size_t n = 0; n < r.vertexOrder.size(); ++n) {
        std::memcpy(bytes + n * stride, scratch.data() + static_cast<size_t>(r.vertexOrder[n]) * stride, stride);
    }
    mesh->UnlockVertexBuffer();
    hr = mesh->LockIndexBuffer(0, &data);
    if (FAILED(hr)) {
        return hr;
    }
    Index* indices = static_cast<Index*>(data);
    for (size_t i = 0; i < r.newFaces.size(); ++i) {
        indices[i] = r.newFaces[i] == kNone ? static_cast<Index>(~Index{0}) : static_cast<Index>(r.newFaces[i]);
    }
    mesh->UnlockIndexBuffer();
    return S_OK;
}

}  // namespace

template <class Index>
HRESULT Tri3Mesh<Index>::OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                         DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap) {
    if ((m_dwOptions & D3DXMESH_IB_WRITEONLY) != 0 || (m_dwOptions & D3DXMESH_VB_WRITEONLY) != 0) {
        DebugMessage(0, "OptimizeInplace: Cannot optimize a mesh whose buffers are write only");
        return D3DERR_INVALIDCALL;
    }
    const DWORD faceCount = m_cFaces;
    std::vector<DWORD> faces, adjacencyIn;
    std::vector<BYTE> scratch;
    Reordering r;
    HRESULT hr = lockOwnFaces();
    if (FAILED(hr)) {
        return hr;
    }
    try {
        faces.assign(m_pFaces, m_pFaces + 3 * size_t{faceCount});
        for (DWORD& v : faces) {
            v = v == UNUSED ? kNone : v;
        }
        if (pAdjacencyIn != nullptr && pAdjacencyOut != nullptr) {
            adjacencyIn.assign(pAdjacencyIn, pAdjacencyIn + 3 * size_t{faceCount});  // the two may be one array
        }
        r = planReordering(faces, m_rgiAttributeIds.data(), m_cVertices, Flags);
        scratch.resize(static_cast<size_t>(m_cVertices) * m_cBytesPerVertex);
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    unlockOwnFaces();
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD newVertexCount = static_cast<DWORD>(r.vertexOrder.size());
    ComPtr<ID3DXBuffer> vertexRemap;
    if (ppVertexRemap != nullptr) {
        hr = D3DXCreateBuffer(newVertexCount * sizeof(DWORD), vertexRemap.put());
        if (FAILED(hr)) {
            return hr;
        }
        if (newVertexCount > 0) {
            std::memcpy(vertexRemap->GetBufferPointer(), r.vertexOrder.data(), newVertexCount * sizeof(DWORD));
        }
    }
    hr = writeReordered<Index>(this, r, m_cBytesPerVertex, scratch);
    if (FAILED(hr)) {
        return hr;
    }
    m_cVertices = newVertexCount;
    std::copy(r.ids.begin(), r.ids.end(), m_rgiAttributeIds.begin());
    hr = rebuildAttributeTable((Flags & kReorderFlags) != 0, r.ids, r.newFaces);
    if (FAILED(hr)) {
        return hr;
    }
    if (pAdjacencyOut != nullptr) {
        if (pAdjacencyIn != nullptr) {
            for (size_t i = 0; i < adjacencyIn.size(); ++i) {
                const DWORD a = adjacencyIn[3 * size_t{r.faceOrder[i / 3]} + i % 3];
                pAdjacencyOut[i] = a < faceCount ? r.newFaceOf[a] : kNone;
            }
        } else if (FAILED(hr = ConvertPointRepsToAdjacency(nullptr, pAdjacencyOut))) {
            return hr;
        }
    }
    if (pFaceRemap != nullptr) {
        std::copy(r.faceOrder.begin(), r.faceOrder.end(), pFaceRemap);
    }
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = vertexRemap.detach();
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::rebuildAttributeTable(bool sorted, const std::vector<DWORD>& ids,
                                               const std::vector<DWORD>& faces) {
    // Faces sorted by id get a table; otherwise the old table no longer matches the faces.
    m_rgaeAttributeTable.clear();
    m_caeAttributeTable = 0;
    m_dwState &= ~kStateAttributeTable;
    if (!sorted) {
        return S_OK;
    }
    try {
        m_rgaeAttributeTable = buildAttributeTable(ids, faces, m_cVertices);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    m_caeAttributeTable = static_cast<DWORD>(m_rgaeAttributeTable.size());
    m_dwState |= kStateAttributeTable;
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                  ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) {
    if (ppOptMesh == nullptr) {
        DebugMessage(0, "Optimize: ppOptMesh cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    ComPtr<ID3DXMesh> copy;
    HRESULT hr = CloneMesh(Flags & kValidCreateOptions, m_pDecl, m_pDevice.get(), copy.put());
    if (FAILED(hr)) {
        return hr;
    }
    hr = copy->OptimizeInplace(Flags, pAdjacencyIn, pAdjacencyOut, pFaceRemap, ppVertexRemap);
    if (FAILED(hr)) {
        return hr;
    }
    *ppOptMesh = copy.detach();
    return S_OK;
}

template <class Index>
bool Tri3Mesh<Index>::BValid(const Index* faces) {
    if (faces == nullptr && m_cFaces > 0) {
        return false;
    }
    for (size_t i = 0; i < 3 * size_t{m_cFaces}; ++i) {
        if (faces[i] != UNUSED && faces[i] >= m_cVertices) {
            return false;
        }
    }
    if ((m_dwState & kStateNeighbours) != 0) {
        for (DWORD f = 0; f < m_cFaces; ++f) {
            for (int k = 0; k < 3; ++k) {
                const Index n = m_rgpgNeighbours[3 * size_t{f} + k];
                if (n == UNUSED) {
                    continue;
                }
                if (n >= m_cFaces) {
                    return false;
                }
                const Index* back = &m_rgpgNeighbours[3 * size_t{n}];
                if (back[0] != f && back[1] != f && back[2] != f) {
                    return false;
                }
            }
        }
    }
    if ((m_dwState & kStatePointReps) != 0) {
        for (DWORD v = 0; v < m_cVertices; ++v) {
            const Index r = m_rgwPointReps[v];
            if (r >= m_cVertices || m_rgwPointReps[r] != r) {
                return false;
            }
        }
    }
    for (DWORD i = 0; i < m_caeAttributeTable; ++i) {
        const D3DXATTRIBUTERANGE& e = m_rgaeAttributeTable[i];
        if (e.FaceStart > m_cFaces || e.FaceCount > m_cFaces - e.FaceStart || e.VertexStart > m_cVertices ||
            e.VertexCount > m_cVertices - e.VertexStart) {
            return false;
        }
        for (DWORD f = e.FaceStart; f < e.FaceStart + e.FaceCount; ++f) {
            if (m_rgiAttributeIds[f] != e.AttribId) {
                return false;
            }
        }
    }
    return true;
}

#define GFX_INSTANTIATE_OPTIMIZE(Index)                                                                        \
    template HRESULT Tri3Mesh<Index>::OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**);     \
    template HRESULT Tri3Mesh<Index>::Optimize(DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**, ID3DXMesh**); \
    template bool Tri3Mesh<Index>::BValid(const Index*);                                                        \
    template HRESULT Tri3Mesh<Index>::rebuildAttributeTable(bool, const std::vector<DWORD>&, const std::vector<DWORD>&);
GFX_INSTANTIATE_OPTIMIZE(WORD)
GFX_INSTANTIATE_OPTIMIZE(DWORD)
#undef GFX_INSTANTIATE_OPTIMIZE

}  // namespace gfxutil::mesh
