// D3DXCreateMesh and D3DXCreateMeshFVF: argument checks, construction of the variant the options
// choose and the first storage step. Creation never leaves a half-built mesh behind: the output
// stays empty unless S_OK is returned.
#include <new>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/declarations.h"
#include "gfxutil/mesh/tri3mesh.h"

namespace gfxutil::mesh {

HRESULT createTri3Mesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* decl,
                       IDirect3DDevice9* device, ID3DXMesh** out, IDirect3DVertexBuffer9* sharedVB,
                       DWORD sharedCapacity) {
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = S_OK;
    if ((options & D3DXMESH_32BIT) != 0) {
        auto* m = new (std::nothrow) Tri3Mesh<DWORD>(options, decl, device);
        if (m == nullptr) {
            return E_OUTOFMEMORY;
        }
        mesh = m;
        if (sharedVB != nullptr) {
            m->shareVertexBuffer(sharedVB, sharedCapacity);
        }
        hr = m->resize(faces, vertices);
    } else {
        auto* m = new (std::nothrow) Tri3Mesh<WORD>(options, decl, device);
        if (m == nullptr) {
            return E_OUTOFMEMORY;
        }
        mesh = m;
        if (sharedVB != nullptr) {
            m->shareVertexBuffer(sharedVB, sharedCapacity);
        }
        hr = m->resize(faces, vertices);
    }
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *out = mesh;
    return S_OK;
}

}  // namespace gfxutil::mesh

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                       IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppMesh) {
    using namespace gfxutil::mesh;
    if ((Options & ~kValidCreateOptions) != 0 || pD3DDevice == nullptr || ppMesh == nullptr) {
        if ((Options & D3DXMESH_VB_SHARE) != 0) {
            DebugMessage(0, "D3DXCreateMesh: VB_SHARE flag only valid on clone mesh calls.\n");
        }
        if ((Options & ~kValidCreateOptions) != 0) {
            DebugMessage(0, "D3DXCreateMesh: Invalid mesh flag specified\n");
        } else if (pD3DDevice == nullptr) {
            DebugMessage(0, "D3DXCreateMesh: NULL device specified\n");
        } else {
            DebugMessage(0, "D3DXCreateMesh: NULL mesh output parameter\n");
        }
        return D3DERR_INVALIDCALL;
    }
    if (!checkMeshDeclaration(pDeclaration, "D3DXCreateMesh")) {
        return D3DERR_INVALIDCALL;
    }
    if (NumFaces == 0 || NumVertices == 0) {
        DebugMessage(0, "D3DXCreateMesh: Number of faces and vertices must be greater than zero\n");
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;
    if ((Options & D3DXMESH_32BIT) == 0 && (NumFaces > 0xFFFF || NumVertices > 0xFFFF)) {
        DebugMessage(0, "D3DXCreateMesh: Too many faces/vertices for a 16bit mesh\n");
        return D3DERR_INVALIDCALL;
    }
    return createTri3Mesh(NumFaces, NumVertices, Options, pDeclaration, pD3DDevice, ppMesh);
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                          ID3DXMesh** ppMesh) {
    if (FVF == 0 || (FVF & D3DFVF_RESERVED0) != 0) {
        DebugMessage(0, "D3DXCreateMesh: Invalid FVF specified\n");
        return D3DERR_INVALIDCALL;
    }
    if ((FVF & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW) {
        DebugMessage(0, "D3DXCreateMesh: XYZRHW is not supported by LPD3DXMESH\n");
        return D3DERR_INVALIDCALL;
    }
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    const HRESULT hr = D3DXDeclaratorFromFVF(FVF, decl);
    if (FAILED(hr)) {
        DebugMessage(0, "CloneMesh: Declaration cannot be converted to FVF");
        return hr;
    }
    return D3DXCreateMesh(NumFaces, NumVertices, Options, decl, pD3DDevice, ppMesh);
}
