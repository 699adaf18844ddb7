// Flexible vertex format codes decoded into byte offsets, in the order
// Direct3D lays the fields out: position (with blend weights), normal, point
// size, diffuse, specular, then the texture coordinate sets.
#pragma once

#include <d3d8.h>

#include <cstdint>

namespace tarvona::d3d8 {

#define TARVONA_FVF_TEXCOORDSIZE_SHIFT(set) (16 + 2 * (set))

struct VertexLayout {
    bool valid = false;         // a fixed-function format the device can draw
    bool pretransformed = false;  // D3DFVF_XYZRHW
    int positionOffset = 0;
    int positionComponents = 0;  // 3, or 4 with rhw
    int normalOffset = -1;
    int pointSizeOffset = -1;
    int diffuseOffset = -1;
    int specularOffset = -1;
    int texCoordCount = 0;
    int texCoordOffset[8] = {};
    int texCoordComponents[8] = {};
    int size = 0;  // bytes of one vertex
};

VertexLayout DecodeFvf(DWORD fvf);

// Vertices a primitive count needs, or 0 for an unknown primitive type.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount);

}  // namespace tarvona::d3d8
