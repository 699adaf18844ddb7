#include "render/MeshObject.h"

#include <new>

MeshObject::MeshObject()
    : geometry(nullptr),
      materials(nullptr),
      textures(nullptr),
      subsetCount(0),
      worldMatrix(nullptr),
      unlit(0),
      device(nullptr) {}

MeshObject::MeshObject(ID3DXMesh* geometry_, D3DMATERIAL8* materials_, IDirect3DTexture8** textures_,
                       DWORD subsetCount_)
    : geometry(geometry_),
      materials(materials_),
      textures(textures_),
      subsetCount(subsetCount_),
      worldMatrix(nullptr),
      unlit(0),
      device(nullptr) {}

void MeshObject::SetWorldMatrix(D3DXMATRIX* matrix) { worldMatrix = matrix; }

void MeshObject::SetWorldMatrixValues(D3DXMATRIX matrix) {
    worldMatrix = new (std::nothrow) D3DXMATRIX(matrix);
}

void MeshObject::SetDevice(IDirect3DDevice8* device_) { device = device_; }

void MeshObject::SetUnlit(int unlit_) { unlit = unlit_; }

void MeshObject::Render() {
    device->SetTransform(D3DTS_WORLD, worldMatrix);
    device->SetRenderState(D3DRS_LIGHTING, unlit == 0 ? TRUE : FALSE);
    for (DWORD i = 0; i < subsetCount; ++i) {
        device->SetMaterial(&materials[i]);
        device->SetTexture(0, textures[i]);
        geometry->DrawSubset(i);
    }
}

void MeshObject::ReleaseResources() {
    if (materials) delete[] materials;
    if (textures) {
        for (DWORD i = 0; i < subsetCount; ++i)
            if (textures[i]) textures[i]->Release();
        delete[] textures;
    }
    if (geometry) geometry->Release();
    device = nullptr;
}

HRESULT LoadMeshObject(const char* fileName, IDirect3DDevice8* device, MeshObject** out) {
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    if (D3DXLoadMeshFromX(const_cast<LPSTR>(fileName), D3DXMESH_SYSTEMMEM, device, nullptr, &materialBuffer,
                          &materialCount, &mesh) < 0)
        return E_FAIL;

    const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    D3DMATERIAL8* materials = new (std::nothrow) D3DMATERIAL8[materialCount];
    IDirect3DTexture8** textures = new (std::nothrow) IDirect3DTexture8*[materialCount];
    if (!materials || !textures) {
        // Nothing half-built reaches the caller.
        delete[] materials;
        delete[] textures;
        materialBuffer->Release();
        mesh->Release();
        return E_FAIL;
    }
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = records[i].MatD3D;
        materials[i].Ambient = materials[i].Diffuse;
        if (D3DXCreateTextureFromFileA(device, records[i].pTextureFilename, &textures[i]) < 0) textures[i] = nullptr;
    }
    materialBuffer->Release();

    MeshObject* object = new (std::nothrow) MeshObject(mesh, materials, textures, materialCount);
    if (!object) {
        for (DWORD i = 0; i < materialCount; ++i)
            if (textures[i]) textures[i]->Release();
        delete[] materials;
        delete[] textures;
        mesh->Release();
        return E_FAIL;
    }
    *out = object;
    object->SetDevice(device);
    return S_OK;
}
