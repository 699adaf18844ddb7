#include "d3d8/state_block.h"

#include <cstring>

#include "d3d8/state_tracker.h"

namespace tarvona::d3d8 {

StateBlock::StateBlock() { std::memset(&values_, 0, sizeof values_); }

StateBlock::~StateBlock() {
    for (IDirect3DBaseTexture8*& t : values_.textures) Rebind<IDirect3DBaseTexture8>(t, nullptr);
    for (StreamSource& s : values_.streams) Rebind<IDirect3DVertexBuffer8>(s.buffer, nullptr);
    Rebind<IDirect3DIndexBuffer8>(values_.indices, nullptr);
}

void StateBlock::RecordRenderState(DWORD state, DWORD value) {
    mask_.renderStates.set(state);
    values_.renderStates[state] = value;
}

void StateBlock::RecordStageState(DWORD stage, DWORD type, DWORD value) {
    mask_.stageStates[stage].set(type);
    values_.stageStates[stage][type] = value;
}

void StateBlock::RecordTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    mask_.textures |= 1u << stage;
    Rebind(values_.textures[stage], texture);
}

void StateBlock::RecordTransform(int slot, const D3DMATRIX& matrix) {
    mask_.transforms |= 1u << slot;
    values_.transforms[slot] = matrix;
}

void StateBlock::RecordMaterial(const D3DMATERIAL8& material) {
    mask_.material = true;
    values_.material = material;
}

void StateBlock::RecordLight(DWORD index, const D3DLIGHT8& light) {
    mask_.lights |= 1u << index;
    values_.lights[index].light = light;
}

void StateBlock::RecordLightEnable(DWORD index, bool enabled) {
    mask_.lightEnables |= 1u << index;
    values_.lights[index].enabled = enabled;
}

void StateBlock::RecordViewport(const D3DVIEWPORT8& viewport) {
    mask_.viewport = true;
    values_.viewport = viewport;
}

void StateBlock::RecordStream(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    mask_.streams |= 1u << stream;
    Rebind(values_.streams[stream].buffer, buffer);
    values_.streams[stream].stride = stride;
}

void StateBlock::RecordIndices(IDirect3DIndexBuffer8* indices, UINT baseVertexIndex) {
    mask_.indices = true;
    Rebind(values_.indices, indices);
    values_.baseVertexIndex = baseVertexIndex;
}

void StateBlock::RecordVertexShader(DWORD handle) {
    mask_.vertexShader = true;
    values_.vertexShader = handle;
}

void StateBlock::Capture(const DeviceState& s) {
    for (DWORD i = 0; i < kRenderStateCount; ++i)
        if (mask_.renderStates.test(i)) values_.renderStates[i] = s.renderStates[i];
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        if (mask_.stageStates[stage].none()) continue;
        for (DWORD t = 0; t < kStageStateCount; ++t)
            if (mask_.stageStates[stage].test(t)) values_.stageStates[stage][t] = s.stageStates[stage][t];
    }
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        if (mask_.textures & (1u << stage)) Rebind(values_.textures[stage], s.textures[stage]);
    for (int slot = 0; slot < kTransformCount; ++slot)
        if (mask_.transforms & (1u << slot)) values_.transforms[slot] = s.transforms[slot];
    if (mask_.material) values_.material = s.material;
    for (DWORD i = 0; i < kLightSlots; ++i) {
        if (mask_.lights & (1u << i)) values_.lights[i].light = s.lights[i].light;
        if (mask_.lightEnables & (1u << i)) values_.lights[i].enabled = s.lights[i].enabled;
    }
    if (mask_.viewport) values_.viewport = s.viewport;
    for (DWORD i = 0; i < kStreamCount; ++i) {
        if (!(mask_.streams & (1u << i))) continue;
        Rebind(values_.streams[i].buffer, s.streams[i].buffer);
        values_.streams[i].stride = s.streams[i].stride;
    }
    if (mask_.indices) {
        Rebind(values_.indices, s.indices);
        values_.baseVertexIndex = s.baseVertexIndex;
    }
    if (mask_.vertexShader) values_.vertexShader = s.vertexShader;
}

void StateBlock::ApplyTo(StateTracker& t) const {
    for (DWORD i = 0; i < kRenderStateCount; ++i)
        if (mask_.renderStates.test(i))
            t.SetRenderState(static_cast<D3DRENDERSTATETYPE>(i), values_.renderStates[i]);
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        if (mask_.stageStates[stage].none()) continue;
        for (DWORD type = 0; type < kStageStateCount; ++type)
            if (mask_.stageStates[stage].test(type))
                t.SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                       values_.stageStates[stage][type]);
    }
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        if (mask_.textures & (1u << stage)) t.SetTexture(stage, values_.textures[stage]);
    for (int slot = 0; slot < kTransformCount; ++slot) {
        if (!(mask_.transforms & (1u << slot))) continue;
        D3DTRANSFORMSTATETYPE type;
        if (slot == kTransformView)
            type = D3DTS_VIEW;
        else if (slot == kTransformProjection)
            type = D3DTS_PROJECTION;
        else if (slot < kTransformWorld0)
            type = static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + (slot - kTransformTexture0));
        else
            type = D3DTS_WORLDMATRIX(slot - kTransformWorld0);
        t.SetTransform(type, &values_.transforms[slot]);
    }
    if (mask_.material) t.SetMaterial(&values_.material);
    for (DWORD i = 0; i < kLightSlots; ++i) {
        if (mask_.lights & (1u << i)) t.SetLight(i, &values_.lights[i].light);
        if (mask_.lightEnables & (1u << i)) t.LightEnable(i, values_.lights[i].enabled ? TRUE : FALSE);
    }
    if (mask_.viewport) t.SetViewport(&values_.viewport);
    for (DWORD i = 0; i < kStreamCount; ++i)
        if (mask_.streams & (1u << i)) t.SetStreamSource(i, values_.streams[i].buffer, values_.streams[i].stride);
    if (mask_.indices) t.SetIndices(values_.indices, values_.baseVertexIndex);
    if (mask_.vertexShader) t.SetVertexShader(values_.vertexShader);
}

}  // namespace tarvona::d3d8
