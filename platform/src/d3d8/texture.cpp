#include "d3d8/texture.h"

#include <algorithm>

#include "d3d8/device.h"

namespace tarvona::d3d8 {

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                 const GlTextureFormat& glFormat)
    : device_(device), usage_(usage), format_(format), pool_(pool), glFormat_(glFormat) {
    UINT full = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++full;
    const UINT count = levels == 0 ? full : std::min(levels, full);
    levels_.resize(count);
    for (UINT i = 0; i < count; ++i) {
        Level& l = levels_[i];
        l.width = std::max(1u, width >> i);
        l.height = std::max(1u, height >> i);
        l.pitch = static_cast<INT>(l.width * glFormat.bytesPerTexel);
        l.bytes.assign(static_cast<size_t>(l.pitch) * l.height, 0);
    }
    // Every level starts as zeros in memory; sending them makes the GL
    // texture complete and defined before the first lock.
    dirtyLevels_ = count >= 32 ? ~0u : (1u << count) - 1;
    name_ = device_->Backend().CreateTexture(width, height, count, glFormat_);
    device_->AddChild(this);
}

Texture::~Texture() {
    if (device_) {
        device_->Backend().DeleteTexture(name_);
        device_->RemoveChild(this);
    }
}

void Texture::DetachFromDevice() {
    if (device_) device_->Backend().DeleteTexture(name_);
    name_ = 0;
    device_ = nullptr;
}

HRESULT Texture::QueryInterface(REFIID, void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Texture::AddRef() { return ++refs_; }

ULONG Texture::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Texture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device_;
    if (!device_) return D3DERR_INVALIDCALL;
    device_->AddRef();
    return D3D_OK;
}

DWORD Texture::SetPriority(DWORD p) {
    const DWORD old = priority_;
    priority_ = p;
    return old;
}
DWORD Texture::GetPriority() { return priority_; }
void Texture::PreLoad() {}

DWORD Texture::SetLOD(DWORD lod) {
    const DWORD old = lod_;
    lod_ = std::min<DWORD>(lod, static_cast<DWORD>(levels_.size() - 1));
    return old;
}
DWORD Texture::GetLOD() { return lod_; }
DWORD Texture::GetLevelCount() { return static_cast<DWORD>(levels_.size()); }

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
    const Level& l = levels_[level];
    *desc = D3DSURFACE_DESC{format_, D3DRTYPE_SURFACE, usage_, pool_, static_cast<UINT>(l.bytes.size()),
                            D3DMULTISAMPLE_NONE, l.width, l.height};
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, CONST RECT* rect, DWORD flags) {
    if (!locked || level >= levels_.size()) return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > l.width || static_cast<UINT>(rect->bottom) > l.height)
            return D3DERR_INVALIDCALL;
        offset = static_cast<size_t>(rect->top) * static_cast<size_t>(l.pitch) +
                 static_cast<size_t>(rect->left) * glFormat_.bytesPerTexel;
    }
    l.locked = true;
    locked->Pitch = l.pitch;
    locked->pBits = l.bytes.data() + offset;
    // A read-only lock leaves the GL copy as it is.
    if (!(flags & D3DLOCK_READONLY)) dirtyLevels_ |= 1u << std::min(level, 31u);
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    levels_[level].locked = false;
    return D3D_OK;
}

GLuint Texture::Prepare(GLuint unit) {
    if (!device_) return 0;
    GlBackend& gl = device_->Backend();
    gl.BindTextureUnit(unit, name_);
    if (!dirtyLevels_) return name_;
    std::uint32_t still = 0;
    for (UINT i = 0; i < levels_.size() && i < 32; ++i) {
        if (!(dirtyLevels_ & (1u << i))) continue;
        // A level still locked is sent once it is unlocked.
        if (levels_[i].locked) {
            still |= 1u << i;
            continue;
        }
        const Level& l = levels_[i];
        gl.UploadTextureLevel(name_, i, l.width, l.height, l.pitch, glFormat_, l.bytes.data());
    }
    dirtyLevels_ = still;
    return name_;
}

}  // namespace tarvona::d3d8
