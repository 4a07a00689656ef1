// The memory and lock rules shared by vertex and index buffers.
//
// The device draws synchronously, so a buffer is never in use by the device while the caller holds
// it: every lock hands out the buffer's one block of memory. What the lock flags promise is still
// checked, because a caller relying on a promise the runtime does not accept has a real fault:
//  - D3DLOCK_DISCARD needs a dynamic buffer and cannot be combined with D3DLOCK_READONLY;
//  - the range must lie inside the buffer (size 0 means "to the end");
//  - locks nest, each Lock needs its Unlock, and an Unlock without a Lock is refused.
// A discarding lock keeps the bytes as they were; callers may not rely on that.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

class BufferStorage {
public:
    // Refuses (false) when the memory cannot be had.
    bool allocate(UINT length, DWORD usage);

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT unlock();

    const std::byte* bytes() const { return m_bytes.data(); }
    UINT length() const { return static_cast<UINT>(m_bytes.size()); }
    DWORD usage() const { return m_usage; }
    UINT lockCount() const { return m_lockCount; }

private:
    std::vector<std::byte> m_bytes;
    DWORD m_usage = 0;
    UINT m_lockCount = 0;
};

inline constexpr DWORD kBufferLockFlags =
    D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NOOVERWRITE | D3DLOCK_DISCARD | D3DLOCK_DONOTWAIT;

}  // namespace platform::d3d9
