// One textured point sprite drawn with additive blending: a single vertex
// that the device expands into a screen-aligned square carrying the whole
// texture, sized by Direct3D's point-scale rule so that it shrinks with
// distance. Its black texels leave the frame unchanged; the rest brighten it.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

// D3DFVF_XYZ | D3DFVF_DIFFUSE.
struct SpriteVertex {
    float x, y, z;
    D3DCOLOR colour;  // packed 0xAARRGGBB
};
static_assert(sizeof(SpriteVertex) == 16);

constexpr DWORD SpriteVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE;

class PointSprite {
public:
    // The texture stays its creator's: no reference is taken.
    explicit PointSprite(IDirect3DTexture8* texture);

    // Keeps a heap copy of the colour.
    void SetColor(D3DXCOLOR colour);
    // Follows the caller's colour without copying it.
    void SetColor(D3DXCOLOR* colour);
    void SetPointSize(float size, float minimumSize);
    void SetPointScale(float a, float b, float c);
    // Creates the one-vertex buffer; the vertex colour is fixed here.
    void Prepare(IDirect3DDevice8* device);
    void Render();

    IDirect3DTexture8* texture;
    IDirect3DVertexBuffer8* vertexBuffer;  // null: nothing to draw
    IDirect3DDevice8* device;
    D3DXCOLOR* colour;
    float pointSize;
    float pointSizeMin;
    float scaleA;
    float scaleB;
    float scaleC;
};
