#include "app/app_context.h"

// Static initialisation, in this order (one translation unit keeps it): the context, the forty
// empty spring systems, the light position. None of them is destroyed at process exit; the
// systems are deleted by cleanup when the window is destroyed.
AppContext* appContext = new AppContext();
SpringSystem* springSystems = new SpringSystem[kNumSpringSystems];
D3DXVECTOR3 lightPosition(0.0f, 0.0f, -100.0f);

IDirect3D9* direct3D = nullptr;
IDirect3DDevice9* device = nullptr;
ID3DXFont* helpFont = nullptr;
IDirect3DVertexBuffer9* lineBuffer = nullptr;
IDirect3DVertexBuffer9* mirrorBuffer = nullptr;
IDirect3DVertexBuffer9* floorBuffer = nullptr;
IDirect3DTexture9* floorTexture = nullptr;
ID3DXMesh* sphereMesh = nullptr;
