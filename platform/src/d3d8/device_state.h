// The device's state as plain data: render states, texture-stage states,
// stage textures, transforms, lights, material, viewport, streams, indices
// and the vertex format, in fixed arrays indexed by Direct3D's own enums.
//
// The device and its state blocks share this one definition. Nothing here
// knows about OpenGL: the tracker (state_tracker.h) changes these values and
// marks what changed; the GL backend reads them before a draw.
#pragma once

#include <d3d8.h>

#include <cstdint>

namespace tarvona::d3d8 {

// Render states are stored for every value below this; the highest one
// Direct3D 8 defines is D3DRS_BLENDOP (171).
constexpr DWORD kRenderStateCount = 256;
constexpr DWORD kStageCount = 8;
// D3DTSS_RESULTARG (28) is the highest texture-stage state.
constexpr DWORD kStageStateCount = 32;
constexpr DWORD kLightSlots = 16;    // light indices 0..15
constexpr DWORD kMaxActiveLights = 8;
constexpr DWORD kStreamCount = D3DMAXSTREAMS;
constexpr DWORD kWorldMatrices = 4;  // D3DTS_WORLDMATRIX(0..3), for vertex blending (stored only)

// Transforms in a compact order: view, projection, the eight texture
// matrices, then the world matrices.
enum TransformSlot : int {
    kTransformView = 0,
    kTransformProjection = 1,
    kTransformTexture0 = 2,
    kTransformWorld0 = kTransformTexture0 + 8,
    kTransformCount = kTransformWorld0 + kWorldMatrices,
};
// The slot of a transform type, or -1 when the type names none.
int TransformSlotOf(D3DTRANSFORMSTATETYPE type);

struct LightSlot {
    D3DLIGHT8 light;
    bool enabled;
};

struct StreamSource {
    IDirect3DVertexBuffer8* buffer;
    UINT stride;
};

struct DeviceState {
    DWORD renderStates[kRenderStateCount];
    DWORD stageStates[kStageCount][kStageStateCount];
    IDirect3DBaseTexture8* textures[kStageCount];
    D3DMATRIX transforms[kTransformCount];
    D3DMATERIAL8 material;
    LightSlot lights[kLightSlots];
    D3DVIEWPORT8 viewport;
    StreamSource streams[kStreamCount];
    IDirect3DIndexBuffer8* indices;
    UINT baseVertexIndex;
    DWORD vertexShader;  // a flexible vertex format code
};

// Direct3D's documented defaults for a device created with (or without) an
// automatic depth buffer, whose render target is width by height.
void SetDefaults(DeviceState& state, bool autoDepth, UINT width, UINT height);

float FloatOf(DWORD bits);
DWORD BitsOf(float value);

// Groups of state that the backend flushes together; a setter marks the
// groups its state belongs to.
enum DirtyBits : std::uint32_t {
    kDirtyDepth = 1u << 0,         // ZENABLE, ZWRITEENABLE, ZFUNC
    kDirtyBlend = 1u << 1,         // ALPHABLENDENABLE, SRCBLEND, DESTBLEND, BLENDOP, COLORWRITEENABLE
    kDirtyRaster = 1u << 2,        // CULLMODE, FILLMODE, DITHERENABLE, ZBIAS
    kDirtyShaderKey = 1u << 3,     // anything that picks a different shader variant
    kDirtyMiscUniforms = 1u << 4,  // TEXTUREFACTOR, ALPHAREF, point size and scale
    kDirtyLighting = 1u << 5,      // AMBIENT, lights
    kDirtyTransforms = 1u << 6,
    kDirtyViewport = 1u << 7,
    kDirtySamplers = 1u << 8,      // filters, address modes, LOD bias (per stage: dirtySamplerStages)
    kDirtyTextures = 1u << 9,
    kDirtyVertexInput = 1u << 10,  // stream 0, vertex format
    kDirtyIndices = 1u << 11,
    kDirtyStencil = 1u << 12,
    kDirtyMaterial = 1u << 13,
    kDirtyAll = 0x3FFFu,
};

// Which groups a render state belongs to; 0 for states that are stored and
// otherwise ignored (fog, wrap modes, clipping, patches and the like).
std::uint32_t DirtyOfRenderState(DWORD state);
// Which groups a texture-stage state belongs to.
std::uint32_t DirtyOfStageState(DWORD type);

}  // namespace tarvona::d3d8
