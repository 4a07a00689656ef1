// A device that passes every call on to a real one. Tests derive from it and replace the calls
// whose answers they need to control (a failing buffer creation, smaller capabilities), so the
// mesh code meets those answers exactly as it would from a device.
//
// Reference counting is passed on as well: the wrapper lives as long as the test keeps it, and
// the counts the mesh adds and drops land on the real device, where tests can read them.
#pragma once

#include "platform/d3d9/d3d9.h"

namespace mesh_test {

class ForwardingDevice : public IDirect3DDevice9 {
public:
    explicit ForwardingDevice(IDirect3DDevice9* inner) : m_inner(inner) {}
    virtual ~ForwardingDevice() = default;

    HRESULT QueryInterface(REFIID iid, void** object) override { return m_inner->QueryInterface(iid, object); }
    ULONG AddRef() override { return m_inner->AddRef(); }
    ULONG Release() override { return m_inner->Release(); }
    HRESULT TestCooperativeLevel() override { return m_inner->TestCooperativeLevel(); }
    UINT GetAvailableTextureMem() override { return m_inner->GetAvailableTextureMem(); }
    HRESULT EvictManagedResources() override { return m_inner->EvictManagedResources(); }
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override { return m_inner->GetDirect3D(ppD3D9); }
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override { return m_inner->GetDeviceCaps(pCaps); }
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override { return m_inner->GetDisplayMode(iSwapChain, pMode); }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override { return m_inner->GetCreationParameters(pParameters); }
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9* pCursorBitmap) override { return m_inner->SetCursorProperties(XHotSpot, YHotSpot, pCursorBitmap); }
    void SetCursorPosition(INT X, INT Y, DWORD Flags) override { m_inner->SetCursorPosition(X, Y, Flags); }
    BOOL ShowCursor(BOOL bShow) override { return m_inner->ShowCursor(bShow); }
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters, IDirect3DSwapChain9** pSwapChain) override { return m_inner->CreateAdditionalSwapChain(pPresentationParameters, pSwapChain); }
    HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) override { return m_inner->GetSwapChain(iSwapChain, pSwapChain); }
    UINT GetNumberOfSwapChains() override { return m_inner->GetNumberOfSwapChains(); }
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override { return m_inner->Reset(pPresentationParameters); }
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride, const RGNDATA* pDirtyRegion) override { return m_inner->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion); }
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface9** ppBackBuffer) override { return m_inner->GetBackBuffer(iSwapChain, iBackBuffer, Type, ppBackBuffer); }
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override { return m_inner->GetRasterStatus(iSwapChain, pRasterStatus); }
    HRESULT SetDialogBoxMode(BOOL bEnableDialogs) override { return m_inner->SetDialogBoxMode(bEnableDialogs); }
    void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) override { m_inner->SetGammaRamp(iSwapChain, Flags, pRamp); }
    void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override { m_inner->GetGammaRamp(iSwapChain, pRamp); }
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override { return m_inner->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture, pSharedHandle); }
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE* pSharedHandle) override { return m_inner->CreateVolumeTexture(Width, Height, Depth, Levels, Usage, Format, Pool, ppVolumeTexture, pSharedHandle); }
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle) override { return m_inner->CreateCubeTexture(EdgeLength, Levels, Usage, Format, Pool, ppCubeTexture, pSharedHandle); }
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool, IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override { return m_inner->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer, pSharedHandle); }
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override { return m_inner->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer, pSharedHandle); }
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override { return m_inner->CreateRenderTarget(Width, Height, Format, MultiSample, MultisampleQuality, Lockable, ppSurface, pSharedHandle); }
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override { return m_inner->CreateDepthStencilSurface(Width, Height, Format, MultiSample, MultisampleQuality, Discard, ppSurface, pSharedHandle); }
    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) override { return m_inner->UpdateSurface(pSourceSurface, pSourceRect, pDestinationSurface, pDestPoint); }
    HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) override { return m_inner->UpdateTexture(pSourceTexture, pDestinationTexture); }
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override { return m_inner->GetRenderTargetData(pRenderTarget, pDestSurface); }
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override { return m_inner->GetFrontBufferData(iSwapChain, pDestSurface); }
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface, const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override { return m_inner->StretchRect(pSourceSurface, pSourceRect, pDestSurface, pDestRect, Filter); }
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override { return m_inner->ColorFill(pSurface, pRect, color); }
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool, IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override { return m_inner->CreateOffscreenPlainSurface(Width, Height, Format, Pool, ppSurface, pSharedHandle); }
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override { return m_inner->SetRenderTarget(RenderTargetIndex, pRenderTarget); }
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override { return m_inner->GetRenderTarget(RenderTargetIndex, ppRenderTarget); }
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override { return m_inner->SetDepthStencilSurface(pNewZStencil); }
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override { return m_inner->GetDepthStencilSurface(ppZStencilSurface); }
    HRESULT BeginScene() override { return m_inner->BeginScene(); }
    HRESULT EndScene() override { return m_inner->EndScene(); }
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override { return m_inner->Clear(Count, pRects, Flags, Color, Z, Stencil); }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override { return m_inner->SetTransform(State, pMatrix); }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override { return m_inner->GetTransform(State, pMatrix); }
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override { return m_inner->MultiplyTransform(State, pMatrix); }
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override { return m_inner->SetViewport(pViewport); }
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override { return m_inner->GetViewport(pViewport); }
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override { return m_inner->SetMaterial(pMaterial); }
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override { return m_inner->GetMaterial(pMaterial); }
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override { return m_inner->SetLight(Index, pLight); }
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override { return m_inner->GetLight(Index, pLight); }
    HRESULT LightEnable(DWORD Index, BOOL Enable) override { return m_inner->LightEnable(Index, Enable); }
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override { return m_inner->GetLightEnable(Index, pEnable); }
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override { return m_inner->SetClipPlane(Index, pPlane); }
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override { return m_inner->GetClipPlane(Index, pPlane); }
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override { return m_inner->SetRenderState(State, Value); }
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override { return m_inner->GetRenderState(State, pValue); }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) override { return m_inner->CreateStateBlock(Type, ppSB); }
    HRESULT BeginStateBlock() override { return m_inner->BeginStateBlock(); }
    HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) override { return m_inner->EndStateBlock(ppSB); }
    HRESULT SetClipStatus(const D3DCLIPSTATUS9* pClipStatus) override { return m_inner->SetClipStatus(pClipStatus); }
    HRESULT GetClipStatus(D3DCLIPSTATUS9* pClipStatus) override { return m_inner->GetClipStatus(pClipStatus); }
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override { return m_inner->GetTexture(Stage, ppTexture); }
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override { return m_inner->SetTexture(Stage, pTexture); }
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override { return m_inner->GetTextureStageState(Stage, Type, pValue); }
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override { return m_inner->SetTextureStageState(Stage, Type, Value); }
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override { return m_inner->GetSamplerState(Sampler, Type, pValue); }
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override { return m_inner->SetSamplerState(Sampler, Type, Value); }
    HRESULT ValidateDevice(DWORD* pNumPasses) override { return m_inner->ValidateDevice(pNumPasses); }
    HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) override { return m_inner->SetPaletteEntries(PaletteNumber, pEntries); }
    HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override { return m_inner->GetPaletteEntries(PaletteNumber, pEntries); }
    HRESULT SetCurrentTexturePalette(UINT PaletteNumber) override { return m_inner->SetCurrentTexturePalette(PaletteNumber); }
    HRESULT GetCurrentTexturePalette(UINT* PaletteNumber) override { return m_inner->GetCurrentTexturePalette(PaletteNumber); }
    HRESULT SetScissorRect(const RECT* pRect) override { return m_inner->SetScissorRect(pRect); }
    HRESULT GetScissorRect(RECT* pRect) override { return m_inner->GetScissorRect(pRect); }
    HRESULT SetSoftwareVertexProcessing(BOOL bSoftware) override { return m_inner->SetSoftwareVertexProcessing(bSoftware); }
    BOOL GetSoftwareVertexProcessing() override { return m_inner->GetSoftwareVertexProcessing(); }
    HRESULT SetNPatchMode(float nSegments) override { return m_inner->SetNPatchMode(nSegments); }
    float GetNPatchMode() override { return m_inner->GetNPatchMode(); }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override { return m_inner->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount); }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex, UINT NumVertices, UINT startIndex, UINT primCount) override { return m_inner->DrawIndexedPrimitive(PrimitiveType, BaseVertexIndex, MinVertexIndex, NumVertices, startIndex, primCount); }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override { return m_inner->DrawPrimitiveUP(PrimitiveType, PrimitiveCount, pVertexStreamZeroData, VertexStreamZeroStride); }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices, UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat, const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override { return m_inner->DrawIndexedPrimitiveUP(PrimitiveType, MinVertexIndex, NumVertices, PrimitiveCount, pIndexData, IndexDataFormat, pVertexStreamZeroData, VertexStreamZeroStride); }
    HRESULT ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount, IDirect3DVertexBuffer9* pDestBuffer, IDirect3DVertexDeclaration9* pVertexDecl, DWORD Flags) override { return m_inner->ProcessVertices(SrcStartIndex, DestIndex, VertexCount, pDestBuffer, pVertexDecl, Flags); }
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements, IDirect3DVertexDeclaration9** ppDecl) override { return m_inner->CreateVertexDeclaration(pVertexElements, ppDecl); }
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override { return m_inner->SetVertexDeclaration(pDecl); }
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override { return m_inner->GetVertexDeclaration(ppDecl); }
    HRESULT SetFVF(DWORD FVF) override { return m_inner->SetFVF(FVF); }
    HRESULT GetFVF(DWORD* pFVF) override { return m_inner->GetFVF(pFVF); }
    HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override { return m_inner->CreateVertexShader(pFunction, ppShader); }
    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override { return m_inner->SetVertexShader(pShader); }
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override { return m_inner->GetVertexShader(ppShader); }
    HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override { return m_inner->SetVertexShaderConstantF(StartRegister, pConstantData, Vector4fCount); }
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override { return m_inner->GetVertexShaderConstantF(StartRegister, pConstantData, Vector4fCount); }
    HRESULT SetVertexShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) override { return m_inner->SetVertexShaderConstantI(StartRegister, pConstantData, Vector4iCount); }
    HRESULT GetVertexShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) override { return m_inner->GetVertexShaderConstantI(StartRegister, pConstantData, Vector4iCount); }
    HRESULT SetVertexShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override { return m_inner->SetVertexShaderConstantB(StartRegister, pConstantData, BoolCount); }
    HRESULT GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override { return m_inner->GetVertexShaderConstantB(StartRegister, pConstantData, BoolCount); }
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes, UINT Stride) override { return m_inner->SetStreamSource(StreamNumber, pStreamData, OffsetInBytes, Stride); }
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes, UINT* pStride) override { return m_inner->GetStreamSource(StreamNumber, ppStreamData, pOffsetInBytes, pStride); }
    HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override { return m_inner->SetStreamSourceFreq(StreamNumber, Setting); }
    HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override { return m_inner->GetStreamSourceFreq(StreamNumber, pSetting); }
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override { return m_inner->SetIndices(pIndexData); }
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override { return m_inner->GetIndices(ppIndexData); }
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override { return m_inner->CreatePixelShader(pFunction, ppShader); }
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override { return m_inner->SetPixelShader(pShader); }
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override { return m_inner->GetPixelShader(ppShader); }
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override { return m_inner->SetPixelShaderConstantF(StartRegister, pConstantData, Vector4fCount); }
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override { return m_inner->GetPixelShaderConstantF(StartRegister, pConstantData, Vector4fCount); }
    HRESULT SetPixelShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) override { return m_inner->SetPixelShaderConstantI(StartRegister, pConstantData, Vector4iCount); }
    HRESULT GetPixelShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) override { return m_inner->GetPixelShaderConstantI(StartRegister, pConstantData, Vector4iCount); }
    HRESULT SetPixelShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override { return m_inner->SetPixelShaderConstantB(StartRegister, pConstantData, BoolCount); }
    HRESULT GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override { return m_inner->GetPixelShaderConstantB(StartRegister, pConstantData, BoolCount); }
    HRESULT DrawRectPatch(UINT Handle, const float* pNumSegs, const D3DRECTPATCH_INFO* pRectPatchInfo) override { return m_inner->DrawRectPatch(Handle, pNumSegs, pRectPatchInfo); }
    HRESULT DrawTriPatch(UINT Handle, const float* pNumSegs, const D3DTRIPATCH_INFO* pTriPatchInfo) override { return m_inner->DrawTriPatch(Handle, pNumSegs, pTriPatchInfo); }
    HRESULT DeletePatch(UINT Handle) override { return m_inner->DeletePatch(Handle); }
    HRESULT CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override { return m_inner->CreateQuery(Type, ppQuery); }

