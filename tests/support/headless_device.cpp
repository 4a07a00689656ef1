#include "tests/support/headless_device.h"

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace testsupport {

namespace {
LRESULT plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HeadlessDevice::HeadlessDevice(UINT width, UINT height, DepthBuffer depth) : m_width(width), m_height(height) {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    platform::win32::setInputSchedule({});
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = "HeadlessDeviceClass";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "HeadlessDeviceClass", "headless device", WS_OVERLAPPEDWINDOW, 0, 0,
                                  static_cast<int>(width) + 64, static_cast<int>(height) + 64, nullptr, nullptr,
                                  nullptr, nullptr);
    m_d3d = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    if (!m_d3d || window == nullptr) {
        ADD_FAILURE() << "no Direct3D root object or window";
        return;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    if (depth == DepthBuffer::D24S8) {
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    }
    const HRESULT hr = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, m_device.put());
    if (FAILED(hr)) {
        ADD_FAILURE() << "CreateDevice failed: 0x" << std::hex << hr;
        return;
    }
    platform::d3d9::setCallLogging(m_device.get(), true);
}

HeadlessDevice::~HeadlessDevice() {
    m_device.reset();
    m_d3d.reset();
    platform::win32::resetWindowSystem();
}

std::vector<std::string> HeadlessDevice::takeCalls() { return platform::d3d9::takeCallLog(m_device.get()); }

std::vector<uint32_t> HeadlessDevice::readBackBuffer() {
    std::vector<uint32_t> pixels;
    ComPtr<IDirect3DSurface9> target;
    ComPtr<IDirect3DSurface9> copy;
    D3DSURFACE_DESC desc{};
    if (FAILED(m_device->GetRenderTarget(0, target.put())) || FAILED(target->GetDesc(&desc)) ||
        FAILED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                     copy.put(), nullptr)) ||
        FAILED(m_device->GetRenderTargetData(target.get(), copy.get()))) {
        ADD_FAILURE() << "cannot read the render target back";
        return pixels;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        ADD_FAILURE() << "cannot lock the copy";
        return pixels;
    }
    pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(pixels.data() + static_cast<size_t>(y) * desc.Width,
                    static_cast<const std::byte*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    desc.Width * sizeof(uint32_t));
    }
    copy->UnlockRect();
    for (uint32_t& p : pixels) {
        p &= 0x00FFFFFFu;
    }
    return pixels;
}

}  // namespace testsupport
