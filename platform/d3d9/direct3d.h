// The root object: one adapter, the HAL device type, the display mode of the window layer, and
// device creation.
//
// The adapter's display format is always X8R8G8B8, the one format the back buffer can have. The
// display mode's size is the window layer's current mode (its headless display by default).
// CreateDevice resolves the presentation parameters the way the runtime does and writes them
// back: a windowed back buffer of size 0 takes the window's client size, D3DFMT_UNKNOWN takes the
// display format, a back buffer count of 0 becomes 1.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/win32/com_object.h"

namespace platform::d3d9 {

class Direct3D final : public ComObject<Direct3D, IDirect3D9> {
public:
    static Direct3D* create();

    HRESULT RegisterSoftwareDevice(void* initializeFunction) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
    HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                            BOOL bWindowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat,
                                        D3DFORMAT TargetFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice9** ppReturnedDeviceInterface) override;

private:
    Direct3D() = default;
};

// The current display mode as the window layer reports it (X8R8G8B8).
D3DDISPLAYMODE currentDisplayMode();

}  // namespace platform::d3d9
