#include "render/MeshObject.h"

#include "render/MeshLoader.h"

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
    DrawMeshSubsets(*this);
}

void MeshObject::ReleaseResources() { ReleaseMeshResources(*this); }

HRESULT LoadMeshObject(const char* fileName, IDirect3DDevice8* device, MeshObject** out) {
    return LoadMeshInto(fileName, device, out);
}
