// Composite transformations: scaling about a centre along rotated axes, rotation about a centre,
// then translation, in three and in two dimensions. A null argument leaves its step out.
#include "gfxutil/math/portable.h"

namespace gfxutil::math::portable {

namespace {

D3DXMATRIX translationOf(double x, double y, double z) {
    D3DXMATRIX m;
    matrixTranslation(&m, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    return m;
}

void then(D3DXMATRIX& m, const D3DXMATRIX& next) { D3DXMatrixMultiply(&m, &m, &next); }

// out = Msc^-1 Msr^-1 Ms Msr Msc Mrc^-1 Mr Mrc Mt, all taken as identity when not given.
void compose(D3DXMATRIX* pOut, const D3DXVECTOR3* sc, const D3DXQUATERNION* sr, const D3DXVECTOR3* scaling,
             const D3DXVECTOR3* rc, const D3DXQUATERNION* rotation, const D3DXVECTOR3* t) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (scaling != nullptr) {
        if (sc != nullptr) then(m, translationOf(-sc->x, -sc->y, -sc->z));
        D3DXMATRIX rot, rotInv;
        if (sr != nullptr) {
            matrixRotationQuaternion(&rot, sr);
            matrixTranspose(&rotInv, &rot);  // a rotation's inverse is its transpose
            then(m, rotInv);
        }
        D3DXMATRIX s;
        matrixScaling(&s, scaling->x, scaling->y, scaling->z);
        then(m, s);
        if (sr != nullptr) then(m, rot);
        if (sc != nullptr) then(m, translationOf(sc->x, sc->y, sc->z));
    }
    if (rotation != nullptr) {
        if (rc != nullptr) then(m, translationOf(-rc->x, -rc->y, -rc->z));
        D3DXMATRIX r;
        matrixRotationQuaternion(&r, rotation);
        then(m, r);
        if (rc != nullptr) then(m, translationOf(rc->x, rc->y, rc->z));
    }
    if (t != nullptr) then(m, translationOf(t->x, t->y, t->z));
    *pOut = m;
}

D3DXQUATERNION zRotation(FLOAT angle) {
    D3DXQUATERNION q;
    const D3DXVECTOR3 z(0.0f, 0.0f, 1.0f);
    quaternionRotationAxis(&q, &z, angle);
    return q;
}

}  // namespace

D3DXMATRIX* matrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                 const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,
                                 const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,
                                 const D3DXVECTOR3* pTranslation) {
    if (pOut == nullptr) return nullptr;
    compose(pOut, pScalingCenter, pScalingRotation, pScaling, pRotationCenter, pRotation, pTranslation);
    return pOut;
}

D3DXMATRIX* matrixAffineTransformation(D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR3* pRotationCenter,
                                       const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation) {
    if (pOut == nullptr) return nullptr;
    const D3DXVECTOR3 s(scaling, scaling, scaling);
    compose(pOut, nullptr, nullptr, &s, pRotationCenter, pRotation, pTranslation);
    return pOut;
}

D3DXMATRIX* matrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter, FLOAT scalingRotation,
                                   const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, FLOAT rotation,
                                   const D3DXVECTOR2* pTranslation) {
    if (pOut == nullptr) return nullptr;
    auto lift = [](const D3DXVECTOR2* v, float z) { return D3DXVECTOR3(v->x, v->y, z); };
    const D3DXVECTOR3 sc = pScalingCenter ? lift(pScalingCenter, 0.0f) : D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3 s = pScaling ? lift(pScaling, 1.0f) : D3DXVECTOR3(1, 1, 1);
    const D3DXVECTOR3 rc = pRotationCenter ? lift(pRotationCenter, 0.0f) : D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3 t = pTranslation ? lift(pTranslation, 0.0f) : D3DXVECTOR3(0, 0, 0);
    const D3DXQUATERNION sr = zRotation(scalingRotation);
    const D3DXQUATERNION r = zRotation(rotation);
    compose(pOut, pScalingCenter ? &sc : nullptr, &sr, pScaling ? &s : nullptr, pRotationCenter ? &rc : nullptr, &r,
            pTranslation ? &t : nullptr);
    return pOut;
}

D3DXMATRIX* matrixAffineTransformation2D(D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR2* pRotationCenter,
                                         FLOAT rotation, const D3DXVECTOR2* pTranslation) {
    if (pOut == nullptr) return nullptr;
    const D3DXVECTOR3 s(scaling, scaling, 1.0f);
    const D3DXVECTOR3 rc = pRotationCenter ? D3DXVECTOR3(pRotationCenter->x, pRotationCenter->y, 0.0f)
                                           : D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3 t = pTranslation ? D3DXVECTOR3(pTranslation->x, pTranslation->y, 0.0f) : D3DXVECTOR3(0, 0, 0);
    const D3DXQUATERNION r = zRotation(rotation);
    compose(pOut, nullptr, nullptr, &s, pRotationCenter ? &rc : nullptr, &r, pTranslation ? &t : nullptr);
    return pOut;
}

}  // namespace gfxutil::math::portable
