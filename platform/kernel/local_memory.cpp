#include "platform/kernel/local_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace {

struct LocalHeap {
    std::mutex mutex;
    std::set<void*> blocks;
};

LocalHeap& heap() {
    static LocalHeap h;
    return h;
}

}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~LMEM_ZEROINIT) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A zero-byte request still gets a distinct block, so it can be told apart from failure.
    void* block = (flags & LMEM_ZEROINIT) != 0 ? std::calloc(bytes == 0 ? 1 : bytes, 1)
                                                : std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    LocalHeap& h = heap();
    std::lock_guard lock(h.mutex);
    h.blocks.insert(block);
    return block;
}

HLOCAL LocalFree(HLOCAL memory) {
    if (memory == nullptr) {
        return nullptr;
    }
    LocalHeap& h = heap();
    {
        std::lock_guard lock(h.mutex);
        if (h.blocks.erase(memory) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
    }
    std::free(memory);
    return nullptr;
}
