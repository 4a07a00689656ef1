// The graphics utility library's math: packed single-precision value types and the transform,
// plane and camera functions built on them.
//
// What callers rely on:
// - Layouts are fixed and packed (static_asserts below): a D3DXMATRIX is handed to the device as
//   it is, a D3DXCOLOR is the device's four-float colour, a D3DXPLANE is the four floats of a clip
//   plane. Matrices are row-major with row vectors: a point p transforms as p x M and the
//   translation sits in the fourth row.
// - Default constructors leave every component unset, like the plain records they extend.
// - D3DXVECTOR3 operators are exact single precision, one rounded temporary per operator, so a
//   chain such as 2 * p - q + a gives the same bits as the same chain written out by hand in
//   float. Division by a scalar multiplies by the single-precision reciprocal (it differs from a
//   componentwise division in the last bit, and a zero divisor gives infinities, not an error).
// - The out-of-line functions take their output by address and return it, or return null and
//   write nothing when a pointer is null or the input is refused. Their products and sums are
//   formed in double precision and each result component is rounded once to float.
//
// Choices made where nothing else fixes them:
// - D3DXVec3Normalize evaluates its table line in double precision (the product of a table
//   slope and the 24-bit mantissa is exact there), so its reciprocal square root keeps the
//   table's accuracy bound of 1.5e-6 instead of adding two float roundings on top of it.
// - D3DXVec3Normalize of a vector whose squared length is subnormal or overflows single
//   precision uses the exact reciprocal square root of the double-precision sum: the table's
//   exponent trick only holds for normal numbers and would return a vector of the wrong length.
// - D3DXPlaneNormalize likewise takes the root of the double-precision sum when the
//   single-precision one overflows, instead of scaling the plane to zero.
#pragma once

#include "platform/d3d9/d3d9_values.h"
#include "platform/win32/types.h"

#include <cmath>
#include <cstddef>
#include <type_traits>

// ---- value types --------------------------------------------------------------------------------

struct D3DXVECTOR2 {
    D3DXVECTOR2() = default;
    constexpr D3DXVECTOR2(FLOAT vx, FLOAT vy) : x(vx), y(vy) {}

    FLOAT x;
    FLOAT y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    constexpr D3DXVECTOR3(FLOAT vx, FLOAT vy, FLOAT vz) : D3DVECTOR{vx, vy, vz} {}
    constexpr D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // implicit: widens a plain record
};

struct D3DXVECTOR4 {
    D3DXVECTOR4() = default;
    constexpr D3DXVECTOR4(FLOAT vx, FLOAT vy, FLOAT vz, FLOAT vw) : x(vx), y(vy), z(vz), w(vw) {}

    FLOAT x;
    FLOAT y;
    FLOAT z;
    FLOAT w;
};

struct D3DXCOLOR {
    D3DXCOLOR() = default;
    constexpr D3DXCOLOR(FLOAT cr, FLOAT cg, FLOAT cb, FLOAT ca) : r(cr), g(cg), b(cb), a(ca) {}
    constexpr D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}

    // The device's material and light records hold D3DCOLORVALUE; a colour is assigned to them
    // directly, and handed as four floats where the device wants an address.
    constexpr operator D3DCOLORVALUE() const { return D3DCOLORVALUE{r, g, b, a}; }
    operator FLOAT*() { return &r; }
    operator const FLOAT*() const { return &r; }

    FLOAT r;
    FLOAT g;
    FLOAT b;
    FLOAT a;
};

struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() = default;
    constexpr D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}  // implicit: widens a plain record
    constexpr D3DXMATRIX(FLOAT m11, FLOAT m12, FLOAT m13, FLOAT m14,
                         FLOAT m21, FLOAT m22, FLOAT m23, FLOAT m24,
                         FLOAT m31, FLOAT m32, FLOAT m33, FLOAT m34,
                         FLOAT m41, FLOAT m42, FLOAT m43, FLOAT m44)
        : D3DMATRIX{{{m11, m12, m13, m14, m21, m22, m23, m24,
                      m31, m32, m33, m34, m41, m42, m43, m44}}} {}

    FLOAT& operator()(UINT row, UINT column) { return m[row][column]; }
    FLOAT operator()(UINT row, UINT column) const { return m[row][column]; }
};

struct D3DXPLANE {
    D3DXPLANE() = default;
    constexpr D3DXPLANE(FLOAT pa, FLOAT pb, FLOAT pc, FLOAT pd) : a(pa), b(pb), c(pc), d(pd) {}

    // The device's SetClipPlane takes the address of four floats.
    operator FLOAT*() { return &a; }
    operator const FLOAT*() const { return &a; }

    FLOAT a;
    FLOAT b;
    FLOAT c;
    FLOAT d;
};

static_assert(sizeof(D3DXVECTOR2) == 8);
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXVECTOR4) == 16);
static_assert(sizeof(D3DXCOLOR) == 16 && sizeof(D3DXCOLOR) == sizeof(D3DCOLORVALUE));
static_assert(sizeof(D3DXMATRIX) == 64);
static_assert(sizeof(D3DXPLANE) == 16);
static_assert(alignof(D3DXVECTOR3) == alignof(float) && alignof(D3DXMATRIX) == alignof(float));
static_assert(std::is_trivially_copyable_v<D3DXVECTOR3> && std::is_trivially_copyable_v<D3DXMATRIX>);
static_assert(std::is_trivially_default_constructible_v<D3DXVECTOR3> &&
              std::is_trivially_default_constructible_v<D3DXMATRIX> &&
              std::is_trivially_default_constructible_v<D3DXCOLOR> &&
              std::is_trivially_default_constructible_v<D3DXPLANE>);
static_assert(std::is_standard_layout_v<D3DXVECTOR3> && std::is_standard_layout_v<D3DXPLANE>);
static_assert(offsetof(D3DXPLANE, d) == 12 && offsetof(D3DXCOLOR, a) == 12);

// ---- D3DXVECTOR3 arithmetic: single precision, one rounding per operator ------------------------

constexpr D3DXVECTOR3 operator+(const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
    return D3DXVECTOR3(u.x + v.x, u.y + v.y, u.z + v.z);
}

constexpr D3DXVECTOR3 operator-(const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
    return D3DXVECTOR3(u.x - v.x, u.y - v.y, u.z - v.z);
}

constexpr D3DXVECTOR3 operator-(const D3DXVECTOR3& u) { return D3DXVECTOR3(-u.x, -u.y, -u.z); }

constexpr D3DXVECTOR3 operator*(const D3DXVECTOR3& u, FLOAT s) {
    return D3DXVECTOR3(s * u.x, s * u.y, s * u.z);
}

constexpr D3DXVECTOR3 operator*(FLOAT s, const D3DXVECTOR3& u) {
    return D3DXVECTOR3(s * u.x, s * u.y, s * u.z);
}

// One reciprocal, three products: the established rounding of this library's vector division.
constexpr D3DXVECTOR3 operator/(const D3DXVECTOR3& u, FLOAT s) {
    const FLOAT r = 1.0f / s;
    return D3DXVECTOR3(u.x * r, u.y * r, u.z * r);
}

namespace gfxutil::math {

// The squares are summed in float (left to right) and rounded once; the root is taken in double
// and returned as double, because the simulation compares it against a double threshold. Callers
// that store a length keep it as float.
inline double length(const D3DXVECTOR3& u) {
    const FLOAT sum = u.x * u.x + u.y * u.y + u.z * u.z;
    return std::sqrt(static_cast<double>(sum));
}

}  // namespace gfxutil::math

// ---- functions ----------------------------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                         UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
