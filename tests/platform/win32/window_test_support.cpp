#include "tests/platform/win32/window_test_support.h"

#include <png.h>

#include <algorithm>
#include <filesystem>

namespace win32_test {

Recorder& recorder() {
    static Recorder r;
    return r;
}

LRESULT recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorder& r = recorder();
    r.log.push_back({window, message, wParam, lParam});
    if (message == WM_CREATE) {
        GetClientRect(window, &r.clientAtCreate);
    }
    if (r.handler) {
        if (const auto result = r.handler(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> messagesReceived(const std::vector<UINT>& interesting) {
    std::vector<UINT> out;
    for (const Received& r : recorder().log) {
        if (interesting.empty() || std::find(interesting.begin(), interesting.end(), r.message) != interesting.end()) {
            out.push_back(r.message);
        }
    }
    return out;
}

void startHeadless() {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    platform::win32::setInputSchedule({});
    platform::win32::setHeadlessDisplayModes({{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}});
    recorder() = Recorder{};
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recordingProc;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "TestClass";
    RegisterClassA(&wc);
}

HWND createClientWindow(int width, int height, DWORD style) {
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    return CreateWindowExA(0, "TestClass", "Test window", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
}

std::optional<int> runLoop(const std::function<void()>& render, int maxIterations) {
    MSG msg{};
    for (int i = 0; i < maxIterations; ++i) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) {
                return static_cast<int>(msg.wParam);
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            render();
        }
    }
    return std::nullopt;
}

std::optional<LRESULT> quitOnEscapeOrDestroy(HWND, UINT message, WPARAM wParam, LPARAM) {
    if ((message == WM_KEYDOWN && wParam == VK_ESCAPE) || message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return std::nullopt;
}

std::optional<Image> readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGB;
    Image out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

std::string freshOutputDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(GFX_TEST_OUTPUT_DIR) / "win32" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace win32_test
