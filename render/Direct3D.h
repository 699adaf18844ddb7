// The Direct3D object, the program's single full-screen device, and the
// frames-per-second font created right after it.
#pragma once

#include <d3d8.h>

class TextureFont;

extern IDirect3D8* g_direct3d;
extern IDirect3DDevice8* g_device;
extern TextureFont* g_font;

HRESULT InitDirect3D(HWND window);
void ReleaseDirect3D();

// The bit pattern of a float, for states that take a float as a DWORD.
DWORD FloatBits(float value);
