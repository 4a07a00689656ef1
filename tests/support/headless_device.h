// A software device on a headless window, for the suites of the library built on the device.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/com_ptr.h"

namespace testsupport {

enum class DepthBuffer { None, D24S8 };

// The window system is reset to a headless one for the device's lifetime; the device's call log is
// on from construction. A failure to create it is reported as a test failure, and get() is null.
class HeadlessDevice {
public:
    HeadlessDevice(UINT width, UINT height, DepthBuffer depth);
    ~HeadlessDevice();
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;

    IDirect3DDevice9* get() const { return m_device.get(); }
    // The device's call log since the last take.
    std::vector<std::string> takeCalls();
    // The back buffer, 0x00RRGGBB per pixel, read back through system memory.
    std::vector<uint32_t> readBackBuffer();
    UINT width() const { return m_width; }
    UINT height() const { return m_height; }

private:
    ComPtr<IDirect3D9> m_d3d;
    ComPtr<IDirect3DDevice9> m_device;
    UINT m_width;
    UINT m_height;
};

}  // namespace testsupport
