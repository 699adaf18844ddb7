#include "early/MeshObject.h"

#include "render/MeshLoader.h"

namespace early {

namespace {
D3DXMATRIX Identity() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}
}  // namespace

MeshObject::MeshObject()
    : geometry(nullptr),
      materials(nullptr),
      textures(nullptr),
      subsetCount(0),
      worldMatrix(Identity()),
      device(nullptr) {}

MeshObject::MeshObject(ID3DXMesh* geometry_, D3DMATERIAL8* materials_, IDirect3DTexture8** textures_,
                       DWORD subsetCount_)
    : geometry(geometry_),
      materials(materials_),
      textures(textures_),
      subsetCount(subsetCount_),
      worldMatrix(Identity()),
      device(nullptr) {}

void MeshObject::SetWorldMatrix(const D3DXMATRIX* matrix) { worldMatrix = *matrix; }

void MeshObject::SetDevice(IDirect3DDevice8* device_) { device = device_; }

void MeshObject::Render() {
    device->SetTransform(D3DTS_WORLD, &worldMatrix);
    DrawMeshSubsets(*this);
}

void MeshObject::ReleaseResources() { ReleaseMeshResources(*this); }

HRESULT LoadMeshObject(const char* fileName, IDirect3DDevice8* device, MeshObject** out) {
    return LoadMeshInto(fileName, device, out);
}

}  // namespace early
