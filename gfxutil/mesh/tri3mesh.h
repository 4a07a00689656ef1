// Tri3Mesh: the indexed triangle mesh behind ID3DXMesh, in a 16-bit and a 32-bit variant that
// differ only in the width of indices and neighbour entries (Index = WORD or DWORD).
//
// Who keeps whom alive: the mesh holds one reference each to the device, the device's Direct3D
// root object, its vertex declaration object, its vertex buffer and its index buffer, and owns
// its arrays. When its count reaches zero it releases the declaration object, the root object,
// the device, the vertex buffer and the index buffer, in that order, then frees its arrays.
// GetDevice / GetVertexBuffer / GetIndexBuffer hand out an added reference.
//
// Choices made here:
// - Every per-face and per-vertex array is a std::vector grown to exactly the requested size; an
//   allocation failure surfaces as E_OUTOFMEMORY from the operation that needed it.
// - Byte sizes of buffers are computed in 64 bits: a face or vertex count whose buffer would not
//   fit a UINT is refused with E_OUTOFMEMORY instead of wrapping to a small buffer.
// - Faces whose indices are at or above the vertex count (the UNUSED marker among them) are
//   skipped by every operation that follows indices into the vertices, so a bad index buffer never
//   makes the mesh read outside its vertex buffer.
// - The lock operations refuse (D3DERR_INVALIDCALL) on a mesh without the buffer instead of
//   following an empty reference.
// - Optimize sorts faces by attribute (stable, so faces keep their order within a subset) and
//   renumbers vertices in first-use order; it does no vertex-cache reordering. The result is a
//   valid mesh with an attribute table, which is what callers of Optimize depend on.
#pragma once

#include <vector>

#include "gfxutil/mesh/mesh.h"
#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace gfxutil::mesh {

// State bits of a mesh.
inline constexpr DWORD kStateNeighbours = 0x01;
inline constexpr DWORD kStatePointReps = 0x02;
inline constexpr DWORD kStateAttributeIds = 0x04;
inline constexpr DWORD kStateAttributeIndex = 0x08;
inline constexpr DWORD kStateAttributeTable = 0x10;
inline constexpr DWORD kStateSharedVB = 0x20;
inline constexpr DWORD kStateEmulate32Bit = 0x40;

// Options accepted by D3DXCreateMesh.
inline constexpr DWORD kValidCreateOptions = 0x0001CFFF;

// Tuning values for a later vertex-cache optimisation.
struct VertexCacheTuning {
    DWORD cacheSize = 0;
    DWORD magicNumber = 0;
};

template <class Index>
class Tri3Mesh final : public ComObject<Tri3Mesh<Index>, ID3DXMesh, ID3DXBaseMesh> {
public:
    static constexpr Index UNUSED = static_cast<Index>(~Index{0});
    static constexpr bool k32Bit = sizeof(Index) == 4;

    // Construction: no storage yet. The device gets a reference; the root object is asked for.
    Tri3Mesh(DWORD options, const D3DVERTEXELEMENT9* decl, IDirect3DDevice9* device);
    ~Tri3Mesh() override;

    // The storage step: makes room for `faces` faces and `vertices` vertices and sets the counts.
    HRESULT resize(DWORD faces, DWORD vertices);
    // Takes another mesh's vertex buffer instead of creating one (state bit 0x20).
    void shareVertexBuffer(IDirect3DVertexBuffer9* vb, DWORD capacity);

    // ---- ID3DXBaseMesh ----
    HRESULT DrawSubset(DWORD AttribId) override;
    DWORD GetNumFaces() override { return m_cFaces; }
    DWORD GetNumVertices() override { return m_cVertices; }
    DWORD GetFVF() override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return m_cBytesPerVertex; }
    DWORD GetOptions() override { return m_dwOptions; }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) override;
    HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                      ID3DXMesh** ppCloneMesh) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) override;
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT ConvertPointRepsToAdjacency(const DWORD* pPRep, DWORD* pAdjacency) override;
    HRESULT ConvertAdjacencyToPointReps(const DWORD* pAdjacency, DWORD* pPRep) override;
    HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override;
    HRESULT UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;

    // ---- ID3DXMesh ----
    HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                     ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override;
    HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                            ID3DXBuffer** ppVertexRemap) override;
    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) override;

    // Internal consistency check: indices below the vertex count, neighbours in range and
    // symmetric, point representatives their own representatives, the attribute table within
    // the counts and matching the attribute ids. `faces` is the mesh's faces (three indices each).
    virtual bool BValid(const Index* faces);

    // For tests and the clone / optimise paths.
    DWORD stateBits() const { return m_dwState; }
    VertexCacheTuning vertexCacheTuning() const { return {m_dwVertexCacheSize, m_dwVertexCacheMagic}; }
    D3DPOOL vertexPool() const { return m_vbPool; }
    D3DPOOL indexPool() const { return m_ibPool; }
    DWORD vertexUsage() const { return m_vbUsage; }
    DWORD indexUsage() const { return m_ibUsage; }
    const std::vector<DWORD>& attributeIds() const { return m_rgiAttributeIds; }

