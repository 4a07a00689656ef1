// ZeroedPages: one block of zero-filled memory holding a surface's pixels.
//
// Surfaces start zeroed, and a large texture is usually overwritten at once by its loader, so
// writing the zeros ourselves only to overwrite them is wasted work, and on a fresh block it also
// takes one page fault per 4 KiB page, which in a virtual machine costs several microseconds each.
// A large block is therefore mapped straight from the kernel, whose pages are zero already, and
// asked for transparent huge pages: a 2048 x 2048 X8R8G8B8 level then faults in eight times
// instead of 4096. A small block comes from calloc, where the heap's own reuse is the cheaper road.
// The trade-off: a large block is returned to the kernel when freed, so every new large surface
// pays for the kernel clearing its pages (as cheap as a memset of warm memory with huge pages, and
// no dearer than ours with 4 KiB pages when huge pages are unavailable).
#pragma once

#include <cstddef>

namespace platform::d3d9 {

class ZeroedPages {
public:
    // At or above this size a block is mapped from the kernel; the huge page size of x86-64.
    static constexpr std::size_t kMappedThreshold = std::size_t{2} << 20;

    ZeroedPages() = default;
    ~ZeroedPages() { reset(); }
    ZeroedPages(const ZeroedPages&) = delete;
    ZeroedPages& operator=(const ZeroedPages&) = delete;

    // Replaces the block by `size` zero bytes; false (and empty) when the memory cannot be had.
    bool allocate(std::size_t size);
    void reset();

    std::byte* data() { return m_data; }
    const std::byte* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool mapped() const { return m_mappedLength != 0; }

private:
    std::byte* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mappedLength = 0;  // 0: the block came from calloc
};

}  // namespace platform::d3d9
