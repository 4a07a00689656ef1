// Caller data attached to a resource under a GUID (SetPrivateData and friends). Interface pointers
// stored with D3DSPD_IUNKNOWN are held with a reference until freed or replaced.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

class PrivateData {
public:
    PrivateData() = default;
    ~PrivateData();
    PrivateData(const PrivateData&) = delete;
    PrivateData& operator=(const PrivateData&) = delete;

    HRESULT set(REFGUID id, const void* data, DWORD size, DWORD flags);
    HRESULT get(REFGUID id, void* data, DWORD* size) const;
    HRESULT free(REFGUID id);

private:
    struct Entry {
        GUID id;
        std::vector<std::byte> bytes;
        IUnknown* object = nullptr;  // held with a reference
    };
    std::vector<Entry> m_entries;
};

}  // namespace platform::d3d9
