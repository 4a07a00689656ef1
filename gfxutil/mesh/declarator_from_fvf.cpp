// D3DXDeclaratorFromFVF: an FVF code as a vertex declaration, elements in the code's fixed order.
#include "gfxutil/core/diagnostics.h"
#include "gfxutil/mesh/declarations.h"

namespace {

// Appends elements in stream 0 with method 0 at the running offset.
class DeclWriter {
public:
    explicit DeclWriter(D3DVERTEXELEMENT9* out) : m_out(out) {}
    void add(BYTE type, BYTE usage, BYTE usageIndex = 0) {
        m_out[m_count++] = {0, m_offset, type, D3DDECLMETHOD_DEFAULT, usage, usageIndex};
        m_offset = static_cast<WORD>(m_offset + gfxutil::mesh::declTypeSize(type));
    }
    void end() { m_out[m_count] = D3DDECL_END; }

private:
    D3DVERTEXELEMENT9* m_out;
    UINT m_count = 0;
    WORD m_offset = 0;
};

// Number of blend values of the position field: 1 to 5 for XYZB1..XYZB5, 0 otherwise.
UINT blendCount(DWORD position) {
    switch (position) {
        case D3DFVF_XYZB1: return 1;
        case D3DFVF_XYZB2: return 2;
        case D3DFVF_XYZB3: return 3;
        case D3DFVF_XYZB4: return 4;
        case D3DFVF_XYZB5: return 5;
        default: return 0;
    }
}

// Texture-coordinate size code (bits 16 + 2t) to a float type: 0 two floats, 1 three, 2 four,
// 3 one.
BYTE texCoordType(DWORD code) {
    static constexpr BYTE kTypes[] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
    return kTypes[code & 3];
}

}  // namespace

HRESULT D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE]) {
    const DWORD texCount = (FVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if ((FVF & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) != 0 || texCount > 8) {
        DebugMessage(0, "D3DXDeclaratorFromFVF: Invalid FVF");
        return D3DERR_INVALIDCALL;
    }
    if (pDeclarator == nullptr) {
        // Not a case the conversion knows; refused rather than written through.
        DebugMessage(0, "D3DXDeclaratorFromFVF: pDeclarator cannot be NULL");
        return D3DERR_INVALIDCALL;
    }
    DeclWriter out(pDeclarator);
    const DWORD position = FVF & D3DFVF_POSITION_MASK;
    if (position != 0) {
        if (position == D3DFVF_XYZRHW) {
            out.add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT);
        } else {
            out.add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION);
        }
    }
    const UINT blends = blendCount(position);
    if (blends > 0) {
        if ((FVF & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0) {
            if (blends > 1) {
                out.add(static_cast<BYTE>(blends - 2), D3DDECLUSAGE_BLENDWEIGHT);
            }
            out.add((FVF & D3DFVF_LASTBETA_UBYTE4) != 0 ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                    D3DDECLUSAGE_BLENDINDICES);
        } else if (blends == 5) {
            DebugMessage(0, "D3DXDeclaratorFromFVF: Five weights is not supported in declarator without blend "
                            "indices bit set");
            return D3DERR_INVALIDCALL;
        } else {
            out.add(static_cast<BYTE>(blends - 1), D3DDECLUSAGE_BLENDWEIGHT);
        }
    }
    if ((FVF & D3DFVF_NORMAL) != 0) {
        out.add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL);
    }
    if ((FVF & D3DFVF_PSIZE) != 0) {
        out.add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE);
    }
    if ((FVF & D3DFVF_DIFFUSE) != 0) {
        out.add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    }
    if ((FVF & D3DFVF_SPECULAR) != 0) {
        out.add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    }
    for (DWORD t = 0; t < texCount; ++t) {
        out.add(texCoordType(FVF >> (16 + 2 * t)), D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(t));
    }
    out.end();
    return S_OK;
}
