#include "tests/gfxutil/core/sprite_fixture.h"

#include <cstring>

#include "platform/d3d9/controls.h"

namespace sprite_test {

void SpriteTest::SetUp() {
    platform::d3d9::setRenderTargetBlendingUnavailable(std::nullopt);
    DeviceTest::SetUp();
    recreateWith(D3DCREATE_HARDWARE_VERTEXPROCESSING);
}

void SpriteTest::TearDown() {
    m_sprite.reset();
    platform::d3d9::setRenderTargetBlendingUnavailable(std::nullopt);
    DeviceTest::TearDown();
}

void SpriteTest::recreateWith(DWORD behavior, UINT width, UINT height) {
    m_sprite.reset();
    ASSERT_EQ(recreate(d3d9_test::windowedParams(width, height), behavior), D3D_OK);
    ASSERT_EQ(D3DXCreateSprite(m_device.get(), m_sprite.put()), S_OK);
    platform::d3d9::setCallLogging(m_device.get(), true);
    m_device->BeginScene();
    calls();
    m_messages.take();
}

std::vector<std::string> SpriteTest::calls() { return platform::d3d9::takeCallLog(m_device.get()); }

ComPtr<IDirect3DTexture9> SpriteTest::texture(UINT width, UINT height, D3DCOLOR a, D3DCOLOR b) {
    ComPtr<IDirect3DTexture9> t;
    EXPECT_EQ(m_device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.put(), nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch);
        for (UINT x = 0; x < width; ++x) {
            row[x] = ((x / 2 + y / 2) % 2 == 0) ? a : b;
        }
    }
    t->UnlockRect(0);
    calls();
    return t;
}

std::vector<gfxutil::core::SpriteVertex> SpriteTest::ringVertices(UINT firstVertex, UINT count) {
    std::vector<gfxutil::core::SpriteVertex> out(count);
    ComPtr<IDirect3DVertexBuffer9> vb;
    UINT offset = 0, stride = 0;
    EXPECT_EQ(m_device->GetStreamSource(0, vb.put(), &offset, &stride), D3D_OK);
    if (!vb) {
        ADD_FAILURE() << "no vertex buffer on stream 0";
        return out;
    }
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, D3DLOCK_NOOVERWRITE), D3D_OK);
    std::memcpy(out.data(), static_cast<const gfxutil::core::SpriteVertex*>(data) + firstVertex,
                count * sizeof(gfxutil::core::SpriteVertex));
    vb->Unlock();
    calls();
    return out;
}

std::vector<std::string> matching(const std::vector<std::string>& log, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

}  // namespace sprite_test
