#include "platform/d3d9/direct3d.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/d3d9/caps.h"
#include "platform/d3d9/controls.h"
#include "platform/d3d9/device.h"
#include "platform/d3d9/formats.h"
#include "platform/d3d9/refusal.h"
#include "platform/kernel/modules.h"
#include "platform/win32/windows.h"

namespace platform::d3d9 {
namespace {

constexpr UINT kMaxBackBufferSize = 8192;
constexpr DWORD kVertexProcessingFlags =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
constexpr DWORD kBehaviorFlags = kVertexProcessingFlags | D3DCREATE_FPU_PRESERVE | D3DCREATE_MULTITHREADED |
                                 D3DCREATE_PUREDEVICE | D3DCREATE_DISABLE_DRIVER_MANAGEMENT;
constexpr DWORD kPresentFlags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER | D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;

// The 32-bit modes of the display, current one last, as the window layer lists them.
std::vector<D3DDISPLAYMODE> displayModes() {
    std::vector<D3DDISPLAYMODE> modes;
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm) != FALSE; ++i) {
        if (dm.dmBitsPerPel == 32) {
            modes.push_back(D3DDISPLAYMODE{dm.dmPelsWidth, dm.dmPelsHeight, dm.dmDisplayFrequency, D3DFMT_X8R8G8B8});
        }
    }
    return modes;
}

bool supportedInterval(UINT interval) {
    return interval == D3DPRESENT_INTERVAL_DEFAULT || interval == D3DPRESENT_INTERVAL_ONE ||
           interval == D3DPRESENT_INTERVAL_IMMEDIATE;
}

// Fills in what the caller left to the runtime; refuses what the device cannot present.
HRESULT resolveParameters(HWND window, D3DPRESENT_PARAMETERS& p) {
    REFUSE_IF(window == nullptr, D3DERR_INVALIDCALL, "no focus window and no device window");
    REFUSE_IF(IsWindow(window) == FALSE, D3DERR_INVALIDCALL, "not a window");
    if (p.Windowed != FALSE && (p.BackBufferWidth == 0 || p.BackBufferHeight == 0)) {
        RECT client{};
        GetClientRect(window, &client);
        if (p.BackBufferWidth == 0) {
            p.BackBufferWidth = static_cast<UINT>(std::max<LONG>(1, client.right - client.left));
        }
        if (p.BackBufferHeight == 0) {
            p.BackBufferHeight = static_cast<UINT>(std::max<LONG>(1, client.bottom - client.top));
        }
    }
    if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed != FALSE) {
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    REFUSE_IF(p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferWidth > kMaxBackBufferSize ||
                  p.BackBufferHeight > kMaxBackBufferSize,
              D3DERR_INVALIDCALL, "back buffer of %ux%u", p.BackBufferWidth, p.BackBufferHeight);
    REFUSE_IF(!isRenderTargetFormat(p.BackBufferFormat), D3DERR_NOTAVAILABLE, "back buffer format %u",
              static_cast<unsigned>(p.BackBufferFormat));
    REFUSE_IF(p.BackBufferCount > 3, D3DERR_INVALIDCALL, "%u back buffers", p.BackBufferCount);
    REFUSE_IF(p.MultiSampleType != D3DMULTISAMPLE_NONE || p.MultiSampleQuality != 0, D3DERR_INVALIDCALL,
              "multisampling is not supported");
    REFUSE_IF(p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY, D3DERR_INVALIDCALL,
              "swap effect %u", static_cast<unsigned>(p.SwapEffect));
    REFUSE_IF(p.SwapEffect == D3DSWAPEFFECT_COPY && p.BackBufferCount > 1, D3DERR_INVALIDCALL,
              "a copying swap chain has one back buffer");
    REFUSE_IF(p.EnableAutoDepthStencil != FALSE && !isDepthFormat(p.AutoDepthStencilFormat), D3DERR_INVALIDCALL,
              "depth format %u", static_cast<unsigned>(p.AutoDepthStencilFormat));
    REFUSE_IF((p.Flags & ~kPresentFlags) != 0, D3DERR_INVALIDCALL, "presentation flags 0x%x", p.Flags);
    REFUSE_IF(!supportedInterval(p.PresentationInterval), D3DERR_INVALIDCALL, "presentation interval 0x%x",
              p.PresentationInterval);
    REFUSE_IF(p.Windowed != FALSE && p.FullScreen_RefreshRateInHz != 0, D3DERR_INVALIDCALL,
              "a refresh rate for a windowed device");
    if (p.BackBufferCount == 0) {
        p.BackBufferCount = 1;
    }
    return D3D_OK;
}

}  // namespace

