#include "d3d8/state_tracker.h"

#include <cmath>
#include <cstring>

namespace tarvona::d3d8 {

namespace {

bool SameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// Samplers are flushed per stage; the stage's bit says which.
constexpr std::uint32_t StageBit(DWORD stage) { return 1u << stage; }

}  // namespace

StateTracker::StateTracker(bool autoDepth, UINT width, UINT height) : targetWidth_(width), targetHeight_(height) {
    SetDefaults(state_, autoDepth, width, height);
}

StateTracker::~StateTracker() { Release(); }

void StateTracker::Release() {
    recording_.reset();
    blocks_.clear();
    for (IDirect3DBaseTexture8*& t : state_.textures) Rebind<IDirect3DBaseTexture8>(t, nullptr);
    for (StreamSource& s : state_.streams) Rebind<IDirect3DVertexBuffer8>(s.buffer, nullptr);
    Rebind<IDirect3DIndexBuffer8>(state_.indices, nullptr);
}

void StateTracker::Reset(bool autoDepth, UINT width, UINT height) {
    Release();
    targetWidth_ = width;
    targetHeight_ = height;
    SetDefaults(state_, autoDepth, width, height);
    dirty = kDirtyAll;
    dirtySamplerStages = (1u << kStageCount) - 1;
}

HRESULT StateTracker::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    const DWORD s = state;
    if (s >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordRenderState(s, value);
        return D3D_OK;
    }
    if (state_.renderStates[s] == value) return D3D_OK;
    state_.renderStates[s] = value;
    dirty |= DirtyOfRenderState(s);
    return D3D_OK;
}

HRESULT StateTracker::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
    if (!value || static_cast<DWORD>(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT StateTracker::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    const DWORD t = type;
    if (stage >= kStageCount || t >= kStageStateCount) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordStageState(stage, t, value);
        return D3D_OK;
    }
    if (state_.stageStates[stage][t] == value) return D3D_OK;
    state_.stageStates[stage][t] = value;
    const std::uint32_t d = DirtyOfStageState(t);
    dirty |= d;
    if (d & kDirtySamplers) dirtySamplerStages |= StageBit(stage);
    return D3D_OK;
}

HRESULT StateTracker::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const {
    if (!value || stage >= kStageCount || static_cast<DWORD>(type) >= kStageStateCount) return D3DERR_INVALIDCALL;
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT StateTracker::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= kStageCount) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordTexture(stage, texture);
        return D3D_OK;
    }
    if (state_.textures[stage] == texture) return D3D_OK;
    // Binding or unbinding a texture also switches the stage between
    // sampling and reading opaque white, a different shader.
    const bool hadTexture = state_.textures[stage] != nullptr;
    Rebind(state_.textures[stage], texture);
    dirty |= kDirtyTextures;
    if (hadTexture != (texture != nullptr)) dirty |= kDirtyShaderKey;
    return D3D_OK;
}

HRESULT StateTracker::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) const {
    if (!texture || stage >= kStageCount) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT StateTracker::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    const int slot = TransformSlotOf(type);
    if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordTransform(slot, *matrix);
        return D3D_OK;
    }
    if (SameBytes(&state_.transforms[slot], matrix, sizeof(D3DMATRIX))) return D3D_OK;
    state_.transforms[slot] = *matrix;
    dirty |= kDirtyTransforms;
    // Lights live in camera space: the view moves them.
    if (slot == kTransformView) dirty |= kDirtyLighting;
    return D3D_OK;
}

HRESULT StateTracker::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) const {
    const int slot = TransformSlotOf(type);
    if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
    *matrix = state_.transforms[slot];
    return D3D_OK;
}

HRESULT StateTracker::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordMaterial(*material);
        return D3D_OK;
    }
    if (SameBytes(&state_.material, material, sizeof(D3DMATERIAL8))) return D3D_OK;
    state_.material = *material;
    dirty |= kDirtyMaterial;
    return D3D_OK;
}

HRESULT StateTracker::GetMaterial(D3DMATERIAL8* material) const {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

HRESULT StateTracker::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light || index >= kLightSlots) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    // A negative or NaN range would make the cut-off meaningless.
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordLight(index, *light);
        return D3D_OK;
    }
    if (SameBytes(&state_.lights[index].light, light, sizeof(D3DLIGHT8))) return D3D_OK;
    state_.lights[index].light = *light;
    if (state_.lights[index].enabled) dirty |= kDirtyLighting;
    return D3D_OK;
}

