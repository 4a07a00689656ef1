// The application's one context record and its globals.
//
// The context, the forty spring systems and the light position are created by static
// initialisers, in that order, before WinMain runs (all three live in globals.cpp so the order
// holds), and are never destroyed at process exit. Every device object is owned by exactly one
// global and released once, by cleanup, in the reverse order of creation.
//
// The record is the lowest layer of the application: the renderer reads the camera and the window
// size from it and defines its three set-up operations (SetupMaterial, SetupLight, SetupMatrices),
// the shell writes the size on resize events.
#pragma once

#include "gfxutil/math/math_types.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"
#include "sim/spring_systems.h"

class ID3DXMesh;
class ID3DXFont;

struct AppContext {
    D3DMATERIAL9 material;  // the material last handed to the device by SetupMaterial
    D3DLIGHT9 light;        // light 0 as last handed to the device by SetupLight
    D3DXVECTOR3 lightPos;   // the position last passed to SetupLight
    D3DXMATRIX matWorld;
    D3DXMATRIX matView;
    D3DXMATRIX matProj;
    const char* className = "Direct3D";
    const char* windowTitle = "qel_Verlet_Spring0830";
    HWND hWnd;
    // A second, non-owning reference to the global `device`; the set-up operations refuse to work
    // while it is null.
    IDirect3DDevice9* d3dDevice = nullptr;
    D3DXVECTOR3 eye{-40.0f, 40.0f, -120.0f};
    D3DXVECTOR3 lookAt{20.0f, 40.0f, 0.0f};
    INT width = 800;
    INT height = 600;
    INT bitsPerPixel = 32;
    INT fullscreen = 0;
    INT clearRed = 111;
    INT clearGreen = 147;
    INT clearBlue = 191;

    // Defined by the renderer (camera and light set-up).
    void SetupMaterial(const D3DXCOLOR& colour);
    void SetupLight(const D3DXVECTOR3& position, const D3DXVECTOR3& colour);
    void SetupMatrices();
};

extern AppContext* appContext;
// springSystems (an array of kNumSpringSystems) is declared with the simulation.
extern D3DXVECTOR3 lightPosition;

extern IDirect3D9* direct3D;
extern IDirect3DDevice9* device;
extern ID3DXFont* helpFont;
extern IDirect3DVertexBuffer9* lineBuffer;
extern IDirect3DVertexBuffer9* mirrorBuffer;
extern IDirect3DVertexBuffer9* floorBuffer;
extern IDirect3DTexture9* floorTexture;
extern ID3DXMesh* sphereMesh;
