// The sprite on the real device (llvmpipe, headless): a point at a known
// distance from the eye covers the square that Direct3D's point-scale rule
// gives, S = viewport height * size * sqrt(1 / (A + B*d + C*d^2)), and its
// texels are added to what the frame held.
#include <gtest/gtest.h>

#include <d3d8.h>
#include <d3dx8.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/PointSprite.h"
#include "testing/device_testing.h"
#include "testing/window_testing.h"

namespace {

constexpr UINT kWidth = 640, kHeight = 480;
constexpr D3DCOLOR kBackground = 0xFF204060;
constexpr std::uint8_t kTexel = 0x40;  // grey texture: the sprite adds 0x40 to each channel

class SpritePixels : public ::testing::Test {
protected:
    HWND window = nullptr;
    IDirect3D8* direct3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3DTexture8* texture = nullptr;

    void SetUp() override {
        tarvona::testing::ResetWindowLayer();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "sprite pixels";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(0, "sprite pixels", "sprite pixels", WS_OVERLAPPEDWINDOW, 0, 0, kWidth, kHeight,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        direct3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = kWidth;
        pp.BackBufferHeight = kHeight;
        pp.BackBufferFormat = D3DFMT_R5G6B5;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = FALSE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_GE(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                  0);
        ASSERT_GE(device->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), 0);
        D3DLOCKED_RECT rect;
        ASSERT_GE(texture->LockRect(0, &rect, nullptr, 0), 0);
        for (int y = 0; y < 8; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(rect.pBits) + y * rect.Pitch);
            for (int x = 0; x < 8; ++x) row[x] = D3DCOLOR_XRGB(kTexel, kTexel, kTexel);
        }
        texture->UnlockRect(0);
    }
    void TearDown() override {
        if (texture) texture->Release();
        if (device) device->Release();
        if (direct3d) direct3d->Release();
        tarvona::testing::ResetWindowLayer();
    }

    // One frame with the scene's sprite straight ahead at `distance`.
    std::vector<std::uint8_t> DrawAt(float distance) {
        PointSprite sprite(texture);
        sprite.SetColor(D3DXCOLOR(0xFFFFFFFF));
        sprite.SetPointSize(1.0f, 0.0f);
        sprite.SetPointScale(0.0f, 0.0f, 0.1f);
        sprite.Prepare(device);

        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        device->BeginScene();
        D3DXMATRIX world, view, projection;
        D3DXMatrixTranslation(&world, 0.0f, 0.0f, distance);
        D3DXMatrixIdentity(&view);
        D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.3333334f, 1.0f, 1000.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        sprite.Render();
        device->EndScene();

        std::vector<std::uint8_t> rgba;
        UINT width = 0, height = 0;
        EXPECT_TRUE(tarvona::testing::ReadBackBuffer(device, rgba, &width, &height));
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        if (sprite.vertexBuffer) sprite.vertexBuffer->Release();
        return rgba;
    }
};

const std::uint8_t* Pixel(const std::vector<std::uint8_t>& rgba, UINT x, UINT y) {
    return &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
}
// Within the 5/6/5 quantisation of the back buffer.
bool Near(const std::uint8_t* p, int r, int g, int b) {
    return std::abs(p[0] - r) <= 8 && std::abs(p[1] - g) <= 4 && std::abs(p[2] - b) <= 8;
}
bool Brightened(const std::uint8_t* p) { return Near(p, 0x20 + kTexel, 0x40 + kTexel, 0x60 + kTexel); }
bool Background(const std::uint8_t* p) { return Near(p, 0x20, 0x40, 0x60); }

class SpriteSize : public SpritePixels, public ::testing::WithParamInterface<float> {};

TEST_P(SpriteSize, CoversThePointScaleSquareAndAddsItsTexels) {
    const float distance = GetParam();
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    const double scaled = kHeight * 1.0 * std::sqrt(1.0 / (0.1 * distance * distance));
    const double expected = std::min(scaled, std::min(64.0, static_cast<double>(caps.MaxPointSize)));
    ASSERT_LT(expected, 200.0);

    const std::vector<std::uint8_t> rgba = DrawAt(distance);
    ASSERT_EQ(rgba.size(), static_cast<size_t>(kWidth) * kHeight * 4);

    // Count the brightened pixels along the centre row and column, and make
    // sure every pixel is either brightened or untouched background.
    int across = 0, down = 0, total = 0, other = 0;
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = Pixel(rgba, x, y);
            if (Brightened(p)) {
                ++total;
                if (y == kHeight / 2) ++across;
                if (x == kWidth / 2) ++down;
            } else if (!Background(p)) {
                ++other;
            }
        }
    EXPECT_NEAR(across, expected, 1.0);
    EXPECT_NEAR(down, expected, 1.0);
    EXPECT_NEAR(total, expected * expected, 2.0 * expected + 1.0);
    EXPECT_EQ(other, 0);
    EXPECT_TRUE(Brightened(Pixel(rgba, kWidth / 2, kHeight / 2)));
    EXPECT_TRUE(Background(Pixel(rgba, 0, 0)));
}

// 63.2, 31.6 and 15.8 pixels: the square halves as the distance doubles.
INSTANTIATE_TEST_SUITE_P(Distances, SpriteSize, ::testing::Values(24.0f, 48.0f, 96.0f));

TEST_F(SpritePixels, BeyondTheMaximumSizeTheSquareIsClamped) {
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    const double clamp = std::min(64.0, static_cast<double>(caps.MaxPointSize));
    const std::vector<std::uint8_t> rgba = DrawAt(8.0f);  // the rule alone would give 190 pixels
    int across = 0;
    for (UINT x = 0; x < kWidth; ++x) across += Brightened(Pixel(rgba, x, kHeight / 2)) ? 1 : 0;
    EXPECT_NEAR(across, clamp, 1.0);
}

}  // namespace
