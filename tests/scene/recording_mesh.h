// A stand-in for a loaded model: an ID3DXMesh whose DrawSubset is recorded
// into a RecordingDevice as "DrawSubset(<name>, <subset>)", wrapped in a
// one-subset MeshObject built the way LoadMeshObject leaves one, so a test
// can see which body was drawn where in the device's call sequence.
#pragma once

#include <d3dx8.h>

#include <string>

#include "render/MeshObject.h"
#include "support/recording_device.h"

namespace tarvona::testing {

class RecordingMesh final : public ID3DXMesh {
public:
    RecordingMesh(RecordingDevice* recorder, std::string meshName) : device(recorder), name(std::move(meshName)) {}
    RecordingMesh(const RecordingMesh&) = delete;
    RecordingMesh& operator=(const RecordingMesh&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        if (ppv) *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }  // owned by the test
    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD attribId) override {
        device->calls.push_back(
            Call{"DrawSubset", "DrawSubset(" + name + ", " + std::to_string(attribId) + ")", {attribId}, {}, {}, {}});
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE GetNumFaces() override { return 0; }
    DWORD STDMETHODCALLTYPE GetNumVertices() override { return 0; }
    DWORD STDMETHODCALLTYPE GetFVF() override { return 0; }
    DWORD STDMETHODCALLTYPE GetOptions() override { return 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIndexBuffer(LPDIRECT3DINDEXBUFFER8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD, BYTE**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD, BYTE**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD, DWORD**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() override { return E_NOTIMPL; }

    RecordingDevice* device;
    std::string name;
};

// One subset, untextured, lit, bound to the recording device.
struct RecordedModel {
    RecordedModel(RecordingDevice* device, const std::string& name)
        : geometry(device, name), object(&geometry, &material, &texture, 1) {
        object.SetDevice(device);
    }
    RecordedModel(const RecordedModel&) = delete;
    RecordedModel& operator=(const RecordedModel&) = delete;

    RecordingMesh geometry;
    D3DMATERIAL8 material{};
    IDirect3DTexture8* texture = nullptr;
    MeshObject object;
};

}  // namespace tarvona::testing
