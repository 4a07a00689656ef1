// Tri3Mesh: copying into another layout (CloneMesh, CloneMeshFVF), relabelling the declaration
// (UpdateSemantics) and adjacency from positions (GenerateAdjacency).
//
// A clone takes each element of its declaration from the source element of the same usage and
// usage index: bytes are copied when the types agree, float types convert to float types (missing
// components 0, except a fourth component of 1), and anything else (or an element the source
// lacks) starts zeroed. Indices convert between 16 and 32 bits with the UNUSED marker kept.
// Attribute ids and a valid attribute table are copied. With D3DXMESH_VB_SHARE the clone shares
// the source's vertex buffer, which needs the same vertex layout on the same device.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/cracked_decl.h"
#include "gfxutil/mesh/declarations.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {
namespace {

const D3DVERTEXELEMENT9* findElement(const D3DVERTEXELEMENT9* decl, BYTE usage, BYTE usageIndex) {
    const UINT count = std::min(D3DXGetDeclLength(decl), MAX_FVF_DECL_SIZE - 1);
    for (UINT i = 0; i < count; ++i) {
        if (decl[i].Usage == usage && decl[i].UsageIndex == usageIndex && decl[i].Method == D3DDECLMETHOD_DEFAULT) {
            return &decl[i];
        }
    }
    return nullptr;
}

void convertElement(const D3DVERTEXELEMENT9& from, const BYTE* src, const D3DVERTEXELEMENT9& to, BYTE* dst) {
    const UINT size = declTypeSize(to.Type);
    if (from.Type == to.Type) {
        std::memcpy(dst + to.Offset, src + from.Offset, size);
        return;
    }
    if (from.Type <= D3DDECLTYPE_FLOAT4 && to.Type <= D3DDECLTYPE_FLOAT4) {
        float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        std::memcpy(values, src + from.Offset, declTypeSize(from.Type));
        std::memcpy(dst + to.Offset, values, size);
        return;
    }
    std::memset(dst + to.Offset, 0, size);
}

bool sameLayout(const D3DVERTEXELEMENT9* a, const D3DVERTEXELEMENT9* b) {
    const UINT n = D3DXGetDeclLength(a);
    return n == D3DXGetDeclLength(b) && std::memcmp(a, b, n * sizeof(D3DVERTEXELEMENT9)) == 0;
}

// Copies every vertex of `src` into `dst`, element by element.
HRESULT copyVertices(ID3DXMesh* src, const D3DVERTEXELEMENT9* srcDecl, ID3DXMesh* dst, const D3DVERTEXELEMENT9* dstDecl,
                     DWORD count) {
    void* from = nullptr;
    void* to = nullptr;
    HRESULT hr = src->LockVertexBuffer(D3DLOCK_READONLY, &from);
    if (FAILED(hr)) {
        return hr;
    }
    hr = dst->LockVertexBuffer(0, &to);
    if (FAILED(hr)) {
        src->UnlockVertexBuffer();
        return hr;
    }
    const UINT srcSize = src->GetNumBytesPerVertex();
    const UINT dstSize = dst->GetNumBytesPerVertex();
    const UINT dstCount = std::min(D3DXGetDeclLength(dstDecl), MAX_FVF_DECL_SIZE - 1);
    for (DWORD v = 0; v < count; ++v) {
        const BYTE* s = static_cast<const BYTE*>(from) + static_cast<size_t>(v) * srcSize;
        BYTE* d = static_cast<BYTE*>(to) + static_cast<size_t>(v) * dstSize;
        std::memset(d, 0, dstSize);
        for (UINT i = 0; i < dstCount; ++i) {
            const D3DVERTEXELEMENT9& e = dstDecl[i];
            if (e.Method != D3DDECLMETHOD_DEFAULT) {
                continue;
            }
            if (const D3DVERTEXELEMENT9* match = findElement(srcDecl, e.Usage, e.UsageIndex)) {
                convertElement(*match, s, e, d);
            }
        }
    }
    dst->UnlockVertexBuffer();
    src->UnlockVertexBuffer();
    return S_OK;
}

template <class From, class To>
void convertIndices(const void* from, void* to, size_t count) {
    const From* s = static_cast<const From*>(from);
    To* d = static_cast<To*>(to);
    for (size_t i = 0; i < count; ++i) {
        d[i] = s[i] == static_cast<From>(~From{0}) ? static_cast<To>(~To{0}) : static_cast<To>(s[i]);
    }
}

HRESULT copyIndices(ID3DXMesh* src, ID3DXMesh* dst, DWORD faces) {
    void* from = nullptr;
    void* to = nullptr;
    HRESULT hr = src->LockIndexBuffer(D3DLOCK_READONLY, &from);
    if (FAILED(hr)) {
        return hr;
    }
    hr = dst->LockIndexBuffer(0, &to);
    if (FAILED(hr)) {
        src->UnlockIndexBuffer();
        return hr;
    }
    const bool src32 = (src->GetOptions() & D3DXMESH_32BIT) != 0;
    const bool dst32 = (dst->GetOptions() & D3DXMESH_32BIT) != 0;
    const size_t count = 3 * size_t{faces};
    if (src32 && dst32) convertIndices<DWORD, DWORD>(from, to, count);
    if (src32 && !dst32) convertIndices<DWORD, WORD>(from, to, count);
    if (!src32 && dst32) convertIndices<WORD, DWORD>(from, to, count);
    if (!src32 && !dst32) convertIndices<WORD, WORD>(from, to, count);
    dst->UnlockIndexBuffer();
    src->UnlockIndexBuffer();
    return S_OK;
}

}  // namespace