private:
    HRESULT growFaces(DWORD faces);
    HRESULT growVertices(DWORD vertices);
    HRESULT recordVertexCacheTuning();
    HRESULT drawWithDevice(DWORD attribId);
    HRESULT drawEmulated(DWORD attribId);
    const D3DXATTRIBUTERANGE* findAttributeRange(DWORD attribId, bool tryDirect) const;
    // Locks the index buffer read-only for the mesh's own use; m_pFaces points at the faces.
    HRESULT lockOwnFaces();
    void unlockOwnFaces();
    bool faceInRange(DWORD face) const;
    HRESULT rebuildAttributeTable(bool sorted, const std::vector<DWORD>& ids, const std::vector<DWORD>& faces);
    HRESULT walkFanForPointReps(DWORD startFace, DWORD startCorner, const DWORD* adjacency, DWORD* pointReps);

    DWORD m_dwFVF = 0;
    ComPtr<IDirect3DVertexDeclaration9> m_pDeclObject;
    D3DVERTEXELEMENT9 m_pDecl[MAX_FVF_DECL_SIZE] = {};
    DWORD m_dwOptions = 0;
    DWORD m_dwState = kStateAttributeIds;
    D3DPOOL m_ibPool = D3DPOOL_DEFAULT;
    D3DPOOL m_vbPool = D3DPOOL_DEFAULT;
    DWORD m_ibUsage = 0;
    DWORD m_vbUsage = 0;
    ComPtr<IDirect3D9> m_pD3D;
    ComPtr<IDirect3DDevice9> m_pDevice;
    ComPtr<IDirect3DVertexBuffer9> m_pVBVertices;
    DWORD m_cBytesPerVertex = 0;
    DWORD m_cVertices = 0;
    DWORD m_cMaxVertices = 0;
    std::vector<Index> m_rgwPointReps;
    ComPtr<IDirect3DIndexBuffer9> m_pIBFaces;
    Index* m_pFaces = nullptr;
    std::vector<Index> m_rgpgNeighbours;
    std::vector<DWORD> m_rgiAttributeIds;
    std::vector<WORD> m_rgiAttributeIndex;
    std::vector<D3DXATTRIBUTERANGE> m_rgaeAttributeTable;
    DWORD m_caeAttributeTable = 0;
    DWORD m_cFaces = 0;
    DWORD m_cMaxFaces = 0;
    DWORD m_dwVertexCacheSize = 0;
    DWORD m_dwVertexCacheMagic = 0;
};

extern template class Tri3Mesh<WORD>;
extern template class Tri3Mesh<DWORD>;

// Constructs the variant the options choose and runs the storage step; no argument checks. With
// `sharedVB` the new mesh uses that vertex buffer (of `sharedCapacity` vertices) instead of its own.
HRESULT createTri3Mesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* decl,
                       IDirect3DDevice9* device, ID3DXMesh** out, IDirect3DVertexBuffer9* sharedVB = nullptr,
                       DWORD sharedCapacity = 0);

// The vertex-cache tuning of a device: the memo, the device's report and the overrides.
HRESULT queryVertexCacheTuning(IDirect3DDevice9* device, IDirect3D9* root, const D3DCAPS9& caps,
                               VertexCacheTuning* out);
// Forgets the process-wide memo, so that a test sees a fresh process.
void resetVertexCacheMemoForTesting();

// Pools and usages derived from creation options.
D3DPOOL vertexPoolFor(DWORD options);
D3DPOOL indexPoolFor(DWORD options);
DWORD vertexUsageFor(DWORD options);
DWORD indexUsageFor(DWORD options);

// Scratch arrays the mesh code allocates: E_OUTOFMEMORY instead of an exception.
template <class T>
HRESULT resizeArray(std::vector<T>& array, size_t count, T fill = T{}) {
    try {
        array.resize(count, fill);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace gfxutil::mesh
