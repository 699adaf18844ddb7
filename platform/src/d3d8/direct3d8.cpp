#include "d3d8/direct3d8.h"

#include <SDL.h>

#include <cstring>
#include <new>

#include "d3d8/device.h"
#include "testing/device_testing.h"
#include "win/window_internal.h"

namespace {
tarvona::testing::Direct3DFactory g_createOverride = nullptr;
}

namespace tarvona::testing {
void SetDirect3DCreateOverride(Direct3DFactory factory) { g_createOverride = factory; }
}  // namespace tarvona::testing

namespace tarvona::d3d8 {

HRESULT DesktopDisplayMode(D3DDISPLAYMODE* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    if (!win::EnsureVideo()) return D3DERR_NOTAVAILABLE;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return D3DERR_NOTAVAILABLE;
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    switch (m.format) {
        case SDL_PIXELFORMAT_RGB565: format = D3DFMT_R5G6B5; break;
        case SDL_PIXELFORMAT_RGB555:
        case SDL_PIXELFORMAT_ARGB1555: format = D3DFMT_X1R5G5B5; break;
        default:
            // Everything deeper is shown as 32-bit colour.
            format = SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
            break;
    }
    *mode = D3DDISPLAYMODE{static_cast<UINT>(m.w), static_cast<UINT>(m.h), static_cast<UINT>(m.refresh_rate),
                           format};
    return D3D_OK;
}

void FillCaps(D3DCAPS8* c, DWORD maxTextureSize, float maxPointSize) {
    std::memset(c, 0, sizeof *c);
    c->DeviceType = D3DDEVTYPE_HAL;
    c->AdapterOrdinal = 0;
    c->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    c->MaxTextureWidth = maxTextureSize;
    c->MaxTextureHeight = maxTextureSize;
    c->MaxTextureRepeat = 8192;
    c->MaxTextureAspectRatio = maxTextureSize;
    c->MaxAnisotropy = 1;
    c->MaxVertexW = 1e10f;
    c->GuardBandLeft = -8192.0f;
    c->GuardBandTop = -8192.0f;
    c->GuardBandRight = 8192.0f;
    c->GuardBandBottom = 8192.0f;
    c->MaxTextureBlendStages = 2;
    c->MaxSimultaneousTextures = 2;
    c->MaxActiveLights = kMaxActiveLights;
    c->MaxPointSize = maxPointSize;
    c->MaxPrimitiveCount = 0xFFFFF;
    c->MaxVertexIndex = 0xFFFFFF;
    c->MaxStreams = 1;
    c->MaxStreamStride = 255;
}

HRESULT Direct3D8::QueryInterface(REFIID, void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3D8::AddRef() { return ++refs_; }

ULONG Direct3D8::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

UINT Direct3D8::GetAdapterCount() { return 1; }

HRESULT Direct3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    return DesktopDisplayMode(mode);
}

HRESULT Direct3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE, D3DCAPS8* caps) {
    if (adapter != D3DADAPTER_DEFAULT || !caps) return D3DERR_INVALIDCALL;
    // Without a context the GL's own limits are unknown; these are what any
    // OpenGL 3.3 implementation offers.
    FillCaps(caps, 2048, 64.0f);
    return D3D_OK;
}

HRESULT Direct3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** out) {
    if (out) *out = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || !out || !parameters) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF && type != D3DDEVTYPE_SW) return D3DERR_INVALIDCALL;
    return Device::Create(this, focus, flags, parameters, out);
}

}  // namespace tarvona::d3d8

IDirect3D8* WINAPI Direct3DCreate8(UINT SDKVersion) {
    if (g_createOverride) return g_createOverride(SDKVersion);
    // 120 is the DirectX 8.0 headers' version, 220 that of 8.1; anything else
    // was built against headers this layer does not know.
    if (SDKVersion != 120 && SDKVersion != 220) return nullptr;
    return new (std::nothrow) tarvona::d3d8::Direct3D8();
}
