// tarvona_early's model object: like tarvona's, but it holds its world
// matrix by value and leaves lighting to the frame.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

namespace early {

class MeshObject {
public:
    MeshObject();
    MeshObject(ID3DXMesh* geometry, D3DMATERIAL8* materials, IDirect3DTexture8** textures, DWORD subsetCount);

    // Copies the matrix: the caller's may change or go away afterwards.
    void SetWorldMatrix(const D3DXMATRIX* matrix);
    void SetDevice(IDirect3DDevice8* device);
    void Render();
    void ReleaseResources();

    ID3DXMesh* geometry;
    D3DMATERIAL8* materials;
    IDirect3DTexture8** textures;
    DWORD subsetCount;
    D3DXMATRIX worldMatrix;
    IDirect3DDevice8* device;
};

// S_OK with *out set to a new object, or E_FAIL with *out untouched.
HRESULT LoadMeshObject(const char* fileName, IDirect3DDevice8* device, MeshObject** out);

}  // namespace early
