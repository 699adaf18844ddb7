// InitDirect3D and ReleaseDirect3D: the set-up's calls and presentation
// parameters, its failure table, the release order, and FloatBits; with a
// fake Direct3D object (through the platform's Direct3DCreate8 seam) that
// hands out a recording device, and once with the real platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/Direct3D.h"
#include "support/recording_device.h"
#include "testing/device_testing.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::Call;
using tarvona::testing::RecordingDevice;

// Records what the set-up asks of it; the device it creates is a recording
// one. Its own Release is written into the device's call list, so the
// order of the two releases can be read in one place.
class FakeDirect3D final : public IDirect3D8 {
public:
    RecordingDevice* device = nullptr;
    HRESULT displayModeResult = S_OK;
    HRESULT createDeviceResult = S_OK;
    std::vector<std::string> calls;
    UINT adapter = 99;
    D3DDEVTYPE type{};
    HWND focus = nullptr;
    DWORD flags = 0;
    D3DPRESENT_PARAMETERS parameters{};
    ULONG refs = 1;
    ULONG atlasRefsAtRelease = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        calls.push_back("Release");
        if (device) {
            device->calls.push_back(Call{"Direct3D.Release", "Direct3D.Release()", {}, {}, {}, {}});
            if (!device->textures.empty()) atlasRefsAtRelease = device->textures[0]->refCount;
        }
        return --refs;
    }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT a, D3DDISPLAYMODE* mode) override {
        calls.push_back("GetAdapterDisplayMode(" + std::to_string(a) + ")");
        if (displayModeResult < 0) return displayModeResult;
        *mode = D3DDISPLAYMODE{1920, 1080, 60, D3DFMT_X8R8G8B8};  // a 32-bit desktop
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT a, D3DDEVTYPE t, HWND w, DWORD f, D3DPRESENT_PARAMETERS* p,
                                           IDirect3DDevice8** out) override {
        calls.push_back("CreateDevice");
        adapter = a;
        type = t;
        focus = w;
        flags = f;
        parameters = *p;
        if (createDeviceResult < 0) return createDeviceResult;
        *out = device;
        return S_OK;
    }
};

FakeDirect3D* g_fake = nullptr;
bool g_createReturnsNull = false;
UINT g_sdkVersion = 0;

IDirect3D8* FakeCreate(UINT sdk) {
    g_sdkVersion = sdk;
    return g_createReturnsNull ? nullptr : g_fake;
}

class InitDirect3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_direct3d = nullptr;
        g_device = nullptr;
        g_font = nullptr;
        fake.device = &device;
        g_fake = &fake;
        g_createReturnsNull = false;
        tarvona::testing::SetDirect3DCreateOverride(FakeCreate);
    }
    void TearDown() override {
        tarvona::testing::SetDirect3DCreateOverride(nullptr);
        delete g_font;  // the program keeps it to the end; the test does not
        g_direct3d = nullptr;
        g_device = nullptr;
        g_font = nullptr;
    }
    HWND window = reinterpret_cast<HWND>(0x1234);
    RecordingDevice device;
    FakeDirect3D fake;
};

