// The slots every Direct3D resource shares (GetDevice, private data, priority, PreLoad, GetType),
// written once between the interface and the object's own class:
//     class VertexBuffer final : public ComObject<VertexBuffer, ResourceSlots<IDirect3DVertexBuffer9>,
//                                                 IDirect3DResource9> { ... };
// ResourceSlots<I> answers queries with I's identifier, so the object still looks like an I.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_child.h"
#include "platform/d3d9/private_data.h"

namespace platform::d3d9 {

template <class Interface>
class ResourceSlots : public Interface, public DeviceChild {
public:
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT SetPrivateData(REFGUID id, const void* data, DWORD size, DWORD flags) override {
        return m_privateData.set(id, data, size, flags);
    }
    HRESULT GetPrivateData(REFGUID id, void* data, DWORD* size) override { return m_privateData.get(id, data, size); }
    HRESULT FreePrivateData(REFGUID id) override { return m_privateData.free(id); }
    // Only managed resources have a priority; for the others it stays 0.
    DWORD SetPriority(DWORD priority) override {
        const DWORD old = m_priority;
        if (m_pool == D3DPOOL_MANAGED) {
            m_priority = priority;
        }
        return old;
    }
    DWORD GetPriority() override { return m_priority; }
    void PreLoad() override {}  // everything already lives where the rasteriser reads it
    D3DRESOURCETYPE GetType() override { return m_type; }

    D3DPOOL pool() const { return m_pool; }

protected:
    ResourceSlots() = default;
    ~ResourceSlots() = default;

    void attachResource(Device* device, D3DRESOURCETYPE type, D3DPOOL pool) {
        attach(device);
        m_type = type;
        m_pool = pool;
    }

private:
    D3DRESOURCETYPE m_type = D3DRTYPE_SURFACE;
    D3DPOOL m_pool = D3DPOOL_DEFAULT;
    DWORD m_priority = 0;
    PrivateData m_privateData;
};

}  // namespace platform::d3d9

template <class I>
struct InterfaceId<platform::d3d9::ResourceSlots<I>> {
    static constexpr IID value = InterfaceId<I>::value;
};
