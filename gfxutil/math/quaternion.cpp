// Quaternions (x, y, z, w), w the scalar part. D3DXQuaternionMultiply(q1, q2) is the rotation q1
// followed by q2, the Hamilton product q2 q1, so that its matrix is the product of the matrices
// of q1 and q2 in that order.
#include <cmath>

#include "gfxutil/math/portable.h"

namespace gfxutil::math::portable {

namespace {

struct Q {
    double x, y, z, w;
};
Q load(const D3DXQUATERNION& q) { return Q{q.x, q.y, q.z, q.w}; }
D3DXQUATERNION store(const Q& q) {
    return D3DXQUATERNION(static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z),
                          static_cast<float>(q.w));
}
double dot(const Q& a, const Q& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

}  // namespace

D3DXQUATERNION* quaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2) {
    if (pOut == nullptr || pQ1 == nullptr || pQ2 == nullptr) return nullptr;
    const Q a = load(*pQ2), b = load(*pQ1);  // a b, Hamilton
    *pOut = store(Q{a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                    a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z});
    return pOut;
}

// A zero quaternion stays zero.
D3DXQUATERNION* quaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    if (pOut == nullptr || pQ == nullptr) return nullptr;
    const Q q = load(*pQ);
    const double len2 = dot(q, q);
    const double r = len2 > 0.0 ? 1.0 / std::sqrt(len2) : 0.0;
    *pOut = store(Q{q.x * r, q.y * r, q.z * r, q.w * r});
    return pOut;
}

// The conjugate divided by the squared length; a zero quaternion stays zero.
D3DXQUATERNION* quaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    if (pOut == nullptr || pQ == nullptr) return nullptr;
    const Q q = load(*pQ);
    const double len2 = dot(q, q);
    const double r = len2 > 0.0 ? 1.0 / len2 : 0.0;
    *pOut = store(Q{-q.x * r, -q.y * r, -q.z * r, q.w * r});
    return pOut;
}

// For a unit quaternion: the axis (not normalised) and the angle 2 acos w.
void quaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, FLOAT* pAngle) {
    if (pQ == nullptr) return;
    if (pAxis != nullptr) *pAxis = D3DXVECTOR3(pQ->x, pQ->y, pQ->z);
    if (pAngle != nullptr) {
        const double w = std::fmax(-1.0, std::fmin(1.0, static_cast<double>(pQ->w)));
        *pAngle = static_cast<float>(2.0 * std::acos(w));
    }
}

D3DXQUATERNION* quaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, FLOAT angle) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pV);
    const double half = static_cast<double>(angle) * 0.5;
    const double s = std::sin(half);
    *pOut = store(Q{v.x * s, v.y * s, v.z * s, std::cos(half)});
    return pOut;
}

// The quaternion of the rotation part of a matrix, from the largest of the trace and the
// diagonal elements so that the root is never of a small number.
D3DXQUATERNION* quaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pM == nullptr) return nullptr;
    double m[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = pM->m[i][j];
    }
    const double trace = m[0][0] + m[1][1] + m[2][2];
    Q q;
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q = Q{(m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s, 0.25 * s};
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);
        q = Q{0.25 * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[1][2] - m[2][1]) / s};
    } else if (m[1][1] >= m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]);
        q = Q{(m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s, (m[2][0] - m[0][2]) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]);
        q = Q{(m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s, (m[0][1] - m[1][0]) / s};
    }
    *pOut = store(q);
    return pOut;
}

// Roll about z, then pitch about x, then yaw about y: the rotation of
// D3DXMatrixRotationYawPitchRoll.
D3DXQUATERNION* quaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll) {
    if (pOut == nullptr) return nullptr;
    const D3DXVECTOR3 xAxis(1, 0, 0), yAxis(0, 1, 0), zAxis(0, 0, 1);
    D3DXQUATERNION r, p, y;
    quaternionRotationAxis(&r, &zAxis, roll);
    quaternionRotationAxis(&p, &xAxis, pitch);
    quaternionRotationAxis(&y, &yAxis, yaw);
    quaternionMultiply(pOut, &r, &p);
    quaternionMultiply(pOut, pOut, &y);
    return pOut;
}

// Along the shorter arc; nearly equal quaternions are blended linearly, where the sine of the
// angle between them is too small to divide by.
D3DXQUATERNION* quaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                FLOAT t) {
    if (pOut == nullptr || pQ1 == nullptr || pQ2 == nullptr) return nullptr;
    const Q a = load(*pQ1);
    Q b = load(*pQ2);
    double cosine = dot(a, b);
    if (cosine < 0.0) {
        cosine = -cosine;
        b = Q{-b.x, -b.y, -b.z, -b.w};
    }
    double k0 = 1.0 - t, k1 = t;
    if (cosine < 0.9999) {
        const double angle = std::acos(cosine);
        const double s = std::sin(angle);
        k0 = std::sin((1.0 - t) * angle) / s;
        k1 = std::sin(t * angle) / s;
    }
    *pOut = store(Q{k0 * a.x + k1 * b.x, k0 * a.y + k1 * b.y, k0 * a.z + k1 * b.z, k0 * a.w + k1 * b.w});
    return pOut;
}

