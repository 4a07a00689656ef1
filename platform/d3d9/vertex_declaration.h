// A vertex declaration: the caller's element array, checked once at creation, and the layout the
// rasteriser fetches from it.
#pragma once

#include <vector>

#include "platform/d3d9/device_child.h"
#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class VertexDeclaration final : public ComObject<VertexDeclaration, IDirect3DVertexDeclaration9>, public DeviceChild {
public:
    // Checks the elements; D3DERR_INVALIDCALL (and *out untouched) when the device cannot fetch them.
    static HRESULT create(Device* device, const D3DVERTEXELEMENT9* elements, VertexDeclaration** out);

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    // With pElement null, only the count (end marker included) is written.
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    const raster::VertexLayout& layout() const { return m_layout; }
    const std::vector<D3DVERTEXELEMENT9>& elements() const { return m_elements; }  // end marker included

private:
    VertexDeclaration() = default;

    std::vector<D3DVERTEXELEMENT9> m_elements;
    raster::VertexLayout m_layout;
};

}  // namespace platform::d3d9
