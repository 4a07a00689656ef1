// D3DXFVFFromDeclarator: the FVF code equivalent to a declaration, when there is one.
//
// A declaration has an FVF equivalent when its elements are packed without gaps in stream 0 and
// appear in the FVF's fixed component order. The quiet form serves mesh construction, where a
// declaration without an FVF equivalent is normal and not worth a diagnostic line.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/declarations.h"

namespace gfxutil::mesh {
namespace {

bool isFloatType(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }

bool matches(const D3DVERTEXELEMENT9& e, BYTE usage, BYTE type) { return e.Usage == usage && e.Type == type; }

// The per-element checks; returns the refusal text, or null when every element passes.
const char* validateElements(const D3DVERTEXELEMENT9* decl, UINT count, char* scratch, size_t scratchSize) {
    UINT offset = 0;
    for (UINT i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& e = decl[i];
        if (e.Stream != 0) {
            return "D3DXFVFFromDeclarator: All data must come from stream 0";
        }
        if (e.Type > D3DDECLTYPE_SHORT4) {
            return "D3DXFVFFromDeclarator: Invalid type found";
        }
        if (e.Offset != offset) {
            return "D3DXFVFFromDeclarator: Invalid FVF format, no space allowed between vertex components";
        }
        if (e.Method > D3DDECLMETHOD_LOOKUP) {
            return "D3DXFVFFromDeclarator: Invalid Method found";
        }
        if (e.Usage > D3DDECLUSAGE_TEXCOORD && e.Usage != D3DDECLUSAGE_POSITIONT && e.Usage != D3DDECLUSAGE_COLOR) {
            return "D3DXFVFFromDeclarator: Invalid Usage found";
        }
        if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex > 1) {
            std::snprintf(scratch, scratchSize, "D3DXFVFFromDeclarator: Invalid COLOR UsageIndex found COLOR%d",
                          static_cast<int>(e.UsageIndex));
            return scratch;
        }
        offset += declTypeSize(e.Type);
    }
    return nullptr;
}

// Matches the elements in the FVF's order; returns the index of the first element not matched.
UINT matchElements(const D3DVERTEXELEMENT9* d, DWORD* code) {
    static constexpr DWORD kPositionForBlendCount[] = {D3DFVF_XYZ,   D3DFVF_XYZB1, D3DFVF_XYZB2,
                                                      D3DFVF_XYZB3, D3DFVF_XYZB4, D3DFVF_XYZB5};
    DWORD fvf = 0;
    UINT i = 0;
    if (matches(d[i], D3DDECLUSAGE_POSITIONT, D3DDECLTYPE_FLOAT4)) {
        fvf |= D3DFVF_XYZRHW;
        ++i;
    } else if (matches(d[i], D3DDECLUSAGE_POSITION, D3DDECLTYPE_FLOAT3)) {
        ++i;
        UINT blends = 0;
        if (d[i].Usage == D3DDECLUSAGE_BLENDWEIGHT && isFloatType(d[i].Type)) {
            blends += d[i].Type + 1u;
            ++i;
        }
        if (matches(d[i], D3DDECLUSAGE_BLENDINDICES, D3DDECLTYPE_UBYTE4)) {
            ++blends;
            fvf |= D3DFVF_LASTBETA_UBYTE4;
            ++i;
        } else if (matches(d[i], D3DDECLUSAGE_BLENDINDICES, D3DDECLTYPE_D3DCOLOR)) {
            ++blends;
            fvf |= D3DFVF_LASTBETA_D3DCOLOR;
            ++i;
        }
        if (blends < std::size(kPositionForBlendCount)) {
            fvf |= kPositionForBlendCount[blends];
        }
    }
    if (matches(d[i], D3DDECLUSAGE_NORMAL, D3DDECLTYPE_FLOAT3)) {
        fvf |= D3DFVF_NORMAL;
        ++i;
    }
    if (matches(d[i], D3DDECLUSAGE_PSIZE, D3DDECLTYPE_FLOAT1)) {
        fvf |= D3DFVF_PSIZE;
        ++i;
    }
    if (matches(d[i], D3DDECLUSAGE_COLOR, D3DDECLTYPE_D3DCOLOR) && d[i].UsageIndex == 0) {
        fvf |= D3DFVF_DIFFUSE;
        ++i;
    }
    if (matches(d[i], D3DDECLUSAGE_COLOR, D3DDECLTYPE_D3DCOLOR) && d[i].UsageIndex == 1) {
        fvf |= D3DFVF_SPECULAR;
        ++i;
    }
    // Size codes by type: FLOAT1 -> 3, FLOAT2 -> 0, FLOAT3 -> 1, FLOAT4 -> 2.
    static constexpr DWORD kSizeCode[] = {3, 0, 1, 2};
    DWORD sets = 0;
    while (sets < 8 && d[i].Usage == D3DDECLUSAGE_TEXCOORD && d[i].UsageIndex == sets && isFloatType(d[i].Type)) {
        fvf |= kSizeCode[d[i].Type] << (16 + 2 * sets);
        ++sets;
        ++i;
    }
    fvf |= sets << D3DFVF_TEXCOUNT_SHIFT;
    *code = fvf;
    return i;
}

}  // namespace

HRESULT fvfFromDeclarator(const D3DVERTEXELEMENT9* decl, DWORD* fvf, bool quiet) {
    if (decl == nullptr || fvf == nullptr) {
        // Not a case the conversion knows; refused rather than read through.
        if (!quiet) {
            DebugMessage(0, "D3DXFVFFromDeclarator: pDeclarator and pFVF cannot be NULL");
        }
        return D3DERR_INVALIDCALL;
    }
    const UINT count = D3DXGetDeclLength(decl);
    char scratch[128];
    const char* refusal = validateElements(decl, std::min(count, MAX_FVF_DECL_SIZE - 1), scratch, sizeof scratch);
    DWORD code = 0;
    // The matcher looks one element past each match, so it only runs on a terminated array.
    if (refusal == nullptr && (count >= MAX_FVF_DECL_SIZE || !isEndMarker(decl[matchElements(decl, &code)]))) {
        refusal = "D3DXFVFFromDeclarator: Declaration does not represent a valid FVF";
    }
    if (refusal != nullptr) {
        if (!quiet) {
            DebugMessage(0, "%s", refusal);
        }
        return D3DERR_INVALIDCALL;
    }
    *fvf = code;
    return S_OK;
}

}  // namespace gfxutil::mesh

HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF) {
    return gfxutil::mesh::fvfFromDeclarator(pDeclarator, pFVF, false);
}
