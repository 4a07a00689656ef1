#include "tests/platform/d3d9/device_fixture.h"

#include <cstring>

#include "platform/d3d9/controls.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace d3d9_test {

ULONG refCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

HeadlessWindow::HeadlessWindow(int clientWidth, int clientHeight) {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "d3d9_test";
    RegisterClassA(&wc);
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    m_window = CreateWindowExA(0, "d3d9_test", "device test", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

HeadlessWindow::~HeadlessWindow() {
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
    platform::win32::resetWindowSystem();
}

D3DPRESENT_PARAMETERS windowedParams(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_UNKNOWN;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return p;
}

void DeviceTest::SetUp() {
    platform::d3d9::setFailure(std::nullopt);
    platform::d3d9::setSoftwareVertexProcessingOnly(std::nullopt);
    m_window = std::make_unique<HeadlessWindow>();
    ASSERT_NE(m_window->handle(), nullptr);
    m_root = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    ASSERT_TRUE(m_root);
    ASSERT_EQ(recreate(windowedParams(m_width, m_height)), D3D_OK);
}

void DeviceTest::TearDown() {
    m_device.reset();
    m_root.reset();
    m_window.reset();
    platform::d3d9::setFailure(std::nullopt);
    platform::d3d9::setSoftwareVertexProcessingOnly(std::nullopt);
}

HRESULT DeviceTest::recreate(D3DPRESENT_PARAMETERS params, DWORD behavior) {
    m_device.reset();
    IDirect3DDevice9* device = nullptr;
    const HRESULT hr = m_root->CreateDevice(0, D3DDEVTYPE_HAL, m_window->handle(), behavior, &params, &device);
    m_device = ComPtr<IDirect3DDevice9>::adopt(device);
    if (SUCCEEDED(hr)) {
        m_width = params.BackBufferWidth;
        m_height = params.BackBufferHeight;
    }
    return hr;
}

std::vector<uint32_t> DeviceTest::readBackBuffer() {
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
    return pixels;
}

}  // namespace d3d9_test
