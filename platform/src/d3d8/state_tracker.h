// The device's state tracking, apart from anything that talks to OpenGL.
//
// Each setter validates its arguments, stores the value and marks the dirty
// group of the state only when the value really changed; the GL backend
// flushes exactly the marked groups before the next draw. Between
// BeginStateBlock and EndStateBlock the setters record into the new block
// instead: as with Direct3D, recorded states are not applied to the device.
//
// Out-of-range state numbers, stages, light indices and null pointers give
// D3DERR_INVALIDCALL; unknown states inside the stored range are kept and
// otherwise ignored.
#pragma once

#include <memory>
#include <vector>

#include "device_state.h"
#include "state_block.h"

namespace tarvona::d3d8 {

class StateTracker {
public:
    StateTracker(bool autoDepth, UINT renderTargetWidth, UINT renderTargetHeight);
    ~StateTracker();
    StateTracker(const StateTracker&) = delete;
    StateTracker& operator=(const StateTracker&) = delete;

    const DeviceState& State() const { return state_; }

    // What changed since the last ClearDirty (the backend's flush).
    std::uint32_t dirty = kDirtyAll;
    std::uint32_t dirtySamplerStages = (1u << kStageCount) - 1;
    void ClearDirty() {
        dirty = 0;
        dirtySamplerStages = 0;
    }

    // Back to the documented defaults, every binding and state block dropped
    // (what Reset does).
    void Reset(bool autoDepth, UINT renderTargetWidth, UINT renderTargetHeight);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) const;  // adds a reference
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) const;
    HRESULT SetMaterial(const D3DMATERIAL8* material);
    HRESULT GetMaterial(D3DMATERIAL8* material) const;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light);
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) const;
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT GetLightEnable(DWORD index, BOOL* enable) const;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport);
    HRESULT GetViewport(D3DVIEWPORT8* viewport) const;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer8* indices, UINT baseVertexIndex);
    HRESULT SetVertexShader(DWORD handle);
    HRESULT GetVertexShader(DWORD* handle) const;

    HRESULT BeginStateBlock();
    HRESULT EndStateBlock(DWORD* token);
    HRESULT ApplyStateBlock(DWORD token);
    HRESULT CaptureStateBlock(DWORD token);
    HRESULT DeleteStateBlock(DWORD token);
    bool Recording() const { return recording_ != nullptr; }
    const StateBlock* Block(DWORD token) const;

private:
    void Release();
    StateBlock* Find(DWORD token) const;

    DeviceState state_;
    UINT targetWidth_;
    UINT targetHeight_;
    std::unique_ptr<StateBlock> recording_;
    // Block i has the token i + 1; deleted blocks leave an empty slot, so a
    // stale token never reaches another block.
    std::vector<std::unique_ptr<StateBlock>> blocks_;
};

// Reference counting of the bindings: the new object gains one, the old one
// loses one.
template <class T>
void Rebind(T*& slot, T* value) {
    if (value) value->AddRef();
    T* old = slot;
    slot = value;
    if (old) old->Release();
}

}  // namespace tarvona::d3d8
