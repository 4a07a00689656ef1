// The window procedure driven through the window layer: size events, mouse input and keys.
#include <cmath>
#include <cstring>

#include "app_fixture.h"
#include "platform/kernel/crt_rand.h"

namespace apptest {
namespace {

using WindowProcTest = AppTest;

bool sameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

TEST_F(WindowProcTest, CreationSetsTheCameraForTheClientSize) {
    ASSERT_TRUE(createWindow());
    EXPECT_EQ(appContext->width, 800);
    EXPECT_EQ(appContext->height, 600);
    // cot(pi / 8) with cos and sin each in single precision, over the 4:3 aspect.
    const FLOAT h = 0.7853982f * 0.5f;
    const FLOAT yScale = static_cast<FLOAT>(std::cos(h)) / static_cast<FLOAT>(std::sin(h));
    EXPECT_EQ(appContext->matProj._22, yScale);
    EXPECT_EQ(appContext->matProj._11, yScale / (800.0f / 600.0f));

    D3DMATRIX onDevice;
    ASSERT_EQ(device->GetTransform(D3DTS_PROJECTION, &onDevice), S_OK);
    EXPECT_EQ(std::memcmp(&onDevice, &appContext->matProj, sizeof(onDevice)), 0);
}

struct SizeCase {
    const char* name;
    int width;
    int height;
    int storedWidth;
    int storedHeight;
    bool projectionChanges;
};

constexpr SizeCase kSizeCases[] = {
    {"wider", 1024, 600, 1024, 600, true},
    {"height 0 becomes 1", 1024, 0, 1024, 1, true},
    {"minimised: width 0 leaves the projection", 0, 0, 0, 1, false},
};

TEST_F(WindowProcTest, SizeEventsStoreTheSizeAndReissueTheProjection) {
    ASSERT_TRUE(createWindow());
    for (const SizeCase& c : kSizeCases) {
        SCOPED_TRACE(c.name);
        SendMessageA(appContext->hWnd, WM_SIZE, 0, 0);  // a first size, so each case starts from 0 x 1
        SendMessageA(appContext->hWnd, WM_SIZE, 0, MAKELPARAM(800, 600));
        const D3DXMATRIX before = appContext->matProj;

        EXPECT_EQ(SendMessageA(appContext->hWnd, WM_SIZE, 0, MAKELPARAM(c.width, c.height)), 0);
        EXPECT_EQ(appContext->width, c.storedWidth);
        EXPECT_EQ(appContext->height, c.storedHeight);
        EXPECT_EQ(!sameMatrix(before, appContext->matProj), c.projectionChanges);
        D3DMATRIX onDevice;
        device->GetTransform(D3DTS_PROJECTION, &onDevice);
        EXPECT_EQ(std::memcmp(&onDevice, &appContext->matProj, sizeof(onDevice)), 0);
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(WindowProcTest, LeftClickRestartsEverySystemRightClickAndMovesDoNothing) {
    ASSERT_TRUE(createWindow());
    // Let the systems move away from their start.
    for (int i = 0; i < kNumSpringSystems; ++i) {
        springSystems[i].Step();
    }
    const float movedY = springSystems[7].particles[0].pos.y;
    ASSERT_NE(movedY, 80.0f);

    const UINT ignored[] = {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP};
    for (UINT message : ignored) {
        EXPECT_EQ(SendMessageA(appContext->hWnd, message, 0, MAKELPARAM(10, 10)), 0);
    }
    EXPECT_EQ(springSystems[7].particles[0].pos.y, movedY);

    EXPECT_EQ(SendMessageA(appContext->hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)), 0);
    for (int i = 0; i < kNumSpringSystems; ++i) {
        EXPECT_EQ(springSystems[i].particles[0].pos.y, 80.0f);
        EXPECT_EQ(springSystems[i].particles[1].pos.y, 50.0f);
        EXPECT_EQ(springSystems[i].particles[0].force.x, 10.0f);
    }
}

TEST_F(WindowProcTest, EscPostsQuitWithoutDestroyingOtherKeysGoToDefaultProcessing) {
    ASSERT_TRUE(createWindow());
    EXPECT_EQ(SendMessageA(appContext->hWnd, WM_KEYDOWN, 'A', 0), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

    EXPECT_EQ(SendMessageA(appContext->hWnd, WM_KEYDOWN, VK_ESCAPE, 0), 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(IsWindow(appContext->hWnd));
    EXPECT_NE(device, nullptr);
}

TEST_F(WindowProcTest, SizeEventWithoutDeviceShowsTheSetupBoxOnly) {
    ASSERT_TRUE(createWindow());
    appContext->d3dDevice = nullptr;
    const D3DXMATRIX before = appContext->matProj;
    SendMessageA(appContext->hWnd, WM_SIZE, 0, MAKELPARAM(640, 480));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "SetupMatrices FAILED - not setting d3dDevice");
    EXPECT_EQ(appContext->width, 640);
    EXPECT_TRUE(sameMatrix(before, appContext->matProj));
    appContext->d3dDevice = device;
}

}  // namespace
}  // namespace apptest
