// A model loaded from a .x file with its materials and one texture per
// material, drawn with the world matrix it is pointed at.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

class MeshObject {
public:
    MeshObject();
    MeshObject(ID3DXMesh* geometry, D3DMATERIAL8* materials, IDirect3DTexture8** textures, DWORD subsetCount);

    void SetWorldMatrix(D3DXMATRIX* matrix);
    void SetWorldMatrixValues(D3DXMATRIX matrix);
    void SetDevice(IDirect3DDevice8* device);
    void SetUnlit(int unlit);
    void Render();
    void ReleaseResources();

    ID3DXMesh* geometry;
    D3DMATERIAL8* materials;
    IDirect3DTexture8** textures;
    DWORD subsetCount;
    D3DXMATRIX* worldMatrix;
    int unlit;
    IDirect3DDevice8* device;
};

// S_OK with *out set to a new object, or E_FAIL with *out untouched.
HRESULT LoadMeshObject(const char* fileName, IDirect3DDevice8* device, MeshObject** out);
