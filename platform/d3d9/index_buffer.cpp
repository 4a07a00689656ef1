#include "platform/d3d9/index_buffer.h"

#include <new>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

IndexBuffer* IndexBuffer::create(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    auto* ib = new (std::nothrow) IndexBuffer();
    if (ib == nullptr) {
        return nullptr;
    }
    if (!ib->m_storage.allocate(length, usage)) {
        ib->Release();
        return nullptr;
    }
    ib->attachResource(device, D3DRTYPE_INDEXBUFFER, pool);
    ib->m_format = format;
    return ib;
}

HRESULT IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
    if (device() != nullptr) {
        device()->callLog().add("IndexBuffer.Lock(%u, %u, 0x%x)", OffsetToLock, SizeToLock, Flags);
    }
    return m_storage.lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT IndexBuffer::Unlock() {
    if (device() != nullptr) {
        device()->callLog().add("IndexBuffer.Unlock()");
    }
    return m_storage.unlock();
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    REFUSE_IF(pDesc == nullptr, D3DERR_INVALIDCALL, "no output");
    *pDesc = D3DINDEXBUFFER_DESC{m_format, D3DRTYPE_INDEXBUFFER, m_storage.usage(), pool(), m_storage.length()};
    return D3D_OK;
}

}  // namespace platform::d3d9