TEST_F(InitDirect3DTest, CreatesTheFullScreenDeviceTheFontAndAsksForWBuffering) {
    ASSERT_EQ(InitDirect3D(window), S_OK);
    EXPECT_EQ(g_sdkVersion, 220u);
    EXPECT_EQ(g_direct3d, &fake);
    EXPECT_EQ(g_device, &device);
    ASSERT_EQ(fake.calls, (std::vector<std::string>{"GetAdapterDisplayMode(0)", "CreateDevice"}));
    EXPECT_EQ(fake.adapter, 0u);
    EXPECT_EQ(fake.type, D3DDEVTYPE_HAL);
    EXPECT_EQ(fake.focus, window);
    EXPECT_EQ(fake.flags, static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    const D3DPRESENT_PARAMETERS& p = fake.parameters;
    EXPECT_EQ(p.BackBufferWidth, 640u);
    EXPECT_EQ(p.BackBufferHeight, 480u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_R5G6B5) << "whatever the desktop's format";
    EXPECT_EQ(p.BackBufferCount, 0u);
    EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.hDeviceWindow, nullptr);
    EXPECT_EQ(p.Windowed, FALSE);
    EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.Flags, 0u);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.FullScreen_PresentationInterval, 0u);

    ASSERT_NE(g_font, nullptr);
    EXPECT_STREQ(g_font->faceName, "Arial");
    EXPECT_EQ(g_font->heightPoints, 12u);
    EXPECT_EQ(g_font->styleFlags, FontBold);
    // The font built its atlas and then its draw resources on the device,
    // and the depth mode is the very last call.
    const std::vector<std::string> texts = device.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "SetRenderState(7, 2)");
    ASSERT_EQ(device.Texts("CreateTexture").size(), 1u);
    EXPECT_EQ(device.Texts("CreateTexture")[0], "CreateTexture(256, 256, 1, 0, 26, 1)");
    ASSERT_EQ(device.Texts("CreateVertexBuffer").size(), 1u);
    EXPECT_EQ(device.Texts("CreateVertexBuffer")[0], "CreateVertexBuffer(8400, 520, 0, 0)");
    size_t texture = 0, buffer = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].rfind("CreateTexture", 0) == 0) texture = i;
        if (texts[i].rfind("CreateVertexBuffer", 0) == 0) buffer = i;
    }
    EXPECT_LT(texture, buffer) << "atlas first, then the draw resources";
    EXPECT_EQ(device.Texts("EndStateBlock").size(), 2u);
}

struct FailureCase {
    const char* name;
    bool createReturnsNull;
    HRESULT displayMode;
    HRESULT createDevice;
    bool direct3dExists;
    std::vector<std::string> calls;  // on the Direct3D object, release included
};

