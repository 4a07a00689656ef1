// The declaration cracker: one pass over the elements, the last qualifying element winning.
#include "gfxutil/mesh/cracked_decl.h"

#include <algorithm>
#include <cstring>

#include "gfxutil/mesh/declarations.h"

namespace gfxutil::mesh {

void CrackedDecl::crack(const D3DVERTEXELEMENT9* decl) {
    *this = CrackedDecl{};
    m_decl = decl;
    m_count = std::min(D3DXGetDeclLength(decl), MAX_FVF_DECL_SIZE - 1);
    for (UINT i = 0; i < m_count; ++i) {
        const D3DVERTEXELEMENT9* e = &decl[i];
        const bool anyIndex = e->Usage == D3DDECLUSAGE_TEXCOORD || e->Usage == D3DDECLUSAGE_COLOR;
        if (e->UsageIndex != 0 && !anyIndex) {
            continue;
        }
        const bool isFloat = e->Type <= D3DDECLTYPE_FLOAT4;
        switch (e->Usage) {
            case D3DDECLUSAGE_POSITION:
                if (e->Type == D3DDECLTYPE_FLOAT3) m_position = e;
                break;
            case D3DDECLUSAGE_BLENDWEIGHT:
                if (isFloat) m_blendWeights = e;
                break;
            case D3DDECLUSAGE_BLENDINDICES:
                if (e->Type == D3DDECLTYPE_UBYTE4 || e->Type == D3DDECLTYPE_D3DCOLOR) m_blendIndices = e;
                break;
            case D3DDECLUSAGE_NORMAL:
                if (e->Type == D3DDECLTYPE_FLOAT3) m_normal = e;
                break;
            case D3DDECLUSAGE_COLOR:
                if (e->Type == D3DDECLTYPE_FLOAT4 || e->Type == D3DDECLTYPE_D3DCOLOR) {
                    if (e->UsageIndex == 0) m_diffuse = e;
                    if (e->UsageIndex == 1) m_specular = e;
                }
                break;
            case D3DDECLUSAGE_TEXCOORD:
                if (isFloat && e->UsageIndex < kTexCoordSets) m_texCoords[e->UsageIndex] = e;
                break;
            default:
                break;
        }
    }
    m_vertexSize = D3DXGetDeclVertexSize(decl, 0);
}

namespace {
D3DXVECTOR3 readVector(const D3DVERTEXELEMENT9* element, const BYTE* vertex) {
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (element != nullptr) {
        std::memcpy(xyz, vertex + element->Offset, sizeof xyz);
    }
    return D3DXVECTOR3(xyz[0], xyz[1], xyz[2]);
}
}  // namespace

D3DXVECTOR3 CrackedDecl::readPosition(const BYTE* vertex) const { return readVector(m_position, vertex); }

D3DXVECTOR3 CrackedDecl::readNormal(const BYTE* vertex) const { return readVector(m_normal, vertex); }

void CrackedDecl::setNormal(BYTE* vertex, const D3DXVECTOR3& normal) const {
    if (m_normal != nullptr) {
        const float xyz[3] = {normal.x, normal.y, normal.z};
        std::memcpy(vertex + m_normal->Offset, xyz, sizeof xyz);
    }
}

}  // namespace gfxutil::mesh
