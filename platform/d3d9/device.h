// The software Direct3D 9 device.
//
// It keeps the state the runtime defines (state_set.h), the objects it created, the back buffer and
// the depth buffer, and on each draw hands the state it has gathered to the rasteriser
// (device_draw.cpp). Every entry point has one shape: refuse a caller's mistake with a status and
// change nothing; write the call into the call log; record into the state block being recorded,
// or store and mark the state dirty.
//
// Ownership: the device holds a reference to its root object, to the back buffer, the depth
// buffer and the render target, and to every object bound to it (textures, streams, indices,
// declaration). Objects it created do not hold the device (see device_child.h); when the device
// goes it releases what is bound and orphans what is left.
//
// Implementation files: device.cpp (life, queries, what the device does not offer),
// device_state.cpp (state calls), device_state_blocks.cpp, device_resources.cpp (creation),
// device_copies.cpp (copies between images), device_draw.cpp with pipeline_build.cpp,
// device_present.cpp (scene, clear, present).
#pragma once

#include <cstdint>
#include <unordered_set>

#include "platform/d3d9/call_log.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/state_set.h"
#include "platform/d3d9/surface.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace platform::d3d9 {

class StateBlock;
class Direct3D;

// Groups of state the pipeline is rebuilt from when they change.
enum DirtyGroup : uint32_t {
    kDirtyTransforms = 1u << 0,
    kDirtyLighting = 1u << 1,
    kDirtyRenderStates = 1u << 2,
    kDirtyStages = 1u << 3,
    kDirtyInput = 1u << 4,
    kDirtyViewport = 1u << 5,
    kDirtyAll = 0xFFFFFFFFu,
};

struct DeviceSetup {
    UINT adapter = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    HWND focusWindow = nullptr;
    DWORD behaviorFlags = 0;
    D3DPRESENT_PARAMETERS params{};  // resolved: sizes, formats and counts filled in
    D3DCAPS9 caps{};
};

class Device final : public ComObject<Device, IDirect3DDevice9> {
public:
    // Null when the back buffer or depth buffer cannot be had.
    static Device* create(IDirect3D9* root, const DeviceSetup& setup);

    // ---- IDirect3DDevice9, in slot order ----
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT EvictManagedResources() override;
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9* pCursorBitmap) override;
    void SetCursorPosition(INT X, INT Y, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                      IDirect3DSwapChain9** pSwapChain) override;
    HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) override;
    UINT GetNumberOfSwapChains() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT SetDialogBoxMode(BOOL bEnableDialogs) override;
    void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture,
                                HANDLE* pSharedHandle) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                          IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                        const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS9* pClipStatus) override;
    HRESULT GetClipStatus(D3DCLIPSTATUS9* pClipStatus) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) override;
    HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override;
    HRESULT SetCurrentTexturePalette(UINT PaletteNumber) override;
    HRESULT GetCurrentTexturePalette(UINT* PaletteNumber) override;
    HRESULT SetScissorRect(const RECT* pRect) override;
    HRESULT GetScissorRect(RECT* pRect) override;
    HRESULT SetSoftwareVertexProcessing(BOOL bSoftware) override;
    BOOL GetSoftwareVertexProcessing() override;
    HRESULT SetNPatchMode(float nSegments) override;
    float GetNPatchMode() override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT startIndex, UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount, IDirect3DVertexBuffer9* pDestBuffer,
                            IDirect3DVertexDeclaration9* pVertexDecl, DWORD Flags) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetVertexShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) override;
    HRESULT GetVertexShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) override;
    HRESULT SetVertexShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override;
    HRESULT GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                            UINT* pStride) override;
    HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override;
    HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantI(UINT StartRegister, const INT* pConstantData, UINT Vector4iCount) override;
    HRESULT GetPixelShaderConstantI(UINT StartRegister, INT* pConstantData, UINT Vector4iCount) override;
    HRESULT SetPixelShaderConstantB(UINT StartRegister, const BOOL* pConstantData, UINT BoolCount) override;
    HRESULT GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData, UINT BoolCount) override;
    HRESULT DrawRectPatch(UINT Handle, const float* pNumSegs, const D3DRECTPATCH_INFO* pRectPatchInfo) override;
    HRESULT DrawTriPatch(UINT Handle, const float* pNumSegs, const D3DTRIPATCH_INFO* pTriPatchInfo) override;
    HRESULT DeletePatch(UINT Handle) override;
    HRESULT CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override;

    // ---- for the device's own objects and tests ----
    CallLog& callLog() { return m_log; }
    const StateSet& state() const { return m_state; }
    bool recordingStateBlock() const { return m_recording; }
    bool inScene() const { return m_inScene; }
    // Copies the masked parts of a state block into the device, as the block's Apply does.
    void applyState(const StateSet& values, const StateMask& mask);
    void adoptChild(DeviceChild* child) { m_children.insert(child); }
    void forgetChild(DeviceChild* child) { m_children.erase(child); }
    Surface* backBuffer() const { return m_backBuffer.get(); }
    // Small draws are held back and drawn several at once (raster::DrawQueue), and a depth
    // clear waits until the depth buffer is used; this draws what is held and carries out the
    // clear. Everything that reads or writes surface memory other than by drawing calls it
    // first: locks, copies, a change of targets, the device's end.
    void finishDrawing() { m_queue.settle(); }
    // The end of a scene and Present: what is held is drawn (the back buffer must be complete),
    // while a depth clear may stay pending, as nothing outside the queue reads the depth buffer
    // until a lock or copy settles it.
    void finishScene() { m_queue.finish(); }

private:
    Device() = default;
    ~Device() override;
    friend class ComObject<Device, IDirect3DDevice9>;

    bool init(IDirect3D9* root, const DeviceSetup& setup);

    // Where a state call writes: the block being recorded, or the device.
    StateSet& target() { return m_recording ? m_recordValues : m_state; }
    StateMask* recordMask() { return m_recording ? &m_recordMask : nullptr; }
    void touched(uint32_t groups) {
        if (!m_recording) {
            m_dirty |= groups;
        }
    }

    // Draw helpers (device_draw.cpp).
    HRESULT checkDrawState(const char* call, UINT primitiveCount) const;
    HRESULT drawWith(raster::DrawCall& call);
    HRESULT prepareCallerDataDraw(const char* call, UINT primitiveCount, UINT stride);
    raster::Targets targets() const;

    ComPtr<IDirect3D9> m_root;
    DeviceSetup m_setup;
    HWND m_window = nullptr;  // where Present shows the back buffer
    ComPtr<Surface> m_backBuffer;
    ComPtr<Surface> m_autoDepth;
    ComPtr<Surface> m_renderTarget;
    ComPtr<Surface> m_depthStencil;

    StateSet m_state;
    bool m_recording = false;  // between BeginStateBlock and EndStateBlock
    StateSet m_recordValues;
    StateMask m_recordMask;
    bool m_inScene = false;
    BOOL m_softwareVertexProcessing = FALSE;
    D3DCLIPSTATUS9 m_clipStatus{};
    UINT m_currentPalette = 0xFFFF;

    raster::PipelineState m_pipeline;
    raster::DrawQueue m_queue;
    uint32_t m_dirty = kDirtyAll;

    std::unordered_set<DeviceChild*> m_children;
    CallLog m_log;
};

}  // namespace platform::d3d9
