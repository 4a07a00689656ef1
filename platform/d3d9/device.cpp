// The device's life, its queries, and the slots of the interface this device does not offer
// (swap chains beyond the first, shaders, patches, palettes, gamma, cursors): those answer with a
// refusal or a harmless fixed value so a caller probing for them learns they are absent.
#include "platform/d3d9/device.h"

#include <new>

#include "platform/d3d9/direct3d.h"
#include "platform/d3d9/refusal.h"

namespace platform::d3d9 {

Device* Device::create(IDirect3D9* root, const DeviceSetup& setup) {
    auto* device = new (std::nothrow) Device();
    if (device != nullptr && !device->init(root, setup)) {
        device->Release();
        return nullptr;
    }
    return device;
}

bool Device::init(IDirect3D9* root, const DeviceSetup& setup) {
    m_root = ComPtr<IDirect3D9>::share(root);
    m_setup = setup;
    const D3DPRESENT_PARAMETERS& p = setup.params;
    m_window = p.hDeviceWindow != nullptr ? p.hDeviceWindow : setup.focusWindow;
    const bool lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    m_backBuffer = ComPtr<Surface>::adopt(
        Surface::createStandalone(this, SurfaceDesc{p.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                                                    p.BackBufferWidth, p.BackBufferHeight, lockable}));
    if (!m_backBuffer) {
        return false;
    }
    m_renderTarget = m_backBuffer;
    const bool autoDepth = p.EnableAutoDepthStencil != FALSE;
    if (autoDepth) {
        m_autoDepth = ComPtr<Surface>::adopt(Surface::createStandalone(
            this, SurfaceDesc{p.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, p.BackBufferWidth,
                              p.BackBufferHeight, false}));
        if (!m_autoDepth) {
            return false;
        }
        m_depthStencil = m_autoDepth;
    }
    m_state = defaultStateSet(p.BackBufferWidth, p.BackBufferHeight, autoDepth);
    m_softwareVertexProcessing = (setup.behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0 ? TRUE : FALSE;
    return true;
}

Device::~Device() {
    finishDrawing();  // held draws write to the targets released below
    // Bound objects first: releasing them may destroy children, which then leave the list.
    m_state = StateSet{};
    m_recordValues = StateSet{};
    m_renderTarget.reset();
    m_depthStencil.reset();
    m_backBuffer.reset();
    m_autoDepth.reset();
    for (DeviceChild* child : m_children) {
        child->orphan();
    }
    m_children.clear();
}

HRESULT Device::TestCooperativeLevel() {
    m_log.add("TestCooperativeLevel()");
    return D3D_OK;  // the device is never lost
}

UINT Device::GetAvailableTextureMem() { return 512u * 1024u * 1024u; }

HRESULT Device::EvictManagedResources() { return D3D_OK; }

HRESULT Device::GetDirect3D(IDirect3D9** ppD3D9) {
    REFUSE_IF(ppD3D9 == nullptr, D3DERR_INVALIDCALL, "no output");
    m_root->AddRef();
    *ppD3D9 = m_root.get();
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps) {
    REFUSE_IF(pCaps == nullptr, D3DERR_INVALIDCALL, "no output");
    *pCaps = m_setup.caps;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) {
    REFUSE_IF(iSwapChain != 0, D3DERR_INVALIDCALL, "swap chain %u", iSwapChain);
    REFUSE_IF(pMode == nullptr, D3DERR_INVALIDCALL, "no output");
    *pMode = currentDisplayMode();
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    REFUSE_IF(pParameters == nullptr, D3DERR_INVALIDCALL, "no output");
    *pParameters =
        D3DDEVICE_CREATION_PARAMETERS{m_setup.adapter, m_setup.deviceType, m_setup.focusWindow, m_setup.behaviorFlags};
    return D3D_OK;
}

HRESULT Device::SetCursorProperties(UINT, UINT, IDirect3DSurface9*) {
    noteRefusal(__func__, "hardware cursors are not supported");
    return D3DERR_INVALIDCALL;
}

void Device::SetCursorPosition(INT, INT, DWORD) {}

BOOL Device::ShowCursor(BOOL) { return FALSE; }

HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**) {
    noteRefusal(__func__, "one swap chain only");
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::GetSwapChain(UINT, IDirect3DSwapChain9**) {
    noteRefusal(__func__, "swap chain objects are not offered");
    return D3DERR_INVALIDCALL;
}

UINT Device::GetNumberOfSwapChains() { return 1; }

HRESULT Device::Reset(D3DPRESENT_PARAMETERS*) {
    // The device is never lost, so it never needs resetting; the back buffer keeps its size.
    noteRefusal(__func__, "reset is not supported");
    return D3DERR_INVALIDCALL;
}

HRESULT Device::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) {
    REFUSE_IF(iSwapChain != 0 || pRasterStatus == nullptr, D3DERR_INVALIDCALL, "swap chain or output");
    *pRasterStatus = D3DRASTER_STATUS{TRUE, 0};
    return D3D_OK;
}

HRESULT Device::SetDialogBoxMode(BOOL) { return D3D_OK; }

void Device::SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) {}

