#include "platform/d3d9/vertex_layout.h"

#include <iterator>
#include <optional>

#include "platform/d3d9/caps.h"

namespace platform::d3d9 {
namespace {

UINT positionSize(DWORD fvf) {
    switch (fvf & D3DFVF_POSITION_MASK) {
        case 0:
            return 0;
        case D3DFVF_XYZ:
            return 12;
        case D3DFVF_XYZRHW:
            return 16;
        case D3DFVF_XYZB1:
            return 16;
        case D3DFVF_XYZB2:
            return 20;
        case D3DFVF_XYZB3:
            return 24;
        case D3DFVF_XYZB4:
            return 28;
        case D3DFVF_XYZB5:
            return 32;
        case D3DFVF_XYZW:
            return 16;
        default:
            return 0xFFFFFFFF;
    }
}

// Size in floats of texture coordinate set `set`.
UINT texCoordFloats(DWORD fvf, UINT set) {
    switch ((fvf >> (16 + 2 * set)) & 3) {
        case D3DFVF_TEXTUREFORMAT1:
            return 1;
        case D3DFVF_TEXTUREFORMAT3:
            return 3;
        case D3DFVF_TEXTUREFORMAT4:
            return 4;
        default:
            return 2;
    }
}

raster::ElementType floatType(UINT floats) {
    switch (floats) {
        case 1:
            return raster::ElementType::Float1;
        case 3:
            return raster::ElementType::Float3;
        case 4:
            return raster::ElementType::Float4;
        default:
            return raster::ElementType::Float2;
    }
}

raster::VertexElement element(UINT offset, raster::ElementType type, UINT stream = 0) {
    raster::VertexElement e;
    e.present = true;
    e.stream = static_cast<uint8_t>(stream);
    e.offset = static_cast<uint16_t>(offset);
    e.type = type;
    return e;
}

std::optional<raster::ElementType> fetchType(BYTE type) {
    using raster::ElementType;
    switch (type) {
        case D3DDECLTYPE_FLOAT1:
            return ElementType::Float1;
        case D3DDECLTYPE_FLOAT2:
            return ElementType::Float2;
        case D3DDECLTYPE_FLOAT3:
            return ElementType::Float3;
        case D3DDECLTYPE_FLOAT4:
            return ElementType::Float4;
        case D3DDECLTYPE_D3DCOLOR:
            return ElementType::D3DColor;
        case D3DDECLTYPE_UBYTE4:
            return ElementType::UByte4;
        case D3DDECLTYPE_UBYTE4N:
            return ElementType::UByte4N;
        case D3DDECLTYPE_SHORT2:
            return ElementType::Short2;
        case D3DDECLTYPE_SHORT4:
            return ElementType::Short4;
        case D3DDECLTYPE_SHORT2N:
            return ElementType::Short2N;
        case D3DDECLTYPE_SHORT4N:
            return ElementType::Short4N;
        default:
            return std::nullopt;
    }
}

bool isEnd(const D3DVERTEXELEMENT9& e) { return e.Stream == 0xFF && e.Type == D3DDECLTYPE_UNUSED; }

}  // namespace

bool validFvf(DWORD fvf) {
    if ((fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) != 0 || positionSize(fvf) == 0xFFFFFFFF) {
        return false;
    }
    if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) {
        return false;
    }
    // The last blend value can only be a packed index when there are blend values.
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    const bool blended = pos >= D3DFVF_XYZB1 && pos <= D3DFVF_XYZB5;
    if ((fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0 && !blended) {
        return false;
    }
    return (fvf & D3DFVF_LASTBETA_UBYTE4) == 0 || (fvf & D3DFVF_LASTBETA_D3DCOLOR) == 0;
}

UINT fvfVertexSize(DWORD fvf) {
    if (!validFvf(fvf)) {
        return 0;
    }
    UINT size = positionSize(fvf);
    size += (fvf & D3DFVF_NORMAL) != 0 ? 12 : 0;
    size += (fvf & D3DFVF_PSIZE) != 0 ? 4 : 0;
    size += (fvf & D3DFVF_DIFFUSE) != 0 ? 4 : 0;
    size += (fvf & D3DFVF_SPECULAR) != 0 ? 4 : 0;
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT t = 0; t < sets; ++t) {
        size += 4 * texCoordFloats(fvf, t);
    }
    return size;
}

