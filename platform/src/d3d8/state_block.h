// A recorded state block: which states were set between BeginStateBlock and
// EndStateBlock (the mask), and their values. CaptureStateBlock copies the
// device's current values of exactly those states into the block;
// ApplyStateBlock sets them on the device again, through the device's own
// setters, so what changes is marked for the next draw like any other set.
//
// Textures, vertex buffers and index buffers held by a block keep a
// reference, as the device's own bindings do.
#pragma once

#include <bitset>

#include "device_state.h"

namespace tarvona::d3d8 {

class StateTracker;

struct StateMask {
    std::bitset<kRenderStateCount> renderStates;
    std::bitset<kStageStateCount> stageStates[kStageCount];
    std::uint32_t textures = 0;      // bit per stage
    std::uint32_t transforms = 0;    // bit per TransformSlot
    std::uint32_t lights = 0;        // SetLight, bit per index
    std::uint32_t lightEnables = 0;  // LightEnable, bit per index
    std::uint32_t streams = 0;       // bit per stream
    bool material = false;
    bool viewport = false;
    bool indices = false;
    bool vertexShader = false;
};

class StateBlock {
public:
    StateBlock();
    ~StateBlock();
    StateBlock(const StateBlock&) = delete;
    StateBlock& operator=(const StateBlock&) = delete;

    const StateMask& Mask() const { return mask_; }
    const DeviceState& Values() const { return values_; }

    // Recording: remember the state and its value (the last value wins).
    void RecordRenderState(DWORD state, DWORD value);
    void RecordStageState(DWORD stage, DWORD type, DWORD value);
    void RecordTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    void RecordTransform(int slot, const D3DMATRIX& matrix);
    void RecordMaterial(const D3DMATERIAL8& material);
    void RecordLight(DWORD index, const D3DLIGHT8& light);
    void RecordLightEnable(DWORD index, bool enabled);
    void RecordViewport(const D3DVIEWPORT8& viewport);
    void RecordStream(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    void RecordIndices(IDirect3DIndexBuffer8* indices, UINT baseVertexIndex);
    void RecordVertexShader(DWORD handle);

    // Copies the current values of the recorded states from `current`.
    void Capture(const DeviceState& current);
    // Sets the recorded values on the tracker.
    void ApplyTo(StateTracker& tracker) const;

private:
    StateMask mask_;
    DeviceState values_;
};

}  // namespace tarvona::d3d8
