// The semi-transparent mirror in the plane z = 20. With neither stencil nor depth test, the scene
// is drawn a second time through the reflection, kept by four user clip planes to the pyramid the
// eye sees through the mirror's outline, and the mirror quad is blended over it afterwards.
#include "gfxutil/mesh/mesh.h"
#include "render/scene.h"

namespace {

// The mirror's corners as seen from the camera.
constexpr D3DXVECTOR3 kUpperLeft(0.0f, 80.0f, 20.0f);
constexpr D3DXVECTOR3 kUpperRight(80.0f, 80.0f, 20.0f);
constexpr D3DXVECTOR3 kLowerLeft(0.0f, 0.0f, 20.0f);
constexpr D3DXVECTOR3 kLowerRight(80.0f, 0.0f, 20.0f);

constexpr D3DXVECTOR3 kFlippedLight(0.0f, 0.0f, 100.0f);
constexpr D3DXVECTOR3 kWhite(1.0f, 1.0f, 1.0f);

}  // namespace

MirrorGeometry computeMirrorGeometry(const D3DXVECTOR3& eye) {
    MirrorGeometry g;
    D3DXPlaneFromPoints(&g.plane, &kUpperLeft, &kUpperRight, &kLowerLeft);
    D3DXMatrixReflect(&g.reflection, &g.plane);
    // Each plane's positive side is the inside of the pyramid: top, right, bottom, left edge.
    D3DXPlaneFromPoints(&g.clipPlanes[0], &kUpperRight, &kUpperLeft, &eye);
    D3DXPlaneFromPoints(&g.clipPlanes[1], &kLowerRight, &kUpperRight, &eye);
    D3DXPlaneFromPoints(&g.clipPlanes[2], &kLowerLeft, &kLowerRight, &eye);
    D3DXPlaneFromPoints(&g.clipPlanes[3], &kUpperLeft, &kLowerLeft, &eye);
    return g;
}

void drawMirror() {
    D3DXMATRIX savedWorld;
    device->GetTransform(D3DTS_WORLD, &savedWorld);

    const MirrorGeometry mirror = computeMirrorGeometry(appContext->eye);
    device->SetTransform(D3DTS_WORLD, &mirror.reflection);
    // The reflection reverses the winding of every triangle.
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    for (DWORD i = 0; i < 4; ++i) {
        device->SetClipPlane(i, mirror.clipPlanes[i]);
    }
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0x0F);

    // The reflected wall, floor and lines are lit by the reflected light.
    appContext->SetupLight(kFlippedLight, kWhite);
    drawFloor();
    drawSprings();
    appContext->SetupLight(lightPosition, kWhite);
    drawReflectedSpheres(mirror.reflection);

    device->SetTransform(D3DTS_WORLD, &savedWorld);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetStreamSource(0, mirrorBuffer, 0, sizeof(ColorVertex));
    device->SetFVF(kColorVertexFvf);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void drawReflectedSpheres(const D3DXMATRIX& reflection) {
    for (int i = 0; i < kNumSpringSystems; ++i) {
        const SpringSystem& system = springSystems[i];
        appContext->SetupMaterial(sphereMaterialColour(system.colour));
        // Translate first, then reflect.
        D3DXMATRIX world;
        const D3DXVECTOR3& centre = system.particles[0].pos;
        D3DXMatrixTranslation(&world, centre.x, centre.y, centre.z);
        D3DXMatrixMultiply(&world, &world, &reflection);
        device->SetTransform(D3DTS_WORLD, &world);
        sphereMesh->DrawSubset(0);
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    appContext->SetupMaterial(D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
}
