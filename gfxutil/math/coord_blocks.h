// Runs a float-lane point kernel over D3DXVec3TransformCoordArray's strided arrays, a block of
// kLanes points at a time.
//
// The float-lane forms give results within single-precision accuracy of the portable form, not
// its bits: the sums are rounded to float as they go, and 1/w is a reciprocal estimate refined by
// one Newton step. Where that arithmetic overflows or meets a w the estimate cannot take (zero,
// subnormal), some result of the block is infinite or NaN; the kernel then stores nothing and the
// block is done again point by point by the portable form, so non-finite results are always the
// portable ones.
//
// Blocks read kLanes points before writing any, while the portable form reads and writes point by
// point. The two agree when the output is the input itself (same address, same stride) or when
// the two arrays do not overlap; any other overlap goes point by point.
//
// Each instruction set's file includes this inside its own target region, so everything here is
// in an unnamed namespace: every includer compiles its own copy, for its own instructions.
#pragma once

#include <cstddef>
#include <cstring>

#include "gfxutil/math/portable.h"

namespace gfxutil::math {
namespace {

constexpr UINT kPointBytes = 12;

inline void exactPoint(unsigned char* out, const unsigned char* in, const D3DXMATRIX& m) {
    D3DXVECTOR3 v, r;
    std::memcpy(&v, in, sizeof v);
    portable::vec3TransformCoord(&r, &v, &m);
    std::memcpy(out, &r, sizeof r);
}

// Kernel: constructed from the matrix; bool run(const float* in, float* out) takes 3 * kLanes
// packed floats and stores 3 * kLanes packed floats, or stores nothing and returns false.
template <int kLanes, class Kernel>
inline D3DXVECTOR3* coordArrayInBlocks(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                       const D3DXMATRIX* pM, UINT n) {
    if (arrayRefused(pOut, outStride, kPointBytes, pV, vStride, kPointBytes, pM, n)) return nullptr;
    const D3DXMATRIX m = *pM;  // the matrix may live inside the output array
    auto* out = reinterpret_cast<unsigned char*>(pOut);
    const auto* in = reinterpret_cast<const unsigned char*>(pV);
    const std::size_t inEnd = static_cast<std::size_t>(n - 1) * vStride + kPointBytes;
    const std::size_t outEnd = static_cast<std::size_t>(n - 1) * outStride + kPointBytes;
    const bool separate = out + outEnd <= in || in + inEnd <= out;
    const bool sameSlots = out == in && outStride == vStride;
    if (!separate && !sameSlots) {
        for (UINT k = 0; k < n; ++k) {
            exactPoint(out + static_cast<std::size_t>(k) * outStride, in + static_cast<std::size_t>(k) * vStride, m);
        }
        return pOut;
    }

    const Kernel kernel(m);
    float inBlock[3 * kLanes];
    float outBlock[3 * kLanes];
    auto block = [&](UINT first, UINT count) {
        const unsigned char* src = in + static_cast<std::size_t>(first) * vStride;
        unsigned char* dst = out + static_cast<std::size_t>(first) * outStride;
        const bool packedIn = vStride == kPointBytes && count == kLanes;
        const bool packedOut = outStride == kPointBytes && count == kLanes;
        if (!packedIn) {
            // A short block repeats its first point, so the padding cannot fail the block.
            for (UINT i = 0; i < static_cast<UINT>(kLanes); ++i) {
                std::memcpy(inBlock + 3 * i, src + static_cast<std::size_t>(i < count ? i : 0) * vStride, kPointBytes);
            }
        }
        const float* from = packedIn ? reinterpret_cast<const float*>(src) : inBlock;
        float* to = packedOut ? reinterpret_cast<float*>(dst) : outBlock;
        if (!kernel.run(from, to)) {
            for (UINT i = 0; i < count; ++i) {
                exactPoint(dst + static_cast<std::size_t>(i) * outStride, src + static_cast<std::size_t>(i) * vStride, m);
            }
            return;
        }
        if (!packedOut) {
            for (UINT i = 0; i < count; ++i) {
                std::memcpy(dst + static_cast<std::size_t>(i) * outStride, outBlock + 3 * i, kPointBytes);
            }
        }
    };
    UINT k = 0;
    for (; n - k >= static_cast<UINT>(kLanes); k += kLanes) block(k, kLanes);
    if (k < n) block(k, n - k);
    return pOut;
}

}  // namespace
}  // namespace gfxutil::math
