#include "tests/gfxutil/mesh/mesh_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace mesh_test {

ULONG refCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

template <class Index>
std::vector<Index> readIndices(ID3DXMesh* mesh) {
    void* data = nullptr;
    std::vector<Index> out;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) {
        ADD_FAILURE() << "LockIndexBuffer failed";
        return out;
    }
    const Index* indices = static_cast<const Index*>(data);
    out.assign(indices, indices + 3 * size_t{mesh->GetNumFaces()});
    mesh->UnlockIndexBuffer();
    return out;
}
template std::vector<WORD> readIndices<WORD>(ID3DXMesh*);
template std::vector<DWORD> readIndices<DWORD>(ID3DXMesh*);

std::vector<BYTE> readVertexBytes(ID3DXMesh* mesh) {
    void* data = nullptr;
    std::vector<BYTE> out;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        ADD_FAILURE() << "LockVertexBuffer failed";
        return out;
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    out.assign(bytes, bytes + size_t{mesh->GetNumVertices()} * mesh->GetNumBytesPerVertex());
    mesh->UnlockVertexBuffer();
    return out;
}

ComPtr<ID3DXMesh> makeMesh(IDirect3DDevice9* device, const std::vector<Position>& positions,
                           const std::vector<DWORD>& faces, DWORD options) {
    ComPtr<ID3DXMesh> mesh;
    const HRESULT hr = D3DXCreateMeshFVF(static_cast<DWORD>(faces.size() / 3), static_cast<DWORD>(positions.size()),
                                         options, D3DFVF_XYZ | D3DFVF_NORMAL, device, mesh.put());
    if (FAILED(hr)) {
        ADD_FAILURE() << "D3DXCreateMeshFVF failed: 0x" << std::hex << hr;
        return mesh;
    }
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    auto* v = static_cast<float*>(data);
    for (const Position& p : positions) {
        const float vertex[6] = {p.x, p.y, p.z, 0.0f, 0.0f, 0.0f};
        std::memcpy(v, vertex, sizeof vertex);
        v += 6;
    }
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &data);
    for (size_t i = 0; i < faces.size(); ++i) {
        if ((options & D3DXMESH_32BIT) != 0) {
            static_cast<DWORD*>(data)[i] = faces[i];
        } else {
            static_cast<WORD*>(data)[i] = static_cast<WORD>(faces[i]);
        }
    }
    mesh->UnlockIndexBuffer();
    return mesh;
}

namespace {
D3DXVECTOR3 vectorAt(ID3DXMesh* mesh, DWORD v, size_t offset) {
    const std::vector<BYTE> bytes = readVertexBytes(mesh);
    float xyz[3] = {};
    std::memcpy(xyz, bytes.data() + size_t{v} * mesh->GetNumBytesPerVertex() + offset, sizeof xyz);
    return D3DXVECTOR3(xyz[0], xyz[1], xyz[2]);
}
}  // namespace

D3DXVECTOR3 positionOf(ID3DXMesh* mesh, DWORD v) { return vectorAt(mesh, v, 0); }
D3DXVECTOR3 normalOf(ID3DXMesh* mesh, DWORD v) { return vectorAt(mesh, v, 12); }

}  // namespace mesh_test
