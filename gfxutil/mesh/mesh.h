// The mesh library's public interface: vertex declarations and FVF codes, the indexed triangle
// mesh (ID3DXMesh), the shape generators, vertex-normal computation and the plain data buffer
// (ID3DXBuffer) that carries adjacency and remap arrays back to a caller.
//
// Callers rely on:
// - every function checks its arguments first, in a fixed order, writes one diagnostic line per
//   refusal on the library channel (gfxutil/core/diagnostics.h) and returns a status; output
//   arguments are written only on success; nothing is thrown;
// - objects come out with one reference that the caller owns; a mesh holds one reference to the
//   device and to each device object it created, and drops them when its own count reaches zero;
// - a mesh is used by one thread at a time; the vertex-cache memo of mesh creation is process-wide
//   and unguarded, so meshes are created on one thread.
//
// Choices made where nothing else fixes them are written beside each declaration below and in the
// header comment of the implementation files (tri3mesh.h for the mesh object).
#pragma once

#include "gfxutil/core/shared_types.h"
#include "gfxutil/math/math_types.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"

// ---- declarations -------------------------------------------------------------------------------
// A mesh keeps at most 64 elements and the end marker.
inline constexpr UINT MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

// Vertex size in bytes of the elements of `stream` (elements of method UV take no room); 0 for a
// missing declaration.
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream);
// Elements before the end marker; a declaration that has no end marker within MAX_FVF_DECL_SIZE
// elements counts as MAX_FVF_DECL_SIZE, which every check below refuses.
UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* pDecl);
HRESULT D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE]);
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF);

// ---- mesh options ---------------------------------------------------------------------------------
inline constexpr DWORD D3DXMESH_32BIT = 0x00001;
inline constexpr DWORD D3DXMESH_DONOTCLIP = 0x00002;
inline constexpr DWORD D3DXMESH_POINTS = 0x00004;
inline constexpr DWORD D3DXMESH_RTPATCHES = 0x00008;
inline constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x00010;
inline constexpr DWORD D3DXMESH_VB_MANAGED = 0x00020;
inline constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x00040;
inline constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x00080;
inline constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x00100;
inline constexpr DWORD D3DXMESH_IB_MANAGED = 0x00200;
inline constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x00400;
inline constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x00800;
inline constexpr DWORD D3DXMESH_VB_SHARE = 0x01000;
inline constexpr DWORD D3DXMESH_USEHWONLY = 0x02000;
inline constexpr DWORD D3DXMESH_NPATCHES = 0x04000;
inline constexpr DWORD D3DXMESH_VB_SOFTWAREPROCESSING = 0x08000;
inline constexpr DWORD D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000;
inline constexpr DWORD D3DXMESH_SYSTEMMEM = D3DXMESH_VB_SYSTEMMEM | D3DXMESH_IB_SYSTEMMEM;
inline constexpr DWORD D3DXMESH_MANAGED = D3DXMESH_VB_MANAGED | D3DXMESH_IB_MANAGED;
inline constexpr DWORD D3DXMESH_WRITEONLY = D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY;
inline constexpr DWORD D3DXMESH_DYNAMIC = D3DXMESH_VB_DYNAMIC | D3DXMESH_IB_DYNAMIC;
inline constexpr DWORD D3DXMESH_SOFTWAREPROCESSING = D3DXMESH_VB_SOFTWAREPROCESSING | D3DXMESH_IB_SOFTWAREPROCESSING;

// Optimisation flags (our values; only their meaning is fixed). The low 24 bits are left for
// mesh options, so a caller may pass creation options together with these to Optimize.
inline constexpr DWORD D3DXMESHOPT_DEVICEINDEPENDENT = 0x00400000;
inline constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;     // drop unused vertices and degenerate faces
inline constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;    // group faces by attribute, build the table
inline constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000; // reorder faces for the vertex cache
inline constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;
inline constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000; // faces only; vertices keep their order
inline constexpr DWORD D3DXMESHOPT_DONOTSPLIT = 0x20000000;

