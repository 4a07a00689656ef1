// Queries: the vertex-cache description (D3DQUERYTYPE_VCACHE) and the event query. The device
// finishes every call before returning, so an issued query's answer is ready at once.
//
// The vertex-cache answer is our choice: optimise for a cache (method 1) of 16 entries with a
// strip restart after 8, values the mesh library's reordering works well with.
#pragma once

#include "platform/d3d9/device_child.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

inline constexpr D3DDEVINFO_VCACHE kVertexCacheInfo = {MAKEFOURCC('C', 'A', 'C', 'H'), 1, 16, 8};

bool supportedQuery(D3DQUERYTYPE type);

class Query final : public ComObject<Query, IDirect3DQuery9>, public DeviceChild {
public:
    static Query* create(Device* device, D3DQUERYTYPE type);

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    D3DQUERYTYPE GetType() override { return m_type; }
    DWORD GetDataSize() override;
    HRESULT Issue(DWORD dwIssueFlags) override;
    HRESULT GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags) override;

private:
    Query() = default;

    D3DQUERYTYPE m_type = D3DQUERYTYPE_EVENT;
    bool m_issued = false;
};

}  // namespace platform::d3d9
