// A whole picture of sprites, rendered headless through the real device and Present and compared
// with a reviewed golden image: three textures (a checker, a soft disc with alpha, stripes),
// colours, source rectangles and transforms in screen space, in object space under a camera, and
// billboards facing it.
#include <cmath>

#include "tests/gfxutil/core/sprite_fixture.h"
#include "tests/support/golden_image.h"

namespace sprite_test {
namespace {

ComPtr<IDirect3DTexture9> makeTexture(IDirect3DDevice9* device, UINT w, UINT h, D3DCOLOR (*texel)(UINT, UINT, UINT, UINT)) {
    ComPtr<IDirect3DTexture9> t;
    EXPECT_EQ(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.put(), nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch);
        for (UINT x = 0; x < w; ++x) {
            row[x] = texel(x, y, w, h);
        }
    }
    t->UnlockRect(0);
    return t;
}

D3DCOLOR checker(UINT x, UINT y, UINT, UINT) { return ((x / 4 + y / 4) % 2 == 0) ? 0xFFF0F0F0 : 0xFFC02020; }
D3DCOLOR disc(UINT x, UINT y, UINT w, UINT h) {
    const float dx = (static_cast<float>(x) + 0.5f) / static_cast<float>(w) - 0.5f;
    const float dy = (static_cast<float>(y) + 0.5f) / static_cast<float>(h) - 0.5f;
    const float r = std::sqrt(dx * dx + dy * dy) * 2.0f;
    const float a = r >= 1.0f ? 0.0f : 1.0f - r * r;
    return (static_cast<DWORD>(a * 255.0f + 0.5f) << 24) | 0x00FFFFFF;
}
D3DCOLOR stripes(UINT x, UINT, UINT, UINT) {
    static const D3DCOLOR kColours[] = {0xFF2060E0, 0xFFF0C020, 0xFF20A040, 0xFFFFFFFF};
    return kColours[(x / 4) % 4];
}

TEST_F(SpriteTest, GoldenSpritesOfSeveralTexturesColoursRectanglesAndTransforms) {
    recreateWith(D3DCREATE_HARDWARE_VERTEXPROCESSING, 160, 120);
    auto check = makeTexture(m_device.get(), 16, 16, checker);
    auto soft = makeTexture(m_device.get(), 32, 32, disc);
    auto bars = makeTexture(m_device.get(), 32, 8, stripes);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0), D3D_OK);

    // Screen space, sorted by texture, blended.
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE), S_OK);
    const D3DXVECTOR3 p1(4, 4, 0), p2(24, 4, 0), p3(44, 4, 0), p4(12, 12, 0), p5(64, 6, 0), p6(64, 18, 0);
    ASSERT_EQ(m_sprite->Draw(check.get(), nullptr, nullptr, &p1, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->Draw(check.get(), nullptr, nullptr, &p2, 0xFF40FF40), S_OK);   // tinted green
    const RECT quarter{0, 0, 8, 8};
    ASSERT_EQ(m_sprite->Draw(check.get(), &quarter, nullptr, &p3, 0xFFFFFFFF), S_OK);  // a source rectangle
    ASSERT_EQ(m_sprite->Draw(soft.get(), nullptr, nullptr, &p4, 0xC0FFFF00), S_OK);    // yellow disc over both
    ASSERT_EQ(m_sprite->Draw(bars.get(), nullptr, nullptr, &p5, 0xFFFFFFFF), S_OK);
    const RECT half{8, 0, 24, 8};
    ASSERT_EQ(m_sprite->Draw(bars.get(), &half, nullptr, &p6, 0x80FFFFFF), S_OK);     // half transparent
    // A rotated and doubled checker about its centre, set inside the batch.
    D3DXMATRIX turn;
    D3DXMatrixIdentity(&turn);
    const float c = std::cos(0.5f) * 2.0f, s = std::sin(0.5f) * 2.0f;
    turn._11 = c;
    turn._12 = s;
    turn._21 = -s;
    turn._22 = c;
    turn._41 = 130.0f;
    turn._42 = 26.0f;
    ASSERT_EQ(m_sprite->SetTransform(&turn), S_OK);
    const D3DXVECTOR3 centre(8, 8, 0);
    ASSERT_EQ(m_sprite->Draw(check.get(), nullptr, &centre, nullptr, 0xFFFFFFFF), S_OK);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ASSERT_EQ(m_sprite->SetTransform(&identity), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);

    // Object space under a camera, back to front: three stripes receding.
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0, 0, -60), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 160.0f / 120.0f, 1.0f, 1000.0f);
    m_device->SetTransform(D3DTS_WORLD, &identity);
    m_device->SetTransform(D3DTS_VIEW, &view);
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    ASSERT_EQ(m_sprite->SetWorldViewLH(&identity, &view), S_OK);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_OBJECTSPACE | D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT), S_OK);
    const D3DXVECTOR3 near(-40, -20, 0), mid(-30, -14, 30), far(-20, -8, 60);
    ASSERT_EQ(m_sprite->Draw(bars.get(), nullptr, nullptr, &near, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->Draw(bars.get(), nullptr, nullptr, &far, 0xFFFF8080), S_OK);
    ASSERT_EQ(m_sprite->Draw(soft.get(), nullptr, nullptr, &mid, 0xFF80C0FF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);

    // Billboards: positions go through the sprite transform and world x view; the negative _22
    // turns the quads upright in the y-up view.
    D3DXMATRIX world, flip;
    D3DXMatrixTranslation(&world, 20.0f, -5.0f, 10.0f);
    D3DXMatrixIdentity(&flip);
    flip._22 = -1.0f;
    ASSERT_EQ(m_sprite->SetWorldViewLH(&world, &view), S_OK);
    ASSERT_EQ(m_sprite->SetTransform(&flip), S_OK);
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_BILLBOARD | D3DXSPRITE_ALPHABLEND), S_OK);
    const D3DXVECTOR3 b1(0, 0, 0), b2(18, 6, 20), half16(16, 16, 0);
    ASSERT_EQ(m_sprite->Draw(soft.get(), nullptr, &half16, &b1, 0xFFFF60FF), S_OK);
    ASSERT_EQ(m_sprite->Draw(check.get(), nullptr, &centre, &b2, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(m_sprite->End(), S_OK);
    m_sprite->SetTransform(&identity);

    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    testsupport::Image image;
    image.width = 160;
    image.height = 120;
    image.pixels = readBackBuffer();
    EXPECT_TRUE(testsupport::matchesGolden(image, "tests/gfxutil/core/golden/sprites.png"));
    m_device->BeginScene();  // the fixture's scene is ended by the device's release
}

}  // namespace
}  // namespace sprite_test