// One entry of the attribute table: the faces and vertices of one subset.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};
static_assert(sizeof(D3DXATTRIBUTERANGE) == 20);

// ---- interfaces -----------------------------------------------------------------------------------
class ID3DXMesh;

// A block of bytes owned by the object. Its contents start zeroed.
class ID3DXBuffer : public IUnknown {
public:
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

// The mesh operations every kind of mesh offers (slots 3 to 23 of the mesh's table).
class ID3DXBaseMesh : public IUnknown {
public:
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pD3DDevice,
                              ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    virtual HRESULT ConvertPointRepsToAdjacency(const DWORD* pPRep, DWORD* pAdjacency) = 0;
    virtual HRESULT ConvertAdjacencyToPointReps(const DWORD* pAdjacency, DWORD* pPRep) = 0;
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
    virtual HRESULT UpdateSemantics(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
};

// The indexed triangle mesh (slots 24 to 28).
class ID3DXMesh : public ID3DXBaseMesh {
public:
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // Flags: D3DXMESHOPT_* plus the creation options of the new mesh. pAdjacencyIn is required
    // (three entries per face, 0xFFFFFFFF for none); every other output is optional. pFaceRemap[f]
    // is the old face now at f; the vertex remap buffer holds, per new vertex, the old vertex.
    virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                    DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap) = 0;
    virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) = 0;
};

using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXBASEMESH = ID3DXBaseMesh*;
using LPD3DXMESH = ID3DXMesh*;

WIN32_DECLARE_IID(ID3DXBaseMesh, {0x4F5621A3, 0x7F25, 0x46DC, {0x82, 0x39, 0x82, 0x0B, 0x82, 0x37, 0x95, 0xCB}});
WIN32_DECLARE_IID(ID3DXMesh, {0x29E3EB8D, 0x4DD6, 0x4524, {0xB1, 0xA2, 0x1E, 0xF0, 0x58, 0x1E, 0x77, 0x8D}});
// Ours: the buffer's identifier is not shared with any other system.
WIN32_DECLARE_IID(ID3DXBuffer, {0x5D3DB001, 0x0009, 0x4D39, {0x80, 0x00, 0x6D, 0x65, 0x73, 0x68, 0x30, 0x01}});

// ---- functions --------------------------------------------------------------------------------------
HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer);

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                       IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppMesh);
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                          ID3DXMesh** ppMesh);

// The shape family: closed, outward-wound meshes of position and normal (FVF 0x12), managed, all
// faces in subset 0. The optional adjacency output receives three DWORDs per face.
HRESULT D3DXCreateSphere(IDirect3DDevice9* pDevice, FLOAT Radius, UINT Slices, UINT Stacks, ID3DXMesh** ppMesh,
                         ID3DXBuffer** ppAdjacency);
HRESULT D3DXCreateBox(IDirect3DDevice9* pDevice, FLOAT Width, FLOAT Height, FLOAT Depth, ID3DXMesh** ppMesh,
                      ID3DXBuffer** ppAdjacency);
HRESULT D3DXCreateCylinder(IDirect3DDevice9* pDevice, FLOAT Radius1, FLOAT Radius2, FLOAT Length, UINT Slices,
                           UINT Stacks, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);
HRESULT D3DXCreatePolygon(IDirect3DDevice9* pDevice, FLOAT Length, UINT Sides, ID3DXMesh** ppMesh,
                          ID3DXBuffer** ppAdjacency);
HRESULT D3DXCreateTorus(IDirect3DDevice9* pDevice, FLOAT InnerRadius, FLOAT OuterRadius, UINT Sides, UINT Rings,
                        ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);
HRESULT D3DXCreateTeapot(IDirect3DDevice9* pDevice, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);

// Replaces every vertex normal with the normalised, area-weighted sum of the normals of the faces
// that use it; with adjacency, vertices at one point of the surface share their sum.
HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency);
