// IDirect3DIndexBuffer8: 16- or 32-bit indices, kept like vertex buffers.
// The largest index in the buffer is worked out after each upload, so a
// draw can be refused when an index would reach past the vertex buffer.
#pragma once

#include <d3d8.h>

#include "device_child.h"
#include "vertex_buffer.h"

namespace tarvona::d3d8 {

class IndexBuffer final : public IDirect3DIndexBuffer8, public DeviceChild {
public:
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    const BufferStore& Store() const { return store_; }
    UINT IndexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
    UINT IndexCount() const { return store_.Length() / IndexSize(); }
    // The largest index in the whole buffer, worked out once per upload;
    // it settles most draws. MaxIndex scans one draw's range.
    UINT WholeMaxIndex() const;
    UINT MaxIndex(UINT start, UINT count) const;
    bool Owner(const Device* device) const { return store_.Owner() == device; }
    void DetachFromDevice() override;

private:
    ~IndexBuffer();
    UINT At(UINT i) const;
    BufferStore store_;
    ULONG refs_ = 1;
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
    mutable std::uint64_t maxVersion_ = ~0ull;  // the upload the cached maximum belongs to
    mutable UINT maxIndex_ = 0;
};

}  // namespace tarvona::d3d8
