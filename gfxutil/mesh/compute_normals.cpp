// D3DXComputeNormals: each vertex normal becomes the normalised sum of the unnormalised normals of
// the faces that use it, so larger faces weigh more. With adjacency, vertices at one point of the
// surface share one sum (smooth across duplicated vertices); without, each vertex keeps its own.
//
// The sums are formed in place in the locked vertex buffer, in single precision, in face order.
// Faces with an index at or above the vertex count (UNUSED among them) are skipped: they name no
// vertex whose normal they could add to.
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/cracked_decl.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace {

using gfxutil::mesh::CrackedDecl;

// Refuses meshes whose layout or buffers the computation cannot use; the first line that applies.
bool checkMesh(const CrackedDecl& cracked, DWORD options) {
    const bool ibWriteOnly = (options & D3DXMESH_IB_WRITEONLY) != 0;
    const bool vbWriteOnly = (options & D3DXMESH_VB_WRITEONLY) != 0;
    if (!ibWriteOnly && !vbWriteOnly && cracked.position() != nullptr && cracked.normal() != nullptr) {
        return true;
    }
    if (ibWriteOnly) {
        DebugMessage(0, "D3DXComputeNormals:  Cannot compute normals when the source mesh's index buffer is write only.");
    } else if (cracked.position() == nullptr) {
        DebugMessage(0, "D3DXComputeNormals: Position field required on input mesh to be calculate normal from\n");
    } else if (cracked.normal() != nullptr) {
        DebugMessage(0, "D3DXComputeNormals:  Cannot compute normals when the source mesh's vertex buffer is write only.");
    } else {
        DebugMessage(0, "D3DXComputeNormals: Normal field required on input mesh to be filled in (clonemesh can be used "
                        "to add them)\n");
    }
    return false;
}

template <class Index>
void accumulate(const CrackedDecl& cracked, BYTE* vertices, const Index* faces, DWORD faceCount, DWORD vertexCount,
                const DWORD* reps) {
    const UINT stride = cracked.vertexSize();
    auto vertex = [&](DWORD v) { return vertices + static_cast<size_t>(v) * stride; };
    for (DWORD v = 0; v < vertexCount; ++v) {
        cracked.setNormal(vertex(v), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    }
    for (DWORD f = 0; f < faceCount; ++f) {
        const DWORD i[3] = {faces[3 * size_t{f}], faces[3 * size_t{f} + 1], faces[3 * size_t{f} + 2]};
        if (i[0] >= vertexCount || i[1] >= vertexCount || i[2] >= vertexCount) {
            continue;
        }
        const D3DXVECTOR3 p0 = cracked.readPosition(vertex(i[0]));
        const D3DXVECTOR3 p1 = cracked.readPosition(vertex(i[1]));
        const D3DXVECTOR3 p2 = cracked.readPosition(vertex(i[2]));
        const float ax = p0.x - p1.x, ay = p0.y - p1.y, az = p0.z - p1.z;
        const float bx = p0.x - p2.x, by = p0.y - p2.y, bz = p0.z - p2.z;
        const float nx = ay * bz - az * by;
        const float ny = az * bx - ax * bz;
        const float nz = ax * by - ay * bx;
        for (DWORD corner : i) {
            BYTE* target = vertex(reps != nullptr ? reps[corner] : corner);
            D3DXVECTOR3 sum = cracked.readNormal(target);
            sum.x = sum.x + nx;
            sum.y = sum.y + ny;
            sum.z = sum.z + nz;
            cracked.setNormal(target, sum);
        }
    }
    if (reps != nullptr) {
        for (DWORD v = 0; v < vertexCount; ++v) {
            if (reps[v] != v) {
                cracked.setNormal(vertex(v), cracked.readNormal(vertex(reps[v])));
            }
        }
    }
    for (DWORD v = 0; v < vertexCount; ++v) {
        D3DXVECTOR3 n = cracked.readNormal(vertex(v));
        D3DXVec3Normalize(&n, &n);
        cracked.setNormal(vertex(v), n);
    }
}

}  // namespace

HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency) {
    if (pMesh == nullptr) {
        DebugMessage(0, "D3DXComputeNormals: Failed due to input mesh being NULL\n");
        return D3DERR_INVALIDCALL;
    }
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    HRESULT hr = pMesh->GetDeclaration(decl);
    if (FAILED(hr)) {
        return hr;
    }
    CrackedDecl cracked;
    cracked.crack(decl);
    if (!checkMesh(cracked, pMesh->GetOptions())) {
        return D3DERR_INVALIDCALL;
    }
    const DWORD faceCount = pMesh->GetNumFaces();
    const DWORD vertexCount = pMesh->GetNumVertices();
    const bool indices16 = (pMesh->GetOptions() & D3DXMESH_32BIT) == 0;

    std::vector<DWORD> reps;
    if (pAdjacency != nullptr) {
        if (FAILED(gfxutil::mesh::resizeArray(reps, vertexCount, DWORD{0}))) {
            return E_OUTOFMEMORY;
        }
        hr = pMesh->ConvertAdjacencyToPointReps(pAdjacency, reps.data());
        if (FAILED(hr)) {
            return hr;
        }
    }
    ComPtr<IDirect3DIndexBuffer9> ib;
    ComPtr<IDirect3DVertexBuffer9> vb;
    void* faces = nullptr;
    void* vertices = nullptr;
    hr = pMesh->GetIndexBuffer(ib.put());
    if (SUCCEEDED(hr)) {
        hr = ib->Lock(0, 0, &faces, D3DLOCK_NOSYSLOCK);
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = pMesh->GetVertexBuffer(vb.put());
    if (SUCCEEDED(hr)) {
        hr = vb->Lock(0, 0, &vertices, D3DLOCK_NOSYSLOCK);
    }
    if (FAILED(hr)) {
        ib->Unlock();
        return hr;
    }
    const DWORD* repData = reps.empty() ? nullptr : reps.data();
    if (indices16) {
        accumulate(cracked, static_cast<BYTE*>(vertices), static_cast<const WORD*>(faces), faceCount, vertexCount, repData);
    } else {
        accumulate(cracked, static_cast<BYTE*>(vertices), static_cast<const DWORD*>(faces), faceCount, vertexCount,
                   repData);
    }
    ib->Unlock();
    ib.reset();
    vb->Unlock();
    vb.reset();
    return S_OK;
}
