// The two kernels the mesh modules reach through the dispatch table: the vertex update of skinned
// meshes and the control points of curved (N-patch) triangles. Their interfaces are ours: the
// modules that call them are not built yet, so they take the plainest arrays that do the job.
#include "gfxutil/math/vector_terms.h"

namespace gfxutil::math::portable {

D3DXVECTOR3* skinVertices(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, UINT n, const FLOAT* pWeights,
                          const D3DXMATRIX* pBones, UINT boneCount) {
    if (pOut == nullptr || pV == nullptr || pWeights == nullptr || pBones == nullptr || n == 0 || boneCount == 0) {
        return nullptr;
    }
    for (UINT i = 0; i < n; ++i) {
        const D3DXVECTOR3 v = pV[i];  // the output may be the input
        double sum[3] = {0.0, 0.0, 0.0};
        for (UINT b = 0; b < boneCount; ++b) {
            const double w = pWeights[static_cast<std::size_t>(i) * boneCount + b];
            const Terms4 t = pointTerms(v.x, v.y, v.z, pBones[b]);
            for (int j = 0; j < 3; ++j) sum[j] += w * t.v[j];
        }
        pOut[i] = D3DXVECTOR3(static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2]));
    }
    return pOut;
}

// The cubic triangle of curved point-normal triangles: corners b300, b030, b003; each edge point
// is the corner's third-point moved onto the corner's tangent plane; the centre b111 is the mean
// of the edge points pushed half their distance further from the mean of the corners.
D3DXVECTOR3* nPatchControlPoints(D3DXVECTOR3* pOut, const D3DXVECTOR3* pPositions, const D3DXVECTOR3* pNormals) {
    if (pOut == nullptr || pPositions == nullptr || pNormals == nullptr) return nullptr;
    double p[3][3], nrm[3][3];
    for (int k = 0; k < 3; ++k) {
        const float* pk = &pPositions[k].x;
        const float* nk = &pNormals[k].x;
        for (int j = 0; j < 3; ++j) {
            p[k][j] = pk[j];
            nrm[k][j] = nk[j];
        }
    }
    // Edge point near corner i towards corner j: (2 Pi + Pj - ((Pj - Pi) . Ni) Ni) / 3.
    auto edge = [&](int i, int j, double out[3]) {
        const double w = (p[j][0] - p[i][0]) * nrm[i][0] + (p[j][1] - p[i][1]) * nrm[i][1] + (p[j][2] - p[i][2]) * nrm[i][2];
        for (int c = 0; c < 3; ++c) out[c] = (2.0 * p[i][c] + p[j][c] - w * nrm[i][c]) / 3.0;
    };
    double b[10][3];
    for (int c = 0; c < 3; ++c) {
        b[0][c] = p[0][c];
        b[1][c] = p[1][c];
        b[2][c] = p[2][c];
    }
    edge(0, 1, b[3]);  // b210
    edge(1, 0, b[4]);  // b120
    edge(1, 2, b[5]);  // b021
    edge(2, 1, b[6]);  // b012
    edge(2, 0, b[7]);  // b102
    edge(0, 2, b[8]);  // b201
    for (int c = 0; c < 3; ++c) {
        const double e = (b[3][c] + b[4][c] + b[5][c] + b[6][c] + b[7][c] + b[8][c]) / 6.0;
        const double v = (p[0][c] + p[1][c] + p[2][c]) / 3.0;
        b[9][c] = e + (e - v) / 2.0;
    }
    for (int k = 0; k < 10; ++k) {
        pOut[k] = D3DXVECTOR3(static_cast<float>(b[k][0]), static_cast<float>(b[k][1]), static_cast<float>(b[k][2]));
    }
    return pOut;
}

}  // namespace gfxutil::math::portable
