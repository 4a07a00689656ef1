// The link from every object a device creates back to that device.
//
// Children do not keep their device alive: the device holds references to what is bound to it
// (textures, buffers, declarations), so a reference the other way would make a cycle that nothing
// breaks when the application releases the device while something is still bound (the demo leaves
// its mirror buffer bound to stream 0). Instead the device keeps a list of its live children and,
// when it goes, orphans each one: an orphan keeps its own memory, so locks still work, but calls
// that need the device (GetDevice, Apply, drawing with it) are refused.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

class Device;

class DeviceChild {
public:
    Device* device() const { return m_device; }
    void orphan() { m_device = nullptr; }

    // GetDevice for every child: adds a reference to the device and hands it out.
    HRESULT getDevice(IDirect3DDevice9** out) const;

protected:
    DeviceChild() = default;
    ~DeviceChild();
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    void attach(Device* device);

private:
    Device* m_device = nullptr;
};

}  // namespace platform::d3d9
