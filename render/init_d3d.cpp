// Device creation and the render state that stays fixed for the whole run.
#include <cstring>

#include "gfxutil/core/font.h"
#include "platform/win32/message_box.h"
#include "render/scene.h"

namespace {

void fillPresentParameters(D3DPRESENT_PARAMETERS& parameters, BOOL windowed) {
    std::memset(&parameters, 0, sizeof(parameters));
    parameters.BackBufferWidth = static_cast<UINT>(appContext->width);
    parameters.BackBufferHeight = static_cast<UINT>(appContext->height);
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;  // the current display format
    parameters.BackBufferCount = 0;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.MultiSampleQuality = 0;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = nullptr;  // the focus window is used
    parameters.Windowed = windowed;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

}  // namespace

HRESULT initD3D(HWND window, BOOL windowed, D3DDEVTYPE deviceType) {
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        MessageBoxA(nullptr, "Direct3DCreat9() - FAILED", nullptr, MB_OK);
        return E_FAIL;
    }

    D3DCAPS9 caps;
    std::memset(&caps, 0, sizeof(caps));
    direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, deviceType, &caps);
    const DWORD vertexProcessing = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0
                                       ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                       : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

    D3DPRESENT_PARAMETERS parameters;
    fillPresentParameters(parameters, windowed);

    const HRESULT created =
        direct3D->CreateDevice(D3DADAPTER_DEFAULT, deviceType, window, vertexProcessing, &parameters, &device);
    if (FAILED(created)) {
        direct3D->Release();
        direct3D = nullptr;
        device = nullptr;
        MessageBoxA(nullptr, "CreateDevice() - FAILED", nullptr, MB_OK);
        return created;
    }
    appContext->d3dDevice = device;

    // The help font: 18 pixels (cell height), bold, "Arial". Without it the program still runs;
    // the frame then leaves the help text out.
    if (FAILED(D3DXCreateFontA(device, 18, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &helpFont))) {
        MessageBoxA(nullptr, "CreateFont() - FAILED", nullptr, MB_OK);
    }

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

    appContext->SetupMaterial(D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
    appContext->SetupLight(lightPosition, D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    appContext->SetupMatrices();
    return 1;
}
