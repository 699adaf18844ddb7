// The device as an API: creation and its refusals, resources (locks, mip
// chains, discarding locks, indexed draws), lifetime past the device,
// presentation with the capture, the frame limit and the full-screen
// toggle, the cost of a steady frame in GL calls, and bad input of every
// kind answered with a failure instead of a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/device_fixture.h"
#include "support/image.h"
#include "support/recording_device.h"

namespace tarvona::testing {
namespace {

struct CreationCase {
    const char* name;
    D3DPRESENT_PARAMETERS parameters;
    HRESULT expected;
};

D3DPRESENT_PARAMETERS With(D3DPRESENT_PARAMETERS p, void (*change)(D3DPRESENT_PARAMETERS&)) {
    change(p);
    return p;
}

class Creation : public ::testing::TestWithParam<CreationCase> {};

TEST_P(Creation, AcceptsWhatItCanDrawAndRefusesTheRest) {
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS p = GetParam().parameters;
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(0x1);
    const HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, DeviceTestWindow(),
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
    EXPECT_EQ(hr, GetParam().expected);
    if (hr >= 0) {
        ASSERT_NE(device, nullptr);
        D3DVIEWPORT8 vp{};
        device->GetViewport(&vp);
        EXPECT_EQ(vp.Width, p.BackBufferWidth);
        EXPECT_EQ(vp.Height, p.BackBufferHeight);
        EXPECT_EQ(p.BackBufferCount, 1u) << "the caller's parameters show the default of one back buffer";
        device->Release();
    } else {
        EXPECT_EQ(device, nullptr) << "a refused device leaves no pointer behind";
    }
    EXPECT_EQ(d3d->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, Creation,
    ::testing::Values(
        CreationCase{"program", Parameters(640, 480, D3DFMT_R5G6B5), D3D_OK},
        CreationCase{"early", Parameters(1024, 768, D3DFMT_X8R8G8B8), D3D_OK},
        CreationCase{"windowed_desktop_format",
                     With(Parameters(0, 0, D3DFMT_UNKNOWN, true), [](D3DPRESENT_PARAMETERS&) {}), D3D_OK},
        CreationCase{"no_depth", With(Parameters(64, 64, D3DFMT_A8R8G8B8),
                                      [](D3DPRESENT_PARAMETERS& p) { p.EnableAutoDepthStencil = FALSE; }),
                     D3D_OK},
        CreationCase{"full_screen_without_a_size", Parameters(0, 0, D3DFMT_R5G6B5), D3DERR_INVALIDCALL},
        CreationCase{"full_screen_without_a_format", Parameters(64, 64, D3DFMT_UNKNOWN), D3DERR_INVALIDCALL},
        CreationCase{"unknown_format", Parameters(64, 64, D3DFMT_A4R4G4B4), D3DERR_INVALIDCALL},
        CreationCase{"unknown_depth", With(Parameters(64, 64, D3DFMT_R5G6B5),
                                           [](D3DPRESENT_PARAMETERS& p) { p.AutoDepthStencilFormat = D3DFMT_L8; }),
                     D3DERR_INVALIDCALL},
        CreationCase{"too_many_back_buffers",
                     With(Parameters(64, 64, D3DFMT_R5G6B5), [](D3DPRESENT_PARAMETERS& p) { p.BackBufferCount = 9; }),
                     D3DERR_INVALIDCALL},
        CreationCase{"too_large", Parameters(100000, 64, D3DFMT_R5G6B5), D3DERR_NOTAVAILABLE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Direct3D, ReportsTheDesktopAndRefusesBadArguments) {
    EXPECT_EQ(Direct3DCreate8(7), nullptr) << "an SDK version no header ever had";
    IDirect3D8* d3d = Direct3DCreate8(120);
    ASSERT_NE(d3d, nullptr);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.Height, 0u);
    EXPECT_TRUE(mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_R5G6B5 || mode.Format == D3DFMT_X1R5G5B5);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, nullptr), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS p = Parameters(64, 64, D3DFMT_R5G6B5);
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, DeviceTestWindow(), 0, nullptr, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, DeviceTestWindow(), 0, &p, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &p, &device), D3DERR_INVALIDCALL)
        << "no window at all";
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(&p), 0, &p, &device), D3DERR_INVALIDCALL)
        << "a handle that is no window";
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
}

