// raster::clear: fills the colour target and the depth/stencil words inside the viewport, or inside
// each given rectangle clipped to the viewport; raster::copyRows. Large clears and copies are
// shared between the threads.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/raster/workers.h"

namespace platform::d3d9::raster {
namespace {

// Below this many words a helper thread costs more than it saves.
constexpr int64_t kParallelWords = 1 << 17;

void fillRows(void* base, int32_t pitch, const Rect& r, uint32_t value, uint32_t keep) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(base) + ptrdiff_t(y) * pitch);
        if (keep == 0) {
            std::fill(row + r.left, row + r.right, value);
        } else {
            for (int32_t x = r.left; x < r.right; ++x) row[x] = (row[x] & keep) | (value & ~keep);
        }
    }
}

// Fills the rectangle, large ones split into contiguous row ranges between the threads.
void fill32(void* base, int32_t pitch, const Rect& r, uint32_t value, uint32_t keep) {
    const int64_t rows = r.bottom - r.top;
    const int threads = threadCount();
    if (threads <= 1 || rows < threads || rows * int64_t(r.right - r.left) < kParallelWords) {
        fillRows(base, pitch, r, value, keep);
        return;
    }
    runParallel(threads, [&](int part) {
        Rect slice = r;
        slice.top = int32_t(r.top + rows * part / threads);
        slice.bottom = int32_t(r.top + rows * (part + 1) / threads);
        fillRows(base, pitch, slice, value, keep);
    });
}

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

}  // namespace

void copyRows(void* dst, ptrdiff_t dstPitch, const void* src, ptrdiff_t srcPitch, size_t rowBytes, int32_t rows) {
    if (rows <= 0 || rowBytes == 0) return;
    const auto copy = [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            std::memcpy(static_cast<uint8_t*>(dst) + ptrdiff_t(y) * dstPitch,
                        static_cast<const uint8_t*>(src) + ptrdiff_t(y) * srcPitch, rowBytes);
        }
    };
    const int threads = threadCount();
    if (threads <= 1 || rows < threads || uint64_t(rows) * rowBytes < uint64_t(kParallelWords) * 4) {
        copy(0, rows);
        return;
    }
    runParallel(threads, [&](int part) {
        copy(int32_t(int64_t(rows) * part / threads), int32_t(int64_t(rows) * (part + 1) / threads));
    });
}

void clear(const ClearRequest& request, const Targets& targets) {
    const Viewport& vp = request.viewport;
    const Rect view = {int32_t(std::min<uint32_t>(vp.x, INT32_MAX)), int32_t(std::min<uint32_t>(vp.y, INT32_MAX)),
                       int32_t(std::min<uint64_t>(uint64_t(vp.x) + vp.width, INT32_MAX)),
                       int32_t(std::min<uint64_t>(uint64_t(vp.y) + vp.height, INT32_MAX))};
    const Rect whole = {0, 0, INT32_MAX, INT32_MAX};
    const uint32_t rectCount = request.rects ? request.rectCount : 1;
    for (uint32_t i = 0; i < rectCount; ++i) {
        const Rect area = intersect(view, request.rects ? request.rects[i] : whole);
        const ColorTarget& c = targets.color;
        if ((request.flags & kClearTarget) && c.data && c.pitch >= int32_t(c.width * 4)) {
            Rect r = intersect(area, {0, 0, int32_t(c.width), int32_t(c.height)});
            const uint32_t value = c.format == ColorFormat::X8R8G8B8 ? (request.color | 0xFF000000u) : request.color;
            if (r.left < r.right && r.top < r.bottom) fill32(c.data, c.pitch, r, value, 0);
        }
        const DepthTarget& d = targets.depth;
        const bool z = request.flags & kClearZBuffer, st = request.flags & kClearStencil;
        if ((z || st) && d.data && d.pitch >= int32_t(d.width * 4)) {
            Rect r = intersect(area, {0, 0, int32_t(d.width), int32_t(d.height)});
            if (r.left >= r.right || r.top >= r.bottom) continue;
            const float zc = request.z > 0.0f ? (request.z < 1.0f ? request.z : 1.0f) : 0.0f;  // NaN -> 0
            // In double: for z = 1 the single-precision sum rounds up to 2^24, which would wrap to 0.
            const uint32_t depth = uint32_t(double(zc) * 16777215.0 + 0.5);
            const uint32_t value = (depth << 8) | (request.stencil & 0xFF);
            const uint32_t keep = (z ? 0u : 0xFFFFFF00u) | (st ? 0u : 0xFFu);
            fill32(d.data, d.pitch, r, value, keep);
        }
    }
}

}  // namespace platform::d3d9::raster
