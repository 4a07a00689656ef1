// Creation of the device's objects. Every creation checks its arguments against what the device
// supports (the same answers CheckDeviceFormat gives) and either writes one new object with one
// reference to the output, or refuses and writes nothing.
#include <new>

#include "platform/d3d9/caps.h"
#include "platform/d3d9/device.h"
#include "platform/d3d9/formats.h"
#include "platform/d3d9/query.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/vertex_layout.h"

namespace platform::d3d9 {
namespace {

constexpr UINT kMaxBufferBytes = 1u << 28;
constexpr UINT kMaxSurfaceSize = 8192;
constexpr DWORD kTextureUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                                 D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_SOFTWAREPROCESSING;
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC;

// The format a resource may have in its pool: scratch resources may have any format whose layout is
// known, the others only what the device can use.
bool formatAllowed(D3DFORMAT format, DWORD usage, D3DPOOL pool) {
    if (pool == D3DPOOL_SCRATCH) {
        return formatLayout(format).has_value();
    }
    return SUCCEEDED(checkDeviceFormat(D3DFMT_X8R8G8B8, usage, D3DRTYPE_TEXTURE, format));
}

HRESULT checkBuffer(UINT length, DWORD usage, D3DPOOL pool, HANDLE* shared) {
    REFUSE_IF(shared != nullptr, D3DERR_INVALIDCALL, "shared resources are not supported");
    REFUSE_IF(length == 0, D3DERR_INVALIDCALL, "a buffer of 0 bytes");
    REFUSE_IF(length > kMaxBufferBytes, E_OUTOFMEMORY, "a buffer of %u bytes", length);
    REFUSE_IF((usage & ~kBufferUsages) != 0, D3DERR_INVALIDCALL, "usage 0x%x not valid for a buffer", usage);
    REFUSE_IF(pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM, D3DERR_INVALIDCALL,
              "pool %u not valid for a buffer", static_cast<unsigned>(pool));
    REFUSE_IF(pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC) != 0, D3DERR_INVALIDCALL,
              "a dynamic buffer cannot be managed");
    return D3D_OK;
}

}  // namespace

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) {
    m_log.add("CreateTexture(%u, %u, %u, 0x%x, %u, %u)", Width, Height, Levels, Usage, static_cast<unsigned>(Format),
              static_cast<unsigned>(Pool));
    REFUSE_IF(ppTexture == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(pSharedHandle != nullptr, D3DERR_INVALIDCALL, "shared resources are not supported");
    REFUSE_IF(Width == 0 || Height == 0 || Width > kMaxTextureSize || Height > kMaxTextureSize, D3DERR_INVALIDCALL,
              "size %ux%u", Width, Height);
    REFUSE_IF(Pool > D3DPOOL_SCRATCH, D3DERR_INVALIDCALL, "pool %u", static_cast<unsigned>(Pool));
    REFUSE_IF((Usage & ~kTextureUsages) != 0, D3DERR_INVALIDCALL, "usage 0x%x not valid for a texture", Usage);
    REFUSE_IF((Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0 && Pool != D3DPOOL_DEFAULT,
              D3DERR_INVALIDCALL, "render targets and depth buffers live in the default pool");
    REFUSE_IF((Usage & D3DUSAGE_DYNAMIC) != 0 && Pool == D3DPOOL_MANAGED, D3DERR_INVALIDCALL,
              "a dynamic texture cannot be managed");
    REFUSE_IF(Pool == D3DPOOL_SCRATCH && (Usage & ~D3DUSAGE_DYNAMIC) != 0, D3DERR_INVALIDCALL,
              "scratch textures take no usage");
    REFUSE_IF(!formatAllowed(Format, Usage, Pool), D3DERR_INVALIDCALL, "format %u not supported for usage 0x%x",
              static_cast<unsigned>(Format), Usage);
    const UINT full = fullChainLength(Width, Height);
    REFUSE_IF(Levels > full, D3DERR_INVALIDCALL, "%u levels, a %ux%u chain has %u", Levels, Width, Height, full);
    REFUSE_IF((Usage & D3DUSAGE_AUTOGENMIPMAP) != 0 && Levels > 1, D3DERR_INVALIDCALL,
              "automatic mip-maps need 0 or 1 levels");
    UINT levels = Levels == 0 ? full : Levels;
    if ((Usage & D3DUSAGE_AUTOGENMIPMAP) != 0) {
        levels = 1;
    }
    Texture* texture = Texture::create(this, Width, Height, levels, Usage, Format, Pool);
    REFUSE_IF(texture == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture9**,
                                    HANDLE*) {
    noteRefusal(__func__, "volume textures are not supported");
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**, HANDLE*) {
    noteRefusal(__func__, "cube textures are not supported");
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) {
    m_log.add("CreateVertexBuffer(%u, 0x%x, 0x%x, %u)", Length, Usage, FVF, static_cast<unsigned>(Pool));
    REFUSE_IF(ppVertexBuffer == nullptr, D3DERR_INVALIDCALL, "no output");
    const HRESULT checked = checkBuffer(Length, Usage, Pool, pSharedHandle);
    if (FAILED(checked)) {
        return checked;
    }
    REFUSE_IF(FVF != 0 && !validFvf(FVF), D3DERR_INVALIDCALL, "invalid FVF code 0x%x", FVF);
    REFUSE_IF(FVF != 0 && Length < fvfVertexSize(FVF), D3DERR_INVALIDCALL, "%u bytes cannot hold one vertex of %u",
              Length, fvfVertexSize(FVF));
    VertexBuffer* vb = VertexBuffer::create(this, Length, Usage, FVF, Pool);
    REFUSE_IF(vb == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppVertexBuffer = vb;
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) {
    m_log.add("CreateIndexBuffer(%u, 0x%x, %u, %u)", Length, Usage, static_cast<unsigned>(Format),
              static_cast<unsigned>(Pool));
    REFUSE_IF(ppIndexBuffer == nullptr, D3DERR_INVALIDCALL, "no output");
    const HRESULT checked = checkBuffer(Length, Usage, Pool, pSharedHandle);
    if (FAILED(checked)) {
        return checked;
    }
    REFUSE_IF(Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32, D3DERR_INVALIDCALL, "index format %u",
              static_cast<unsigned>(Format));
    REFUSE_IF(Length < (Format == D3DFMT_INDEX32 ? 4u : 2u), D3DERR_INVALIDCALL, "%u bytes cannot hold an index",
              Length);
    IndexBuffer* ib = IndexBuffer::create(this, Length, Usage, Format, Pool);
    REFUSE_IF(ib == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppIndexBuffer = ib;
    return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                                   HANDLE* pSharedHandle) {
    REFUSE_IF(ppSurface == nullptr || pSharedHandle != nullptr, D3DERR_INVALIDCALL, "output or shared handle");
    REFUSE_IF(Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize, D3DERR_INVALIDCALL,
              "size %ux%u", Width, Height);
    REFUSE_IF(!isRenderTargetFormat(Format), D3DERR_INVALIDCALL, "format %u", static_cast<unsigned>(Format));
    REFUSE_IF(MultiSample != D3DMULTISAMPLE_NONE || MultisampleQuality != 0, D3DERR_INVALIDCALL,
              "multisampling is not supported");
    Surface* s = Surface::createStandalone(
        this, SurfaceDesc{Format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, Width, Height, Lockable != FALSE});
    REFUSE_IF(s == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                          DWORD MultisampleQuality, BOOL /*Discard*/, IDirect3DSurface9** ppSurface,
                                          HANDLE* pSharedHandle) {
    REFUSE_IF(ppSurface == nullptr || pSharedHandle != nullptr, D3DERR_INVALIDCALL, "output or shared handle");
    REFUSE_IF(Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize, D3DERR_INVALIDCALL,
              "size %ux%u", Width, Height);
    REFUSE_IF(!isDepthFormat(Format), D3DERR_INVALIDCALL, "format %u", static_cast<unsigned>(Format));
    REFUSE_IF(MultiSample != D3DMULTISAMPLE_NONE || MultisampleQuality != 0, D3DERR_INVALIDCALL,
              "multisampling is not supported");
    Surface* s = Surface::createStandalone(
        this, SurfaceDesc{Format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, Width, Height, false});
    REFUSE_IF(s == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) {
    REFUSE_IF(ppSurface == nullptr || pSharedHandle != nullptr, D3DERR_INVALIDCALL, "output or shared handle");
    REFUSE_IF(Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize, D3DERR_INVALIDCALL,
              "size %ux%u", Width, Height);
    REFUSE_IF(Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_SYSTEMMEM && Pool != D3DPOOL_SCRATCH, D3DERR_INVALIDCALL,
              "pool %u", static_cast<unsigned>(Pool));
    const bool formatOk = Pool == D3DPOOL_SCRATCH ? formatLayout(Format).has_value()
                                                  : isTextureFormat(Format) || isRenderTargetFormat(Format);
    REFUSE_IF(!formatOk, D3DERR_INVALIDCALL, "format %u", static_cast<unsigned>(Format));
    Surface* s = Surface::createStandalone(this, SurfaceDesc{Format, 0, Pool, Width, Height, true});
    REFUSE_IF(s == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                        IDirect3DVertexDeclaration9** ppDecl) {
    m_log.add("CreateVertexDeclaration()");
    REFUSE_IF(ppDecl == nullptr, D3DERR_INVALIDCALL, "no output");
    VertexDeclaration* decl = nullptr;
    const HRESULT hr = VertexDeclaration::create(this, pVertexElements, &decl);
    if (SUCCEEDED(hr)) {
        *ppDecl = decl;
    }
    return hr;
}

HRESULT Device::CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) {
    m_log.add("CreateQuery(%u)", static_cast<unsigned>(Type));
    REFUSE_IF(!supportedQuery(Type), D3DERR_NOTAVAILABLE, "query type %u", static_cast<unsigned>(Type));
    if (ppQuery == nullptr) {
        return D3D_OK;  // the caller only asks whether the type is supported
    }
    Query* q = Query::create(this, Type);
    REFUSE_IF(q == nullptr, E_OUTOFMEMORY, "out of memory");
    *ppQuery = q;
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
    m_log.add("SetRenderTarget(%u)", RenderTargetIndex);
    REFUSE_IF(RenderTargetIndex != 0, D3DERR_INVALIDCALL, "one render target only");
    auto* s = pRenderTarget != nullptr ? dynamic_cast<Surface*>(pRenderTarget) : nullptr;
    REFUSE_IF(s == nullptr || s->device() != this, D3DERR_INVALIDCALL, "not a surface of this device");
    REFUSE_IF((s->desc().usage & D3DUSAGE_RENDERTARGET) == 0 || !isRenderTargetFormat(s->desc().format),
              D3DERR_INVALIDCALL, "not a render target");
    finishDrawing();  // held draws write to the old target, which may now be released
    m_renderTarget = ComPtr<Surface>::share(s);
    // A new target resets the viewport and the scissor rectangle to the whole target.
    m_state.viewport = D3DVIEWPORT9{0, 0, s->desc().width, s->desc().height, 0.0f, 1.0f};
    m_state.scissor = RECT{0, 0, static_cast<LONG>(s->desc().width), static_cast<LONG>(s->desc().height)};
    m_dirty |= kDirtyViewport;
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
    REFUSE_IF(ppRenderTarget == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(RenderTargetIndex != 0, D3DERR_INVALIDCALL, "one render target only");
    m_renderTarget->AddRef();
    *ppRenderTarget = m_renderTarget.get();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) {
    m_log.add("SetDepthStencilSurface(%s)", pNewZStencil != nullptr ? "surface" : "null");
    auto* s = pNewZStencil != nullptr ? dynamic_cast<Surface*>(pNewZStencil) : nullptr;
    REFUSE_IF(pNewZStencil != nullptr && (s == nullptr || s->device() != this), D3DERR_INVALIDCALL,
              "not a surface of this device");
    REFUSE_IF(s != nullptr && (s->desc().usage & D3DUSAGE_DEPTHSTENCIL) == 0, D3DERR_INVALIDCALL, "not a depth buffer");
    finishDrawing();
    m_depthStencil = ComPtr<Surface>::share(s);
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
    REFUSE_IF(ppZStencilSurface == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(!m_depthStencil, D3DERR_NOTFOUND, "no depth buffer");
    m_depthStencil->AddRef();
    *ppZStencilSurface = m_depthStencil.get();
    return D3D_OK;
}

}  // namespace platform::d3d9
