// An index buffer of 16-bit or 32-bit indices, with its usage and pool.
#pragma once

#include "platform/d3d9/buffer_storage.h"
#include "platform/d3d9/resource.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class IndexBuffer final : public ComObject<IndexBuffer, ResourceSlots<IDirect3DIndexBuffer9>, IDirect3DResource9> {
public:
    // Refuses (null) when the memory cannot be had; arguments are checked by the device.
    static IndexBuffer* create(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    const BufferStorage& storage() const { return m_storage; }
    D3DFORMAT format() const { return m_format; }
    UINT indexSize() const { return m_format == D3DFMT_INDEX32 ? 4 : 2; }
    UINT indexCount() const { return m_storage.length() / indexSize(); }

private:
    IndexBuffer() = default;
    friend class ComObject<IndexBuffer, ResourceSlots<IDirect3DIndexBuffer9>, IDirect3DResource9>;

    BufferStorage m_storage;
    D3DFORMAT m_format = D3DFMT_INDEX16;
};

}  // namespace platform::d3d9
