// Helpers shared by the mesh library's tests: a software device on a headless window, capture of
// the library's diagnostic lines, reference counts and small mesh builders.
#pragma once

#include <string>
#include <vector>

#include "gfxutil/mesh/mesh.h"
#include "platform/win32/com_ptr.h"
#include "tests/platform/kernel/kernel_test_support.h"
#include "tests/support/headless_device.h"
#include "tests/support/library_messages.h"

namespace mesh_test {

using MessageCapture = testsupport::LibraryMessages;

// A software device for a headless window, 64 x 64 by default, with a depth buffer.
class HeadlessDevice : public testsupport::HeadlessDevice {
public:
    explicit HeadlessDevice(UINT width = 64, UINT height = 64)
        : testsupport::HeadlessDevice(width, height, testsupport::DepthBuffer::D24S8) {}
};

// The reference count an object has right now (one AddRef/Release pair to read it).
ULONG refCount(IUnknown* object);

// Faces and vertices written through the locks.
struct Position {
    float x, y, z;
};
template <class Index>
std::vector<Index> readIndices(ID3DXMesh* mesh);
std::vector<BYTE> readVertexBytes(ID3DXMesh* mesh);
// A mesh of FVF 0x12 with the given positions (normals zero) and faces, ids all 0.
ComPtr<ID3DXMesh> makeMesh(IDirect3DDevice9* device, const std::vector<Position>& positions,
                           const std::vector<DWORD>& faces, DWORD options = D3DXMESH_MANAGED);
// Position and normal of vertex `v` of an FVF 0x12 mesh.
D3DXVECTOR3 positionOf(ID3DXMesh* mesh, DWORD v);
D3DXVECTOR3 normalOf(ID3DXMesh* mesh, DWORD v);

}  // namespace mesh_test