D3DDISPLAYMODE currentDisplayMode() {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm) == FALSE || dm.dmPelsWidth == 0) {
        return D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    }
    return D3DDISPLAYMODE{dm.dmPelsWidth, dm.dmPelsHeight, dm.dmDisplayFrequency, D3DFMT_X8R8G8B8};
}

Direct3D* Direct3D::create() { return new (std::nothrow) Direct3D(); }

HRESULT Direct3D::RegisterSoftwareDevice(void* /*initializeFunction*/) {
    noteRefusal(__func__, "pluggable software devices are not supported");
    return D3DERR_NOTAVAILABLE;
}

UINT Direct3D::GetAdapterCount() { return 1; }

HRESULT Direct3D::GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF((Flags & ~D3DENUM_WHQL_LEVEL) != 0, D3DERR_INVALIDCALL, "flags 0x%x", Flags);
    REFUSE_IF(pIdentifier == nullptr, D3DERR_INVALIDCALL, "no output");
    D3DADAPTER_IDENTIFIER9 id{};
    std::strcpy(id.Driver, "d3d9soft");
    std::strcpy(id.Description, "Software Direct3D 9 device");
    std::strcpy(id.DeviceName, "\\\\.\\DISPLAY1");
    id.DriverVersion = (LONGLONG{9} << 48) | (LONGLONG{0} << 32) | (LONGLONG{1} << 16) | 1;
    // Vendor and device 0: no driver-specific tuning applies to this device.
    id.DeviceIdentifier = GUID{0x5D3D90FF, 0x0009, 0x4D39, {0x80, 0x00, 0x73, 0x6F, 0x66, 0x74, 0x30, 0xFF}};
    id.WHQLLevel = 0;
    *pIdentifier = id;
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
    if (Adapter != 0 || Format != D3DFMT_X8R8G8B8) {
        return 0;
    }
    return static_cast<UINT>(displayModes().size());
}

HRESULT Direct3D::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
    REFUSE_IF(Adapter != 0 || pMode == nullptr, D3DERR_INVALIDCALL, "adapter %u or no output", Adapter);
    REFUSE_IF(Format != D3DFMT_X8R8G8B8, D3DERR_NOTAVAILABLE, "format %u", static_cast<unsigned>(Format));
    const auto modes = displayModes();
    REFUSE_IF(Mode >= modes.size(), D3DERR_INVALIDCALL, "mode %u of %zu", Mode, modes.size());
    *pMode = modes[Mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    REFUSE_IF(Adapter != 0 || pMode == nullptr, D3DERR_INVALIDCALL, "adapter %u or no output", Adapter);
    *pMode = currentDisplayMode();
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                                  BOOL bWindowed) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DevType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type %u", static_cast<unsigned>(DevType));
    REFUSE_IF(!isDisplayFormat(AdapterFormat), D3DERR_NOTAVAILABLE, "display format %u",
              static_cast<unsigned>(AdapterFormat));
    const bool backBufferOk =
        isRenderTargetFormat(BackBufferFormat) || (BackBufferFormat == D3DFMT_UNKNOWN && bWindowed != FALSE);
    REFUSE_IF(!backBufferOk, D3DERR_NOTAVAILABLE, "back buffer format %u", static_cast<unsigned>(BackBufferFormat));
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                    D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type %u", static_cast<unsigned>(DeviceType));
    return checkDeviceFormat(AdapterFormat, Usage, RType, CheckFormat);
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                             BOOL /*Windowed*/, D3DMULTISAMPLE_TYPE MultiSampleType,
                                             DWORD* pQualityLevels) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type %u", static_cast<unsigned>(DeviceType));
    REFUSE_IF(MultiSampleType != D3DMULTISAMPLE_NONE, D3DERR_NOTAVAILABLE, "multisampling is not supported");
    REFUSE_IF(!isRenderTargetFormat(SurfaceFormat) && !isDepthFormat(SurfaceFormat), D3DERR_NOTAVAILABLE, "format %u",
              static_cast<unsigned>(SurfaceFormat));
    if (pQualityLevels != nullptr) {
        *pQualityLevels = 1;
    }
    return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                         D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat), D3DERR_NOTAVAILABLE,
              "device type or display format");
    REFUSE_IF(!isRenderTargetFormat(RenderTargetFormat) || !isDepthFormat(DepthStencilFormat), D3DERR_NOTAVAILABLE,
              "formats %u and %u", static_cast<unsigned>(RenderTargetFormat),
              static_cast<unsigned>(DepthStencilFormat));
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat,
                                              D3DFORMAT TargetFormat) {
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type");
    // StretchRect copies between the render target formats, which differ in the alpha byte only.
    REFUSE_IF(!isRenderTargetFormat(SourceFormat) || !isRenderTargetFormat(TargetFormat), D3DERR_NOTAVAILABLE,
              "conversion %u to %u", static_cast<unsigned>(SourceFormat), static_cast<unsigned>(TargetFormat));
    return D3D_OK;
}

