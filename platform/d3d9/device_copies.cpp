// Copies between the device's images: UpdateSurface and UpdateTexture (system memory into the
// default pool), GetRenderTargetData (a render target back into system memory), StretchRect and
// ColorFill (inside the default pool). Each checks pools, formats and rectangles first and copies
// nothing when any check fails.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/device.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/texture.h"

namespace platform::d3d9 {
namespace {

Surface* ours(IDirect3DSurface9* s, const Device* device) {
    auto* surface = s != nullptr ? dynamic_cast<Surface*>(s) : nullptr;
    return surface != nullptr && surface->device() == device ? surface : nullptr;
}

RECT whole(const Surface& s) {
    return RECT{0, 0, static_cast<LONG>(s.desc().width), static_cast<LONG>(s.desc().height)};
}

// Copies a rectangle of whole blocks between two surfaces of the same format.
void copyBlocks(const Surface& src, const RECT& from, Surface& dst, LONG dstX, LONG dstY) {
    const FormatLayout& l = src.layout();
    const auto bw = static_cast<LONG>(l.blockWidth);
    const auto bh = static_cast<LONG>(l.blockHeight);
    const size_t rowBytes = static_cast<size_t>((from.right - from.left + bw - 1) / bw) * l.bytesPerBlock;
    const LONG rows = (from.bottom - from.top + bh - 1) / bh;
    for (LONG r = 0; r < rows; ++r) {
        const std::byte* in = src.bits() + static_cast<size_t>(from.top / bh + r) * src.pitch() +
                              static_cast<size_t>(from.left / bw) * l.bytesPerBlock;
        std::byte* out = dst.bits() + static_cast<size_t>(dstY / bh + r) * dst.pitch() +
                         static_cast<size_t>(dstX / bw) * l.bytesPerBlock;
        std::memcpy(out, in, rowBytes);
    }
}

bool sameSize(const Surface& a, const Surface& b) {
    return a.desc().width == b.desc().width && a.desc().height == b.desc().height;
}

}  // namespace

HRESULT Device::UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) {
    finishDrawing();
    m_log.add("UpdateSurface()");
    Surface* src = ours(pSourceSurface, this);
    Surface* dst = ours(pDestinationSurface, this);
    REFUSE_IF(src == nullptr || dst == nullptr, D3DERR_INVALIDCALL, "not surfaces of this device");
    REFUSE_IF(src->desc().pool != D3DPOOL_SYSTEMMEM || dst->desc().pool != D3DPOOL_DEFAULT, D3DERR_INVALIDCALL,
              "copies from system memory into the default pool only");
    REFUSE_IF(src->desc().format != dst->desc().format, D3DERR_INVALIDCALL, "formats differ");
    REFUSE_IF(((src->desc().usage | dst->desc().usage) & D3DUSAGE_DEPTHSTENCIL) != 0, D3DERR_INVALIDCALL,
              "depth buffers cannot be updated");
    REFUSE_IF(src->locked() || dst->locked(), D3DERR_INVALIDCALL, "a surface is locked");
    const RECT from = pSourceRect != nullptr ? *pSourceRect : whole(*src);
    REFUSE_IF(!src->validRect(from), D3DERR_INVALIDCALL, "source rectangle outside the source");
    const POINT at = pDestPoint != nullptr ? *pDestPoint : POINT{0, 0};
    const RECT to{at.x, at.y, at.x + (from.right - from.left), at.y + (from.bottom - from.top)};
    REFUSE_IF(!dst->validRect(to), D3DERR_INVALIDCALL, "destination rectangle outside the destination");
    copyBlocks(*src, from, *dst, to.left, to.top);
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) {
    finishDrawing();
    m_log.add("UpdateTexture()");
    auto* src = pSourceTexture != nullptr ? dynamic_cast<Texture*>(pSourceTexture) : nullptr;
    auto* dst = pDestinationTexture != nullptr ? dynamic_cast<Texture*>(pDestinationTexture) : nullptr;
    REFUSE_IF(src == nullptr || dst == nullptr || src->device() != this || dst->device() != this, D3DERR_INVALIDCALL,
              "not textures of this device");
    REFUSE_IF(src->pool() != D3DPOOL_SYSTEMMEM || dst->pool() != D3DPOOL_DEFAULT, D3DERR_INVALIDCALL,
              "copies from system memory into the default pool only");
    REFUSE_IF(src->format() != dst->format(), D3DERR_INVALIDCALL, "formats differ");
    // The destination's top level matches some source level; from there the chains run together.
    UINT first = 0;
    while (first < src->levelCount() && !sameSize(src->level(first), dst->level(0))) {
        ++first;
    }
    REFUSE_IF(first == src->levelCount(), D3DERR_INVALIDCALL, "no source level has the destination's size");
    REFUSE_IF(src->levelCount() - first < dst->levelCount(), D3DERR_INVALIDCALL,
              "the source has too few levels below the matching one");
    for (UINT i = 0; i < dst->levelCount(); ++i) {
        REFUSE_IF(src->level(first + i).locked() || dst->level(i).locked(), D3DERR_INVALIDCALL, "a level is locked");
    }
    for (UINT i = 0; i < dst->levelCount(); ++i) {
        copyBlocks(src->level(first + i), whole(src->level(first + i)), dst->level(i), 0, 0);
    }
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) {
    finishDrawing();
    Surface* src = ours(pRenderTarget, this);
    Surface* dst = ours(pDestSurface, this);
    REFUSE_IF(src == nullptr || dst == nullptr, D3DERR_INVALIDCALL, "not surfaces of this device");
    REFUSE_IF((src->desc().usage & D3DUSAGE_RENDERTARGET) == 0, D3DERR_INVALIDCALL, "the source is no render target");
    REFUSE_IF(dst->desc().pool != D3DPOOL_SYSTEMMEM, D3DERR_INVALIDCALL, "the destination is not in system memory");
    REFUSE_IF(src->desc().format != dst->desc().format || !sameSize(*src, *dst), D3DERR_INVALIDCALL,
              "formats or sizes differ");
    REFUSE_IF(src->locked() || dst->locked(), D3DERR_INVALIDCALL, "a surface is locked");
    copyBlocks(*src, whole(*src), *dst, 0, 0);
    return D3D_OK;
}

