// Walking arrays with byte strides. Strides need not be multiples of the element's alignment, so
// elements are copied through locals rather than dereferenced in place; element k is read
// completely before element k is written, so an array may be transformed in place.
#pragma once

#include <cstddef>
#include <cstring>

#include "gfxutil/math/portable.h"

namespace gfxutil::math {

template <class T>
inline T loadAt(const void* base, UINT stride, UINT k) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(base) + static_cast<std::size_t>(k) * stride, sizeof v);
    return v;
}

template <class T>
inline void storeAt(void* base, UINT stride, UINT k, const T& v) {
    std::memcpy(static_cast<unsigned char*>(base) + static_cast<std::size_t>(k) * stride, &v, sizeof v);
}

// Applies one(out, in) to every element; refused (null) as every array form is.
template <class Out, class In, class One>
inline Out* transformArray(Out* pOut, UINT outStride, const In* pIn, UINT inStride, const void* pM, UINT n,
                           One one) {
    if (arrayRefused(pOut, outStride, kMinStride<Out>, pIn, inStride, kMinStride<In>, pM, n)) return nullptr;
    for (UINT k = 0; k < n; ++k) {
        const In v = loadAt<In>(pIn, inStride, k);
        Out r;
        one(&r, &v);
        storeAt(pOut, outStride, k, r);
    }
    return pOut;
}

}  // namespace gfxutil::math
