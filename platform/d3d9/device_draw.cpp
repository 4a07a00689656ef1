// The draw entry points: each checks that a draw can be made (inside a scene, a vertex layout with
// a position, every stream the layout reads bound with a stride that holds a whole vertex, and the
// vertices and indices it will read inside their buffers), describes the draw for the rasteriser
// and hands it over with the pipeline state brought up to date.
#include <algorithm>

#include "platform/d3d9/device.h"
#include "platform/d3d9/pipeline_build.h"
#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/refusal.h"
#include "platform/d3d9/vertex_layout.h"

namespace platform::d3d9 {
namespace {

bool validPrimitive(D3DPRIMITIVETYPE type) { return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN; }

raster::PrimitiveType toRaster(D3DPRIMITIVETYPE type) {
    return static_cast<raster::PrimitiveType>(static_cast<int>(type) - 1);
}

// Vertices (or indices) a draw of `count` primitives reads.
uint64_t elementsFor(D3DPRIMITIVETYPE type, UINT count) {
    const uint64_t n = count;
    switch (type) {
        case D3DPT_POINTLIST:
            return n;
        case D3DPT_LINELIST:
            return 2 * n;
        case D3DPT_LINESTRIP:
            return n + 1;
        case D3DPT_TRIANGLELIST:
            return 3 * n;
        default:
            return n + 2;
    }
}

// The bytes of one vertex the layout reads from `stream`: the end of its last element there.
UINT vertexBytesRead(const raster::VertexLayout& layout, UINT stream) {
    static constexpr UINT kSizes[] = {4, 8, 12, 16, 4, 4, 4, 4, 8, 4, 8};  // by raster::ElementType
    UINT end = 0;
    const raster::VertexElement* elements[] = {&layout.position, &layout.normal,      &layout.diffuse,
                                               &layout.specular, &layout.texCoord[0], &layout.texCoord[1]};
    for (const raster::VertexElement* e : elements) {
        if (e->present && e->stream == stream) {
            end = std::max(end, e->offset + kSizes[static_cast<int>(e->type)]);
        }
    }
    return end;
}

}  // namespace

HRESULT Device::checkDrawState(const char* call, UINT primitiveCount) const {
    if (!m_inScene) {
        noteRefusal(call, "drawing outside BeginScene/EndScene");
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount > kMaxPrimitiveCount) {
        noteRefusal(call, "%u primitives, at most %u", primitiveCount, kMaxPrimitiveCount);
        return D3DERR_INVALIDCALL;
    }
    if (!m_state.declaration && m_state.fvf == 0) {
        noteRefusal(call, "no vertex format: neither an FVF code nor a declaration is set");
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

raster::Targets Device::targets() const {
    raster::Targets t;
    Surface& rt = *m_renderTarget;
    t.color = raster::ColorTarget{
        const_cast<std::byte*>(rt.bits()), static_cast<int32_t>(rt.pitch()), rt.desc().width, rt.desc().height,
        rt.desc().format == D3DFMT_A8R8G8B8 ? raster::ColorFormat::A8R8G8B8 : raster::ColorFormat::X8R8G8B8};
    // A depth buffer smaller than the target cannot serve it; drawing then goes without one.
    if (m_depthStencil && m_depthStencil->desc().width >= rt.desc().width &&
        m_depthStencil->desc().height >= rt.desc().height) {
        Surface& ds = *m_depthStencil;
        t.depth = raster::DepthTarget{ds.bits(), static_cast<int32_t>(ds.pitch()), rt.desc().width, rt.desc().height,
                                      raster::DepthFormat::D24S8};
    }
    return t;
}

HRESULT Device::drawWith(raster::DrawCall& call) {
    if (m_dirty != 0) {
        buildPipeline(m_state, m_dirty, m_pipeline);
        m_dirty = 0;
    }
    if (!m_pipeline.layout.position.present) {
        noteRefusal("draw", "the vertex format has no position");
        return D3DERR_INVALIDCALL;
    }
    // A bound texture's view follows its level of detail; the view stays at the same address.
    for (size_t i = 0; i < static_cast<size_t>(raster::kMaxTextureStages); ++i) {
        if (m_pipeline.stages[i].texture != nullptr) {
            m_state.textures[i]->view();
        }
    }
    m_queue.draw(m_pipeline, call, targets());
    return D3D_OK;
}

namespace {

// Describes the bound streams the layout reads; refuses a stream that is missing or whose stride
// cannot hold the vertex the layout reads.
HRESULT bindStreams(const StateSet& s, const raster::VertexLayout& layout, raster::DrawCall& call) {
    for (UINT i = 0; i < kMaxStreams; ++i) {
        const UINT bytes = vertexBytesRead(layout, i);
        if (bytes == 0) {
            continue;
        }
        const StreamBinding& b = s.streams[i];
        REFUSE_IF(!b.buffer, D3DERR_INVALIDCALL, "stream %u is read but has no buffer", i);
        REFUSE_IF(b.stride < bytes, D3DERR_INVALIDCALL, "stream %u: stride %u cannot hold the %u bytes read", i,
                  b.stride, bytes);
        const UINT length = b.buffer->storage().length();
        call.streams[i].data = b.buffer->storage().bytes() + b.offset;
        call.streams[i].stride = b.stride;
        // A last vertex that ends inside the buffer counts even when the stride would pass its end.
        call.streams[i].vertexCount = length - b.offset >= bytes ? (length - b.offset - bytes) / b.stride + 1 : 0;
    }
    return D3D_OK;
}

HRESULT checkVertexRange(const raster::DrawCall& call, int64_t first, uint64_t count) {
    for (UINT i = 0; i < kMaxStreams; ++i) {
        if (call.streams[i].data == nullptr) {
            continue;
        }
        REFUSE_IF(first < 0 || static_cast<uint64_t>(first) + count > call.streams[i].vertexCount, D3DERR_INVALIDCALL,
                  "vertices %lld+%llu past the %u of stream %u", static_cast<long long>(first),
                  static_cast<unsigned long long>(count), call.streams[i].vertexCount, i);
    }
    return D3D_OK;
}

}  // namespace

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    m_log.add("DrawPrimitive(%u, %u, %u)", static_cast<unsigned>(PrimitiveType), StartVertex, PrimitiveCount);
    REFUSE_IF(!validPrimitive(PrimitiveType), D3DERR_INVALIDCALL, "primitive type %u",
              static_cast<unsigned>(PrimitiveType));
    HRESULT hr = checkDrawState(__func__, PrimitiveCount);
    if (FAILED(hr) || PrimitiveCount == 0) {
        return hr;
    }
    if (m_dirty != 0) {
        buildPipeline(m_state, m_dirty, m_pipeline);
        m_dirty = 0;
    }
    raster::DrawCall call;
    call.type = toRaster(PrimitiveType);
    call.primitiveCount = PrimitiveCount;
    call.baseVertex = static_cast<int32_t>(StartVertex);
    hr = bindStreams(m_state, m_pipeline.layout, call);
    if (SUCCEEDED(hr)) {
        hr = checkVertexRange(call, StartVertex, elementsFor(PrimitiveType, PrimitiveCount));
    }
    return FAILED(hr) ? hr : drawWith(call);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                     UINT NumVertices, UINT startIndex, UINT primCount) {
    m_log.add("DrawIndexedPrimitive(%u, %d, %u, %u, %u, %u)", static_cast<unsigned>(PrimitiveType), BaseVertexIndex,
              MinVertexIndex, NumVertices, startIndex, primCount);
    REFUSE_IF(!validPrimitive(PrimitiveType), D3DERR_INVALIDCALL, "primitive type %u",
              static_cast<unsigned>(PrimitiveType));
    HRESULT hr = checkDrawState(__func__, primCount);
    if (FAILED(hr) || primCount == 0) {
        return hr;
    }
    REFUSE_IF(!m_state.indices, D3DERR_INVALIDCALL, "no index buffer");
    REFUSE_IF(NumVertices == 0, D3DERR_INVALIDCALL, "a vertex range of 0 vertices");
    const IndexBuffer& ib = *m_state.indices;
    const uint64_t indices = elementsFor(PrimitiveType, primCount);
    REFUSE_IF(uint64_t{startIndex} + indices > ib.indexCount(), D3DERR_INVALIDCALL,
              "indices %u+%llu past the buffer's %u", startIndex, static_cast<unsigned long long>(indices),
              ib.indexCount());
    if (m_dirty != 0) {
        buildPipeline(m_state, m_dirty, m_pipeline);
        m_dirty = 0;
    }
    raster::DrawCall call;
    call.type = toRaster(PrimitiveType);
    call.primitiveCount = primCount;
    call.baseVertex = BaseVertexIndex;
    call.indexFormat = ib.format() == D3DFMT_INDEX32 ? raster::IndexFormat::U32 : raster::IndexFormat::U16;
    call.indices = ib.storage().bytes() + static_cast<size_t>(startIndex) * ib.indexSize();
    call.indexCount = ib.indexCount() - startIndex;
    hr = bindStreams(m_state, m_pipeline.layout, call);
    if (SUCCEEDED(hr)) {
        hr = checkVertexRange(call, int64_t{BaseVertexIndex} + MinVertexIndex, NumVertices);
    }
    return FAILED(hr) ? hr : drawWith(call);
}

// The checks both caller-data draws share: the scene and counts, the derived pipeline, and a
// vertex format that reads stream 0 only, within the caller's stride.
HRESULT Device::prepareCallerDataDraw(const char* call, UINT primitiveCount, UINT stride) {
    HRESULT hr = checkDrawState(call, primitiveCount);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_dirty != 0) {
        buildPipeline(m_state, m_dirty, m_pipeline);
        m_dirty = 0;
    }
    for (UINT i = 1; i < kMaxStreams; ++i) {
        if (vertexBytesRead(m_pipeline.layout, i) != 0) {
            noteRefusal(call, "the vertex format reads stream %u; caller data is stream 0 only", i);
            return D3DERR_INVALIDCALL;
        }
    }
    if (stride < vertexBytesRead(m_pipeline.layout, 0)) {
        noteRefusal(call, "stride %u cannot hold a vertex", stride);
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                                UINT VertexStreamZeroStride) {
    m_log.add("DrawPrimitiveUP(%u, %u, %u)", static_cast<unsigned>(PrimitiveType), PrimitiveCount,
              VertexStreamZeroStride);
    REFUSE_IF(!validPrimitive(PrimitiveType), D3DERR_INVALIDCALL, "primitive type %u",
              static_cast<unsigned>(PrimitiveType));
    REFUSE_IF(pVertexStreamZeroData == nullptr || VertexStreamZeroStride == 0, D3DERR_INVALIDCALL,
              "no vertex data or stride 0");
    HRESULT hr = prepareCallerDataDraw(__func__, PrimitiveCount, VertexStreamZeroStride);
    if (FAILED(hr)) {
        return hr;
    }
    raster::DrawCall call;
    call.type = toRaster(PrimitiveType);
    call.primitiveCount = PrimitiveCount;
    call.streams[0] = raster::VertexStream{static_cast<const std::byte*>(pVertexStreamZeroData), VertexStreamZeroStride,
                                           static_cast<uint32_t>(elementsFor(PrimitiveType, PrimitiveCount))};
    hr = PrimitiveCount == 0 ? D3D_OK : drawWith(call);
    // Caller data is not kept: stream 0 is left unbound, as the runtime leaves it.
    m_state.streams[0] = StreamBinding{};
    m_dirty |= kDirtyInput;
    return hr;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    m_log.add("DrawIndexedPrimitiveUP(%u, %u, %u, %u)", static_cast<unsigned>(PrimitiveType), MinVertexIndex,
              NumVertices, PrimitiveCount);
    REFUSE_IF(!validPrimitive(PrimitiveType), D3DERR_INVALIDCALL, "primitive type %u",
              static_cast<unsigned>(PrimitiveType));
    REFUSE_IF(pIndexData == nullptr || pVertexStreamZeroData == nullptr || VertexStreamZeroStride == 0,
              D3DERR_INVALIDCALL, "no index data, no vertex data or stride 0");
    REFUSE_IF(IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32, D3DERR_INVALIDCALL,
              "index format %u", static_cast<unsigned>(IndexDataFormat));
    REFUSE_IF(NumVertices == 0, D3DERR_INVALIDCALL, "a vertex range of 0 vertices");
    HRESULT hr = prepareCallerDataDraw(__func__, PrimitiveCount, VertexStreamZeroStride);
    if (FAILED(hr)) {
        return hr;
    }
    raster::DrawCall call;
    call.type = toRaster(PrimitiveType);
    call.primitiveCount = PrimitiveCount;
    // The caller promises the indices lie in [MinVertexIndex, MinVertexIndex + NumVertices); the
    // rasteriser skips any primitive that would read past that.
    call.streams[0] = raster::VertexStream{static_cast<const std::byte*>(pVertexStreamZeroData), VertexStreamZeroStride,
                                           MinVertexIndex + NumVertices};
    call.indexFormat = IndexDataFormat == D3DFMT_INDEX32 ? raster::IndexFormat::U32 : raster::IndexFormat::U16;
    call.indices = pIndexData;
    call.indexCount = static_cast<uint32_t>(elementsFor(PrimitiveType, PrimitiveCount));
    hr = PrimitiveCount == 0 ? D3D_OK : drawWith(call);
    m_state.streams[0] = StreamBinding{};
    m_state.indices.reset();
    m_dirty |= kDirtyInput;
    return hr;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses) {
    REFUSE_IF(pNumPasses == nullptr, D3DERR_INVALIDCALL, "no output");
    const HRESULT hr = validateStages(m_state);
    if (SUCCEEDED(hr)) {
        *pNumPasses = 1;
    }
    return hr;
}

}  // namespace platform::d3d9
