// The shape generators' shared frame: creation, lock-write-unlock, adjacency output.
#include "gfxutil/mesh/shape_frame.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "gfxutil/core/diagnostics.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::mesh {

DWORD saturatedCount(unsigned long long count) {
    return count > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(count);
}

bool checkShapeOutputs(IDirect3DDevice9* device, ID3DXMesh** ppMesh) {
    if (device == nullptr) {
        DebugMessage(0, "pDevice pointer is invalid");
        return false;
    }
    if (ppMesh == nullptr) {
        DebugMessage(0, "ppMesh pointer is invalid");
        return false;
    }
    return true;
}

std::vector<DWORD> pointRepsFromPositions(const ShapeVertex* vertices, DWORD count) {
    std::vector<DWORD> reps(count);
    std::map<std::tuple<float, float, float>, DWORD> first;
    for (DWORD v = 0; v < count; ++v) {
        const D3DXVECTOR3& p = vertices[v].position;
        reps[v] = first.emplace(std::make_tuple(p.x, p.y, p.z), v).first->second;
    }
    return reps;
}

HRESULT buildShape(const ShapeRequest& request, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
    ComPtr<ID3DXMesh> mesh;
    HRESULT hr = D3DXCreateMeshFVF(request.faces, request.vertices, D3DXMESH_MANAGED, kShapeFVF, request.device,
                                   mesh.put());
    if (FAILED(hr)) {
        return hr;
    }
    void* vertexData = nullptr;
    void* indexData = nullptr;
    // A lock of a managed buffer just created does not fail; if it ever does, the mesh is not
    // handed out half-written.
    hr = mesh->LockVertexBuffer(0, &vertexData);
    if (FAILED(hr)) {
        return hr;
    }
    hr = mesh->LockIndexBuffer(0, &indexData);
    if (FAILED(hr)) {
        mesh->UnlockVertexBuffer();
        return hr;
    }
    auto* vertices = static_cast<ShapeVertex*>(vertexData);
    std::vector<DWORD> reps;
    try {
        request.write(vertices, static_cast<WORD*>(indexData));
        if (ppAdjacency != nullptr && request.pointRepsByPosition) {
            reps = pointRepsFromPositions(vertices, request.vertices);
        }
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
    if (FAILED(hr)) {
        return hr;
    }
    if (ppAdjacency != nullptr) {
        ComPtr<ID3DXBuffer> adjacency;
        hr = D3DXCreateBuffer(request.faces * 3 * sizeof(DWORD), adjacency.put());
        if (FAILED(hr)) {
            return hr;
        }
        hr = mesh->ConvertPointRepsToAdjacency(reps.empty() ? nullptr : reps.data(),
                                               static_cast<DWORD*>(adjacency->GetBufferPointer()));
        if (FAILED(hr)) {
            return hr;
        }
        *ppAdjacency = adjacency.detach();
    }
    *ppMesh = mesh.detach();
    return S_OK;
}

}  // namespace gfxutil::mesh
