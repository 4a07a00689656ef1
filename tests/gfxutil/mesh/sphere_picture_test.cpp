// The application's sphere (radius 1, 8 slices, 8 stacks, computed normals) drawn headless through
// DrawSubset under one directional light. The frame is written to the build's test output folder
// (mesh/sphere_lit.png) for a look by eye; the checks below hold it to the shape of a lit sphere:
// background around it, a lit disc in the middle, brighter towards the light.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "platform/win32/controls.h"
#include "platform/win32/window_system.h"
#include "tests/gfxutil/mesh/mesh_test_support.h"

namespace {

using mesh_test::HeadlessDevice;

constexpr D3DCOLOR kBackground = 0xFF102030;

// Whether the device transforms and fills a plain triangle at all. The picture below is about the
// mesh; while the device cannot draw transformed vertices yet it cannot be judged, and the test
// says so instead of failing on another module's account.
bool deviceDraws(IDirect3DDevice9* device) {
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
    };
    const Vertex triangle[3] = {{-1, -1, 0.5f, 0xFFFFFFFF}, {-1, 1, 0.5f, 0xFFFFFFFF}, {1, -1, 0.5f, 0xFFFFFFFF}};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(Vertex));
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    const std::optional<platform::win32::PresentedFrame> frame = platform::win32::lastPresentedFrame();
    return frame.has_value() && frame->width > 20 &&
           (frame->pixels[static_cast<size_t>(frame->height - 10) * frame->width + 10] & 0xFFFFFF) != 0;
}

int brightness(std::uint32_t pixel) {
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}

TEST(SpherePicture, LitSphereDrawnWithDrawSubset) {
    // The math library's one-time processor message comes at the first dispatched call; let it
    // come before the capture, which is about the mesh's own lines.
    D3DXVECTOR3 unit(2.0f, 0.0f, 0.0f);
    D3DXVec3Normalize(&unit, &unit);
    mesh_test::MessageCapture messages;
    HeadlessDevice headless(128, 128);
    IDirect3DDevice9* device = headless.get();
    ASSERT_NE(device, nullptr);

    if (!deviceDraws(device)) {
        GTEST_SKIP() << "the software device fills no triangles yet; the picture cannot be judged";
    }

    ComPtr<ID3DXMesh> sphere;
    ASSERT_EQ(D3DXCreateSphere(device, 1.0f, 8, 8, sphere.put(), nullptr), S_OK);
    ASSERT_EQ(D3DXComputeNormals(sphere.get(), nullptr), S_OK);

    D3DXMATRIX world, view, projection;
    D3DXMatrixIdentity(&world);
    const D3DXVECTOR3 eye(0.0f, 0.0f, -3.5f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4.0f, 1.0f, 1.0f, 10.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 0.45f, 0.2f, 1.0f};
    material.Ambient = {1.0f, 0.45f, 0.2f, 1.0f};
    device->SetMaterial(&material);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {1.0f, -1.0f, 1.0f};  // from the upper left, in front
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    // A convex mesh with its back faces culled covers each pixel once, so no depth test is needed
    // (and the picture does not depend on the depth buffer).
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), S_OK);
    ASSERT_EQ(sphere->DrawSubset(0), S_OK);
    ASSERT_EQ(device->EndScene(), S_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);

    const std::optional<platform::win32::PresentedFrame> frame = platform::win32::lastPresentedFrame();
    ASSERT_TRUE(frame.has_value());
    ASSERT_EQ(frame->width, 128);
    ASSERT_EQ(frame->height, 128);
    const std::string dir = std::string(GFX_TEST_OUTPUT_DIR) + "/mesh";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/sphere_lit.png";
    EXPECT_EQ(platform::win32::writePng(path, *frame), "");
    std::printf("sphere picture: %s\n", path.c_str());

    auto at_ = [&](int x, int y) { return frame->pixels[static_cast<size_t>(y) * 128 + x] & 0xFFFFFF; };
    // Around the sphere: the clear colour.
    for (auto [x, y] : {std::pair{2, 2}, {125, 2}, {2, 125}, {125, 125}, {64, 3}}) {
        EXPECT_EQ(at_(x, y), kBackground & 0xFFFFFF) << x << "," << y;
    }
    // The sphere covers the centre, lit mostly in the material's colour (more red than blue).
    const std::uint32_t centre = at_(64, 64);
    EXPECT_NE(centre, kBackground & 0xFFFFFF);
    EXPECT_GT((centre >> 16) & 0xFF, centre & 0xFF);
    // Facing the light (upper left) is brighter than facing away (lower right), which keeps
    // little more than the ambient term.
    EXPECT_GT(brightness(at_(48, 48)), brightness(at_(80, 80)) + 60);
    // Its outline: about 1 / tan(22.5 deg) / 3.5 of the half-width, so some 40 pixels across
    // each side of the centre, never reaching the edges.
    int covered = 0;
    for (int x = 0; x < 128; ++x) {
        covered += at_(x, 64) != (kBackground & 0xFFFFFF) ? 1 : 0;
    }
    EXPECT_GT(covered, 60);
    EXPECT_LT(covered, 100);
    EXPECT_TRUE(messages.texts().empty());
}

}  // namespace
