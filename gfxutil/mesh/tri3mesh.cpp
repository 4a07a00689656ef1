// Tri3Mesh: construction, destruction and the plain accessors, locks and attribute operations.
#include "gfxutil/mesh/tri3mesh.h"

#include <algorithm>
#include <new>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/declarations.h"

namespace gfxutil::mesh {

// ---- options to pools and usages -------------------------------------------------------------------

// The system-memory bit wins over the managed bit.
D3DPOOL vertexPoolFor(DWORD options) {
    if ((options & D3DXMESH_VB_SYSTEMMEM) != 0) return D3DPOOL_SYSTEMMEM;
    if ((options & D3DXMESH_VB_MANAGED) != 0) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

D3DPOOL indexPoolFor(DWORD options) {
    if ((options & D3DXMESH_IB_SYSTEMMEM) != 0) return D3DPOOL_SYSTEMMEM;
    if ((options & D3DXMESH_IB_MANAGED) != 0) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

namespace {
DWORD sharedUsageFor(DWORD options) {
    DWORD usage = 0;
    if ((options & D3DXMESH_DONOTCLIP) != 0) usage |= D3DUSAGE_DONOTCLIP;
    if ((options & D3DXMESH_POINTS) != 0) usage |= D3DUSAGE_POINTS;
    if ((options & D3DXMESH_RTPATCHES) != 0) usage |= D3DUSAGE_RTPATCHES;
    if ((options & D3DXMESH_NPATCHES) != 0) usage |= D3DUSAGE_NPATCHES;
    return usage;
}
}  // namespace

DWORD vertexUsageFor(DWORD options) {
    DWORD usage = sharedUsageFor(options);
    if ((options & D3DXMESH_VB_WRITEONLY) != 0) usage |= D3DUSAGE_WRITEONLY;
    if ((options & D3DXMESH_VB_DYNAMIC) != 0) usage |= D3DUSAGE_DYNAMIC;
    if ((options & D3DXMESH_VB_SOFTWAREPROCESSING) != 0) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    return usage;
}

DWORD indexUsageFor(DWORD options) {
    DWORD usage = sharedUsageFor(options);
    if ((options & D3DXMESH_IB_WRITEONLY) != 0) usage |= D3DUSAGE_WRITEONLY;
    if ((options & D3DXMESH_IB_DYNAMIC) != 0) usage |= D3DUSAGE_DYNAMIC;
    if ((options & D3DXMESH_IB_SOFTWAREPROCESSING) != 0) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    return usage;
}

// ---- construction and destruction -----------------------------------------------------------------

template <class Index>
Tri3Mesh<Index>::Tri3Mesh(DWORD options, const D3DVERTEXELEMENT9* decl, IDirect3DDevice9* device)
    : m_dwOptions(options), m_pDevice(ComPtr<IDirect3DDevice9>::share(device)) {
    copyDeclaration(m_pDecl, decl);
    m_cBytesPerVertex = D3DXGetDeclVertexSize(m_pDecl, 0);
    if (FAILED(fvfFromDeclarator(m_pDecl, &m_dwFVF, true))) {
        m_dwFVF = 0;
    }
    m_vbPool = vertexPoolFor(options);
    m_ibPool = indexPoolFor(options);
    m_vbUsage = vertexUsageFor(options);
    m_ibUsage = indexUsageFor(options);
    if ((options & D3DXMESH_VB_SHARE) != 0) {
        m_dwState |= kStateSharedVB;
    }
    m_pDevice->GetDirect3D(m_pD3D.put());
}

template <class Index>
Tri3Mesh<Index>::~Tri3Mesh() {
    D3DXASSERT(m_pFaces == nullptr);
    m_pDeclObject.reset();
    m_pD3D.reset();
    m_pDevice.reset();
    m_pVBVertices.reset();
    m_pIBFaces.reset();
}

template <class Index>
void Tri3Mesh<Index>::shareVertexBuffer(IDirect3DVertexBuffer9* vb, DWORD capacity) {
    m_pVBVertices = ComPtr<IDirect3DVertexBuffer9>::share(vb);
    m_cMaxVertices = capacity;
    m_dwState |= kStateSharedVB;
}

// ---- accessors ----------------------------------------------------------------------------------------

template <class Index>
DWORD Tri3Mesh<Index>::GetFVF() {
    if (m_dwFVF == 0) {
        DebugMessage(0, "ID3DXMesh::GetFVF:  The declaration cannot be converted to an FVF");
    }
    return m_dwFVF;
}

template <class Index>
HRESULT Tri3Mesh<Index>::GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) {
    if (Declaration == nullptr) {
        DebugMessage(0, "GetDeclaration: pDecl cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    copyDeclaration(Declaration, m_pDecl);
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::GetDevice(IDirect3DDevice9** ppDevice) {
    if (ppDevice == nullptr) {
        DebugMessage(0, "ppDevice pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    *ppDevice = ComPtr<IDirect3DDevice9>(m_pDevice).detach();
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) {
    if (ppVB == nullptr) {
        DebugMessage(0, "ppVB pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    *ppVB = ComPtr<IDirect3DVertexBuffer9>(m_pVBVertices).detach();
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) {
    if (ppIB == nullptr) {
        DebugMessage(0, "ppIB pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    *ppIB = ComPtr<IDirect3DIndexBuffer9>(m_pIBFaces).detach();
    return S_OK;
}

// ---- locks -------------------------------------------------------------------------------------------

template <class Index>
HRESULT Tri3Mesh<Index>::LockVertexBuffer(DWORD Flags, LPVOID* ppData) {
    if (!m_pVBVertices) {
        return D3DERR_INVALIDCALL;
    }
    return m_pVBVertices->Lock(0, 0, ppData, Flags | D3DLOCK_NOSYSLOCK);
}

template <class Index>
HRESULT Tri3Mesh<Index>::UnlockVertexBuffer() {
    if (!m_pVBVertices) {
        return D3DERR_INVALIDCALL;
    }
    return m_pVBVertices->Unlock();
}

template <class Index>
HRESULT Tri3Mesh<Index>::LockIndexBuffer(DWORD Flags, LPVOID* ppData) {
    if (!m_pIBFaces) {
        return D3DERR_INVALIDCALL;
    }
    return m_pIBFaces->Lock(0, 0, ppData, Flags | D3DLOCK_NOSYSLOCK);
}

template <class Index>
HRESULT Tri3Mesh<Index>::UnlockIndexBuffer() {
    if (!m_pIBFaces) {
        return D3DERR_INVALIDCALL;
    }
    return m_pIBFaces->Unlock();
}

template <class Index>
HRESULT Tri3Mesh<Index>::lockOwnFaces() {
    D3DXASSERT(m_pFaces == nullptr);
    if (!m_pIBFaces) {
        return D3DERR_INVALIDCALL;
    }
    void* data = nullptr;
    const HRESULT hr = m_pIBFaces->Lock(0, 0, &data, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK);
    if (SUCCEEDED(hr)) {
        m_pFaces = static_cast<Index*>(data);
    }
    return hr;
}

template <class Index>
void Tri3Mesh<Index>::unlockOwnFaces() {
    if (m_pFaces != nullptr) {
        m_pIBFaces->Unlock();
        m_pFaces = nullptr;
    }
}

template <class Index>
bool Tri3Mesh<Index>::faceInRange(DWORD face) const {
    const Index* f = m_pFaces + 3 * static_cast<size_t>(face);
    return f[0] < m_cVertices && f[1] < m_cVertices && f[2] < m_cVertices;
}

// ---- attributes ----------------------------------------------------------------------------------------

template <class Index>
HRESULT Tri3Mesh<Index>::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) {
    if (pAttribTableSize != nullptr) {
        *pAttribTableSize = m_caeAttributeTable;
    }
    if (pAttribTable != nullptr && m_caeAttributeTable != 0) {
        std::copy_n(m_rgaeAttributeTable.data(), m_caeAttributeTable, pAttribTable);
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::LockAttributeBuffer(DWORD Flags, DWORD** ppData) {
    if (ppData == nullptr) {
        // Handing out nothing while discarding the table would lose it for no purpose.
        DebugMessage(0, "LockAttributeBuffer: ppData cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    *ppData = m_rgiAttributeIds.data();
    if ((Flags & D3DLOCK_READONLY) == 0) {
        // The caller may rewrite ids, so the table can no longer be trusted.
        m_rgaeAttributeTable.clear();
        m_caeAttributeTable = 0;
        m_dwState &= ~kStateAttributeTable;
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::UnlockAttributeBuffer() {
    return S_OK;
}

template <class Index>
const D3DXATTRIBUTERANGE* Tri3Mesh<Index>::findAttributeRange(DWORD attribId, bool tryDirect) const {
    if (tryDirect && attribId < m_caeAttributeTable && m_rgaeAttributeTable[attribId].AttribId == attribId) {
        return &m_rgaeAttributeTable[attribId];
    }
    for (DWORD i = 0; i < m_caeAttributeTable; ++i) {
        if (m_rgaeAttributeTable[i].AttribId == attribId) {
            return &m_rgaeAttributeTable[i];
        }
    }
    return nullptr;
}

template <class Index>
HRESULT Tri3Mesh<Index>::SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) {
    if (pAttribTable == nullptr && cAttribTableSize != 0) {
        DebugMessage(0, "SetAttributeTable: pAttribTable cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    // Each entry must lie within the counts, and every face of its range must carry its id, so
    // that drawing a subset by the table draws exactly the faces the ids name.
    for (DWORD i = 0; i < cAttribTableSize; ++i) {
        const D3DXATTRIBUTERANGE& e = pAttribTable[i];
        const bool facesFit = e.FaceStart <= m_cFaces && e.FaceCount <= m_cFaces - e.FaceStart;
        const bool verticesFit = e.VertexStart <= m_cVertices && e.VertexCount <= m_cVertices - e.VertexStart;
        if (!facesFit || !verticesFit) {
            DebugMessage(0, "SetAttributeTable: Attribute table entry %u is outside the mesh", i);
            return D3DERR_INVALIDCALL;
        }
        for (DWORD f = e.FaceStart; f < e.FaceStart + e.FaceCount; ++f) {
            if (m_rgiAttributeIds[f] != e.AttribId) {
                DebugMessage(0, "SetAttributeTable: Attribute table entry %u does not match the attribute buffer", i);
                return D3DERR_INVALIDCALL;
            }
        }
    }
    std::vector<D3DXATTRIBUTERANGE> table;
    try {
        table.assign(pAttribTable, pAttribTable + cAttribTableSize);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    m_rgaeAttributeTable = std::move(table);
    m_caeAttributeTable = cAttribTableSize;
    m_dwState |= kStateAttributeTable;
    return S_OK;
}

template class Tri3Mesh<WORD>;
template class Tri3Mesh<DWORD>;

}  // namespace gfxutil::mesh
