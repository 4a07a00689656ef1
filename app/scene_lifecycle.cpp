// Bringing the scene up on window creation and down on window destruction.
#include "app/app_context.h"
#include "app/shell.h"
#include "gfxutil/core/font.h"
#include "gfxutil/mesh/mesh.h"
#include "platform/kernel/crt_rand.h"
#include "render/scene.h"

namespace {

template <class Interface>
void releaseOnce(Interface*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

void initScene(HWND window) {
    // The fixed seed makes the first population the same on every run.
    platform::kernel::srand(0);

    if (initD3D(window, TRUE, D3DDEVTYPE_HAL) < 0) {
        MessageBoxA(nullptr, "initD3D() - Failed", "Error", MB_OK);
        PostQuitMessage(0);
        // Everything below needs the device; none of it may run against a missing one.
        return;
    }
    if (initBuffer() < 0) {
        MessageBoxA(nullptr, "initBuffer() - Failed", "Error", MB_OK);
        PostQuitMessage(0);
        return;
    }
    resetSprings();
    D3DXCreateSphere(device, 1.0f, 8, 8, &sphereMesh, nullptr);
    D3DXComputeNormals(sphereMesh, nullptr);
}

void cleanup() {
    // Destroys every system, the last element first, then frees the storage.
    delete[] springSystems;
    springSystems = nullptr;

    releaseOnce(sphereMesh);
    releaseOnce(floorTexture);
    releaseOnce(floorBuffer);
    releaseOnce(mirrorBuffer);
    releaseOnce(lineBuffer);
    releaseOnce(helpFont);
    releaseOnce(device);
    releaseOnce(direct3D);
    appContext->d3dDevice = nullptr;
}
