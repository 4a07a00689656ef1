// The portable table and the replacement sets, as lists of (slot, implementation).
#include "gfxutil/math/dispatch.h"
#include "gfxutil/math/sse2_forms.h"

namespace gfxutil::math {

namespace {

const AnyFunction kPortable[kSlotCount] = {
#define GFX_PORTABLE_ENTRY(slot, name, body, Ret, params, args) anyFunction(&portable::body),
    GFX_MATH_SLOTS(GFX_PORTABLE_ENTRY)
#undef GFX_PORTABLE_ENTRY
};

// The fast set also names slots 0-2, 4-6 and 34; their portable forms need no temporary already.
const SlotForm kPortableFast[] = {
    {3, anyFunction(&fast::matrixMultiply)},
    {7, anyFunction(&fast::vec3Normalize)},
};

// The SSE set shares the SSE2 forms: every form here is SSE2, which every 64-bit processor has.
const SlotForm kSse2[] = {
    {1, anyFunction(&sse2::vec3Transform)},
    {2, anyFunction(&sse2::vec4Transform)},
    {3, anyFunction(&sse2::matrixMultiply)},
    {4, anyFunction(&sse2::matrixMultiplyTranspose)},
    {6, anyFunction(&sse2::vec3TransformNormal)},
    {7, anyFunction(&sse2::vec3Normalize)},
    {10, anyFunction(&sse2::vec3TransformCoord)},
    {11, anyFunction(&sse2::matrixDeterminant)},
    {18, anyFunction(&sse2::matrixInverse)},
    {21, anyFunction(&sse2::planeNormalize)},
    {34, anyFunction(&sse2::planeTransform)},
    {62, anyFunction(&sse2::vec3TransformArray)},
    {63, anyFunction(&sse2::vec3TransformCoordArray)},
    {64, anyFunction(&sse2::vec3TransformNormalArray)},
    {65, anyFunction(&sse2::vec4TransformArray)},
    {68, anyFunction(&sse2::planeTransformArray)},
};

const SlotForm k3DNow[] = {
    {2, anyFunction(&pairs::vec4Transform)},
    {3, anyFunction(&pairs::matrixMultiply)},
    {10, anyFunction(&pairs::vec3TransformCoord)},
    {34, anyFunction(&pairs::planeTransform)},
};

// FIXME: no forms of our own yet for slots 15, 18, 24 and 38 with the extensions.
const std::span<const SlotForm> k3DNowExtended{};

const SlotForm k3DNowSseArrays[] = {
    {62, anyFunction(&sse2::vec3TransformArray)},
    {63, anyFunction(&sse2::vec3TransformCoordArray)},
    {64, anyFunction(&sse2::vec3TransformNormalArray)},
    {65, anyFunction(&sse2::vec4TransformArray)},
    {68, anyFunction(&sse2::planeTransformArray)},
};

const SlotForm kAvx2[] = {
    {3, anyFunction(&avx2::matrixMultiply)},
    {18, anyFunction(&avx2::matrixInverse)},
    {63, anyFunction(&avx2::vec3TransformCoordArray)},
    {65, anyFunction(&avx2::vec4TransformArray)},
};

const SlotForm kAvx512[] = {
    {3, anyFunction(&avx512::matrixMultiply)},
    {63, anyFunction(&avx512::vec3TransformCoordArray)},
};

}  // namespace

std::span<const AnyFunction, kSlotCount> portableTable() { return kPortable; }
std::span<const SlotForm> portableFastSet() { return kPortableFast; }
std::span<const SlotForm> sseSet() { return kSse2; }
std::span<const SlotForm> sse2Set() { return kSse2; }
std::span<const SlotForm> threeDNowSet() { return k3DNow; }
std::span<const SlotForm> threeDNowExtendedSet() { return k3DNowExtended; }
std::span<const SlotForm> threeDNowSseArraySet() { return k3DNowSseArrays; }
std::span<const SlotForm> avx2Set() { return kAvx2; }
std::span<const SlotForm> avx512Set() { return kAvx512; }

}  // namespace gfxutil::math
