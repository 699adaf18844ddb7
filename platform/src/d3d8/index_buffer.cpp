#include "d3d8/index_buffer.h"

#include <algorithm>
#include <cstring>

#include "d3d8/device.h"

namespace tarvona::d3d8 {

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : store_(device, length), usage_(usage), format_(format), pool_(pool) {
    device->AddChild(this);
}

IndexBuffer::~IndexBuffer() {
    if (Device* d = store_.Owner()) d->RemoveChild(this);
}

void IndexBuffer::DetachFromDevice() { store_.Detach(); }

HRESULT IndexBuffer::QueryInterface(REFIID, void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}
ULONG IndexBuffer::AddRef() { return ++refs_; }
ULONG IndexBuffer::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}
HRESULT IndexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = store_.Owner();
    if (!*ppDevice) return D3DERR_INVALIDCALL;
    (*ppDevice)->AddRef();
    return D3D_OK;
}
DWORD IndexBuffer::SetPriority(DWORD p) {
    const DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD IndexBuffer::GetPriority() { return priority_; }

HRESULT IndexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    return store_.Lock(offset, size, data, flags, usage_);
}
HRESULT IndexBuffer::Unlock() { return store_.Unlock(); }

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, store_.Length()};
    return D3D_OK;
}

UINT IndexBuffer::At(UINT i) const {
    const std::uint8_t* bytes = store_.Bytes();
    if (IndexSize() == 4) {
        std::uint32_t v;
        std::memcpy(&v, bytes + static_cast<size_t>(i) * 4, 4);
        return v;
    }
    std::uint16_t v;
    std::memcpy(&v, bytes + static_cast<size_t>(i) * 2, 2);
    return v;
}

UINT IndexBuffer::WholeMaxIndex() const {
    if (maxVersion_ != store_.Version()) {
        UINT m = 0;
        for (UINT i = 0; i < IndexCount(); ++i) m = std::max(m, At(i));
        maxIndex_ = m;
        maxVersion_ = store_.Version();
    }
    return maxIndex_;
}

UINT IndexBuffer::MaxIndex(UINT start, UINT count) const {
    UINT m = 0;
    for (UINT i = start; i < start + count; ++i) m = std::max(m, At(i));
    return m;
}

}  // namespace tarvona::d3d8
