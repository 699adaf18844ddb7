// ID3DXMesh on a device: its vertices and indices live in buffers created
// on that device (through IDirect3DDevice8 only, so any device serves), its
// faces are sorted by attribute and an attribute table makes each subset
// one DrawIndexedPrimitive.
#pragma once

#include <d3dx8.h>

#include "d3dx/xfile.h"

namespace tarvona::d3dx {

// Creates the mesh's buffers on the device with the pools and usages that
// the D3DXMESH_* options ask for. On failure returns the device's result and
// leaves nothing behind.
HRESULT CreateMesh(IDirect3DDevice8* device, DWORD options, const xfile::MeshData& data, ID3DXMesh** mesh);

// Three DWORDs per face: the neighbouring face across each edge (edge k
// joins corners k and k+1), 0xFFFFFFFF where none. Faces are neighbours
// when they share an edge between the same file positions.
ID3DXBuffer* NewAdjacency(const xfile::MeshData& data);

}  // namespace tarvona::d3dx
