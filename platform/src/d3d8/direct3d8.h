// IDirect3D8: the one adapter (the desktop's display), its mode and
// capabilities, and device creation. Direct3DCreate8 makes one per call.
#pragma once

#include <d3d8.h>

namespace tarvona::d3d8 {

class Direct3D8 final : public IDirect3D8 {
public:
    Direct3D8() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                           DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                                           IDirect3DDevice8** ppReturnedDeviceInterface) override;

private:
    ~Direct3D8() = default;
    ULONG refs_ = 1;
};

// The desktop's mode: its size, refresh rate and the Direct3D format
// nearest to its pixel format.
HRESULT DesktopDisplayMode(D3DDISPLAYMODE* mode);
// What the device offers, for both GetDeviceCaps.
void FillCaps(D3DCAPS8* caps, DWORD maxTextureSize, float maxPointSize);

}  // namespace tarvona::d3d8
