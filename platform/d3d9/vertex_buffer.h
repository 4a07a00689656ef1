// A vertex buffer: a block of memory with its usage, pool and FVF code. The device reads it at
// draw time through the streams it is bound to.
#pragma once

#include "platform/d3d9/buffer_storage.h"
#include "platform/d3d9/resource.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class VertexBuffer final : public ComObject<VertexBuffer, ResourceSlots<IDirect3DVertexBuffer9>, IDirect3DResource9> {
public:
    // Refuses (null) when the memory cannot be had; arguments are checked by the device.
    static VertexBuffer* create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    const BufferStorage& storage() const { return m_storage; }

private:
    VertexBuffer() = default;
    friend class ComObject<VertexBuffer, ResourceSlots<IDirect3DVertexBuffer9>, IDirect3DResource9>;

    BufferStorage m_storage;
    DWORD m_fvf = 0;
};

}  // namespace platform::d3d9
