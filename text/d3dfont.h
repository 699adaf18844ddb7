// A texture-atlas font: the printable ASCII glyphs of one face rasterised
// once into a 16-bit texture whose alpha carries the coverage, drawn as two
// triangles per character from a dynamic vertex buffer, in batches.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

// Creation flags.
constexpr DWORD FontBold = 1;
constexpr DWORD FontItalic = 2;
// Draw flags.
constexpr DWORD TextCentered = 1;
constexpr DWORD TextTwoSided = 2;
constexpr DWORD TextFiltered = 4;

// Pre-transformed screen vertex: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct FontVertex2D {
    D3DXVECTOR4 position;  // x, y in pixels, z, rhw
    D3DCOLOR colour;
    float u, v;
};
// World-space vertex: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1.
struct FontVertex3D {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u, v;
};
static_assert(sizeof(FontVertex2D) == 28);
static_assert(sizeof(FontVertex3D) == 32);

FontVertex2D MakeFontVertex2D(const D3DXVECTOR4& position, D3DCOLOR colour, float u, float v);
FontVertex3D MakeFontVertex3D(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, float u, float v);

class TextureFont {
public:
    TextureFont(const char* faceName, DWORD heightPoints, DWORD styleFlags = 0);
    ~TextureFont();

    HRESULT CreateAtlas(IDirect3DDevice8* device);
    HRESULT CreateDrawResources();
    HRESULT ReleaseDrawResources();
    HRESULT ReleaseAtlas();

    HRESULT MeasureText(const char* text, SIZE* size);
    HRESULT DrawScreenText(float x, float y, DWORD colour, const char* text, DWORD flags = 0);
    HRESULT DrawScaledText(float x, float y, float z, float scaleX, float scaleY, DWORD colour, const char* text,
                           DWORD flags = 0);
    HRESULT DrawWorldText(const char* text, DWORD flags = 0);

    char faceName[80];
    DWORD heightPoints;
    DWORD styleFlags;
    IDirect3DDevice8* device;
    IDirect3DTexture8* atlas;
    IDirect3DVertexBuffer8* quadBuffer;
    DWORD atlasWidth;
    DWORD atlasHeight;
    float atlasScale;
    float glyphRects[96][4];  // left u, top v, right u, bottom v for characters 32..127
    DWORD savedStates;
    DWORD textStates;
};
