// Tri3Mesh: the storage step, which creates or grows the device buffers and the per-face and
// per-vertex arrays to exactly the requested size and records the vertex-cache tuning values.
#include <cstring>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

// Buffer sizes are formed in 64 bits; one that does not fit the device's UINT is refused.
bool byteSize(DWORD count, DWORD unit, UINT* bytes) {
    const unsigned long long total = static_cast<unsigned long long>(count) * unit;
    if (total > 0xFFFFFFFFull) {
        return false;
    }
    *bytes = static_cast<UINT>(total);
    return true;
}

// Copies `keep` bytes of the old buffer into the new one and zeroes the rest of the new one.
template <class Buffer>
HRESULT copyInto(Buffer* from, Buffer* to, UINT keep, UINT total) {
    void* src = nullptr;
    void* dst = nullptr;
    HRESULT hr = from->Lock(0, 0, &src, D3DLOCK_NOSYSLOCK);
    if (FAILED(hr)) {
        return hr;
    }
    hr = to->Lock(0, 0, &dst, D3DLOCK_NOSYSLOCK);
    if (FAILED(hr)) {
        from->Unlock();
        return hr;
    }
    std::memcpy(dst, src, keep);
    std::memset(static_cast<BYTE*>(dst) + keep, 0, total - keep);
    to->Unlock();
    from->Unlock();
    return S_OK;
}

}  // namespace

template <class Index>
HRESULT Tri3Mesh<Index>::resize(DWORD faces, DWORD vertices) {
    if (!m_pDeclObject) {
        // Some devices refuse some element types; that must not fail creation, only drawing.
        MuteDebugOutput(1);
        m_pDevice->CreateVertexDeclaration(m_pDecl, m_pDeclObject.put());
        MuteDebugOutput(0);
    }
    // UNUSED (all bits set) marks an empty index, so it can be neither a count nor an index.
    const DWORD limit = k32Bit ? 0xFFFFFFFFu : 0xFFFFu;
    if (faces >= limit || vertices >= limit) {
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = growFaces(faces);
    if (FAILED(hr)) {
        return hr;
    }
    hr = growVertices(vertices);
    if (FAILED(hr)) {
        return hr;
    }
    m_cVertices = vertices;
    m_cFaces = faces;
    return recordVertexCacheTuning();
}

template <class Index>
HRESULT Tri3Mesh<Index>::growFaces(DWORD faces) {
    if (faces <= m_cMaxFaces) {
        return S_OK;
    }
    UINT bytes = 0;
    if (!byteSize(faces, 3 * sizeof(Index), &bytes)) {
        return E_OUTOFMEMORY;
    }
    // The arrays grow first, so a failure leaves the index buffer and its capacity as they were.
    if ((m_dwState & kStateNeighbours) != 0 && FAILED(resizeArray(m_rgpgNeighbours, 3 * size_t{faces}, UNUSED))) {
        return E_OUTOFMEMORY;
    }
    if ((m_dwState & kStateAttributeIds) != 0 && FAILED(resizeArray(m_rgiAttributeIds, faces, DWORD{0}))) {
        return E_OUTOFMEMORY;
    }
    if ((m_dwState & kStateAttributeIndex) != 0 && FAILED(resizeArray(m_rgiAttributeIndex, faces, WORD{0}))) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IDirect3DIndexBuffer9> ib;
    HRESULT hr = m_pDevice->CreateIndexBuffer(bytes, m_ibUsage, k32Bit ? D3DFMT_INDEX32 : D3DFMT_INDEX16, m_ibPool,
                                              ib.put(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_cFaces > 0 && m_pIBFaces) {
        hr = copyInto(m_pIBFaces.get(), ib.get(), m_cFaces * 3 * static_cast<UINT>(sizeof(Index)), bytes);
        if (FAILED(hr)) {
            return hr;
        }
    }
    m_pIBFaces = std::move(ib);
    m_cMaxFaces = faces;
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::growVertices(DWORD vertices) {
    if (vertices <= m_cMaxVertices) {
        return S_OK;
    }
    if ((m_dwState & kStatePointReps) != 0 && FAILED(resizeArray(m_rgwPointReps, vertices, UNUSED))) {
        return E_OUTOFMEMORY;
    }
    if ((m_dwState & kStateSharedVB) != 0) {
        // Another mesh's buffer cannot be grown from here.
        return D3DERR_INVALIDCALL;
    }
    UINT bytes = 0;
    if (!byteSize(vertices, m_cBytesPerVertex, &bytes)) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IDirect3DVertexBuffer9> vb;
    HRESULT hr = m_pDevice->CreateVertexBuffer(bytes, m_vbUsage, m_dwFVF, m_vbPool, vb.put(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_cVertices > 0 && m_pVBVertices) {
        hr = copyInto(m_pVBVertices.get(), vb.get(), m_cVertices * m_cBytesPerVertex, bytes);
        if (FAILED(hr)) {
            return hr;
        }
    }
    m_pVBVertices = std::move(vb);
    m_cMaxVertices = vertices;
    if (m_cVertices < m_cMaxVertices) {
        // Vertices nobody has written yet read back as all-ones bytes, never as plausible data.
        void* data = nullptr;
        hr = m_pVBVertices->Lock(0, 0, &data, D3DLOCK_NOSYSLOCK);
        if (FAILED(hr)) {
            return hr;
        }
        std::memset(static_cast<BYTE*>(data) + static_cast<size_t>(m_cVertices) * m_cBytesPerVertex, 0xFF,
                    static_cast<size_t>(m_cMaxVertices - m_cVertices) * m_cBytesPerVertex);
        m_pVBVertices->Unlock();
    }
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::recordVertexCacheTuning() {
    D3DCAPS9 caps{};
    HRESULT hr = m_pDevice->GetDeviceCaps(&caps);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IDirect3D9> root;
    hr = m_pDevice->GetDirect3D(root.put());
    if (FAILED(hr)) {
        return hr;
    }
    if constexpr (k32Bit) {
        if (caps.MaxVertexIndex < m_cMaxVertices || caps.MaxVertexIndex <= 0xFFFF ||
            caps.MaxPrimitiveCount < m_cMaxFaces) {
            m_dwState |= kStateEmulate32Bit;
        }
    }
    VertexCacheTuning tuning;
    hr = queryVertexCacheTuning(m_pDevice.get(), root.get(), caps, &tuning);
    if (FAILED(hr)) {
        return hr;
    }
    m_dwVertexCacheSize = tuning.cacheSize;
    m_dwVertexCacheMagic = tuning.magicNumber;
    return S_OK;
}

#define GFX_INSTANTIATE_STORAGE(Index)                                \
    template HRESULT Tri3Mesh<Index>::resize(DWORD, DWORD);           \
    template HRESULT Tri3Mesh<Index>::growFaces(DWORD);               \
    template HRESULT Tri3Mesh<Index>::growVertices(DWORD);            \
    template HRESULT Tri3Mesh<Index>::recordVertexCacheTuning();
GFX_INSTANTIATE_STORAGE(WORD)
GFX_INSTANTIATE_STORAGE(DWORD)
#undef GFX_INSTANTIATE_STORAGE

}  // namespace gfxutil::mesh