raster::VertexLayout layoutFromFvf(DWORD fvf) {
    raster::VertexLayout layout;
    if (!validFvf(fvf)) {
        return layout;
    }
    UINT offset = 0;
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        layout.position = element(0, raster::ElementType::Float4);
        layout.pretransformed = true;
    } else if (pos != 0) {
        // Blend weights follow the position; without vertex blending they are stepped over, and
        // the w of D3DFVF_XYZW means nothing to the fixed-function pipeline.
        layout.position = element(0, raster::ElementType::Float3);
    }
    offset += positionSize(fvf);
    if ((fvf & D3DFVF_NORMAL) != 0) {
        layout.normal = element(offset, raster::ElementType::Float3);
        offset += 12;
    }
    offset += (fvf & D3DFVF_PSIZE) != 0 ? 4 : 0;
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        layout.diffuse = element(offset, raster::ElementType::D3DColor);
        offset += 4;
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) {
        layout.specular = element(offset, raster::ElementType::D3DColor);
        offset += 4;
    }
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT t = 0; t < sets; ++t) {
        const UINT floats = texCoordFloats(fvf, t);
        if (t < static_cast<UINT>(raster::kMaxTexCoords)) {
            layout.texCoord[t] = element(offset, floatType(floats));
        }
        offset += 4 * floats;
    }
    return layout;
}

UINT declTypeSize(BYTE type) {
    static constexpr UINT kSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8, 0};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

const char* checkDeclaration(const D3DVERTEXELEMENT9* elements, size_t* count) {
    if (elements == nullptr) {
        return "no elements";
    }
    size_t n = 0;
    while (n <= MAXD3DDECLLENGTH && !isEnd(elements[n])) {
        ++n;
    }
    if (n > MAXD3DDECLLENGTH) {
        return "no end marker within 64 elements";
    }
    for (size_t i = 0; i < n; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Stream >= kMaxStreams) {
            return "stream number past the device's streams";
        }
        if (e.Offset % 4 != 0) {
            return "offset not a multiple of 4";
        }
        if (!fetchType(e.Type)) {
            return "element type the device cannot fetch";
        }
        if (e.Method != D3DDECLMETHOD_DEFAULT) {
            return "tessellation methods are not supported";
        }
        if (e.Usage > D3DDECLUSAGE_SAMPLE || e.UsageIndex > MAXD3DDECLUSAGEINDEX) {
            return "unknown usage or usage index";
        }
        for (size_t j = 0; j < i; ++j) {
            if (elements[j].Usage == e.Usage && elements[j].UsageIndex == e.UsageIndex) {
                return "the same usage and usage index twice";
            }
        }
    }
    *count = n;
    return nullptr;
}

raster::VertexLayout layoutFromDeclaration(const D3DVERTEXELEMENT9* elements, size_t count) {
    raster::VertexLayout layout;
    for (size_t i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        const auto type = fetchType(e.Type);
        if (!type) {
            continue;
        }
        const raster::VertexElement el = element(e.Offset, *type, e.Stream);
        if (e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) {
            layout.position = el;
            layout.pretransformed = false;
        } else if (e.Usage == D3DDECLUSAGE_POSITIONT && e.UsageIndex == 0) {
            layout.position = el;
            layout.pretransformed = true;
        } else if (e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0) {
            layout.normal = el;
        } else if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) {
            layout.diffuse = el;
        } else if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1) {
            layout.specular = el;
        } else if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < static_cast<BYTE>(raster::kMaxTexCoords)) {
            layout.texCoord[e.UsageIndex] = el;
        }
    }
    return layout;
}

}  // namespace platform::d3d9
