// What both programs' mesh objects share: loading a .x model with its
// materials and textures, drawing the subsets, and giving it all back. They
// differ only in the object itself (how it holds its world matrix and
// lighting): any class with the fields geometry, materials, textures,
// subsetCount and device, the (geometry, materials, textures, subsetCount)
// constructor and SetDevice.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

#include <new>

// S_OK with *out set to a new object, or E_FAIL with *out untouched.
template <class Object>
HRESULT LoadMeshInto(const char* fileName, IDirect3DDevice8* device, Object** out) {
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

    Object* object = new (std::nothrow) Object(mesh, materials, textures, materialCount);
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

// Each subset with its own material and texture (null included, which leaves
// stage 0 without one). The caller has set the world transform.
template <class Object>
void DrawMeshSubsets(Object& object) {
    for (DWORD i = 0; i < object.subsetCount; ++i) {
        object.device->SetMaterial(&object.materials[i]);
        object.device->SetTexture(0, object.textures[i]);
        object.geometry->DrawSubset(i);
    }
}

// The fields keep their values but the device, so the object is not drawn
// or released again.
template <class Object>
void ReleaseMeshResources(Object& object) {
    if (object.materials) delete[] object.materials;
    if (object.textures) {
        for (DWORD i = 0; i < object.subsetCount; ++i)
            if (object.textures[i]) object.textures[i]->Release();
        delete[] object.textures;
    }
    if (object.geometry) object.geometry->Release();
    object.device = nullptr;
}
