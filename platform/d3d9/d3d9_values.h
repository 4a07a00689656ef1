// The device's plain value records: a three-float vector, a four-float colour and a row-major
// 4 x 4 matrix. They live apart from the device interfaces so that the math library can build its
// value types on them (a D3DXMATRIX is handed to SetTransform as it is) without pulling in the
// whole device header.
#pragma once

struct D3DVECTOR {
    float x;
    float y;
    float z;
};
static_assert(sizeof(D3DVECTOR) == 12);

struct D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
};
static_assert(sizeof(D3DCOLORVALUE) == 16);

struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};
static_assert(sizeof(D3DMATRIX) == 64);
