#include "test_device.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace gfxutil::tex::testing {
namespace {

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TestDevice::TestDevice() {
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.lpszClassName = "gfxutil_tex_test";
        registered = RegisterClassA(&wc) != 0;
    }
    m_window = CreateWindowExA(0, "gfxutil_tex_test", "tex", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                               nullptr, nullptr);
    EXPECT_NE(m_window, nullptr);
    m_root = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    EXPECT_TRUE(m_root);
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = TRUE;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.BackBufferFormat = D3DFMT_UNKNOWN;
    params.BackBufferWidth = 64;
    params.BackBufferHeight = 64;
    EXPECT_EQ(m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                                   m_device.put()),
              S_OK);
}

TestDevice::~TestDevice() {
    m_device.reset();
    m_root.reset();
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
}

bool TestDevice::supportsTexture(D3DFORMAT format) const {
    D3DDISPLAYMODE mode{};
    m_device->GetDisplayMode(0, &mode);
    return SUCCEEDED(m_root->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, format));
}

std::vector<BYTE> levelBytes(IDirect3DTexture9* texture, UINT level, UINT bytesPerPixel) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT bits{};
    EXPECT_EQ(texture->LockRect(level, &bits, nullptr, D3DLOCK_READONLY), S_OK);
    std::vector<BYTE> out(static_cast<std::size_t>(desc.Width) * desc.Height * bytesPerPixel);
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(out.data() + static_cast<std::size_t>(y) * desc.Width * bytesPerPixel,
                    static_cast<const BYTE*>(bits.pBits) + static_cast<std::size_t>(y) * bits.Pitch,
                    static_cast<std::size_t>(desc.Width) * bytesPerPixel);
    }
    texture->UnlockRect(level);
    return out;
}

}  // namespace gfxutil::tex::testing
