// State blocks on the device side: creating one of a kind, and recording one.
#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/state_block.h"

namespace platform::d3d9 {

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) {
    m_log.add("CreateStateBlock(%u)", static_cast<unsigned>(Type));
    REFUSE_IF(ppSB == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(Type < D3DSBT_ALL || Type > D3DSBT_VERTEXSTATE, D3DERR_INVALIDCALL, "block type %u",
              static_cast<unsigned>(Type));
    REFUSE_IF(m_recording, D3DERR_INVALIDCALL, "a state block is being recorded");
    StateBlock* block = StateBlock::create(this, maskForBlockType(Type, m_state), m_state);
    REFUSE_IF(block == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppSB = block;
    return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
    m_log.add("BeginStateBlock()");
    REFUSE_IF(m_recording, D3DERR_INVALIDCALL, "already recording");
    m_recording = true;
    m_recordValues = StateSet{};
    m_recordMask = StateMask{};
    return D3D_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** ppSB) {
    m_log.add("EndStateBlock()");
    REFUSE_IF(!m_recording, D3DERR_INVALIDCALL, "not recording");
    REFUSE_IF(ppSB == nullptr, D3DERR_INVALIDCALL, "no output");
    StateBlock* block = StateBlock::create(this, m_recordMask, m_recordValues);
    REFUSE_IF(block == nullptr, E_OUTOFMEMORY, "out of memory");
    m_recording = false;
    m_recordValues = StateSet{};
    m_recordMask = StateMask{};
    *ppSB = block;
    return D3D_OK;
}

void Device::applyState(const StateSet& values, const StateMask& mask) {
    copyMasked(values, m_state, mask);
    m_dirty = kDirtyAll;
}

}  // namespace platform::d3d9
