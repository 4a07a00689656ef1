// The font on its own: a few lines in several scripts (Latin, Korean, Greek, Cyrillic, Hebrew and
// Arabic), measured with DT_CALCRECT, a box of that size cleared behind them, and the lines drawn
// into it over a clear colour.
//
// The font asks for "Arial" (Liberation Sans stands in for it on Debian); letters the face lacks
// (Korean, Arabic) are shaped in a fallback face found by the script layer, which must therefore
// be linked whole: verlet_spring::gfxutil and `pkg-config verlet_spring` both do that.
//   WIN32_HEADLESS=1 WIN32_FRAMES=1 WIN32_CAPTURE=0 WIN32_CAPTURE_DIR=out ./text_lines
#include <cstdio>
#include <cstring>

#include "gfxutil/core/font.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/windows.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 240;
constexpr LONG kMargin = 12;

// UTF-16 text, one paragraph per line; DrawTextW breaks at the line feeds.
constexpr const char16_t* kText =
    u"Verlet springs: x' = 2x - x\u2080 + a\u00B7\u0394t\u00B2\n"
    u"\uC2A4\uD504\uB9C1 \uC0C1\uC218 ks = 30, \uAC10\uC1E0 kd = 5\n"
    u"\u0395\u03BB\u03B1\u03C4\u03AE\u03C1\u03B9\u03BF \u00B7 \u041F\u0440\u0443\u0436\u0438\u043D\u0430\n"
    u"\u05E7\u05E4\u05D9\u05E5 \u00B7 \u0646\u0627\u0628\u0636";

IDirect3D9* g_direct3D = nullptr;
IDirect3DDevice9* g_device = nullptr;
ID3DXFont* g_font = nullptr;
RECT g_box = {0, 0, 0, 0};

void report(const char* call, HRESULT hr) {
    std::fprintf(stderr, "text_lines: %s failed (0x%08X)\n", call, static_cast<unsigned>(hr));
}

bool createScene(HWND window) {
    g_direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (g_direct3D == nullptr) {
        std::fprintf(stderr, "text_lines: Direct3DCreate9 failed\n");
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
    // 24 pixels high, bold, the full mip chain of each glyph cell.
    hr = D3DXCreateFontA(g_device, 24, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, "Arial", &g_font);
    if (FAILED(hr)) {
        report("D3DXCreateFontA", hr);
        return false;
    }
    // Measure once: with DT_CALCRECT the font lays the text out and writes the block's rectangle
    // (its left and top stay where they were given) without drawing anything.
    g_box = {kMargin, kMargin, kMargin, kMargin};
    if (g_font->DrawTextW(nullptr, kText, -1, &g_box, DT_LEFT | DT_CALCRECT, 0xFFFFFFFF) == 0) {
        std::fprintf(stderr, "text_lines: the text could not be measured\n");
        return false;
    }
    return true;
}

void renderFrame() {
    g_device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(32, 40, 56), 1.0f, 0);
    // The measured box, a few pixels larger all round.
    const D3DRECT box = {g_box.left - 6, g_box.top - 4, g_box.right + 6, g_box.bottom + 4};
    g_device->Clear(1, &box, D3DCLEAR_TARGET, D3DCOLOR_XRGB(236, 232, 220), 1.0f, 0);
    if (SUCCEEDED(g_device->BeginScene())) {
        RECT rect = g_box;
        g_font->DrawTextW(nullptr, kText, -1, &rect, DT_LEFT, D3DCOLOR_XRGB(20, 30, 90));
        g_device->EndScene();
    }
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void releaseScene() {
    if (g_font != nullptr) g_font->Release();
    if (g_device != nullptr) g_device->Release();
    if (g_direct3D != nullptr) g_direct3D->Release();
    g_font = nullptr;
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
    windowClass.lpszClassName = "text_lines";
    if (RegisterClassA(&windowClass) == 0) return 1;

    RECT rect = {0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExA(0, "text_lines", "Text lines", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
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
