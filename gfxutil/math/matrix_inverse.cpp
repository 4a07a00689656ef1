// D3DXMatrixDeterminant and D3DXMatrixInverse by 2 x 2 minors.
//
// The twelve minors of the upper and the lower two rows give the determinant and every cofactor.
// Each cofactor is written as sign * ((p1 * q1 - p2 * q2) + p3 * q3); negating a rounded result
// is exact, so this is the same number as any other placement of the signs, and it lets the
// processor-specific form compute two cofactors of a row with one set of instructions.
#include "gfxutil/math/matrix_minors.h"

namespace gfxutil::math::portable {

FLOAT matrixDeterminant(const D3DXMATRIX* pM) {
    if (pM == nullptr) return 0.0f;
    return static_cast<float>(determinantOf(Minors(*pM)));
}

D3DXMATRIX* matrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pM == nullptr) return nullptr;
    const Minors n(*pM);
    const double det = determinantOf(n);
    if (pDeterminant != nullptr) *pDeterminant = static_cast<float>(det);
    if (det == 0.0) return nullptr;
    const double r = 1.0 / det;
    const double (&a)[4][4] = n.a;
    const double (&s)[6] = n.s;
    const double (&c)[6] = n.c;
    // Row i of the inverse, columns 0 and 1 from the lower minors, columns 2 and 3 from the upper.
    const double inv[4][4] = {
        {cofactor(+1, a[1][1], c[5], a[1][2], c[4], a[1][3], c[3]), cofactor(-1, a[0][1], c[5], a[0][2], c[4], a[0][3], c[3]),
         cofactor(+1, a[3][1], s[5], a[3][2], s[4], a[3][3], s[3]), cofactor(-1, a[2][1], s[5], a[2][2], s[4], a[2][3], s[3])},
        {cofactor(-1, a[1][0], c[5], a[1][2], c[2], a[1][3], c[1]), cofactor(+1, a[0][0], c[5], a[0][2], c[2], a[0][3], c[1]),
         cofactor(-1, a[3][0], s[5], a[3][2], s[2], a[3][3], s[1]), cofactor(+1, a[2][0], s[5], a[2][2], s[2], a[2][3], s[1])},
        {cofactor(+1, a[1][0], c[4], a[1][1], c[2], a[1][3], c[0]), cofactor(-1, a[0][0], c[4], a[0][1], c[2], a[0][3], c[0]),
         cofactor(+1, a[3][0], s[4], a[3][1], s[2], a[3][3], s[0]), cofactor(-1, a[2][0], s[4], a[2][1], s[2], a[2][3], s[0])},
        {cofactor(-1, a[1][0], c[3], a[1][1], c[1], a[1][2], c[0]), cofactor(+1, a[0][0], c[3], a[0][1], c[1], a[0][2], c[0]),
         cofactor(-1, a[3][0], s[3], a[3][1], s[1], a[3][2], s[0]), cofactor(+1, a[2][0], s[3], a[2][1], s[1], a[2][2], s[0])},
    };
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = static_cast<float>(inv[i][j] * r);
    }
    return pOut;
}

}  // namespace gfxutil::math::portable
