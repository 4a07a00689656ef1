// A headless window with a root object and a device on it, for the device's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/types.h"

namespace d3d9_test {

// The count an object holds now: one AddRef and one Release, which leave it as it was.
ULONG refCount(IUnknown* object);

class HeadlessWindow {
public:
    HeadlessWindow(int clientWidth = 64, int clientHeight = 48);
    ~HeadlessWindow();
    HWND handle() const { return m_window; }

private:
    HWND m_window = nullptr;
};

D3DPRESENT_PARAMETERS windowedParams(UINT width, UINT height);

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Recreates the device with these parameters (the window stays).
    HRESULT recreate(D3DPRESENT_PARAMETERS params, DWORD behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING);

    // The render target's pixels (X8R8G8B8, tightly packed), read back through system memory.
    std::vector<uint32_t> readBackBuffer();

    std::unique_ptr<HeadlessWindow> m_window;
    ComPtr<IDirect3D9> m_root;
    ComPtr<IDirect3DDevice9> m_device;
    UINT m_width = 16;
    UINT m_height = 16;
};

}  // namespace d3d9_test
