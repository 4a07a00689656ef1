#include "platform/d3d9/buffer_storage.h"

#include <new>

#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

bool BufferStorage::allocate(UINT length, DWORD usage) {
    try {
        m_bytes.assign(length, std::byte{0});
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_usage = usage;
    return true;
}

HRESULT BufferStorage::lock(UINT offset, UINT size, void** data, DWORD flags) {
    REFUSE_IF(data == nullptr, D3DERR_INVALIDCALL, "no output pointer");
    REFUSE_IF((flags & ~kBufferLockFlags) != 0, D3DERR_INVALIDCALL, "unknown flags 0x%x", flags);
    REFUSE_IF((flags & D3DLOCK_DISCARD) != 0 && (flags & D3DLOCK_READONLY) != 0, D3DERR_INVALIDCALL,
              "a discarding lock cannot be read-only");
    REFUSE_IF((flags & D3DLOCK_DISCARD) != 0 && (m_usage & D3DUSAGE_DYNAMIC) == 0, D3DERR_INVALIDCALL,
              "D3DLOCK_DISCARD needs a dynamic buffer");
    const UINT length = this->length();
    REFUSE_IF(offset >= length, D3DERR_INVALIDCALL, "offset %u outside %u bytes", offset, length);
    REFUSE_IF(size > length - offset, D3DERR_INVALIDCALL, "range %u+%u outside %u bytes", offset, size, length);
    ++m_lockCount;
    *data = m_bytes.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::unlock() {
    REFUSE_IF(m_lockCount == 0, D3DERR_INVALIDCALL, "not locked");
    --m_lockCount;
    return D3D_OK;
}

}  // namespace platform::d3d9
