#include "platform/d3d9/raster/vertex_fetch.h"

#include <cstring>

namespace platform::d3d9::raster {
namespace {

bool elementReadable(const VertexElement& e, const DrawCall& call, int64_t index) {
    if (!e.present) return true;
    if (e.stream >= kMaxStreams) return false;
    const VertexStream& s = call.streams[e.stream];
    if (s.data == nullptr || index < 0 || index >= int64_t(s.vertexCount)) return false;
    // The element must also fit inside the last readable vertex's stride (or, for a stride of 0,
    // inside the first vertex's bytes, which the device sizes as the element layout).
    const uint64_t end = uint64_t(index) * s.stride + e.offset + elementSize(e.type);
    const uint64_t limit = s.stride != 0 ? uint64_t(s.vertexCount) * s.stride : uint64_t(e.offset) + elementSize(e.type);
    return end <= limit;
}

}  // namespace

uint32_t elementSize(ElementType type) {
    switch (type) {
    case ElementType::Float1: return 4;
    case ElementType::Float2: return 8;
    case ElementType::Float3: return 12;
    case ElementType::Float4: return 16;
    case ElementType::D3DColor:
    case ElementType::UByte4:
    case ElementType::UByte4N:
    case ElementType::Short2: return 4;
    case ElementType::Short4: return 8;
    case ElementType::Short2N: return 4;
    case ElementType::Short4N: return 8;
    }
    return 16;
}

bool vertexReadable(const VertexLayout& layout, const DrawCall& call, int64_t index) {
    if (!layout.position.present || !elementReadable(layout.position, call, index)) return false;
    if (!elementReadable(layout.normal, call, index) || !elementReadable(layout.diffuse, call, index) ||
        !elementReadable(layout.specular, call, index)) {
        return false;
    }
    for (const VertexElement& t : layout.texCoord) {
        if (!elementReadable(t, call, index)) return false;
    }
    return true;
}

void fetchElement(const VertexElement& e, const DrawCall& call, int64_t index, float out[4]) {
    const VertexStream& s = call.streams[e.stream];
    const std::byte* p = s.data + uint64_t(index) * s.stride + e.offset;
    out[0] = 0.0f;
    out[1] = 0.0f;
    out[2] = 0.0f;
    out[3] = 1.0f;
    switch (e.type) {
    case ElementType::Float1: std::memcpy(out, p, 4); break;
    case ElementType::Float2: std::memcpy(out, p, 8); break;
    case ElementType::Float3: std::memcpy(out, p, 12); break;
    case ElementType::Float4: std::memcpy(out, p, 16); break;
    case ElementType::D3DColor: {
        uint8_t b[4];
        std::memcpy(b, p, 4);  // B, G, R, A in memory
        out[0] = float(b[2]) / 255.0f;
        out[1] = float(b[1]) / 255.0f;
        out[2] = float(b[0]) / 255.0f;
        out[3] = float(b[3]) / 255.0f;
        break;
    }
    case ElementType::UByte4:
    case ElementType::UByte4N: {
        uint8_t b[4];
        std::memcpy(b, p, 4);
        const float scale = e.type == ElementType::UByte4N ? 1.0f / 255.0f : 1.0f;
        for (int i = 0; i < 4; ++i) out[i] = float(b[i]) * scale;
        break;
    }
    case ElementType::Short2:
    case ElementType::Short4:
    case ElementType::Short2N:
    case ElementType::Short4N: {
        int16_t v[4];
        const int n = (e.type == ElementType::Short2 || e.type == ElementType::Short2N) ? 2 : 4;
        std::memcpy(v, p, size_t(n) * 2);
        const bool norm = e.type == ElementType::Short2N || e.type == ElementType::Short4N;
        for (int i = 0; i < n; ++i) {
            // -32768 would reach just below -1; normalised values stay in -1..1.
            out[i] = norm ? (v[i] < -32767 ? -1.0f : float(v[i]) / 32767.0f) : float(v[i]);
        }
        break;
    }
    }
}

}  // namespace platform::d3d9::raster
