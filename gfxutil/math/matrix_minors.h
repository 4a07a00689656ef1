// The 2 x 2 minors a 4 x 4 determinant and inverse are built from, in double precision.
//
// s[k] are the minors of rows 0 and 1, c[k] those of rows 2 and 3, for the column pairs
// (0,1) (0,2) (0,3) (1,2) (1,3) (2,3) and, for c, in the reverse order, so that s[k] and c[5-k]
// use complementary columns.
#pragma once

#include "gfxutil/math/portable.h"

namespace gfxutil::math {

struct Minors {
    explicit Minors(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) a[i][j] = m.m[i][j];
        }
        s[0] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
        s[1] = a[0][0] * a[1][2] - a[0][2] * a[1][0];
        s[2] = a[0][0] * a[1][3] - a[0][3] * a[1][0];
        s[3] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
        s[4] = a[0][1] * a[1][3] - a[0][3] * a[1][1];
        s[5] = a[0][2] * a[1][3] - a[0][3] * a[1][2];
        c[5] = a[2][2] * a[3][3] - a[2][3] * a[3][2];
        c[4] = a[2][1] * a[3][3] - a[2][3] * a[3][1];
        c[3] = a[2][1] * a[3][2] - a[2][2] * a[3][1];
        c[2] = a[2][0] * a[3][3] - a[2][3] * a[3][0];
        c[1] = a[2][0] * a[3][2] - a[2][2] * a[3][0];
        c[0] = a[2][0] * a[3][1] - a[2][1] * a[3][0];
    }
    double a[4][4];
    double s[6];
    double c[6];
};

// Summed left to right.
inline double determinantOf(const Minors& n) {
    const double (&s)[6] = n.s;
    const double (&c)[6] = n.c;
    return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
}

inline double cofactor(int sign, double p1, double q1, double p2, double q2, double p3, double q3) {
    const double v = (p1 * q1 - p2 * q2) + p3 * q3;
    return sign > 0 ? v : -v;
}

}  // namespace gfxutil::math
