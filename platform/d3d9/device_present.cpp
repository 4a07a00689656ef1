// The frame: BeginScene and EndScene bracket drawing, Clear fills the render target and the depth
// buffer inside the viewport, and Present hands the back buffer to the window layer, which shows
// it stretched to the client area (or keeps it, headless).
#include "platform/d3d9/device.h"
#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/refusal.h"
#include "platform/win32/present.h"

namespace platform::d3d9 {

HRESULT Device::BeginScene() {
    m_log.add("BeginScene()");
    REFUSE_IF(m_inScene, D3DERR_INVALIDCALL, "already inside a scene");
    m_inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    m_log.add("EndScene()");
    REFUSE_IF(!m_inScene, D3DERR_INVALIDCALL, "not inside a scene");
    m_inScene = false;
    finishScene();
    return D3D_OK;
}

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
    m_log.add("Clear(%u, 0x%x, 0x%08x, %g, %u)", Count, Flags, Color, static_cast<double>(Z), Stencil);
    constexpr DWORD kAll = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    REFUSE_IF(Flags == 0 || (Flags & ~kAll) != 0, D3DERR_INVALIDCALL, "flags 0x%x", Flags);
    REFUSE_IF((Count == 0) != (pRects == nullptr), D3DERR_INVALIDCALL, "%u rectangles at %p", Count,
              static_cast<const void*>(pRects));
    REFUSE_IF((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && !m_depthStencil, D3DERR_INVALIDCALL,
              "no depth buffer to clear");
    REFUSE_IF((Flags & D3DCLEAR_ZBUFFER) != 0 && !(Z >= 0.0f && Z <= 1.0f), D3DERR_INVALIDCALL,
              "depth %g outside 0 to 1", static_cast<double>(Z));
    std::vector<raster::Rect> rects;
    rects.reserve(Count);
    for (DWORD i = 0; i < Count; ++i) {
        rects.push_back(raster::Rect{pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2});
    }
    raster::ClearRequest request;
    request.flags = Flags;
    request.color = Color;
    request.z = Z;
    request.stencil = Stencil & 0xFF;
    const D3DVIEWPORT9& v = m_state.viewport;
    request.viewport = raster::Viewport{v.X, v.Y, v.Width, v.Height, v.MinZ, v.MaxZ};
    request.rects = rects.empty() ? nullptr : rects.data();
    request.rectCount = static_cast<uint32_t>(rects.size());
    m_queue.clear(request, targets());
    return D3D_OK;
}

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const RGNDATA* pDirtyRegion) {
    m_log.add("Present()");
    REFUSE_IF((pSourceRect != nullptr || pDestRect != nullptr) && m_setup.params.SwapEffect != D3DSWAPEFFECT_COPY,
              D3DERR_INVALIDCALL, "rectangles need a copying swap chain");
    (void)pDirtyRegion;  // the whole frame is handed over every time
    finishScene();
    const HWND window = hDestWindowOverride != nullptr ? hDestWindowOverride : m_window;
    const Surface& bb = *m_backBuffer;
    const int width = static_cast<int>(bb.desc().width), height = static_cast<int>(bb.desc().height);
    // The copy is shared by the drawing threads: the frame's rows are still in their caches.
    const bool shown = platform::win32::presentFrame(window, width, height, [&](std::uint32_t* pixels) {
        raster::copyRows(pixels, ptrdiff_t(width) * 4, bb.bits(), ptrdiff_t(bb.pitch()), size_t(width) * 4, height);
    });
    REFUSE_IF(!shown, D3DERR_INVALIDCALL, "the window is gone");
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                              IDirect3DSurface9** ppBackBuffer) {
    REFUSE_IF(ppBackBuffer == nullptr, D3DERR_INVALIDCALL, "no output");
    REFUSE_IF(iSwapChain != 0 || Type != D3DBACKBUFFER_TYPE_MONO, D3DERR_INVALIDCALL, "swap chain %u, type %u",
              iSwapChain, static_cast<unsigned>(Type));
    // With a discarding swap chain the back buffers cannot be told apart; one serves them all.
    REFUSE_IF(iBackBuffer >= m_setup.params.BackBufferCount, D3DERR_INVALIDCALL, "back buffer %u of %u", iBackBuffer,
              m_setup.params.BackBufferCount);
    m_backBuffer->AddRef();
    *ppBackBuffer = m_backBuffer.get();
    return D3D_OK;
}

}  // namespace platform::d3d9
