#include "render/Direct3D.h"

#include <cstring>
#include <new>

#include "text/d3dfont.h"

IDirect3D8* g_direct3d = nullptr;
IDirect3DDevice8* g_device = nullptr;
TextureFont* g_font = nullptr;

HRESULT InitDirect3D(HWND window) {
    g_direct3d = Direct3DCreate8(g_deviceSettings.sdkVersion);
    if (!g_direct3d) return E_FAIL;

    D3DDISPLAYMODE mode;
    if (FAILED(g_direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return E_FAIL;

    D3DPRESENT_PARAMETERS parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.BackBufferWidth = g_deviceSettings.backBufferWidth;
    parameters.BackBufferHeight = g_deviceSettings.backBufferHeight;
    parameters.BackBufferFormat =
        g_deviceSettings.displayModeFormat ? mode.Format : g_deviceSettings.backBufferFormat;
    parameters.BackBufferCount = 0;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = nullptr;
    parameters.Windowed = FALSE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = D3DPRESENT_RATE_DEFAULT;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

    if (FAILED(g_direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &g_device)))
        return E_FAIL;

    // A font that cannot even be allocated leaves the program without its
    // frame counter rather than without its picture; its resources are then
    // not built (there is nothing to build them on).
    g_font = new (std::nothrow) TextureFont("Arial", 12, FontBold);
    if (g_font) {
        g_font->CreateAtlas(g_device);
        g_font->CreateDrawResources();
    }

    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_USEW);
    return S_OK;
}

void ReleaseDirect3D() {
    if (g_device) g_device->Release();
    if (g_direct3d) g_direct3d->Release();
    if (g_font) g_font->ReleaseAtlas();
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