class Api : public DeviceTest {};

TEST_F(Api, StartsWithTheViewportAndStatesOfItsBackBuffer) {
    Open(640, 480, D3DFMT_R5G6B5);
    D3DVIEWPORT8 vp{};
    device->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Width, 640u);
    EXPECT_EQ(vp.Height, 480u);
    EXPECT_EQ(vp.MinZ, 0.0f);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    DWORD z = 0;
    device->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(z, static_cast<DWORD>(D3DZB_TRUE));
    D3DCAPS8 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 1024u) << "the font's largest atlas fits";
    EXPECT_GT(caps.MaxPointSize, 1.0f) << "point sprites are offered";
    IDirect3D8* parent = nullptr;
    ASSERT_EQ(device->GetDirect3D(&parent), D3D_OK);
    EXPECT_EQ(parent, d3d);
    parent->Release();
}

TEST_F(Api, TexturesHaveMipChainsAndARealPitch) {
    Open();
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 16, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 7u) << "64x16 down to 1x1";
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(t->GetLevelDesc(3, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
    EXPECT_EQ(r.Pitch, 128);
    EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), D3DERR_INVALIDCALL) << "already locked";
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL) << "not locked";
    const RECT part{4, 2, 8, 4};
    D3DLOCKED_RECT sub{};
    ASSERT_EQ(t->LockRect(0, &sub, &part, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(sub.pBits) - static_cast<BYTE*>(r.pBits), 2 * 128 + 4 * 2);
    t->UnlockRect(0);
    const RECT outside{60, 0, 70, 4};
    EXPECT_EQ(t->LockRect(0, &sub, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(7, &sub, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);
    IDirect3DTexture8* two = nullptr;
    ASSERT_EQ(device->CreateTexture(256, 256, 2, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &two), D3D_OK);
    EXPECT_EQ(two->GetLevelCount(), 2u);
    two->Release();
    EXPECT_EQ(t->Release(), 0u);
}

TEST_F(Api, RefusesResourcesItCannotMake) {
    Open();
    IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr), D3DERR_INVALIDCALL);
    IDirect3DVertexBuffer8* vb = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(8, 0, 0x42, D3DPOOL_DEFAULT, &vb), D3DERR_INVALIDCALL)
        << "shorter than one vertex of its format";
    EXPECT_EQ(device->CreateVertexBuffer(0xFFFFFFFF, 0, 0, D3DPOOL_DEFAULT, &vb), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateIndexBuffer(1, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib), D3DERR_INVALIDCALL);
}

TEST_F(Api, VertexBufferLocksCheckTheirRange) {
    Open();
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(8400, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    resources.push_back(vb);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 8400u);
    EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));
    BYTE* data = reinterpret_cast<BYTE*>(0x1);
    EXPECT_EQ(vb->Lock(8000, 401, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(vb->Lock(8401, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL) << "not locked";
    ASSERT_EQ(vb->Lock(8000, 0, &data, D3DLOCK_DISCARD), D3D_OK) << "zero locks the rest";
    data[399] = 1;  // the last byte is inside the lock (ASan would object otherwise)
    EXPECT_EQ(vb->Unlock(), D3D_OK);
}

struct ColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};

TEST_F(Api, DiscardingLocksRedrawWithTheNewContents) {
    Open();
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(6 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                         D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    resources.push_back(vb);
    device->SetStreamSource(0, vb, sizeof(ScreenVertex));
    device->SetVertexShader(kScreenFvf);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // The font's pattern: refill and draw several times in one frame.
    for (int i = 0; i < 4; ++i) {
        BYTE* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
        const auto quad = Quad(static_cast<float>(i * 16), 0, static_cast<float>(i * 16 + 8), 8,
                               0xFF000000u | static_cast<D3DCOLOR>(60 * (i + 1)) << 16);
        std::memcpy(data, quad.data(), quad.size() * sizeof(ScreenVertex));
        vb->Unlock();
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    }
    Read();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(At(i * 16 + 4, 4).r, 60 * (i + 1)) << "quad " << i;
}

TEST_F(Api, IndexedDrawsUseTheBaseVertexAndRefuseIndicesPastTheBuffer) {
    Open();
    std::vector<ScreenVertex> vertices = Quad(0, 0, 8, 8, 0xFFFF0000);
    const auto second = Quad(16, 0, 24, 8, 0xFF00FF00);
    vertices.insert(vertices.end(), second.begin(), second.end());
    IDirect3DVertexBuffer8* vb = Buffer(vertices, kScreenFvf);
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    resources.push_back(ib);
    BYTE* data = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    const std::uint16_t indices[6] = {0, 1, 2, 3, 4, 5};
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    device->SetStreamSource(0, vb, sizeof(ScreenVertex));
    device->SetVertexShader(kScreenFvf);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2), D3DERR_INVALIDCALL) << "no indices set";
    device->SetIndices(ib, 6);  // the second quad
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2), D3D_OK);
    Read();
    EXPECT_EQ(At(4, 4).r, 0) << "the first quad is not drawn";
    EXPECT_EQ(At(20, 4).g, 255) << "the second one is";
    device->SetIndices(ib, 7);  // index 5 would reach vertex 12 of 12
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 3, 2), D3DERR_INVALIDCALL)
        << "more indices than the buffer holds";
}

