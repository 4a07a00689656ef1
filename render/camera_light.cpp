// The context's three set-up operations: material, the single directional light, and the world,
// view and projection transforms. Each keeps a copy of what it handed to the device.
#include <cstring>

#include "app/app_context.h"
#include "platform/win32/message_box.h"

namespace {

constexpr D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
constexpr FLOAT kFieldOfView = 0.7853982f;  // pi / 4
constexpr FLOAT kNearPlane = 1.0f;
constexpr FLOAT kFarPlane = 10000.0f;
constexpr FLOAT kLightRange = 1000.0f;
constexpr DWORD kAmbientLevel = 0x00202020;

}  // namespace

void AppContext::SetupMaterial(const D3DXCOLOR& colour) {
    if (d3dDevice == nullptr) {
        MessageBoxA(nullptr, "SetupMaterial FAILED - not setting d3dDevice", nullptr, MB_OK);
        return;
    }
    std::memset(&material, 0, sizeof(material));
    material.Diffuse = colour;
    material.Ambient = colour;
    d3dDevice->SetMaterial(&material);
}

void AppContext::SetupLight(const D3DXVECTOR3& position, const D3DXVECTOR3& colour) {
    if (d3dDevice == nullptr) {
        MessageBoxA(nullptr, "SetupLight FAILED - not setting d3dDevice", nullptr, MB_OK);
        return;
    }
    lightPos = position;
    std::memset(&light, 0, sizeof(light));
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse.r = colour.x;
    light.Diffuse.g = colour.y;
    light.Diffuse.b = colour.z;
    // The light shines from the position towards the origin.
    const D3DXVECTOR3 towardsOrigin = -position;
    D3DXVECTOR3 direction;
    D3DXVec3Normalize(&direction, &towardsOrigin);
    light.Direction = direction;
    light.Range = kLightRange;

    d3dDevice->SetLight(0, &light);
    d3dDevice->LightEnable(0, TRUE);
    d3dDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3dDevice->SetRenderState(D3DRS_AMBIENT, kAmbientLevel);
}

void AppContext::SetupMatrices() {
    if (d3dDevice == nullptr) {
        MessageBoxA(nullptr, "SetupMatrices FAILED - not setting d3dDevice", nullptr, MB_OK);
        return;
    }
    D3DXMatrixIdentity(&matWorld);
    d3dDevice->SetTransform(D3DTS_WORLD, &matWorld);

    D3DXMatrixLookAtLH(&matView, &eye, &lookAt, &kUp);
    d3dDevice->SetTransform(D3DTS_VIEW, &matView);

    // A width of 0 (a minimised window) gives an aspect of 0, which the projection refuses; the
    // previous projection then stays and is set again.
    const FLOAT aspect = static_cast<FLOAT>(width) / static_cast<FLOAT>(height);
    D3DXMatrixPerspectiveFovLH(&matProj, kFieldOfView, aspect, kNearPlane, kFarPlane);
    d3dDevice->SetTransform(D3DTS_PROJECTION, &matProj);
}
