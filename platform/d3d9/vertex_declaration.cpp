#include "platform/d3d9/vertex_declaration.h"

#include <algorithm>
#include <new>

#include "platform/d3d9/refusal.h"
#include "platform/d3d9/vertex_layout.h"

namespace platform::d3d9 {

HRESULT VertexDeclaration::create(Device* device, const D3DVERTEXELEMENT9* elements, VertexDeclaration** out) {
    size_t count = 0;
    const char* reason = checkDeclaration(elements, &count);
    REFUSE_IF(reason != nullptr, D3DERR_INVALIDCALL, "%s", reason);
    auto* decl = new (std::nothrow) VertexDeclaration();
    REFUSE_IF(decl == nullptr, E_OUTOFMEMORY, "out of memory");
    try {
        decl->m_elements.assign(elements, elements + count + 1);
    } catch (const std::bad_alloc&) {
        decl->Release();
        return E_OUTOFMEMORY;
    }
    decl->m_layout = layoutFromDeclaration(elements, count);
    decl->attach(device);
    *out = decl;
    return D3D_OK;
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) {
    REFUSE_IF(pNumElements == nullptr, D3DERR_INVALIDCALL, "no count output");
    if (pElement != nullptr) {
        std::copy(m_elements.begin(), m_elements.end(), pElement);
    }
    *pNumElements = static_cast<UINT>(m_elements.size());
    return D3D_OK;
}

}  // namespace platform::d3d9
