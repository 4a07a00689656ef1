#include "platform/d3d9/zeroed_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace platform::d3d9 {
namespace {

std::size_t roundUp(std::size_t v, std::size_t m) { return (v + m - 1) / m * m; }

// Maps `length` bytes starting on a huge-page boundary (so that every whole 2 MiB of the block can
// be one huge page) and asks for huge pages; null when the kernel refuses the mapping.
std::byte* mapAligned(std::size_t length) {
    const std::size_t align = ZeroedPages::kMappedThreshold;
    if (length > SIZE_MAX - align) return nullptr;
    const std::size_t slack = length + align;
    void* raw = mmap(nullptr, slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + align - 1) & ~(static_cast<std::uintptr_t>(align) - 1);
    if (aligned > start) {
        munmap(raw, aligned - start);
    }
    const std::uintptr_t end = aligned + length;
    const std::uintptr_t slackEnd = start + slack;
    if (slackEnd > end) {
        munmap(reinterpret_cast<void*>(end), slackEnd - end);
    }
#ifdef MADV_HUGEPAGE
    // Only a hint: without huge pages the block still works, with 4 KiB pages.
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<std::byte*>(aligned);
}

}  // namespace

bool ZeroedPages::allocate(std::size_t size) {
    reset();
    if (size >= kMappedThreshold) {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t length = roundUp(size, page > 0 ? page : 4096);
        if (length >= size) {
            m_data = mapAligned(length);
            if (m_data != nullptr) {
                m_size = size;
                m_mappedLength = length;
                return true;
            }
        }
    }
    m_data = static_cast<std::byte*>(std::calloc(size == 0 ? 1 : size, 1));
    if (m_data == nullptr) {
        return false;
    }
    m_size = size;
    return true;
}

void ZeroedPages::reset() {
    if (m_mappedLength != 0) {
        munmap(m_data, m_mappedLength);
    } else {
        std::free(m_data);
    }
    m_data = nullptr;
    m_size = 0;
    m_mappedLength = 0;
}

}  // namespace platform::d3d9
