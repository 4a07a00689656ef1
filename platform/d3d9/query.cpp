#include "platform/d3d9/query.h"

#include <cstring>
#include <new>

#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

bool supportedQuery(D3DQUERYTYPE type) { return type == D3DQUERYTYPE_VCACHE || type == D3DQUERYTYPE_EVENT; }

Query* Query::create(Device* device, D3DQUERYTYPE type) {
    auto* q = new (std::nothrow) Query();
    if (q != nullptr) {
        q->m_type = type;
        q->attach(device);
    }
    return q;
}

DWORD Query::GetDataSize() { return m_type == D3DQUERYTYPE_VCACHE ? sizeof(D3DDEVINFO_VCACHE) : sizeof(BOOL); }

HRESULT Query::Issue(DWORD dwIssueFlags) {
    // Both kinds mark a point in the command stream: only an end can be issued.
    REFUSE_IF(dwIssueFlags != D3DISSUE_END, D3DERR_INVALIDCALL, "issue flags 0x%x", dwIssueFlags);
    m_issued = true;
    return D3D_OK;
}

HRESULT Query::GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags) {
    REFUSE_IF((dwGetDataFlags & ~D3DGETDATA_FLUSH) != 0, D3DERR_INVALIDCALL, "flags 0x%x", dwGetDataFlags);
    REFUSE_IF(!m_issued, D3DERR_INVALIDCALL, "never issued");
    REFUSE_IF(pData == nullptr && dwSize != 0, D3DERR_INVALIDCALL, "no output for %u bytes", dwSize);
    REFUSE_IF(pData != nullptr && dwSize != GetDataSize(), D3DERR_INVALIDCALL, "%u bytes, the answer has %u", dwSize,
              GetDataSize());
    if (pData == nullptr) {
        return S_OK;  // polling only: the answer is ready
    }
    if (m_type == D3DQUERYTYPE_VCACHE) {
        std::memcpy(pData, &kVertexCacheInfo, sizeof kVertexCacheInfo);
    } else {
        const BOOL done = TRUE;
        std::memcpy(pData, &done, sizeof done);
    }
    return S_OK;
}

}  // namespace platform::d3d9
