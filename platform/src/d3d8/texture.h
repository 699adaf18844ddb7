// IDirect3DTexture8: a 2D texture with its mip chain. Each level is kept in
// memory with a real pitch; LockRect hands out that memory and UnlockRect
// marks the level for upload, which happens when a draw next samples the
// texture, so a texture filled level by level is sent once.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "device_child.h"
#include "gl_enums.h"

namespace tarvona::d3d8 {

class Device;

class Texture final : public IDirect3DTexture8, public DeviceChild {
public:
    // Levels 0 asks for the whole chain down to 1 by 1.
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
            const GlTextureFormat& glFormat);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirect3DResource8
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    // IDirect3DBaseTexture8
    DWORD STDMETHODCALLTYPE SetLOD(DWORD LODNew) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    // IDirect3DTexture8
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT Level) override;

    // The GL texture with every unlocked level sent; binds it to `unit`.
    GLuint Prepare(GLuint unit);
    bool Owner(const Device* device) const { return device_ == device; }
    void DetachFromDevice() override;

private:
    ~Texture();

    struct Level {
        UINT width, height;
        INT pitch;
        std::vector<std::uint8_t> bytes;
        bool locked = false;
    };
    Device* device_;
    ULONG refs_ = 1;
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    GlTextureFormat glFormat_;
    std::vector<Level> levels_;
    std::uint32_t dirtyLevels_ = 0;
    DWORD lod_ = 0;
    DWORD priority_ = 0;
    GLuint name_ = 0;
};

}  // namespace tarvona::d3d8
