#include "d3d8/vertex_buffer.h"

#include "d3d8/device.h"

namespace tarvona::d3d8 {

BufferStore::BufferStore(Device* device, UINT length) : device_(device), bytes_(length, 0) {
    name_ = device_->Backend().CreateBuffer(static_cast<GLsizeiptr>(length));
}

BufferStore::~BufferStore() {
    if (device_) device_->Backend().DeleteBuffer(name_);
}

void BufferStore::Detach() {
    if (device_) device_->Backend().DeleteBuffer(name_);
    name_ = 0;
    device_ = nullptr;
}

HRESULT BufferStore::Lock(UINT offset, UINT size, BYTE** data, DWORD flags, DWORD usage) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    const UINT length = Length();
    if (offset > length || (size != 0 && size > length - offset)) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;  // zero locks the rest of the buffer
    if (!locked_) {
        lockStart_ = offset;
        lockEnd_ = offset + size;
        discard_ = false;
        writes_ = false;
    } else {
        // Nested locks widen the range sent on the last unlock.
        lockStart_ = std::min(lockStart_, offset);
        lockEnd_ = std::max(lockEnd_, offset + size);
    }
    // DISCARD is only meaningful on dynamic buffers; elsewhere it is an
    // ordinary lock.
    if ((flags & D3DLOCK_DISCARD) && (usage & D3DUSAGE_DYNAMIC)) discard_ = true;
    if (!(flags & D3DLOCK_READONLY)) writes_ = true;
    locked_ = true;
    *data = bytes_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStore::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!writes_ || !device_) return D3D_OK;
    // A discarding lock promises the old contents are not needed, so the
    // whole buffer gets new storage; with only the locked part written the
    // rest is still sent, since the memory copy holds it anyway.
    const UINT start = discard_ ? 0 : lockStart_;
    const UINT end = discard_ ? Length() : lockEnd_;
    device_->Backend().UploadBuffer(name_, static_cast<GLsizeiptr>(Length()), start,
                                    static_cast<GLsizeiptr>(end - start), bytes_.data(), discard_);
    ++version_;
    return D3D_OK;
}

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : store_(device, length), usage_(usage), fvf_(fvf), pool_(pool) {
    device->AddChild(this);
}

VertexBuffer::~VertexBuffer() {
    if (Device* d = store_.Owner()) d->RemoveChild(this);
}

void VertexBuffer::DetachFromDevice() { store_.Detach(); }

HRESULT VertexBuffer::QueryInterface(REFIID, void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}
ULONG VertexBuffer::AddRef() { return ++refs_; }
ULONG VertexBuffer::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}
HRESULT VertexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = store_.Owner();
    if (!*ppDevice) return D3DERR_INVALIDCALL;
    (*ppDevice)->AddRef();
    return D3D_OK;
}
DWORD VertexBuffer::SetPriority(DWORD p) {
    const DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD VertexBuffer::GetPriority() { return priority_; }

HRESULT VertexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    return store_.Lock(offset, size, data, flags, usage_);
}
HRESULT VertexBuffer::Unlock() { return store_.Unlock(); }

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, store_.Length(), fvf_};
    return D3D_OK;
}

}  // namespace tarvona::d3d8
