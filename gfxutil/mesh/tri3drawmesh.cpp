// Tri3Mesh::DrawSubset: draws the faces that carry one attribute id.
//
// With a valid attribute table a subset is one indexed draw of its range. Without one, the
// attribute ids are walked in face order and each run of consecutive faces of the subset is one
// draw, so callers that keep faces grouped get one call. A 32-bit mesh on a device that cannot
// take its indices (state bit 0x40) is drawn triangle by triangle from a three-vertex scratch area.
// Only the declaration, stream 0 and the indices are set; everything else is the caller's.
#include <cstring>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {

template <class Index>
HRESULT Tri3Mesh<Index>::DrawSubset(DWORD AttribId) {
    D3DXASSERT(m_pFaces == nullptr);
    if (!m_pDeclObject) {
        DebugMessage(0, "ID3DXMesh::DrawSubset: The mesh declaration is not compatible with the device.  ");
        DebugMessage(0, "ID3DXMesh::DrawSubset:      Probably due to unsupported type like UBYTE4 for Float16");
        return D3DERR_INVALIDCALL;
    }
    if (!m_pVBVertices) {
        D3DXASSERT(m_cVertices == 0 && m_cFaces == 0);
        return S_OK;
    }
    if ((m_dwState & kStateEmulate32Bit) != 0) {
        return drawEmulated(AttribId);
    }
    return drawWithDevice(AttribId);
}

template <class Index>
HRESULT Tri3Mesh<Index>::drawWithDevice(DWORD attribId) {
    m_pDevice->SetVertexDeclaration(m_pDeclObject.get());
    m_pDevice->SetStreamSource(0, m_pVBVertices.get(), 0, m_cBytesPerVertex);
    m_pDevice->SetIndices(m_pIBFaces.get());
    if ((m_dwState & kStateAttributeTable) != 0) {
        const D3DXATTRIBUTERANGE* range = findAttributeRange(attribId, true);
        if (range == nullptr || range->FaceCount == 0) {
            return S_OK;
        }
        return m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range->VertexStart, range->VertexCount,
                                               range->FaceStart * 3, range->FaceCount);
    }
    DWORD face = 0;
    while (face < m_cFaces) {
        if (m_rgiAttributeIds[face] != attribId) {
            ++face;
            continue;
        }
        const DWORD first = face;
        while (face < m_cFaces && m_rgiAttributeIds[face] == attribId) {
            ++face;
        }
        const HRESULT hr =
            m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_cVertices, first * 3, face - first);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::drawEmulated(DWORD attribId) {
    if ((m_dwOptions & D3DXMESH_IB_WRITEONLY) != 0) {
        DebugMessage(0, "ID3DXMesh::DrawSubset: Cannot emulate 32bit index drawing when the source mesh's index "
                        "buffer is write only.\n");
        return D3DERR_INVALIDCALL;
    }
    if ((m_dwOptions & D3DXMESH_VB_WRITEONLY) != 0) {
        DebugMessage(0, "ID3DXMesh::DrawSubset: Cannot emulate 32bit index drawing when the source mesh's vertex "
                        "buffer is write only.\n");
        return D3DERR_INVALIDCALL;
    }
    m_pDevice->SetVertexDeclaration(m_pDeclObject.get());
    DWORD firstFace = 0;
    DWORD endFace = m_cFaces;
    const bool byTable = (m_dwState & kStateAttributeTable) != 0;
    if (byTable) {
        const D3DXATTRIBUTERANGE* range = findAttributeRange(attribId, false);
        if (range == nullptr) {
            return S_OK;
        }
        firstFace = range->FaceStart;
        endFace = range->FaceStart + range->FaceCount;
    }
    std::vector<BYTE> scratch;
    if (FAILED(resizeArray(scratch, 3 * size_t{m_cBytesPerVertex}, BYTE{0}))) {
        return E_OUTOFMEMORY;
    }
    void* vertexData = nullptr;
    HRESULT hr = m_pVBVertices->Lock(0, 0, &vertexData, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK);
    if (FAILED(hr)) {
        return hr;
    }
    hr = lockOwnFaces();
    if (FAILED(hr)) {
        m_pVBVertices->Unlock();
        return hr;
    }
    const BYTE* vertices = static_cast<const BYTE*>(vertexData);
    for (DWORD f = firstFace; f < endFace && SUCCEEDED(hr); ++f) {
        // A face outside the vertex range would make the copy read past the buffer; it is skipped.
        if ((!byTable && m_rgiAttributeIds[f] != attribId) || !faceInRange(f)) {
            continue;
        }
        for (int corner = 0; corner < 3; ++corner) {
            std::memcpy(scratch.data() + corner * m_cBytesPerVertex,
                        vertices + static_cast<size_t>(m_pFaces[3 * size_t{f} + corner]) * m_cBytesPerVertex,
                        m_cBytesPerVertex);
        }
        hr = m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, scratch.data(), m_cBytesPerVertex);
    }
    unlockOwnFaces();
    m_pVBVertices->Unlock();
    return hr;
}

#define GFX_INSTANTIATE_DRAW(Index)                                  \
    template HRESULT Tri3Mesh<Index>::DrawSubset(DWORD);             \
    template HRESULT Tri3Mesh<Index>::drawWithDevice(DWORD);         \
    template HRESULT Tri3Mesh<Index>::drawEmulated(DWORD);
GFX_INSTANTIATE_DRAW(WORD)
GFX_INSTANTIATE_DRAW(DWORD)
#undef GFX_INSTANTIATE_DRAW

}  // namespace gfxutil::mesh
