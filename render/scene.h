// The scene renderer: device set-up, the static geometry, one frame, and the planar mirror.
//
// Everything works on the application's globals (app/app_context.h). Statuses follow the
// application's convention: 1 on success, a negative status on failure.
#pragma once

#include "app/app_context.h"

// The two vertex layouts of the scene.
struct ColorVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DCOLOR diffuse;
};
static_assert(sizeof(ColorVertex) == 28);
inline constexpr DWORD kColorVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
static_assert(kColorVertexFvf == 0x52);

struct TexVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 uv;
};
static_assert(sizeof(TexVertex) == 32);
inline constexpr DWORD kTexVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
static_assert(kTexVertexFvf == 0x112);

// The fixed contents of the mirror quad and the wall-and-floor strip.
extern const ColorVertex kMirrorVertices[4];
extern const TexVertex kFloorVertices[6];
inline constexpr const char* kFloorTextureFile = "data/062bois.jpg";

// Device creation and fixed render state.
HRESULT initD3D(HWND window, BOOL windowed, D3DDEVTYPE deviceType);
// The line, mirror and floor buffers and the floor texture.
HRESULT initBuffer();

// One frame: clear, step the forty systems, draw, present.
void render();
void drawFloor();
void drawSprings();
void drawSpheres();

// The mirror in the plane z = 20: the reflected scene clipped to the mirror, then the quad.
void drawMirror();
void drawReflectedSpheres(const D3DXMATRIX& reflection);

// The mirror's plane, its reflection and the four clip planes of the pyramid from `eye` through
// the mirror's top, right, bottom and left edges; recomputed every frame since the eye may move.
struct MirrorGeometry {
    D3DXPLANE plane;
    D3DXMATRIX reflection;
    D3DXPLANE clipPlanes[4];
};
MirrorGeometry computeMirrorGeometry(const D3DXVECTOR3& eye);

// The line colour of a system: each colour component truncated toward zero, low 8 bits, opaque.
D3DCOLOR springLineColour(const D3DXVECTOR3& colour);
// The sphere material colour of a system: 0.00392 (not 1/255) times each component.
D3DXCOLOR sphereMaterialColour(const D3DXVECTOR3& colour);
