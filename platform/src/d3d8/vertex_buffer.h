// IDirect3DVertexBuffer8: vertex memory the program writes through Lock,
// mirrored into a GL buffer on Unlock. A D3DLOCK_DISCARD lock gives the GL
// buffer fresh storage on upload instead of overwriting storage that queued
// draws may still read, so it never waits.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "device_child.h"

namespace tarvona::d3d8 {

class Device;

// The part vertex and index buffers share: memory, locks and the upload.
class BufferStore {
public:
    BufferStore(Device* device, UINT length);
    ~BufferStore();
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags, DWORD usage);
    HRESULT Unlock();
    GLuint Name() const { return name_; }
    UINT Length() const { return static_cast<UINT>(bytes_.size()); }
    const std::uint8_t* Bytes() const { return bytes_.data(); }
    bool Locked() const { return locked_; }
    std::uint64_t Version() const { return version_; }  // changes with every upload
    void Detach();
    Device* Owner() const { return device_; }

private:
    Device* device_;
    std::vector<std::uint8_t> bytes_;
    GLuint name_ = 0;
    bool locked_ = false;
    bool discard_ = false;
    bool writes_ = false;
    UINT lockStart_ = 0;
    UINT lockEnd_ = 0;
    std::uint64_t version_ = 0;
};

class VertexBuffer final : public IDirect3DVertexBuffer8, public DeviceChild {
public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    const BufferStore& Store() const { return store_; }
    bool Owner(const Device* device) const { return store_.Owner() == device; }
    void DetachFromDevice() override;

private:
    ~VertexBuffer();
    BufferStore store_;
    ULONG refs_ = 1;
    DWORD usage_;
    DWORD fvf_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
};

}  // namespace tarvona::d3d8
