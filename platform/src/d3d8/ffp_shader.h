// The fixed-function pipeline as generated GLSL.
//
// Everything that changes the shape of the code (which vertex fields exist,
// lighting on or off, the material colour sources, the two texture stages'
// operations and arguments, the alpha-test function, point sprites) goes
// into a ShaderKey; everything that is only a value (matrices, lights,
// material, the texture factor, the alpha reference, point sizes) lives in
// three uniform blocks that all variants share. The backend compiles a
// variant the first time its key is seen and keeps it, so a steady frame
// compiles nothing.
//
// The key and the GLSL text are made here without OpenGL, so both can be
// tested on their own.
#pragma once

#include <cstdint>
#include <string>

#include "device_state.h"
#include "vertex_format.h"

namespace tarvona::d3d8 {

// Texture stages the shaders implement; later stages act as disabled.
constexpr int kShaderStages = 2;

struct StageKey {
    std::uint8_t colorOp;  // D3DTOP_*; DISABLE ends the cascade
    std::uint8_t colorArg1, colorArg2;
    std::uint8_t alphaOp;
    std::uint8_t alphaArg1, alphaArg2;
    std::uint8_t texCoordSet;  // 0xFF: the vertex has no such set, (0, 0) is used
    std::uint8_t hasTexture;
};

// Plain bytes only, zero-filled before use, so keys compare with memcmp.
struct ShaderKey {
    std::uint8_t pretransformed;
    std::uint8_t hasNormal, hasDiffuse, hasSpecular, hasPointSize;
    std::uint8_t lighting;
    std::uint8_t specularEnable, localViewer, normalizeNormals;
    // Material colour sources after COLORVERTEX and the vertex's fields are
    // taken into account: 0 material, 1 vertex diffuse, 2 vertex specular.
    std::uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;
    std::uint8_t flatShading;
    std::uint8_t points, pointSprite, pointScale;
    std::uint8_t alphaFunc;  // 0: alpha test off, else D3DCMP_*
    StageKey stages[kShaderStages];
};

bool operator==(const ShaderKey& a, const ShaderKey& b);
std::uint64_t HashOf(const ShaderKey& key);

ShaderKey MakeShaderKey(const DeviceState& state, const VertexLayout& layout, D3DPRIMITIVETYPE primitive);

std::string VertexShaderSource(const ShaderKey& key);
std::string FragmentShaderSource(const ShaderKey& key);

// Uniform blocks, std140, as the shaders declare them. Matrices are the
// sixteen Direct3D floats as they stand (rows), which GLSL reads as the
// transpose: `matrix * vector` then computes Direct3D's `vector * matrix`.
constexpr int kMaxShaderLights = static_cast<int>(kMaxActiveLights);

// What changes from draw to draw (world matrix, material) is kept apart
// from what changes once per frame or pass, so a draw with a new world
// matrix and material sends one small block.
struct alignas(16) DrawBlock {
    float worldView[16];
    float normalMatrix[16];  // inverse transpose of worldView (upper 3x3 used)
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float materialPower[4];
};

struct ShaderLight {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];     // camera space; w: D3DLIGHTTYPE
    float direction[4];    // camera space, towards the light for directional ones; w: range
    float attenuation[4];  // Attenuation0, 1, 2, Falloff
    float spot[4];         // cos(Theta / 2), cos(Phi / 2)
};

struct alignas(16) LightingBlock {
    float globalAmbient[4];
    std::int32_t lightCount[4];
    ShaderLight lights[kMaxShaderLights];
};

struct alignas(16) FrameBlock {
    float projection[16];
    float viewport[4];    // X, Y, Width, Height in pixels
    float depthRange[4];  // MinZ, MaxZ
    float textureFactor[4];
    float alphaRef[4];    // x: the reference, 0..255
    float pointSize[4];   // size, minimum, maximum
    float pointScale[4];  // A, B, C
};

}  // namespace tarvona::d3d8
