// A software device on a headless window, for the tests that need real surfaces and textures.
#pragma once

#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::tex::testing {

class TestDevice {
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* get() const { return m_device.get(); }
    bool supportsTexture(D3DFORMAT format) const;

private:
    HWND m_window = nullptr;
    ComPtr<IDirect3D9> m_root;
    ComPtr<IDirect3DDevice9> m_device;
};

// The pixels of one level, rows packed without padding.
std::vector<BYTE> levelBytes(IDirect3DTexture9* texture, UINT level, UINT bytesPerPixel);

}  // namespace gfxutil::tex::testing