void Device::GetGammaRamp(UINT, D3DGAMMARAMP* pRamp) {
    if (pRamp == nullptr) {
        return;
    }
    for (int i = 0; i < 256; ++i) {
        pRamp->red[i] = pRamp->green[i] = pRamp->blue[i] = static_cast<WORD>(i * 257);
    }
}

HRESULT Device::SetClipStatus(const D3DCLIPSTATUS9* pClipStatus) {
    REFUSE_IF(pClipStatus == nullptr, D3DERR_INVALIDCALL, "no clip status");
    m_clipStatus = *pClipStatus;
    return D3D_OK;
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS9* pClipStatus) {
    REFUSE_IF(pClipStatus == nullptr, D3DERR_INVALIDCALL, "no output");
    *pClipStatus = m_clipStatus;
    return D3D_OK;
}

// Palettes: no palettised format can be sampled, so palettes have nothing to act on.
HRESULT Device::SetPaletteEntries(UINT, const PALETTEENTRY*) {
    noteRefusal(__func__, "palettised textures are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::GetPaletteEntries(UINT, PALETTEENTRY*) {
    noteRefusal(__func__, "palettised textures are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::SetCurrentTexturePalette(UINT) {
    noteRefusal(__func__, "palettised textures are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::GetCurrentTexturePalette(UINT* PaletteNumber) {
    REFUSE_IF(PaletteNumber == nullptr, D3DERR_INVALIDCALL, "no output");
    *PaletteNumber = m_currentPalette;
    return D3D_OK;
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL bSoftware) {
    REFUSE_IF((m_setup.behaviorFlags & D3DCREATE_MIXED_VERTEXPROCESSING) == 0, D3DERR_INVALIDCALL,
              "only a mixed vertex processing device can switch");
    m_softwareVertexProcessing = bSoftware != FALSE ? TRUE : FALSE;
    return D3D_OK;
}

BOOL Device::GetSoftwareVertexProcessing() { return m_softwareVertexProcessing; }

HRESULT Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*, DWORD) {
    noteRefusal(__func__, "vertex processing into buffers is not supported");
    return D3DERR_INVALIDCALL;
}

// Shaders: the device is fixed-function only (shader versions 0.0 in the capabilities).
HRESULT Device::CreateVertexShader(const DWORD*, IDirect3DVertexShader9**) {
    noteRefusal(__func__, "shaders are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::CreatePixelShader(const DWORD*, IDirect3DPixelShader9**) {
    noteRefusal(__func__, "shaders are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::GetVertexShader(IDirect3DVertexShader9** ppShader) {
    REFUSE_IF(ppShader == nullptr, D3DERR_INVALIDCALL, "no output");
    *ppShader = nullptr;
    return D3D_OK;
}
HRESULT Device::GetPixelShader(IDirect3DPixelShader9** ppShader) {
    REFUSE_IF(ppShader == nullptr, D3DERR_INVALIDCALL, "no output");
    *ppShader = nullptr;
    return D3D_OK;
}

namespace {

HRESULT noShaderConstants(const char* call) {
    noteRefusal(call, "shaders are not supported");
    return D3DERR_INVALIDCALL;
}

}  // namespace

HRESULT Device::SetVertexShaderConstantF(UINT, const float*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetVertexShaderConstantF(UINT, float*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::SetVertexShaderConstantI(UINT, const INT*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetVertexShaderConstantI(UINT, INT*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::SetVertexShaderConstantB(UINT, const BOOL*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetVertexShaderConstantB(UINT, BOOL*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::SetPixelShaderConstantF(UINT, const float*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetPixelShaderConstantF(UINT, float*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::SetPixelShaderConstantI(UINT, const INT*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetPixelShaderConstantI(UINT, INT*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::SetPixelShaderConstantB(UINT, const BOOL*, UINT) { return noShaderConstants(__func__); }
HRESULT Device::GetPixelShaderConstantB(UINT, BOOL*, UINT) { return noShaderConstants(__func__); }

HRESULT Device::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) {
    noteRefusal(__func__, "patches are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) {
    noteRefusal(__func__, "patches are not supported");
    return D3DERR_INVALIDCALL;
}
HRESULT Device::DeletePatch(UINT) {
    noteRefusal(__func__, "patches are not supported");
    return D3DERR_INVALIDCALL;
}

}  // namespace platform::d3d9
