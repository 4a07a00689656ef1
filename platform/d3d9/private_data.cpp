#include "platform/d3d9/private_data.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

PrivateData::~PrivateData() {
    for (Entry& e : m_entries) {
        if (e.object != nullptr) {
            e.object->Release();
        }
    }
}

HRESULT PrivateData::set(REFGUID id, const void* data, DWORD size, DWORD flags) {
    REFUSE_IF((flags & ~D3DSPD_IUNKNOWN) != 0, D3DERR_INVALIDCALL, "unknown flags 0x%x", flags);
    REFUSE_IF(data == nullptr && size != 0, D3DERR_INVALIDCALL, "no data for %u bytes", size);
    const bool isObject = (flags & D3DSPD_IUNKNOWN) != 0;
    REFUSE_IF(isObject && (data == nullptr || size != sizeof(IUnknown*)), D3DERR_INVALIDCALL,
              "an interface pointer needs its own size");
    Entry entry{id, {}, nullptr};
    if (isObject) {
        std::memcpy(&entry.object, data, sizeof(IUnknown*));
        if (entry.object != nullptr) {
            entry.object->AddRef();
        }
        entry.bytes.resize(sizeof(IUnknown*));
    } else if (size != 0) {
        entry.bytes.assign(static_cast<const std::byte*>(data), static_cast<const std::byte*>(data) + size);
    }
    free(id);
    m_entries.push_back(std::move(entry));
    return D3D_OK;
}

HRESULT PrivateData::get(REFGUID id, void* data, DWORD* size) const {
    REFUSE_IF(size == nullptr, D3DERR_INVALIDCALL, "no size");
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.id == id; });
    REFUSE_IF(it == m_entries.end(), D3DERR_NOTFOUND, "no data under this identifier");
    const DWORD needed = static_cast<DWORD>(it->bytes.size());
    if (data == nullptr) {
        *size = needed;
        return D3D_OK;
    }
    if (*size < needed) {
        *size = needed;
        return D3DERR_MOREDATA;
    }
    if (it->object != nullptr) {
        it->object->AddRef();
        std::memcpy(data, &it->object, sizeof(IUnknown*));
    } else if (needed != 0) {
        std::memcpy(data, it->bytes.data(), needed);
    }
    *size = needed;
    return D3D_OK;
}

HRESULT PrivateData::free(REFGUID id) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.id == id; });
    if (it == m_entries.end()) {
        return D3DERR_NOTFOUND;
    }
    IUnknown* object = it->object;
    m_entries.erase(it);
    if (object != nullptr) {
        object->Release();
    }
    return D3D_OK;
}

}  // namespace platform::d3d9
