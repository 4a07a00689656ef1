// D3DXCreateBuffer: a reference-counted block of zeroed bytes.
#include <new>
#include <vector>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/mesh.h"
#include "platform/win32/com_object.h"

namespace gfxutil::mesh {
namespace {

class Buffer final : public ComObject<Buffer, ID3DXBuffer> {
public:
    explicit Buffer(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}
    LPVOID GetBufferPointer() override { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(m_bytes.size()); }

private:
    std::vector<BYTE> m_bytes;
};

}  // namespace
}  // namespace gfxutil::mesh

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer) {
    if (ppBuffer == nullptr) {
        DebugMessage(0, "D3DXCreateBuffer: ppBuffer cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    std::vector<BYTE> bytes;
    try {
        bytes.resize(NumBytes);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    auto* buffer = new (std::nothrow) gfxutil::mesh::Buffer(std::move(bytes));
    if (buffer == nullptr) {
        return E_OUTOFMEMORY;
    }
    *ppBuffer = buffer;
    return S_OK;
}
