// The Direct3D object, the program's single full-screen device, and the
// frames-per-second font created right after it.
#pragma once

#include <d3d8.h>

class TextureFont;

extern IDirect3D8* g_direct3d;
extern IDirect3DDevice8* g_device;
extern TextureFont* g_font;

// What the two programs ask of the device differently; each program
// supplies its own record.
struct DeviceSettings {
    UINT sdkVersion;
    UINT backBufferWidth;
    UINT backBufferHeight;
    bool displayModeFormat;       // the back buffer takes the desktop's format...
    D3DFORMAT backBufferFormat;   // ...or, when false, this one
};
extern const DeviceSettings g_deviceSettings;

HRESULT InitDirect3D(HWND window);
void ReleaseDirect3D();

// The bit pattern of a float, for states that take a float as a DWORD.
DWORD FloatBits(float value);
