// A lit torus turning about two axes, made by the mesh library's shape generator and drawn with
// DrawSubset under one directional light.
//
// In a window it turns until the window is closed or Esc is pressed. Without a display (or with
// WIN32_HEADLESS=1) it runs headless; the window layer's variables then script the run, e.g.
//   WIN32_FRAMES=60 WIN32_CAPTURE=0,59 WIN32_CAPTURE_DIR=out ./spinning_mesh
// writes frames 0 and 59 as out/frame-00000.png and out/frame-00059.png. The turn advances a fixed
// angle per frame, so a given frame is always the same picture.
#include <cstdio>
#include <cstring>

#include "gfxutil/math/math_types.h"
#include "gfxutil/mesh/mesh.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/windows.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kTurnPerFrame = 0.05f;  // radians

IDirect3D9* g_direct3D = nullptr;
IDirect3DDevice9* g_device = nullptr;
ID3DXMesh* g_torus = nullptr;
int g_frame = 0;

// The device, the fixed states, the light, the camera and the mesh. Every failure is reported
// with the status it came with.
bool createScene(HWND window) {
    g_direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (g_direct3D == nullptr) {
        std::fprintf(stderr, "spinning_mesh: Direct3DCreate9 failed\n");
        return false;
    }
    D3DPRESENT_PARAMETERS parameters;
    std::memset(&parameters, 0, sizeof(parameters));
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;  // the display's format
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = g_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                          D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &g_device);
    if (FAILED(hr)) {
        std::fprintf(stderr, "spinning_mesh: CreateDevice failed (0x%08X)\n", static_cast<unsigned>(hr));
        return false;
    }

    // Inner radius 0.35, outer 1.0, 24 sides, 48 rings; the generator gives positions and normals.
    hr = D3DXCreateTorus(g_device, 0.35f, 1.0f, 24, 48, &g_torus, nullptr);
    if (FAILED(hr)) {
        std::fprintf(stderr, "spinning_mesh: D3DXCreateTorus failed (0x%08X)\n", static_cast<unsigned>(hr));
        return false;
    }

    D3DMATERIAL9 material;
    std::memset(&material, 0, sizeof(material));
    material.Diffuse = {0.9f, 0.6f, 0.2f, 1.0f};
    material.Ambient = {0.9f, 0.6f, 0.2f, 1.0f};
    g_device->SetMaterial(&material);
    D3DLIGHT9 light;
    std::memset(&light, 0, sizeof(light));
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.5f, -1.0f, 1.0f};  // from the upper left, in front
    g_device->SetLight(0, &light);
    g_device->LightEnable(0, TRUE);
    g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
    g_device->SetRenderState(D3DRS_AMBIENT, 0x00303030);
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    g_device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);

    D3DXMATRIX view;
    D3DXMATRIX projection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -4.0f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4.0f, static_cast<float>(kWidth) / kHeight, 1.0f, 100.0f);
    g_device->SetTransform(D3DTS_VIEW, &view);
    g_device->SetTransform(D3DTS_PROJECTION, &projection);
    return true;
}

void renderFrame() {
    const float angle = kTurnPerFrame * static_cast<float>(g_frame++);
    D3DXMATRIX aboutX;
    D3DXMATRIX aboutY;
    D3DXMATRIX world;
    D3DXMatrixRotationX(&aboutX, 0.9f + angle * 0.5f);
    D3DXMatrixRotationY(&aboutY, angle);
    D3DXMatrixMultiply(&world, &aboutX, &aboutY);
    g_device->SetTransform(D3DTS_WORLD, &world);

    g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(24, 32, 48), 1.0f, 0);
    if (SUCCEEDED(g_device->BeginScene())) {
        g_torus->DrawSubset(0);
        g_device->EndScene();
    }
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void releaseScene() {
    if (g_torus != nullptr) g_torus->Release();
    if (g_device != nullptr) g_device->Release();
    if (g_direct3D != nullptr) g_direct3D->Release();
    g_torus = nullptr;
    g_device = nullptr;
    g_direct3D = nullptr;
}

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        releaseScene();
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            DestroyWindow(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int exampleMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "spinning_mesh";
    if (RegisterClassA(&windowClass) == 0) return 1;

    RECT rect = {0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExA(0, "spinning_mesh", "Spinning mesh", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return 1;
    if (!createScene(window)) {
        DestroyWindow(window);
        return 1;
    }
    ShowWindow(window, showCommand);

    // Render whenever no message is waiting; WM_QUIT ends the loop.
    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (g_device != nullptr) {
            renderFrame();
        }
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int main(int argc, char** argv) { return platform::win32::runWinMain(argc, argv, exampleMain); }
