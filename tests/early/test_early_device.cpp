// tarvona_early's device set-up: the DirectX 8.0 SDK version and a
// 1024 x 768 back buffer in whatever format the desktop runs, everything
// else as tarvona's; with a fake Direct3D object that hands out a recording
// device.
#include <gtest/gtest.h>

#include "render/Direct3D.h"
#include "support/recording_device.h"
#include "testing/device_testing.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::RecordingDevice;

class FakeDirect3D final : public IDirect3D8 {
public:
    RecordingDevice* device = nullptr;
    D3DFORMAT desktopFormat = D3DFMT_X8R8G8B8;
    HRESULT createDeviceResult = S_OK;
    int createDeviceCalls = 0;
    D3DDEVTYPE type{};
    DWORD flags = 0;
    D3DPRESENT_PARAMETERS parameters{};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        *mode = D3DDISPLAYMODE{1920, 1080, 60, desktopFormat};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE t, HWND, DWORD f, D3DPRESENT_PARAMETERS* p,
                                           IDirect3DDevice8** out) override {
        ++createDeviceCalls;
        type = t;
        flags = f;
        parameters = *p;
        if (createDeviceResult < 0) return createDeviceResult;
        *out = device;
        return S_OK;
    }
};

FakeDirect3D* g_fake = nullptr;
UINT g_sdkVersion = 0;

IDirect3D8* FakeCreate(UINT sdk) {
    g_sdkVersion = sdk;
    return g_fake;
}

class EarlyDevice : public ::testing::Test {
protected:
    void SetUp() override {
        g_direct3d = nullptr;
        g_device = nullptr;
        g_font = nullptr;
        g_sdkVersion = 0;
        fake.device = &device;
        g_fake = &fake;
        tarvona::testing::SetDirect3DCreateOverride(FakeCreate);
    }
    void TearDown() override {
        tarvona::testing::SetDirect3DCreateOverride(nullptr);
        delete g_font;  // the program keeps it to the end; the test does not
        g_direct3d = nullptr;
        g_device = nullptr;
        g_font = nullptr;
    }
    RecordingDevice device;
    FakeDirect3D fake;
};

class EarlyDeviceFormats : public EarlyDevice, public ::testing::WithParamInterface<D3DFORMAT> {};

TEST_P(EarlyDeviceFormats, AsksForTheDesktopsFormatAt1024By768WithTheOlderSdkVersion) {
    fake.desktopFormat = GetParam();
    ASSERT_EQ(InitDirect3D(reinterpret_cast<HWND>(0x1234)), S_OK);
    EXPECT_EQ(g_sdkVersion, 120u);
    EXPECT_EQ(g_device, &device);

    const D3DPRESENT_PARAMETERS& p = fake.parameters;
    EXPECT_EQ(p.BackBufferWidth, 1024u);
    EXPECT_EQ(p.BackBufferHeight, 768u);
    EXPECT_EQ(p.BackBufferFormat, GetParam());
    // The rest is tarvona's.
    EXPECT_EQ(p.Windowed, FALSE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.BackBufferCount, 0u);
    EXPECT_EQ(fake.type, D3DDEVTYPE_HAL);
    EXPECT_EQ(fake.flags, static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    ASSERT_NE(g_font, nullptr);
    ASSERT_FALSE(device.calls.empty());
    EXPECT_EQ(device.calls.back().text, "SetRenderState(7, 2)") << "W-buffering asked for last";
}

INSTANTIATE_TEST_SUITE_P(DesktopFormats, EarlyDeviceFormats,
                         ::testing::Values(D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8));

TEST_F(EarlyDevice, ARefusedBackBufferFailsTheSetUp) {
    fake.createDeviceResult = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(InitDirect3D(reinterpret_cast<HWND>(0x1234)), E_FAIL);
    EXPECT_EQ(fake.createDeviceCalls, 1);
    EXPECT_EQ(g_font, nullptr) << "no font without a device";
}

}  // namespace
