// The geometry that never changes: the spring-line buffer, the mirror quad, and the wall-and-floor
// strip with its wood texture.
#include <cstring>

#include "gfxutil/tex/texture_loader.h"
#include "platform/win32/message_box.h"
#include "render/scene.h"

namespace {

constexpr D3DXVECTOR3 kMirrorNormal(0.0f, 0.0f, -1.0f);
constexpr D3DCOLOR kMirrorColour = 0x80FFFFFF;  // white, alpha 128

// Copies `count` vertices into `buffer` through one lock of its whole length.
template <class Vertex>
void fillBuffer(IDirect3DVertexBuffer9* buffer, const Vertex* vertices, UINT count) {
    void* data = nullptr;
    const UINT length = count * static_cast<UINT>(sizeof(Vertex));
    if (SUCCEEDED(buffer->Lock(0, length, &data, 0))) {
        std::memcpy(data, vertices, length);
        buffer->Unlock();
    }
}

}  // namespace

const ColorVertex kMirrorVertices[4] = {
    {D3DXVECTOR3(0.0f, 80.0f, 20.0f), kMirrorNormal, kMirrorColour},
    {D3DXVECTOR3(80.0f, 80.0f, 20.0f), kMirrorNormal, kMirrorColour},
    {D3DXVECTOR3(0.0f, 0.0f, 20.0f), kMirrorNormal, kMirrorColour},
    {D3DXVECTOR3(80.0f, 0.0f, 20.0f), kMirrorNormal, kMirrorColour},
};

// The strip runs down the right-hand wall (x = 82) and along the floor (y = -2), 10 units deep.
// The light comes from the camera's side, travelling along +z, so it only grazes both surfaces:
// with their true normals (-1, 0, 0) and (0, 1, 0) they would show nothing but the ambient level.
// The front edge (z = 5, far from the camera) keeps normals with no z component and so stays at
// the ambient level; the back edge (z = -5, nearest the camera) gets the same normals tilted
// towards the camera by (0, 0, -1), which face the light fully. Gouraud shading then lets the wood
// brighten from the far edge to the near one, as a surface lit from the viewer's side looks.
// None of the normals is unit length and the device does not normalise them: the dot product of
// the tilted normals with the light is exactly 1.
const TexVertex kFloorVertices[6] = {
    {D3DXVECTOR3(82.0f, 85.0f, 5.0f), D3DXVECTOR3(-1.0f, -1.0f, 0.0f), D3DXVECTOR2(0.0f, 0.5f)},
    {D3DXVECTOR3(82.0f, 85.0f, -5.0f), D3DXVECTOR3(-1.0f, -1.0f, -1.0f), D3DXVECTOR2(0.0f, 0.0f)},
    {D3DXVECTOR3(82.0f, -2.0f, 5.0f), D3DXVECTOR3(-1.0f, 1.0f, 0.0f), D3DXVECTOR2(1.0f, 0.5f)},
    {D3DXVECTOR3(82.0f, -2.0f, -5.0f), D3DXVECTOR3(-1.0f, 1.0f, -1.0f), D3DXVECTOR2(1.0f, 0.0f)},
    {D3DXVECTOR3(-2.0f, -2.0f, 5.0f), D3DXVECTOR3(1.0f, 1.0f, 0.0f), D3DXVECTOR2(2.0f, 0.5f)},
    {D3DXVECTOR3(-2.0f, -2.0f, -5.0f), D3DXVECTOR3(1.0f, 1.0f, -1.0f), D3DXVECTOR2(2.0f, 0.0f)},
};

HRESULT initBuffer() {
    HRESULT hr = device->CreateVertexBuffer(2 * sizeof(ColorVertex), 0, kColorVertexFvf, D3DPOOL_DEFAULT,
                                            &lineBuffer, nullptr);
    if (FAILED(hr)) {
        return hr;
    }

    hr = device->CreateVertexBuffer(4 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, kColorVertexFvf,
                                    D3DPOOL_MANAGED, &mirrorBuffer, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    fillBuffer(mirrorBuffer, kMirrorVertices, 4);

    hr = device->CreateVertexBuffer(6 * sizeof(TexVertex), D3DUSAGE_WRITEONLY, kTexVertexFvf, D3DPOOL_MANAGED,
                                    &floorBuffer, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    fillBuffer(floorBuffer, kFloorVertices, 6);

    if (FAILED(D3DXCreateTextureFromFileA(device, kFloorTextureFile, &floorTexture))) {
        MessageBoxA(nullptr, "Could not find Texture", "Texture loading error", MB_OK);
        return E_FAIL;
    }

    device->SetRenderState(D3DRS_COLORVERTEX, TRUE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    return 1;
}