class InitDirect3DFailure : public InitDirect3DTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(InitDirect3DFailure, ReturnsEFailAndReleaseGivesBackWhatExists) {
    const FailureCase& c = GetParam();
    g_createReturnsNull = c.createReturnsNull;
    fake.displayModeResult = c.displayMode;
    fake.createDeviceResult = c.createDevice;
    EXPECT_EQ(InitDirect3D(window), E_FAIL) << "never the platform's own code";
    EXPECT_EQ(g_direct3d, c.direct3dExists ? static_cast<IDirect3D8*>(&fake) : nullptr);
    EXPECT_EQ(g_device, nullptr);
    EXPECT_EQ(g_font, nullptr);
    EXPECT_TRUE(device.calls.empty()) << "no device call of any kind";
    ReleaseDirect3D();
    EXPECT_EQ(fake.calls, c.calls);
    EXPECT_TRUE(device.Named("Release").empty());
    EXPECT_EQ(g_direct3d, c.direct3dExists ? static_cast<IDirect3D8*>(&fake) : nullptr)
        << "released but left as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InitDirect3DFailure,
    ::testing::Values(FailureCase{"no_Direct3D", true, S_OK, S_OK, false, {}},
                      FailureCase{"no_display_mode", false, D3DERR_NOTAVAILABLE, S_OK, true,
                                  {"GetAdapterDisplayMode(0)", "Release"}},
                      FailureCase{"no_device", false, S_OK, D3DERR_NOTAVAILABLE, true,
                                  {"GetAdapterDisplayMode(0)", "CreateDevice", "Release"}},
                      FailureCase{"device_refused", false, S_OK, D3DERR_INVALIDCALL, true,
                                  {"GetAdapterDisplayMode(0)", "CreateDevice", "Release"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FontFailureCase {
    const char* name;
    HRESULT texture;
    HRESULT vertexBuffer;
};

class InitDirect3DFontFailure : public InitDirect3DTest, public ::testing::WithParamInterface<FontFailureCase> {};

TEST_P(InitDirect3DFontFailure, DoesNotFailTheSetUp) {
    device.createTextureResult = GetParam().texture;
    device.createVertexBufferResult = GetParam().vertexBuffer;
    EXPECT_EQ(InitDirect3D(window), S_OK);
    EXPECT_EQ(g_device, &device);
    EXPECT_NE(g_font, nullptr);
    EXPECT_EQ(device.Texts().back(), "SetRenderState(7, 2)");
}

INSTANTIATE_TEST_SUITE_P(Steps, InitDirect3DFontFailure,
                         ::testing::Values(FontFailureCase{"atlas", E_OUTOFMEMORY, S_OK},
                                           FontFailureCase{"vertex_buffer", S_OK, D3DERR_OUTOFVIDEOMEMORY}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InitDirect3DTest, ReleasesTheDeviceThenDirect3DThenTheAtlas) {
    ASSERT_EQ(InitDirect3D(window), S_OK);
    ASSERT_EQ(device.textures.size(), 1u);
    auto* atlas = device.textures[0];
    EXPECT_EQ(atlas->refCount, 1u);
    device.Clear();
    ReleaseDirect3D();
    EXPECT_EQ(device.Texts(), (std::vector<std::string>{"Release()", "Direct3D.Release()"}));
    EXPECT_EQ(fake.atlasRefsAtRelease, 1u) << "the atlas is still held when Direct3D goes";
    EXPECT_EQ(atlas->refCount, 0u) << "and given back after";
    EXPECT_EQ(g_font->atlas, nullptr);
    // The pointers stay as they were; the font object and its buffer live on.
    EXPECT_EQ(g_device, &device);
    EXPECT_EQ(g_direct3d, &fake);
    EXPECT_NE(g_font->quadBuffer, nullptr);
    EXPECT_EQ(device.vertexBuffers.at(0)->refCount, 1u);
}

TEST_F(InitDirect3DTest, ReleaseWithoutSetUpDoesNothing) {
    ReleaseDirect3D();
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_TRUE(device.calls.empty());
}

TEST(FloatBits, IsTheFloatsBitPattern) {
    EXPECT_EQ(FloatBits(-2.5f), 0xC0200000u);
    EXPECT_EQ(FloatBits(0.0f), 0u);
    EXPECT_EQ(FloatBits(-0.0f), 0x80000000u);
    EXPECT_EQ(FloatBits(1.0f), 0x3F800000u);
    EXPECT_EQ(FloatBits(0.1f), 0x3DCCCCCDu);
}

// ---- on the real platform ------------------------------------------------------------

LRESULT CALLBACK TestProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST(InitDirect3DPlatform, GivesARealSixteenBitDeviceWithItsFont) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "Test 2";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "Test 2", "Test 1 : Creating a Device", WS_OVERLAPPEDWINDOW, 100, 100, 600,
                                  600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_direct3d = nullptr;
    g_device = nullptr;
    g_font = nullptr;
    ASSERT_EQ(InitDirect3D(window), S_OK);
    ASSERT_NE(g_device, nullptr);
    DWORD z = 0;
    g_device->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(z, static_cast<DWORD>(D3DZB_USEW)) << "until the first frame";
    D3DVIEWPORT8 vp{};
    g_device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 640u);
    EXPECT_EQ(vp.Height, 480u);
    std::vector<std::uint16_t> texels;
    EXPECT_TRUE(tarvona::testing::ReadBackBuffer565(g_device, texels)) << "an R5G6B5 back buffer";
    EXPECT_TRUE(tarvona::testing::IsFullScreen(g_device));
    ASSERT_NE(g_font, nullptr);
    EXPECT_NE(g_font->atlas, nullptr);
    EXPECT_NE(g_font->quadBuffer, nullptr);
    EXPECT_EQ(g_font->atlasWidth, 256u);
    ReleaseDirect3D();
    EXPECT_EQ(g_font->atlas, nullptr);
    // What the program never releases outlives the device harmlessly.
    EXPECT_NE(g_font->quadBuffer, nullptr);
    DestroyWindow(window);
}

}  // namespace
