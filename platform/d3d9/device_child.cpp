#include "platform/d3d9/device_child.h"

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

DeviceChild::~DeviceChild() {
    if (m_device != nullptr) {
        m_device->forgetChild(this);
    }
}

void DeviceChild::attach(Device* device) {
    m_device = device;
    if (device != nullptr) {
        device->adoptChild(this);
    }
}

HRESULT DeviceChild::getDevice(IDirect3DDevice9** out) const {
    REFUSE_IF(out == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(m_device == nullptr, D3DERR_INVALIDCALL, "the device was released");
    m_device->AddRef();
    *out = m_device;
    return D3D_OK;
}

}  // namespace platform::d3d9
