#include "platform/d3d9/vertex_buffer.h"

#include <new>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

VertexBuffer* VertexBuffer::create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    auto* vb = new (std::nothrow) VertexBuffer();
    if (vb == nullptr) {
        return nullptr;
    }
    if (!vb->m_storage.allocate(length, usage)) {
        vb->Release();
        return nullptr;
    }
    vb->attachResource(device, D3DRTYPE_VERTEXBUFFER, pool);
    vb->m_fvf = fvf;
    return vb;
}

HRESULT VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
    if (device() != nullptr) {
        device()->callLog().add("VertexBuffer.Lock(%u, %u, 0x%x)", OffsetToLock, SizeToLock, Flags);
    }
    return m_storage.lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT VertexBuffer::Unlock() {
    if (device() != nullptr) {
        device()->callLog().add("VertexBuffer.Unlock()");
    }
    return m_storage.unlock();
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    REFUSE_IF(pDesc == nullptr, D3DERR_INVALIDCALL, "no output");
    *pDesc = D3DVERTEXBUFFER_DESC{
        D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, m_storage.usage(), pool(), m_storage.length(), m_fvf};
    return D3D_OK;
}

}  // namespace platform::d3d9
