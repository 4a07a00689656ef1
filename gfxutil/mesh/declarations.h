// Internal helpers of the declaration functions, shared by the mesh object, the generators and the
// normal computation.
//
// Every walk over a declaration stops at the end marker or after MAX_FVF_DECL_SIZE elements,
// whichever comes first: a caller's array without an end marker is refused, never read past the
// room a mesh has for it.
#pragma once

#include "gfxutil/mesh/mesh.h"

namespace gfxutil::mesh {

// Bytes taken by one element of `type`; 0 for D3DDECLTYPE_UNUSED and unknown types.
UINT declTypeSize(BYTE type);

bool isEndMarker(const D3DVERTEXELEMENT9& element);

// The mesh's declaration check: single stream, elements placed in increasing offset order.
// `caller` fills the "%s" of the messages ("D3DXCreateMesh", "UpdateSemantics").
bool checkMeshDeclaration(const D3DVERTEXELEMENT9* decl, const char* caller);

// D3DXFVFFromDeclarator with or without its diagnostic lines.
HRESULT fvfFromDeclarator(const D3DVERTEXELEMENT9* decl, DWORD* fvf, bool quiet);

// Copies a declaration up to and including its end marker (at most MAX_FVF_DECL_SIZE elements).
void copyDeclaration(D3DVERTEXELEMENT9* out, const D3DVERTEXELEMENT9* decl);

}  // namespace gfxutil::mesh
