#include "tests/gfxutil/mesh/mesh_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace mesh_test {

namespace {
LRESULT plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HeadlessDevice::HeadlessDevice(UINT width, UINT height) {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    platform::win32::setInputSchedule({});
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = "MeshTestClass";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "MeshTestClass", "mesh test", WS_OVERLAPPEDWINDOW, 0, 0,
                                  static_cast<int>(width) + 64, static_cast<int>(height) + 64, nullptr, nullptr,
                                  nullptr, nullptr);
    m_d3d = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    if (!m_d3d || window == nullptr) {
        ADD_FAILURE() << "no Direct3D root object or window";
        return;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    const HRESULT hr = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, m_device.put());
    if (FAILED(hr)) {
        ADD_FAILURE() << "CreateDevice failed: 0x" << std::hex << hr;
        return;
    }
    platform::d3d9::setCallLogging(m_device.get(), true);
}

HeadlessDevice::~HeadlessDevice() {
    m_device.reset();
    m_d3d.reset();
    platform::win32::resetWindowSystem();
}

std::vector<std::string> HeadlessDevice::takeCalls() { return platform::d3d9::takeCallLog(m_device.get()); }

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
