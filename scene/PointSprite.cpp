#include "scene/PointSprite.h"

#include <cstring>
#include <new>

#include "render/Direct3D.h"

PointSprite::PointSprite(IDirect3DTexture8* spriteTexture)
    : texture(spriteTexture),
      vertexBuffer(nullptr),
      device(nullptr),
      colour(nullptr),
      pointSize(0.0f),
      pointSizeMin(0.0f),
      scaleA(0.0f),
      scaleB(0.0f),
      scaleC(0.0f) {}

// An earlier copy is not freed: the pointer form may have left the caller's
// colour here. Without storage the colour is null and Prepare makes no buffer.
void PointSprite::SetColor(D3DXCOLOR value) { colour = new (std::nothrow) D3DXCOLOR(value); }

void PointSprite::SetColor(D3DXCOLOR* value) { colour = value; }

void PointSprite::SetPointSize(float size, float minimumSize) {
    pointSize = size;
    pointSizeMin = minimumSize;
}

void PointSprite::SetPointScale(float a, float b, float c) {
    scaleA = a;
    scaleB = b;
    scaleC = c;
}

void PointSprite::Prepare(IDirect3DDevice8* spriteDevice) {
    device = spriteDevice;
    // A sprite whose colour, buffer or lock could not be had keeps no buffer
    // and is never drawn, rather than drawn with whatever the buffer held.
    if (!colour || !device) return;
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (device->CreateVertexBuffer(sizeof(SpriteVertex), 0, SpriteVertexFormat, D3DPOOL_DEFAULT, &buffer) < 0 ||
        !buffer)
        return;
    BYTE* data = nullptr;
    if (buffer->Lock(0, 0, &data, 0) < 0 || !data) {
        buffer->Release();
        return;
    }
    SpriteVertex vertex{0.0f, 0.0f, 0.0f, static_cast<DWORD>(*colour)};
    std::memcpy(data, &vertex, sizeof vertex);
    buffer->Unlock();
    vertexBuffer = buffer;
}

void PointSprite::Render() {
    if (!device || !vertexBuffer) return;
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(pointSize));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(pointSizeMin));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(scaleA));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(scaleB));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(scaleC));
    device->SetStreamSource(0, vertexBuffer, sizeof(SpriteVertex));
    device->SetVertexShader(SpriteVertexFormat);
    device->DrawPrimitive(D3DPT_POINTLIST, 0, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}
