// The declaration cracker: finds, in a declaration, the elements the mesh functions work with.
//
// An entry designates the last element of the declaration that qualifies for it (usage, usage
// index and type all matching); an element of another type (a position of four floats, a normal
// of packed shorts) designates nothing, so for the cracker's users that component is missing.
// The cracker keeps a pointer to the declaration it was filled from, which must outlive it.
#pragma once

#include "gfxutil/mesh/mesh.h"

namespace gfxutil::mesh {

class CrackedDecl {
public:
    static constexpr UINT kTexCoordSets = 8;

    void crack(const D3DVERTEXELEMENT9* decl);

    const D3DVERTEXELEMENT9* declaration() const { return m_decl; }
    UINT elementCount() const { return m_count; }
    const D3DVERTEXELEMENT9* position() const { return m_position; }
    const D3DVERTEXELEMENT9* blendWeights() const { return m_blendWeights; }
    const D3DVERTEXELEMENT9* blendIndices() const { return m_blendIndices; }
    const D3DVERTEXELEMENT9* normal() const { return m_normal; }
    const D3DVERTEXELEMENT9* diffuse() const { return m_diffuse; }
    const D3DVERTEXELEMENT9* specular() const { return m_specular; }
    const D3DVERTEXELEMENT9* texCoord(UINT set) const { return set < kTexCoordSets ? m_texCoords[set] : nullptr; }
    UINT vertexSize() const { return m_vertexSize; }

    // The position / normal of `vertex` (the start of one vertex); (0, 0, 0) without the element.
    // Vertex bytes carry no alignment promise, so these copy rather than cast.
    D3DXVECTOR3 readPosition(const BYTE* vertex) const;
    D3DXVECTOR3 readNormal(const BYTE* vertex) const;
    // Writes a normal into a vertex; nothing when there is no normal element.
    void setNormal(BYTE* vertex, const D3DXVECTOR3& normal) const;

private:
    const D3DVERTEXELEMENT9* m_decl = nullptr;
    UINT m_count = 0;
    const D3DVERTEXELEMENT9* m_position = nullptr;
    const D3DVERTEXELEMENT9* m_blendWeights = nullptr;
    const D3DVERTEXELEMENT9* m_blendIndices = nullptr;
    const D3DVERTEXELEMENT9* m_normal = nullptr;
    const D3DVERTEXELEMENT9* m_diffuse = nullptr;
    const D3DVERTEXELEMENT9* m_specular = nullptr;
    const D3DVERTEXELEMENT9* m_texCoords[kTexCoordSets] = {};
    UINT m_vertexSize = 0;
};

}  // namespace gfxutil::mesh
