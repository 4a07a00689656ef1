// The fixture of the tests that need a device: a fresh headless device, captured diagnostics and
// a forgotten vertex-cache memo for every test.
#pragma once

#include <gtest/gtest.h>

#include "gfxutil/mesh/tri3mesh.h"
#include "tests/gfxutil/mesh/mesh_test_support.h"

namespace mesh_test {

class MeshTest : public testing::Test {
protected:
    // Draws are only taken inside a scene, so every test runs inside one.
    MeshTest() {
        gfxutil::mesh::resetVertexCacheMemoForTesting();
        if (device() != nullptr) {
            device()->BeginScene();
            m_device.takeCalls();
        }
    }
    ~MeshTest() override {
        if (device() != nullptr) {
            device()->EndScene();
        }
        gfxutil::mesh::resetVertexCacheMemoForTesting();
    }

    IDirect3DDevice9* device() const { return m_device.get(); }

    // The mesh object behind the interface, for its state bits and tuning values.
    static gfxutil::mesh::Tri3Mesh<WORD>* mesh16(ID3DXMesh* mesh) {
        return static_cast<gfxutil::mesh::Tri3Mesh<WORD>*>(mesh);
    }
    static gfxutil::mesh::Tri3Mesh<DWORD>* mesh32(ID3DXMesh* mesh) {
        return static_cast<gfxutil::mesh::Tri3Mesh<DWORD>*>(mesh);
    }

    // The math library announces its one-time processor choice on the diagnostic channel at the
    // first dispatched call; that happens before the capture starts, so tests see only mesh lines.
    bool m_mathSelected = [] {
        D3DXVECTOR3 v(2.0f, 0.0f, 0.0f);
        return D3DXVec3Normalize(&v, &v) != nullptr;
    }();
    MessageCapture m_messages;
    HeadlessDevice m_device;
};

}  // namespace mesh_test
