// The 73 dispatched math functions, in their fixed slot order.
//
// One list drives everything that must agree slot by slot: the public entry points, the
// initialising entries, the portable table and the declarations of the portable bodies. Each row
// is X(slot, public name, portable body, result type, (parameters), (argument names)).
//
// Slots 69 and 70 serve the skinned-mesh and curved-triangle modules; they have no public D3DX
// name, so their entry points live in gfxutil::math.
#pragma once

// clang-format off
#define GFX_MATH_SLOTS(X) \
    X(0, D3DXVec2Transform, vec2Transform, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(1, D3DXVec3Transform, vec3Transform, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(2, D3DXVec4Transform, vec4Transform, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(3, D3DXMatrixMultiply, matrixMultiply, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2), (pOut, pM1, pM2)) \
    X(4, D3DXMatrixMultiplyTranspose, matrixMultiplyTranspose, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2), (pOut, pM1, pM2)) \
    X(5, D3DXVec2TransformNormal, vec2TransformNormal, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(6, D3DXVec3TransformNormal, vec3TransformNormal, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(7, D3DXVec3Normalize, vec3Normalize, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV), (pOut, pV)) \
    X(8, D3DXVec4Normalize, vec4Normalize, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV), (pOut, pV)) \
    X(9, D3DXVec2TransformCoord, vec2TransformCoord, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(10, D3DXVec3TransformCoord, vec3TransformCoord, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM), (pOut, pV, pM)) \
    X(11, D3DXMatrixDeterminant, matrixDeterminant, FLOAT, (const D3DXMATRIX* pM), (pM)) \
    X(12, D3DXPlaneFromPointNormal, planeFromPointNormal, D3DXPLANE*, (D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal), (pOut, pPoint, pNormal)) \
    X(13, D3DXPlaneFromPoints, planeFromPoints, D3DXPLANE*, (D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3), (pOut, pV1, pV2, pV3)) \
    X(14, D3DXVec3Project, vec3Project, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld), (pOut, pV, pViewport, pProjection, pView, pWorld)) \
    X(15, D3DXVec3Unproject, vec3Unproject, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld), (pOut, pV, pViewport, pProjection, pView, pWorld)) \
    X(16, D3DXVec4Cross, vec4Cross, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3), (pOut, pV1, pV2, pV3)) \
    X(17, D3DXVec2Hermite, vec2Hermite, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, FLOAT s), (pOut, pV1, pT1, pV2, pT2, s)) \
    X(18, D3DXMatrixInverse, matrixInverse, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM), (pOut, pDeterminant, pM)) \
    X(19, D3DXQuaternionMultiply, quaternionMultiply, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2), (pOut, pQ1, pQ2)) \
    X(20, D3DXQuaternionNormalize, quaternionNormalize, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ)) \
    X(21, D3DXPlaneNormalize, planeNormalize, D3DXPLANE*, (D3DXPLANE* pOut, const D3DXPLANE* pP), (pOut, pP)) \
    X(22, D3DXPlaneIntersectLine, planeIntersectLine, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2), (pOut, pP, pV1, pV2)) \
    X(23, D3DXQuaternionToAxisAngle, quaternionToAxisAngle, void, (const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, FLOAT* pAngle), (pQ, pAxis, pAngle)) \
    X(24, D3DXQuaternionRotationMatrix, quaternionRotationMatrix, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXMATRIX* pM), (pOut, pM)) \
    X(25, D3DXQuaternionRotationYawPitchRoll, quaternionRotationYawPitchRoll, D3DXQUATERNION*, (D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll), (pOut, yaw, pitch, roll)) \
    X(26, D3DXMatrixTranslation, matrixTranslation, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z), (pOut, x, y, z)) \
    X(27, D3DXMatrixShadow, matrixShadow, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane), (pOut, pLight, pPlane)) \
    X(28, D3DXMatrixReflect, matrixReflect, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXPLANE* pPlane), (pOut, pPlane)) \
    X(29, D3DXQuaternionRotationAxis, quaternionRotationAxis, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, FLOAT angle), (pOut, pV, angle)) \
    X(30, D3DXMatrixRotationX, matrixRotationX, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT angle), (pOut, angle)) \
    X(31, D3DXMatrixRotationY, matrixRotationY, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT angle), (pOut, angle)) \
    X(32, D3DXMatrixRotationZ, matrixRotationZ, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT angle), (pOut, angle)) \
    X(33, D3DXMatrixScaling, matrixScaling, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz), (pOut, sx, sy, sz)) \
    X(34, D3DXPlaneTransform, planeTransform, D3DXPLANE*, (D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM), (pOut, pP, pM)) \
    X(35, D3DXQuaternionSlerp, quaternionSlerp, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, FLOAT t), (pOut, pQ1, pQ2, t)) \
    X(36, D3DXQuaternionBaryCentric, quaternionBaryCentric, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3, FLOAT f, FLOAT g), (pOut, pQ1, pQ2, pQ3, f, g)) \
    X(37, D3DXMatrixTranspose, matrixTranspose, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXMATRIX* pM), (pOut, pM)) \
    X(38, D3DXMatrixRotationQuaternion, matrixRotationQuaternion, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXQUATERNION* pQ), (pOut, pQ)) \
    X(39, D3DXMatrixTransformation, matrixTransformation, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter, const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling, const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation), (pOut, pScalingCenter, pScalingRotation, pScaling, pRotationCenter, pRotation, pTranslation)) \
    X(40, D3DXMatrixRotationYawPitchRoll, matrixRotationYawPitchRoll, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll), (pOut, yaw, pitch, roll)) \
    X(41, D3DXMatrixAffineTransformation, matrixAffineTransformation, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation), (pOut, scaling, pRotationCenter, pRotation, pTranslation)) \
    X(42, D3DXMatrixRotationAxis, matrixRotationAxis, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT angle), (pOut, pV, angle)) \
    X(43, D3DXQuaternionSquad, quaternionSquad, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pA, const D3DXQUATERNION* pB, const D3DXQUATERNION* pC, FLOAT t), (pOut, pQ1, pA, pB, pC, t)) \
    X(44, D3DXQuaternionInverse, quaternionInverse, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ)) \
    X(45, D3DXQuaternionSquadSetup, quaternionSquadSetup, void, (D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut, const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3), (pAOut, pBOut, pCOut, pQ0, pQ1, pQ2, pQ3)) \
    X(46, D3DXVec2Normalize, vec2Normalize, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV), (pOut, pV)) \
    X(47, D3DXVec2CatmullRom, vec2CatmullRom, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, FLOAT s), (pOut, pV0, pV1, pV2, pV3, s)) \
    X(48, D3DXVec2BaryCentric, vec2BaryCentric, D3DXVECTOR2*, (D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, FLOAT f, FLOAT g), (pOut, pV1, pV2, pV3, f, g)) \
    X(49, D3DXVec3Hermite, vec3Hermite, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, FLOAT s), (pOut, pV1, pT1, pV2, pT2, s)) \
    X(50, D3DXVec3CatmullRom, vec3CatmullRom, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, FLOAT s), (pOut, pV0, pV1, pV2, pV3, s)) \
    X(51, D3DXVec3BaryCentric, vec3BaryCentric, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, FLOAT f, FLOAT g), (pOut, pV1, pV2, pV3, f, g)) \
    X(52, D3DXVec4Hermite, vec4Hermite, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, FLOAT s), (pOut, pV1, pT1, pV2, pT2, s)) \
    X(53, D3DXVec4CatmullRom, vec4CatmullRom, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, FLOAT s), (pOut, pV0, pV1, pV2, pV3, s)) \
    X(54, D3DXVec4BaryCentric, vec4BaryCentric, D3DXVECTOR4*, (D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, FLOAT f, FLOAT g), (pOut, pV1, pV2, pV3, f, g)) \
    X(55, D3DXQuaternionLn, quaternionLn, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ)) \
    X(56, D3DXQuaternionExp, quaternionExp, D3DXQUATERNION*, (D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ), (pOut, pQ)) \
    X(57, D3DXFloat32To16Array, float32To16Array, D3DXFLOAT16*, (D3DXFLOAT16* pOut, const FLOAT* pIn, UINT n), (pOut, pIn, n)) \
    X(58, D3DXFloat16To32Array, float16To32Array, FLOAT*, (FLOAT* pOut, const D3DXFLOAT16* pIn, UINT n), (pOut, pIn, n)) \
    X(59, D3DXVec2TransformArray, vec2TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(60, D3DXVec2TransformCoordArray, vec2TransformCoordArray, D3DXVECTOR2*, (D3DXVECTOR2* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(61, D3DXVec2TransformNormalArray, vec2TransformNormalArray, D3DXVECTOR2*, (D3DXVECTOR2* pOut, UINT outStride, const D3DXVECTOR2* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(62, D3DXVec3TransformArray, vec3TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(63, D3DXVec3TransformCoordArray, vec3TransformCoordArray, D3DXVECTOR3*, (D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(64, D3DXVec3TransformNormalArray, vec3TransformNormalArray, D3DXVECTOR3*, (D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(65, D3DXVec4TransformArray, vec4TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR4* pV, UINT vStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pV, vStride, pM, n)) \
    X(66, D3DXVec3ProjectArray, vec3ProjectArray, D3DXVECTOR3*, (D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n), (pOut, outStride, pV, vStride, pViewport, pProjection, pView, pWorld, n)) \
    X(67, D3DXVec3UnprojectArray, vec3UnprojectArray, D3DXVECTOR3*, (D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n), (pOut, outStride, pV, vStride, pViewport, pProjection, pView, pWorld, n)) \
    X(68, D3DXPlaneTransformArray, planeTransformArray, D3DXPLANE*, (D3DXPLANE* pOut, UINT outStride, const D3DXPLANE* pP, UINT pStride, const D3DXMATRIX* pM, UINT n), (pOut, outStride, pP, pStride, pM, n)) \
    X(69, gfxutil::math::skinVertices, skinVertices, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, UINT n, const FLOAT* pWeights, const D3DXMATRIX* pBones, UINT boneCount), (pOut, pV, n, pWeights, pBones, boneCount)) \
    X(70, gfxutil::math::nPatchControlPoints, nPatchControlPoints, D3DXVECTOR3*, (D3DXVECTOR3* pOut, const D3DXVECTOR3* pPositions, const D3DXVECTOR3* pNormals), (pOut, pPositions, pNormals)) \
    X(71, D3DXMatrixTransformation2D, matrixTransformation2D, D3DXMATRIX*, (D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter, FLOAT scalingRotation, const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, FLOAT rotation, const D3DXVECTOR2* pTranslation), (pOut, pScalingCenter, scalingRotation, pScaling, pRotationCenter, rotation, pTranslation)) \
    X(72, D3DXMatrixAffineTransformation2D, matrixAffineTransformation2D, D3DXMATRIX*, (D3DXMATRIX* pOut, FLOAT scaling, const D3DXVECTOR2* pRotationCenter, FLOAT rotation, const D3DXVECTOR2* pTranslation), (pOut, scaling, pRotationCenter, rotation, pTranslation))
// clang-format on
