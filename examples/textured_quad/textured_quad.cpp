// An image file loaded as a mip-mapped texture and drawn on a quad that recedes into the
// distance, so the far end samples the smaller levels; over it, sprites of the same texture drawn
// through the sprite batcher, one of them half transparent, and a line of text queued in the same
// sprite batch.
//
//   textured_quad [IMAGE]     IMAGE defaults to data/062bois.jpg, relative to the working folder
//
// Any format the loader reads will do (JPEG, PNG, BMP, TGA, DDS, ...). Headless runs are scripted
// with the window layer's variables, e.g.
//   WIN32_HEADLESS=1 WIN32_FRAMES=1 WIN32_CAPTURE=0 WIN32_CAPTURE_DIR=out ./textured_quad
#include <cstdio>
#include <cstring>
#include <string>

#include "gfxutil/core/font.h"
#include "gfxutil/core/sprite.h"
#include "gfxutil/math/math_types.h"
#include "gfxutil/tex/texture_loader.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/windows.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct QuadVertex {
    float x, y, z;
    float u, v;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;

// A floor 8 units wide running from just below the camera 40 units into the distance; the
// texture repeats 2 times across it and 10 times along it.
constexpr QuadVertex kQuad[4] = {
    {-4.0f, -1.0f, 0.0f, 0.0f, 10.0f},
    {-4.0f, -1.0f, 40.0f, 0.0f, 0.0f},
    {4.0f, -1.0f, 0.0f, 2.0f, 10.0f},
    {4.0f, -1.0f, 40.0f, 2.0f, 0.0f},
};

std::string g_imagePath = "data/062bois.jpg";
IDirect3D9* g_direct3D = nullptr;
IDirect3DDevice9* g_device = nullptr;
IDirect3DTexture9* g_texture = nullptr;
ID3DXSprite* g_sprite = nullptr;
ID3DXFont* g_font = nullptr;

void report(const char* call, HRESULT hr) {
    std::fprintf(stderr, "textured_quad: %s failed (0x%08X)\n", call, static_cast<unsigned>(hr));
}

bool createScene(HWND window) {
    g_direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (g_direct3D == nullptr) {
        std::fprintf(stderr, "textured_quad: Direct3DCreate9 failed\n");
        return false;
    }
    D3DPRESENT_PARAMETERS parameters;
    std::memset(&parameters, 0, sizeof(parameters));
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = g_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                          D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &g_device);
    if (FAILED(hr)) {
        report("CreateDevice", hr);
        return false;
    }

    // The whole mip chain, sized and formatted for the device; a failure names the file and the
    // reason on the library's diagnostic channel (standard error by default).
    hr = D3DXCreateTextureFromFileA(g_device, g_imagePath.c_str(), &g_texture);
    if (FAILED(hr)) {
        report(("D3DXCreateTextureFromFileA(\"" + g_imagePath + "\")").c_str(), hr);
        return false;
    }
    hr = D3DXCreateSprite(g_device, &g_sprite);
    if (FAILED(hr)) {
        report("D3DXCreateSprite", hr);
        return false;
    }
    hr = D3DXCreateFontA(g_device, 28, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, "Arial", &g_font);
    if (FAILED(hr)) {
        report("D3DXCreateFontA", hr);
        return false;
    }

    g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    g_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    g_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);

    D3DXMATRIX world;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixIdentity(&world);
    const D3DXVECTOR3 eye(0.0f, 0.5f, -2.0f);
    const D3DXVECTOR3 at(0.0f, -0.2f, 10.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 3.0f, static_cast<float>(kWidth) / kHeight, 0.5f, 100.0f);
    g_device->SetTransform(D3DTS_WORLD, &world);
    g_device->SetTransform(D3DTS_VIEW, &view);
    g_device->SetTransform(D3DTS_PROJECTION, &projection);
    return true;
}

void drawSprites() {
    // Sprites are in pixels, from the top-left corner; each draws a part of level 0.
    const RECT corner = {0, 0, 128, 128};
    const RECT strip = {0, 200, 512, 264};
    const D3DXVECTOR3 left(16.0f, 16.0f, 0.0f);
    const D3DXVECTOR3 right(static_cast<float>(kWidth - 16 - 128), 16.0f, 0.0f);
    const D3DXVECTOR3 banner(64.0f, 170.0f, 0.0f);
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
    g_sprite->Draw(g_texture, &corner, nullptr, &left, D3DCOLOR_ARGB(255, 255, 255, 255));
    g_sprite->Draw(g_texture, &corner, nullptr, &right, D3DCOLOR_ARGB(255, 120, 170, 255));  // tinted
    g_sprite->Draw(g_texture, &strip, nullptr, &banner, D3DCOLOR_ARGB(128, 255, 255, 255));  // half transparent
    // Text drawn with the caller's sprite is queued in its batch and drawn at End, after the
    // sprites above (sorted by texture, so the glyphs' cache texture comes in its own run).
    RECT line = {64, 170, 64 + 512, 170 + 64};
    g_font->DrawTextA(g_sprite, "Wood, mip-mapped", -1, &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                      D3DCOLOR_XRGB(255, 255, 255));
    g_sprite->End();
}

void renderFrame() {
    g_device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(90, 120, 160), 1.0f, 0);
    if (SUCCEEDED(g_device->BeginScene())) {
        g_device->SetTexture(0, g_texture);
        g_device->SetFVF(kQuadFvf);
        g_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, kQuad, sizeof(QuadVertex));
        g_device->SetTexture(0, nullptr);
        drawSprites();
        g_device->EndScene();
    }
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void releaseScene() {
    if (g_font != nullptr) g_font->Release();
    if (g_sprite != nullptr) g_sprite->Release();
    if (g_texture != nullptr) g_texture->Release();
    if (g_device != nullptr) g_device->Release();
    if (g_direct3D != nullptr) g_direct3D->Release();
    g_font = nullptr;
    g_sprite = nullptr;
    g_texture = nullptr;
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

int exampleMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    if (commandLine != nullptr && commandLine[0] != '\0') g_imagePath = commandLine;

    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "textured_quad";
    if (RegisterClassA(&windowClass) == 0) return 1;

    RECT rect = {0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExA(0, "textured_quad", "Textured quad", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return 1;
    if (!createScene(window)) {
        DestroyWindow(window);
        return 1;
    }
    ShowWindow(window, showCommand);

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