protected:
    IDirect3DDevice9* m_inner;
};


// The same for the root object, so a test can present another adapter.
class ForwardingDirect3D : public IDirect3D9 {
public:
    explicit ForwardingDirect3D(IDirect3D9* inner) : m_inner(inner) {}
    virtual ~ForwardingDirect3D() = default;

    HRESULT QueryInterface(REFIID iid, void** object) override { return m_inner->QueryInterface(iid, object); }
    ULONG AddRef() override { return m_inner->AddRef(); }
    ULONG Release() override { return m_inner->Release(); }
    HRESULT RegisterSoftwareDevice(void* initializeFunction) override { return m_inner->RegisterSoftwareDevice(initializeFunction); }
    UINT GetAdapterCount() override { return m_inner->GetAdapterCount(); }
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override { return m_inner->GetAdapterIdentifier(Adapter, Flags, pIdentifier); }
    UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override { return m_inner->GetAdapterModeCount(Adapter, Format); }
    HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override { return m_inner->EnumAdapterModes(Adapter, Format, Mode, pMode); }
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override { return m_inner->GetAdapterDisplayMode(Adapter, pMode); }
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat, BOOL bWindowed) override { return m_inner->CheckDeviceType(Adapter, DevType, AdapterFormat, BackBufferFormat, bWindowed); }
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override { return m_inner->CheckDeviceFormat(Adapter, DeviceType, AdapterFormat, Usage, RType, CheckFormat); }
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) override { return m_inner->CheckDeviceMultiSampleType(Adapter, DeviceType, SurfaceFormat, Windowed, MultiSampleType, pQualityLevels); }
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override { return m_inner->CheckDepthStencilMatch(Adapter, DeviceType, AdapterFormat, RenderTargetFormat, DepthStencilFormat); }
    HRESULT CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat, D3DFORMAT TargetFormat) override { return m_inner->CheckDeviceFormatConversion(Adapter, DeviceType, SourceFormat, TargetFormat); }
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override { return m_inner->GetDeviceCaps(Adapter, DeviceType, pCaps); }
    HMONITOR GetAdapterMonitor(UINT Adapter) override { return m_inner->GetAdapterMonitor(Adapter); }
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters, IDirect3DDevice9** ppReturnedDeviceInterface) override { return m_inner->CreateDevice(Adapter, DeviceType, hFocusWindow, BehaviorFlags, pPresentationParameters, ppReturnedDeviceInterface); }

protected:
    IDirect3D9* m_inner;
};

}  // namespace mesh_test