HRESULT Device::GetFrontBufferData(UINT, IDirect3DSurface9*) {
    finishDrawing();
    noteRefusal(__func__, "the front buffer belongs to the window layer");
    return D3DERR_INVALIDCALL;
}

HRESULT Device::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                            const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) {
    finishDrawing();
    m_log.add("StretchRect(%u)", static_cast<unsigned>(Filter));
    Surface* src = ours(pSourceSurface, this);
    Surface* dst = ours(pDestSurface, this);
    REFUSE_IF(src == nullptr || dst == nullptr, D3DERR_INVALIDCALL, "not surfaces of this device");
    REFUSE_IF(src == dst, D3DERR_INVALIDCALL, "source and destination are the same surface");
    REFUSE_IF(src->desc().pool != D3DPOOL_DEFAULT || dst->desc().pool != D3DPOOL_DEFAULT, D3DERR_INVALIDCALL,
              "both surfaces must be in the default pool");
    REFUSE_IF(((src->desc().usage | dst->desc().usage) & D3DUSAGE_DEPTHSTENCIL) != 0, D3DERR_INVALIDCALL,
              "depth buffers cannot be stretched");
    // The destination is written like a render target: a render target, or a plain surface.
    const bool dstWritable = (dst->desc().usage & D3DUSAGE_RENDERTARGET) != 0 || dst->container() == nullptr;
    REFUSE_IF(!dstWritable, D3DERR_INVALIDCALL, "the destination is a texture level that is no render target");
    REFUSE_IF(Filter != D3DTEXF_NONE && Filter != D3DTEXF_POINT, D3DERR_INVALIDCALL,
              "filter %u: only point copies are done", static_cast<unsigned>(Filter));
    const bool converts = src->desc().format != dst->desc().format;
    REFUSE_IF(converts && !(isRenderTargetFormat(src->desc().format) && isRenderTargetFormat(dst->desc().format)),
              D3DERR_INVALIDCALL, "formats %u and %u", static_cast<unsigned>(src->desc().format),
              static_cast<unsigned>(dst->desc().format));
    REFUSE_IF(src->locked() || dst->locked(), D3DERR_INVALIDCALL, "a surface is locked");
    const RECT from = pSourceRect != nullptr ? *pSourceRect : whole(*src);
    const RECT to = pDestRect != nullptr ? *pDestRect : whole(*dst);
    REFUSE_IF(!src->validRect(from) || !dst->validRect(to), D3DERR_INVALIDCALL, "rectangle outside its surface");
    const LONG sw = from.right - from.left, sh = from.bottom - from.top;
    const LONG dw = to.right - to.left, dh = to.bottom - to.top;
    const bool blocks = src->layout().blockWidth != 1 || src->layout().blockHeight != 1;
    REFUSE_IF(blocks && (sw != dw || sh != dh), D3DERR_INVALIDCALL, "block formats cannot be stretched");
    if (!converts && sw == dw && sh == dh) {
        copyBlocks(*src, from, *dst, to.left, to.top);
        return D3D_OK;
    }
    // Nearest texel by pixel centre; the render-target formats differ only in the alpha byte,
    // which becomes opaque when the destination has alpha and the source had none.
    const UINT bpp = src->layout().bytesPerBlock;
    const bool makeOpaque = converts && dst->desc().format == D3DFMT_A8R8G8B8;
    for (LONG y = 0; y < dh; ++y) {
        const LONG sy = from.top + static_cast<LONG>((static_cast<int64_t>(2 * y + 1) * sh) / (2 * dh));
        for (LONG x = 0; x < dw; ++x) {
            const LONG sx = from.left + static_cast<LONG>((static_cast<int64_t>(2 * x + 1) * sw) / (2 * dw));
            const std::byte* in = src->bits() + static_cast<size_t>(sy) * src->pitch() + static_cast<size_t>(sx) * bpp;
            std::byte* out =
                dst->bits() + static_cast<size_t>(to.top + y) * dst->pitch() + static_cast<size_t>(to.left + x) * bpp;
            std::memcpy(out, in, bpp);
            if (makeOpaque) {
                out[3] = std::byte{0xFF};
            }
        }
    }
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) {
    finishDrawing();
    m_log.add("ColorFill(0x%08x)", color);
    Surface* s = ours(pSurface, this);
    REFUSE_IF(s == nullptr, D3DERR_INVALIDCALL, "not a surface of this device");
    REFUSE_IF(s->desc().pool != D3DPOOL_DEFAULT, D3DERR_INVALIDCALL, "only default-pool surfaces are filled");
    REFUSE_IF(!isRenderTargetFormat(s->desc().format), D3DERR_INVALIDCALL, "format %u",
              static_cast<unsigned>(s->desc().format));
    REFUSE_IF(s->container() != nullptr && (s->desc().usage & D3DUSAGE_RENDERTARGET) == 0, D3DERR_INVALIDCALL,
              "a texture level that is no render target");
    REFUSE_IF(s->locked(), D3DERR_INVALIDCALL, "locked");
    const RECT r = pRect != nullptr ? *pRect : whole(*s);
    REFUSE_IF(!s->validRect(r), D3DERR_INVALIDCALL, "rectangle outside the surface");
    for (LONG y = r.top; y < r.bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(s->bits() + static_cast<size_t>(y) * s->pitch());
        std::fill(row + r.left, row + r.right, color);
    }
    return D3D_OK;
}

}  // namespace platform::d3d9