D3DXQUATERNION* quaternionBaryCentric(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                      const D3DXQUATERNION* pQ3, FLOAT f, FLOAT g) {
    if (pOut == nullptr || pQ1 == nullptr || pQ2 == nullptr || pQ3 == nullptr) return nullptr;
    const float fg = f + g;
    if (fg == 0.0f) {
        *pOut = *pQ1;
        return pOut;
    }
    D3DXQUATERNION q12, q13;
    quaternionSlerp(&q12, pQ1, pQ2, fg);
    quaternionSlerp(&q13, pQ1, pQ3, fg);
    return quaternionSlerp(pOut, &q12, &q13, g / fg);
}

D3DXQUATERNION* quaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pA,
                                const D3DXQUATERNION* pB, const D3DXQUATERNION* pC, FLOAT t) {
    if (pOut == nullptr || pQ1 == nullptr || pA == nullptr || pB == nullptr || pC == nullptr) return nullptr;
    D3DXQUATERNION outer, inner;
    quaternionSlerp(&outer, pQ1, pC, t);
    quaternionSlerp(&inner, pA, pB, t);
    return quaternionSlerp(pOut, &outer, &inner, 2.0f * t * (1.0f - t));
}

// For a unit quaternion (v sin a, cos a): (v a, 0).
D3DXQUATERNION* quaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    if (pOut == nullptr || pQ == nullptr) return nullptr;
    const Q q = load(*pQ);
    double k = 1.0;
    if (std::fabs(q.w) < 1.0) {
        const double angle = std::acos(q.w);
        const double s = std::sin(angle);
        if (s != 0.0) k = angle / s;
    }
    *pOut = store(Q{q.x * k, q.y * k, q.z * k, 0.0});
    return pOut;
}

// For a pure quaternion (v a, w ignored): (v sin a, cos a).
D3DXQUATERNION* quaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    if (pOut == nullptr || pQ == nullptr) return nullptr;
    const Q q = load(*pQ);
    const double angle = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    const double k = angle > 0.0 ? std::sin(angle) / angle : 1.0;
    *pOut = store(Q{q.x * k, q.y * k, q.z * k, std::cos(angle)});
    return pOut;
}

// The inner control points a and b of a squad segment from q1 to q2 with neighbours q0 and q3:
// a = q1 exp(-(ln(q1^-1 q2) + ln(q1^-1 q0)) / 4), b likewise at q2, c = q2; each neighbour is
// first taken on the same hemisphere as the key before it, so the curve takes the short way.
void quaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut,
                          const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                          const D3DXQUATERNION* pQ3) {
    if (pAOut == nullptr || pBOut == nullptr || pCOut == nullptr || pQ0 == nullptr || pQ1 == nullptr ||
        pQ2 == nullptr || pQ3 == nullptr) {
        return;
    }
    auto near = [](const D3DXQUATERNION& ref, const D3DXQUATERNION& q) {
        return dot(load(ref), load(q)) < 0.0 ? D3DXQUATERNION(-q.x, -q.y, -q.z, -q.w) : q;
    };
    const D3DXQUATERNION q1 = *pQ1;
    const D3DXQUATERNION q0 = near(q1, *pQ0);
    const D3DXQUATERNION q2 = near(q1, *pQ2);
    const D3DXQUATERNION q3 = near(q2, *pQ3);
    // Hamilton x y is quaternionMultiply(y, x).
    auto control = [](const D3DXQUATERNION& key, const D3DXQUATERNION& prev, const D3DXQUATERNION& next) {
        D3DXQUATERNION inv, toNext, toPrev, lnNext, lnPrev;
        quaternionInverse(&inv, &key);
        quaternionMultiply(&toNext, &next, &inv);
        quaternionMultiply(&toPrev, &prev, &inv);
        quaternionLn(&lnNext, &toNext);
        quaternionLn(&lnPrev, &toPrev);
        D3DXQUATERNION e(-0.25f * (lnNext.x + lnPrev.x), -0.25f * (lnNext.y + lnPrev.y),
                         -0.25f * (lnNext.z + lnPrev.z), 0.0f);
        D3DXQUATERNION ex, result;
        quaternionExp(&ex, &e);
        quaternionMultiply(&result, &ex, &key);
        return result;
    };
    const D3DXQUATERNION a = control(q1, q0, q2);
    const D3DXQUATERNION b = control(q2, q1, q3);
    *pAOut = a;
    *pBOut = b;
    *pCOut = q2;
}

}  // namespace gfxutil::math::portable