HRESULT Direct3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
    REFUSE_IF(Adapter != 0 || pCaps == nullptr, D3DERR_INVALIDCALL, "adapter %u or no output", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type %u", static_cast<unsigned>(DeviceType));
    *pCaps = softwareDeviceCaps(!softwareVertexProcessingOnly());
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT Adapter) {
    // One display: a fixed handle that no one dereferences.
    static int monitor;
    return Adapter == 0 ? reinterpret_cast<HMONITOR>(&monitor) : nullptr;
}

HRESULT Direct3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                               D3DPRESENT_PARAMETERS* pPresentationParameters,
                               IDirect3DDevice9** ppReturnedDeviceInterface) {
    REFUSE_IF(ppReturnedDeviceInterface == nullptr || pPresentationParameters == nullptr, D3DERR_INVALIDCALL,
              "no output or no presentation parameters");
    REFUSE_IF(Adapter != 0, D3DERR_INVALIDCALL, "adapter %u", Adapter);
    REFUSE_IF(DeviceType != D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE, "device type %u", static_cast<unsigned>(DeviceType));
    REFUSE_IF(activeFailure() == Failure::CreateDevice, D3DERR_NOTAVAILABLE, "failing as D3D9_FAIL asks");
    REFUSE_IF((BehaviorFlags & ~kBehaviorFlags) != 0, D3DERR_INVALIDCALL, "behaviour flags 0x%x", BehaviorFlags);
    const DWORD vp = BehaviorFlags & kVertexProcessingFlags;
    REFUSE_IF(vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
                  vp != D3DCREATE_MIXED_VERTEXPROCESSING,
              D3DERR_INVALIDCALL, "exactly one vertex processing flag is needed, not 0x%x", vp);
    DeviceSetup setup;
    setup.caps = softwareDeviceCaps(!softwareVertexProcessingOnly());
    REFUSE_IF(vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && (setup.caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) == 0,
              D3DERR_INVALIDCALL, "hardware vertex processing without hardware transform and lighting");
    REFUSE_IF((BehaviorFlags & D3DCREATE_PUREDEVICE) != 0 && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING,
              D3DERR_INVALIDCALL, "a pure device needs hardware vertex processing");

    D3DPRESENT_PARAMETERS params = *pPresentationParameters;
    HWND window = params.hDeviceWindow != nullptr ? params.hDeviceWindow : hFocusWindow;
    const HRESULT resolved = resolveParameters(window, params);
    if (FAILED(resolved)) {
        return resolved;
    }
    setup.adapter = Adapter;
    setup.deviceType = DeviceType;
    setup.focusWindow = hFocusWindow;
    setup.behaviorFlags = BehaviorFlags;
    setup.params = params;
    Device* device = Device::create(this, setup);
    REFUSE_IF(device == nullptr, E_OUTOFMEMORY, "no memory for the back buffer");
    *pPresentationParameters = params;
    *ppReturnedDeviceInterface = device;
    return D3D_OK;
}

}  // namespace platform::d3d9

namespace platform::d3d9 {
namespace {
bool g_notesMuted = false;
}  // namespace

bool refusalNotesMuted() { return g_notesMuted; }

}  // namespace platform::d3d9

// The runtime's mute switch, looked up by name through the module table ("d3d9.dll" counts as
// loaded, since every program of ours links the device). It sits beside Direct3DCreate9 so the
// registration is linked whenever the device is.
void DebugSetMute(BOOL mute) { platform::d3d9::g_notesMuted = mute != FALSE; }

namespace {
const platform::kernel::ModuleRegistration kD3d9Module{
    "d3d9.dll", platform::kernel::ModuleLoading::AtStart,
    {{"DebugSetMute", platform::kernel::exportAddress(&DebugSetMute)}}};
}  // namespace

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
    using namespace platform::d3d9;
    if (SDKVersion != D3D_SDK_VERSION) {
        noteRefusal(__func__, "SDK version %u, only %u is known", SDKVersion, D3D_SDK_VERSION);
        return nullptr;
    }
    if (activeFailure() == Failure::CreateRoot) {
        noteRefusal(__func__, "failing as D3D9_FAIL asks");
        return nullptr;
    }
    return Direct3D::create();
}