template <class Index>
HRESULT Tri3Mesh<Index>::CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                                      ID3DXMesh** ppCloneMesh) {
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    const HRESULT hr = D3DXDeclaratorFromFVF(FVF, decl);
    if (FAILED(hr)) {
        return hr;
    }
    return CloneMesh(Options, decl, pD3DDevice, ppCloneMesh);
}

template <class Index>
HRESULT Tri3Mesh<Index>::CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                                   IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) {
    if (ppCloneMesh == nullptr) {
        DebugMessage(0, "CloneMesh: ppCloneMesh cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    if (pD3DDevice == nullptr) {
        DebugMessage(0, "CloneMesh: pD3DDevice cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    if ((Options & ~(kValidCreateOptions | D3DXMESH_VB_SHARE)) != 0) {
        DebugMessage(0, "CloneMesh: Invalid mesh flag specified");
        return D3DERR_INVALIDCALL;
    }
    if (!checkMeshDeclaration(pDeclaration, "CloneMesh")) {
        return D3DERR_INVALIDCALL;
    }
    const bool share = (Options & D3DXMESH_VB_SHARE) != 0;
    if (share && (pD3DDevice != m_pDevice.get() || !sameLayout(pDeclaration, m_pDecl))) {
        DebugMessage(0, "CloneMesh: VB_SHARE needs the same declaration and the same device");
        return D3DERR_INVALIDCALL;
    }
    ComPtr<ID3DXMesh> clone;
    HRESULT hr = createTri3Mesh(m_cFaces, m_cVertices, Options, pDeclaration, pD3DDevice, clone.put(),
                                share ? m_pVBVertices.get() : nullptr, m_cMaxVertices);
    if (FAILED(hr)) {
        return hr;
    }
    if (!share) {
        hr = copyVertices(this, m_pDecl, clone.get(), pDeclaration, m_cVertices);
    }
    if (SUCCEEDED(hr)) {
        hr = copyIndices(this, clone.get(), m_cFaces);
    }
    if (FAILED(hr)) {
        return hr;
    }
    DWORD* ids = nullptr;
    clone->LockAttributeBuffer(0, &ids);
    std::copy(m_rgiAttributeIds.begin(), m_rgiAttributeIds.begin() + m_cFaces, ids);
    clone->UnlockAttributeBuffer();
    if ((m_dwState & kStateAttributeTable) != 0) {
        hr = clone->SetAttributeTable(m_rgaeAttributeTable.data(), m_caeAttributeTable);
        if (FAILED(hr)) {
            return hr;
        }
    }
    *ppCloneMesh = clone.detach();
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) {
    if (!checkMeshDeclaration(Declaration, "UpdateSemantics")) {
        return D3DERR_INVALIDCALL;
    }
    if (D3DXGetDeclVertexSize(Declaration, 0) != m_cBytesPerVertex) {
        DebugMessage(0, "UpdateSemantics: The new declaration must have the same vertex size");
        return D3DERR_INVALIDCALL;
    }
    copyDeclaration(m_pDecl, Declaration);
    if (FAILED(fvfFromDeclarator(m_pDecl, &m_dwFVF, true))) {
        m_dwFVF = 0;
    }
    m_pDeclObject.reset();
    MuteDebugOutput(1);
    m_pDevice->CreateVertexDeclaration(m_pDecl, m_pDeclObject.put());
    MuteDebugOutput(0);
    return S_OK;
}

template <class Index>
HRESULT Tri3Mesh<Index>::GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) {
    if (pAdjacency == nullptr) {
        DebugMessage(0, "GenerateAdjacency: pAdjacency cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    if (!(Epsilon >= 0.0f)) {
        DebugMessage(0, "GenerateAdjacency: Epsilon must be >= 0.0f");
        return D3DERR_INVALIDCALL;
    }
    if ((m_dwOptions & D3DXMESH_VB_WRITEONLY) != 0) {
        DebugMessage(0, "GenerateAdjacency: Cannot generate adjacency when the mesh's vertex buffer is write only.");
        return D3DERR_INVALIDCALL;
    }
    CrackedDecl cracked;
    cracked.crack(m_pDecl);
    if (cracked.position() == nullptr) {
        DebugMessage(0, "GenerateAdjacency: Position field required on the mesh");
        return D3DERR_INVALIDCALL;
    }
    std::vector<D3DXVECTOR3> positions;
    std::vector<DWORD> order;
    std::vector<DWORD> reps;
    try {
        positions.resize(m_cVertices);
        order.resize(m_cVertices);
        reps.resize(m_cVertices);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    void* data = nullptr;
    HRESULT hr = LockVertexBuffer(D3DLOCK_READONLY, &data);
    if (FAILED(hr)) {
        return hr;
    }
    for (DWORD v = 0; v < m_cVertices; ++v) {
        positions[v] = cracked.readPosition(static_cast<const BYTE*>(data) + static_cast<size_t>(v) * m_cBytesPerVertex);
    }
    UnlockVertexBuffer();
    // Sweep along x: only vertices whose x lies within epsilon can be at one point.
    std::iota(order.begin(), order.end(), DWORD{0});
    std::sort(order.begin(), order.end(), [&](DWORD a, DWORD b) {
        return positions[a].x != positions[b].x ? positions[a].x < positions[b].x : a < b;
    });
    std::iota(reps.begin(), reps.end(), DWORD{0});
    // Union-find over "within epsilon", each set rooted at its lowest vertex, so that chains of
    // close vertices end up at one representative that is its own representative.
    auto find = [&](DWORD v) {
        while (reps[v] != v) {
            reps[v] = reps[reps[v]];
            v = reps[v];
        }
        return v;
    };
    for (size_t i = 0; i < order.size(); ++i) {
        const D3DXVECTOR3& p = positions[order[i]];
        for (size_t j = i + 1; j < order.size() && positions[order[j]].x - p.x <= Epsilon; ++j) {
            const D3DXVECTOR3& q = positions[order[j]];
            if (std::fabs(q.y - p.y) <= Epsilon && std::fabs(q.z - p.z) <= Epsilon) {
                const DWORD a = find(order[i]);
                const DWORD b = find(order[j]);
                reps[std::max(a, b)] = std::min(a, b);
            }
        }
    }
    for (DWORD v = 0; v < m_cVertices; ++v) {
        reps[v] = find(v);
    }
    return ConvertPointRepsToAdjacency(reps.data(), pAdjacency);
}

#define GFX_INSTANTIATE_CLONE(Index)                                                                    \
    template HRESULT Tri3Mesh<Index>::CloneMeshFVF(DWORD, DWORD, IDirect3DDevice9*, ID3DXMesh**);       \
    template HRESULT Tri3Mesh<Index>::CloneMesh(DWORD, const D3DVERTEXELEMENT9*, IDirect3DDevice9*,     \
                                                ID3DXMesh**);                                           \
    template HRESULT Tri3Mesh<Index>::UpdateSemantics(D3DVERTEXELEMENT9*);                              \
    template HRESULT Tri3Mesh<Index>::GenerateAdjacency(FLOAT, DWORD*);
GFX_INSTANTIATE_CLONE(WORD)
GFX_INSTANTIATE_CLONE(DWORD)
#undef GFX_INSTANTIATE_CLONE

}  // namespace gfxutil::mesh
