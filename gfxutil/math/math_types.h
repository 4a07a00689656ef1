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

struct D3DXQUATERNION {
    D3DXQUATERNION() = default;
    constexpr D3DXQUATERNION(FLOAT qx, FLOAT qy, FLOAT qz, FLOAT qw) : x(qx), y(qy), z(qz), w(qw) {}

    FLOAT x;
    FLOAT y;
    FLOAT z;
    FLOAT w;
};

// An IEEE half-precision value, kept as its 16 bits.
struct D3DXFLOAT16 {
    WORD value;
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
static_assert(sizeof(D3DXQUATERNION) == 16 && sizeof(D3DXFLOAT16) == 2);
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

struct D3DVIEWPORT9;

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);

// The dispatched functions, in slot order. Each forwards through its slot of the dispatch table;
// the first call of any of them chooses, once per process, the implementation of every slot
// (see dispatch.h). Every implementation gives the results described here.
//
// Array forms are refused (null, nothing written) when a pointer is null, the count is 0 or a
// stride is smaller than the element; element k is read at byte offset k * stride, so an array
// may be transformed in place (same address, same stride). Transforms of points with a divide
// ("Coord") skip the divide when w is within 2^-23 of 1. D3DXMatrixInverse returns null for a
// matrix whose determinant is 0 and writes the determinant, when asked, in either case.
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* pM);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal);
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3);
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3);
D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, FLOAT s);
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, FLOAT* pAngle);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane);
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, FLOAT t);
D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3, FLOAT f, FLOAT g);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter, const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling, const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation);
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT angle);
D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pA, const D3DXQUATERNION* pB, const D3DXQUATERNION* pC, FLOAT t);
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
void D3DXQuaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut, const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3);
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, FLOAT s);
D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, FLOAT f, FLOAT g);
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, FLOAT s);
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, FLOAT s);
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, FLOAT f, FLOAT g);
D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, FLOAT s);
D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, FLOAT s);
D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, FLOAT f, FLOAT g);
D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const FLOAT* pIn, UINT n);
FLOAT* D3DXFloat16To32Array(FLOAT* pOut, const D3DXFLOAT16* pIn, UINT n);
D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR4* pV, UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* D3DXVec3ProjectArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n);
D3DXVECTOR3* D3DXVec3UnprojectArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n);
D3DXPLANE* D3DXPlaneTransformArray(D3DXPLANE* pOut, UINT outStride, const D3DXPLANE* pP, UINT pStride, const D3DXMATRIX* pM, UINT n);
D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter, FLOAT scalingRotation, const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, FLOAT rotation, const D3DXVECTOR2* pTranslation);
D3DXMATRIX* D3DXMatrixAffineTransformation2D(D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR2* pRotationCenter, FLOAT rotation, const D3DXVECTOR2* pTranslation);

namespace gfxutil::math {

// Slot 69, the vertex update of skinned meshes: out[i] = sum over bones b of
// weights[i * boneCount + b] * (v[i] transformed by bones[b] as a point, without a divide).
// Refused when a pointer is null or n or boneCount is 0.
D3DXVECTOR3* skinVertices(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, UINT n, const FLOAT* pWeights,
                          const D3DXMATRIX* pBones, UINT boneCount);

// Slot 70, the control points of a curved (N-patch) triangle: the ten points of the cubic
// triangle through the three corners whose edges bend to meet the corner normals, in the order
// b300, b030, b003, b210, b120, b021, b012, b102, b201, b111.
D3DXVECTOR3* nPatchControlPoints(D3DXVECTOR3* pOut, const D3DXVECTOR3* pPositions, const D3DXVECTOR3* pNormals);

}  // namespace gfxutil::math