TEST_F(Api, BadInputFailsInsteadOfCrashing) {
    Open();
    // Draws with nothing to draw from.
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no stream, no format";
    IDirect3DVertexBuffer8* vb = Buffer(Quad(0, 0, 4, 4, 0xFFFFFFFF), kScreenFvf);
    device->SetStreamSource(0, vb, sizeof(ScreenVertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no vertex format";
    device->SetVertexShader(0x145);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "a shader handle";
    device->SetVertexShader(kScreenFvf);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL) << "past the buffer's end";
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFF, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(42), 0, 1), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, vb, 4);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "stride below the vertex";
    device->SetStreamSource(0, vb, sizeof(ScreenVertex));
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL) << "a locked buffer";
    vb->Unlock();
    // Objects that are not this device's.
    RecordingDevice other;
    IDirect3DTexture8* foreign = nullptr;
    other.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign);
    EXPECT_EQ(device->SetTexture(0, foreign), D3DERR_INVALIDCALL);
    IDirect3DVertexBuffer8* foreignVb = nullptr;
    other.CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &foreignVb);
    EXPECT_EQ(device->SetStreamSource(0, foreignVb, 16), D3DERR_INVALIDCALL);
    // Out-of-range states and null pointers.
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(200), 1), D3D_OK) << "unknown but stored";
    EXPECT_EQ(device->SetTextureStageState(99, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 0xFFFF), D3D_OK) << "an unknown operation";
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK) << "draws as a disabled stage";
    EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetViewport(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetDeviceCaps(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetDirect3D(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL) << "no stencil buffer";
    EXPECT_EQ(device->Clear(0, nullptr, 0x80, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL) << "no scene begun";
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->ApplyStateBlock(12345), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
    DWORD token = 0;
    EXPECT_EQ(device->EndStateBlock(&token), D3D_OK);
    EXPECT_EQ(device->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(device->DeleteStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(Api, ResourcesOutliveTheDeviceSafely) {
    Open();
    IDirect3DTexture8* t = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &t), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb), D3D_OK);
    device->SetTexture(0, t);
    device->SetStreamSource(0, vb, 16);
    // The program releases the device first and its meshes never: the
    // bindings give their references back and the resources stay usable
    // as memory.
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    D3DLOCKED_RECT r{};
    EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
    static_cast<BYTE*>(r.pBits)[8 * 8 * 2 - 1] = 0xFF;
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    IDirect3DDevice8* owner = reinterpret_cast<IDirect3DDevice8*>(0x1);
    EXPECT_EQ(t->GetDevice(&owner), D3DERR_INVALIDCALL);
    EXPECT_EQ(owner, nullptr);
    BYTE* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
}

TEST_F(Api, PresentShowsTheFrameAndTheCaptureWritesItAtRelease) {
    const std::string path = ::testing::TempDir() + "tarvona_device_capture.png";
    std::remove(path.c_str());
    setenv("TARVONA_CAPTURE", path.c_str(), 1);
    Open(640, 480, D3DFMT_R5G6B5);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    const D3DRECT corner{0, 0, 32, 16};
    device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // The next frame is drawn but never presented: the capture is the
    // frame before it.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    std::vector<std::uint8_t> shown;
    UINT w = 0, h = 0;
    ASSERT_TRUE(ReadPresentedFrame(device, shown, &w, &h));
    EXPECT_EQ(shown[2], 0) << "the presented frame is red in the corner";
    EXPECT_EQ(shown[0], 255);
    Close();
    unsetenv("TARVONA_CAPTURE");
    const Image image = LoadPng(path);
    ASSERT_FALSE(image.Empty()) << path;
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    EXPECT_EQ(image.At(5, 5)[0], 255);
    EXPECT_EQ(image.At(5, 5)[2], 0);
    EXPECT_EQ(image.At(100, 100)[2], 255) << "blue elsewhere";
    EXPECT_EQ(image.At(100, 100)[1], 0);
    std::remove(path.c_str());
}

TEST_F(Api, FrameLimitCountsPresentedFrames) {
    setenv("TARVONA_FRAMES", "3", 1);
    ResetFrameLimit();
    Open();
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(FrameLimitReached()) << "after " << i << " frames";
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    EXPECT_TRUE(FrameLimitReached());
    unsetenv("TARVONA_FRAMES");
    ResetFrameLimit();
    EXPECT_FALSE(FrameLimitReached());
}

TEST_F(Api, AltEnterTogglesFullScreen) {
    Open();
    EXPECT_TRUE(IsFullScreen(device)) << "the device was made full screen";
    ASSERT_TRUE(PushEnterKey(DeviceTestWindow(), true));
    device->Present(nullptr, nullptr, nullptr, nullptr);  // Present pumps the events
    EXPECT_FALSE(IsFullScreen(device));
    ASSERT_TRUE(PushEnterKey(DeviceTestWindow(), false));  // Enter alone does nothing
    device->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(IsFullScreen(device));
    ASSERT_TRUE(ToggleFullScreen(device));
    EXPECT_TRUE(IsFullScreen(device));
}

// A frame like the program's: clear, a few state changes, lit draws, the
// sprite, present.
TEST_F(Api, SteadyFramesCompileNothingAndRepeatNoStateCalls) {
    Open(640, 480, D3DFMT_R5G6B5);
    struct LitVertex {
        float x, y, z, nx, ny, nz;
    };
    const std::vector<LitVertex> tri = {{0, 1, 5, 0, 0, -1}, {1, -1, 5, 0, 0, -1}, {-1, -1, 5, 0, 0, -1}};
    IDirect3DVertexBuffer8* lit = Buffer(tri, D3DFVF_XYZ | D3DFVF_NORMAL);
    const std::vector<ColourVertex> point = {{0, 0, 5, 0xFFFFFFFF}};
    IDirect3DVertexBuffer8* sprite = Buffer(point, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    const D3DMATRIX proj = Perspective(0.785f, 4.0f / 3.0f, 1.0f, 100.0f);
    auto frame = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetStreamSource(0, lit, sizeof(LitVertex));
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        for (int i = 0; i < 10; ++i) device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        device->SetStreamSource(0, sprite, sizeof(ColourVertex));
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        device->DrawPrimitive(D3DPT_POINTLIST, 0, 1);
        device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    frame();
    frame();
    DeviceGlStats before{}, after{};
    ASSERT_TRUE(ReadGlStats(device, &before));
    frame();
    ASSERT_TRUE(ReadGlStats(device, &after));
    EXPECT_EQ(after.shaderCompiles, before.shaderCompiles) << "no compile once every variant was seen";
    EXPECT_EQ(after.drawCalls - before.drawCalls, 11u);
    EXPECT_EQ(after.textureUploads, before.textureUploads);
    // The ten identical lit draws repeat no call but the draw itself: per
    // frame, the clear, two program switches, two vertex inputs, two
    // uniform uploads of the misc block, the present's blit and swaps.
    const std::uint64_t perFrame = after.glCalls - before.glCalls;
    EXPECT_LE(perFrame, 40u) << "GL calls in one frame";
    EXPECT_EQ(after.programBinds - before.programBinds, 2u);
}

}  // namespace
}  // namespace tarvona::testing
