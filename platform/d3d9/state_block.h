// A state block: a set of device states (the mask) with values. A recorded block holds exactly the
// calls made between BeginStateBlock and EndStateBlock; a created block holds the states of its
// kind. Capture reads the current device values of its states; Apply writes them back. Both are
// refused while the device is recording a block, and once the device is gone.
//
// The block holds references to the objects among its values (textures, buffers, declaration).
#pragma once

#include "platform/d3d9/device_child.h"
#include "platform/d3d9/state_set.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class StateBlock final : public ComObject<StateBlock, IDirect3DStateBlock9>, public DeviceChild {
public:
    static StateBlock* create(Device* device, const StateMask& mask, const StateSet& values);

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT Capture() override;
    HRESULT Apply() override;

    const StateMask& mask() const { return m_mask; }
    const StateSet& values() const { return m_values; }

private:
    StateBlock() = default;

    StateMask m_mask;
    StateSet m_values;
};

}  // namespace platform::d3d9
