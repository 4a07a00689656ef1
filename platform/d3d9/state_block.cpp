#include "platform/d3d9/state_block.h"

#include <new>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

StateBlock* StateBlock::create(Device* device, const StateMask& mask, const StateSet& values) {
    auto* block = new (std::nothrow) StateBlock();
    if (block == nullptr) {
        return nullptr;
    }
    block->m_mask = mask;
    copyMasked(values, block->m_values, mask);
    block->attach(device);
    return block;
}

HRESULT StateBlock::Capture() {
    Device* d = device();
    REFUSE_IF(d == nullptr, D3DERR_INVALIDCALL, "the device was released");
    d->callLog().add("StateBlock.Capture()");
    REFUSE_IF(d->recordingStateBlock(), D3DERR_INVALIDCALL, "the device is recording a state block");
    copyMasked(d->state(), m_values, m_mask);
    return D3D_OK;
}

HRESULT StateBlock::Apply() {
    Device* d = device();
    REFUSE_IF(d == nullptr, D3DERR_INVALIDCALL, "the device was released");
    d->callLog().add("StateBlock.Apply()");
    REFUSE_IF(d->recordingStateBlock(), D3DERR_INVALIDCALL, "the device is recording a state block");
    d->applyState(m_values, m_mask);
    return D3D_OK;
}

}  // namespace platform::d3d9
