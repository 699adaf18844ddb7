#include "render/Direct3D.h"

#include <cstring>

IDirect3D8* g_direct3d = nullptr;
IDirect3DDevice8* g_device = nullptr;
TextureFont* g_font = nullptr;

// Placeholder until the device exists: start-up fails honestly here.
HRESULT InitDirect3D(HWND) { return E_FAIL; }

void ReleaseDirect3D() {}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