HRESULT StateTracker::GetLight(DWORD index, D3DLIGHT8* light) const {
    if (!light || index >= kLightSlots) return D3DERR_INVALIDCALL;
    *light = state_.lights[index].light;
    return D3D_OK;
}

HRESULT StateTracker::LightEnable(DWORD index, BOOL enable) {
    if (index >= kLightSlots) return D3DERR_INVALIDCALL;
    const bool on = enable != FALSE;
    if (recording_) {
        recording_->RecordLightEnable(index, on);
        return D3D_OK;
    }
    if (state_.lights[index].enabled == on) return D3D_OK;
    state_.lights[index].enabled = on;
    dirty |= kDirtyLighting;
    return D3D_OK;
}

HRESULT StateTracker::GetLightEnable(DWORD index, BOOL* enable) const {
    if (!enable || index >= kLightSlots) return D3DERR_INVALIDCALL;
    *enable = state_.lights[index].enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT StateTracker::SetViewport(const D3DVIEWPORT8* v) {
    if (!v) return D3DERR_INVALIDCALL;
    // The viewport must lie inside the render target and have an area.
    if (v->Width == 0 || v->Height == 0) return D3DERR_INVALIDCALL;
    if (v->X >= targetWidth_ || v->Y >= targetHeight_) return D3DERR_INVALIDCALL;
    if (v->Width > targetWidth_ - v->X || v->Height > targetHeight_ - v->Y) return D3DERR_INVALIDCALL;
    if (!std::isfinite(v->MinZ) || !std::isfinite(v->MaxZ)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordViewport(*v);
        return D3D_OK;
    }
    if (SameBytes(&state_.viewport, v, sizeof(D3DVIEWPORT8))) return D3D_OK;
    state_.viewport = *v;
    dirty |= kDirtyViewport | kDirtyMiscUniforms;  // point scaling uses the viewport height
    return D3D_OK;
}

HRESULT StateTracker::GetViewport(D3DVIEWPORT8* viewport) const {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return D3D_OK;
}

HRESULT StateTracker::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (stream >= kStreamCount) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordStream(stream, buffer, stride);
        return D3D_OK;
    }
    StreamSource& s = state_.streams[stream];
    if (s.buffer == buffer && s.stride == stride) return D3D_OK;
    Rebind(s.buffer, buffer);
    s.stride = stride;
    if (stream == 0) dirty |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT StateTracker::SetIndices(IDirect3DIndexBuffer8* indices, UINT baseVertexIndex) {
    if (recording_) {
        recording_->RecordIndices(indices, baseVertexIndex);
        return D3D_OK;
    }
    if (state_.indices == indices && state_.baseVertexIndex == baseVertexIndex) return D3D_OK;
    Rebind(state_.indices, indices);
    state_.baseVertexIndex = baseVertexIndex;
    dirty |= kDirtyIndices;
    return D3D_OK;
}

HRESULT StateTracker::SetVertexShader(DWORD handle) {
    if (recording_) {
        recording_->RecordVertexShader(handle);
        return D3D_OK;
    }
    if (state_.vertexShader == handle) return D3D_OK;
    state_.vertexShader = handle;
    dirty |= kDirtyVertexInput | kDirtyShaderKey;
    return D3D_OK;
}

HRESULT StateTracker::GetVertexShader(DWORD* handle) const {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.vertexShader;
    return D3D_OK;
}

HRESULT StateTracker::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    return D3D_OK;
}

HRESULT StateTracker::EndStateBlock(DWORD* token) {
    if (!recording_ || !token) return D3DERR_INVALIDCALL;
    blocks_.push_back(std::move(recording_));
    *token = static_cast<DWORD>(blocks_.size());
    return D3D_OK;
}

StateBlock* StateTracker::Find(DWORD token) const {
    if (token == 0 || token > blocks_.size()) return nullptr;
    return blocks_[token - 1].get();
}

const StateBlock* StateTracker::Block(DWORD token) const { return Find(token); }

HRESULT StateTracker::ApplyStateBlock(DWORD token) {
    const StateBlock* block = Find(token);
    if (!block || recording_) return D3DERR_INVALIDCALL;
    block->ApplyTo(*this);
    return D3D_OK;
}

HRESULT StateTracker::CaptureStateBlock(DWORD token) {
    StateBlock* block = Find(token);
    if (!block || recording_) return D3DERR_INVALIDCALL;
    block->Capture(state_);
    return D3D_OK;
}

HRESULT StateTracker::DeleteStateBlock(DWORD token) {
    if (!Find(token) || recording_) return D3DERR_INVALIDCALL;
    blocks_[token - 1].reset();
    return D3D_OK;
}

}  // namespace tarvona::d3d8
