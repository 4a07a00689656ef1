// One frame: clear, step the simulation once, then draw in painter's order (no depth test is used,
// so the order alone decides what covers what): wall and floor, spring lines, the mirror pass,
// spheres, help text.
#include <cstring>

#include "gfxutil/mesh/mesh.h"
#include "render/help_text.h"
#include "render/scene.h"

namespace {

constexpr DWORD kClearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
constexpr D3DXVECTOR3 kLineNormal(0.0f, 0.0f, -1.0f);
// The sphere colour scale: slightly less than 1/255, so a component of 255 gives 0.9996.
constexpr FLOAT kColourScale = 0.00392f;

D3DCOLOR clearColour() {
    return D3DCOLOR_ARGB(0xFF, static_cast<DWORD>(appContext->clearRed) & 0xFF,
                         static_cast<DWORD>(appContext->clearGreen) & 0xFF,
                         static_cast<DWORD>(appContext->clearBlue) & 0xFF);
}

}  // namespace

D3DCOLOR springLineColour(const D3DXVECTOR3& colour) {
    // Truncation toward zero, then the low 8 bits of each.
    const DWORD r = static_cast<DWORD>(static_cast<INT>(colour.x)) & 0xFF;
    const DWORD g = static_cast<DWORD>(static_cast<INT>(colour.y)) & 0xFF;
    const DWORD b = static_cast<DWORD>(static_cast<INT>(colour.z)) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

D3DXCOLOR sphereMaterialColour(const D3DXVECTOR3& colour) {
    return D3DXCOLOR(kColourScale * colour.x, kColourScale * colour.y, kColourScale * colour.z, 1.0f);
}

void render() {
    device->Clear(0, nullptr, kClearFlags, clearColour(), 1.0f, 0);
    device->BeginScene();

    for (int i = 0; i < kNumSpringSystems; ++i) {
        springSystems[i].Step();
    }

    drawFloor();
    drawSprings();
    drawMirror();
    drawSpheres();
    if (helpFont != nullptr) {
        drawHelpText();
    }

    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void drawFloor() {
    device->SetStreamSource(0, floorBuffer, 0, sizeof(TexVertex));
    device->SetFVF(kTexVertexFvf);
    device->SetTexture(0, floorTexture);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4);
    device->SetTexture(0, nullptr);
}

void drawSprings() {
    device->SetStreamSource(0, lineBuffer, 0, sizeof(ColorVertex));
    device->SetFVF(kColorVertexFvf);
    for (int i = 0; i < kNumSpringSystems; ++i) {
        const SpringSystem& system = springSystems[i];
        const D3DCOLOR colour = springLineColour(system.colour);
        const ColorVertex line[2] = {
            {system.particles[0].pos, kLineNormal, colour},
            {system.particles[1].pos, kLineNormal, colour},
        };
        void* data = nullptr;
        if (SUCCEEDED(lineBuffer->Lock(0, sizeof(line), &data, 0))) {
            std::memcpy(data, line, sizeof(line));
            lineBuffer->Unlock();
        }
        device->DrawPrimitive(D3DPT_LINELIST, 0, 1);
    }
}

void drawSpheres() {
    for (int i = 0; i < kNumSpringSystems; ++i) {
        const SpringSystem& system = springSystems[i];
        appContext->SetupMaterial(sphereMaterialColour(system.colour));
        D3DXMATRIX world;
        const D3DXVECTOR3& centre = system.particles[0].pos;
        D3DXMatrixTranslation(&world, centre.x, centre.y, centre.z);
        device->SetTransform(D3DTS_WORLD, &world);
        sphereMesh->DrawSubset(0);
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    appContext->SetupMaterial(D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
}
