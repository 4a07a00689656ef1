// Vertex sizes, element counts and the mesh's declaration check.
#include "gfxutil/mesh/declarations.h"

#include <algorithm>

#include "gfxutil/core/diagnostics.h"

namespace gfxutil::mesh {

UINT declTypeSize(BYTE type) {
    // Indexed by D3DDECLTYPE: FLOAT1..4, D3DCOLOR, UBYTE4, SHORT2, SHORT4, UBYTE4N, SHORT2N, SHORT4N,
    // USHORT2N, USHORT4N, UDEC3, DEC3N, FLOAT16_2, FLOAT16_4, UNUSED.
    static constexpr BYTE kSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8, 0};
    return type < sizeof kSizes ? kSizes[type] : 0;
}

bool isEndMarker(const D3DVERTEXELEMENT9& element) {
    return element.Stream == 0xFF && element.Type == D3DDECLTYPE_UNUSED;
}

void copyDeclaration(D3DVERTEXELEMENT9* out, const D3DVERTEXELEMENT9* decl) {
    const UINT count = std::min(D3DXGetDeclLength(decl), MAX_FVF_DECL_SIZE - 1);
    std::copy(decl, decl + count, out);
    out[count] = D3DDECL_END;
}

bool checkMeshDeclaration(const D3DVERTEXELEMENT9* decl, const char* caller) {
    if (decl == nullptr) {
        DebugMessage(0, "%s: pDecl cannot be NULL", caller);
        return false;
    }
    const UINT count = D3DXGetDeclLength(decl);
    if (count >= MAX_FVF_DECL_SIZE) {
        // A mesh has room for 64 elements and the end marker; a longer (or unterminated) array
        // would not fit and is refused rather than cut.
        DebugMessage(0, "%s: Too many vertex elements, or no end marker within %u elements", caller,
                     MAX_FVF_DECL_SIZE);
        return false;
    }
    // The end of the last placed element is kept at full width: a narrower counter would wrap for
    // vertices past 255 bytes and let overlapping elements through.
    UINT end = 0;
    for (UINT i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& e = decl[i];
        if (e.Stream != 0) {
            DebugMessage(0, "%s: Meshes are single stream only, all data must be in stream 0", caller);
            return false;
        }
        if (e.Method != D3DDECLMETHOD_DEFAULT) {
            continue;
        }
        if (e.Offset < end) {
            DebugMessage(0, "%s: Vertex elements cannot overlap.  Inconsistent offsets found.", caller);
            return false;
        }
        end = e.Offset + declTypeSize(e.Type);
    }
    return true;
}

}  // namespace gfxutil::mesh

UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* pDecl) {
    if (pDecl == nullptr) {
        return 0;
    }
    UINT count = 0;
    while (count < MAX_FVF_DECL_SIZE && !gfxutil::mesh::isEndMarker(pDecl[count])) {
        ++count;
    }
    return count;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream) {
    if (pDecl == nullptr) {
        return 0;
    }
    const UINT count = D3DXGetDeclLength(pDecl);
    UINT size = 0;
    for (UINT i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& e = pDecl[i];
        if (e.Stream == Stream && e.Method != D3DDECLMETHOD_UV) {
            size = std::max(size, static_cast<UINT>(e.Offset) + gfxutil::mesh::declTypeSize(e.Type));
        }
    }
    return size;
}
