// InitDirect3D when the font object cannot even be allocated: the set-up
// still succeeds and the program runs without its frame counter. This file
// replaces the nothrow operator new of its own executable to make that one
// allocation fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "render/Direct3D.h"
#include "support/recording_device.h"
#include "testing/device_testing.h"
#include "text/d3dfont.h"

namespace {
bool g_failFontAllocation = false;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_failFontAllocation && size == sizeof(TextureFont)) return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class OneDeviceDirect3D final : public IDirect3D8 {
public:
    IDirect3DDevice8* device = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        *mode = D3DDISPLAYMODE{640, 480, 60, D3DFMT_R5G6B5};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                           IDirect3DDevice8** out) override {
        *out = device;
        return S_OK;
    }
};

OneDeviceDirect3D g_d3d;
IDirect3D8* Create(UINT) { return &g_d3d; }

TEST(InitDirect3DFontAllocation, FailingRunsWithoutTheFont) {
    tarvona::testing::RecordingDevice device;
    g_d3d.device = &device;
    tarvona::testing::SetDirect3DCreateOverride(Create);
    g_failFontAllocation = true;
    const HRESULT hr = InitDirect3D(reinterpret_cast<HWND>(0x1));
    g_failFontAllocation = false;
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(g_device, &device);
    EXPECT_EQ(g_font, nullptr);
    // Nothing was built for a font that does not exist; the depth mode is set.
    EXPECT_TRUE(device.Named("CreateTexture").empty());
    EXPECT_TRUE(device.Named("CreateVertexBuffer").empty());
    EXPECT_EQ(device.Texts(), (std::vector<std::string>{"SetRenderState(7, 2)"}));
    ReleaseDirect3D();
    EXPECT_EQ(device.Texts().back(), "Release()");
    tarvona::testing::SetDirect3DCreateOverride(nullptr);
}

}  // namespace
