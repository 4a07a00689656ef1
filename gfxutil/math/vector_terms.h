// The sums every vector transform is made of, written once so that the single and the array
// forms, and the portable and processor-specific forms, agree on the order of operations.
#pragma once

#include "gfxutil/math/portable.h"

namespace gfxutil::math {

// Four double-precision sums, one per matrix column.
struct Terms4 {
    double v[4];
    float f(int i) const { return static_cast<float>(v[i]); }
};

// (x, y, z, w) x M.
inline Terms4 vectorTerms(double x, double y, double z, double w, const D3DXMATRIX& m) {
    Terms4 t;
    for (int j = 0; j < 4; ++j) t.v[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j] + w * m.m[3][j];
    return t;
}

// (x, y, z, 1) x M: the fourth row is added, not multiplied by 1.
inline Terms4 pointTerms(double x, double y, double z, const D3DXMATRIX& m) {
    Terms4 t;
    for (int j = 0; j < 4; ++j) t.v[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j] + m.m[3][j];
    return t;
}

// (x, y, 0, 1) x M.
inline Terms4 pointTerms(double x, double y, const D3DXMATRIX& m) {
    Terms4 t;
    for (int j = 0; j < 4; ++j) t.v[j] = x * m.m[0][j] + y * m.m[1][j] + m.m[3][j];
    return t;
}

// (x, y, z, 0) x M, the first three columns.
inline Terms4 directionTerms(double x, double y, double z, const D3DXMATRIX& m) {
    Terms4 t{};
    for (int j = 0; j < 3; ++j) t.v[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j];
    return t;
}

// (x, y, 0, 0) x M, the first two columns.
inline Terms4 directionTerms(double x, double y, const D3DXMATRIX& m) {
    Terms4 t{};
    for (int j = 0; j < 2; ++j) t.v[j] = x * m.m[0][j] + y * m.m[1][j];
    return t;
}

// A float that the optimiser must take as it is. GCC 12's vectoriser was seen to multiply the
// unrounded double sums by 1/w, dropping the rounding to float the divide is defined on; the empty
// asm makes the rounded value the only one available.
inline float pinned(float v) {
    asm("" : "+x"(v));
    return v;
}

// The first three sums rounded to float and, unless w is nearly 1, each multiplied by the double
// reciprocal of the rounded w.
inline void divideByW(const Terms4& t, float out[3]) {
    const float x = pinned(t.f(0)), y = pinned(t.f(1)), z = pinned(t.f(2)), w = t.f(3);
    if (!needsDivide(w)) {
        out[0] = x;
        out[1] = y;
        out[2] = z;
        return;
    }
    const double rw = 1.0 / static_cast<double>(w);
    out[0] = static_cast<float>(x * rw);
    out[1] = static_cast<float>(y * rw);
    out[2] = static_cast<float>(z * rw);
}

}  // namespace gfxutil::math
