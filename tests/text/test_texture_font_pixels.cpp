// The counter text on the real device (OpenGL, llvmpipe headless): "FPS: 60"
// at (2, 0) in opaque yellow must land texel for texel on the pixels, each
// pixel the blend of yellow over the background by its atlas texel's alpha,
// with no half-pixel shift and no filtering blur. The expected frame is
// worked out here from the atlas texels and the fixed-function blend
// (alpha test at 8, source alpha over inverse source alpha).
#include <gtest/gtest.h>

#include <d3d8.h>
#include <windows.h>

#include <cstdint>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "testing/device_testing.h"
#include "text/d3dfont.h"

namespace {

constexpr UINT kWidth = 640, kHeight = 480;
constexpr D3DCOLOR kBackground = 0xFF2050A0u;
constexpr D3DCOLOR kYellow = 0xFFFFFF00u;

struct Colour {
    double r, g, b;  // 0..255
};

// The frame the draw should give over `background` (the cleared colour as
// the back buffer holds it: blending reads the stored destination).
std::vector<Colour> ExpectedFrame(const TextureFont& font, const std::vector<WORD>& atlas, const char* text, float x0,
                                  Colour background) {
    std::vector<Colour> frame(kWidth * kHeight, background);
    const int size = static_cast<int>(font.atlasWidth);
    int pen = static_cast<int>(x0);
    for (const char* p = text; *p; ++p) {
        const float* r = font.glyphRects[*p - 32];
        const int left = static_cast<int>(r[0] * size), top = static_cast<int>(r[1] * size);
        const int w = static_cast<int>((r[2] - r[0]) * size), h = static_cast<int>((r[3] - r[1]) * size);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int alpha4 = atlas[(top + y) * size + left + x] >> 12;
                if (alpha4 == 0) continue;  // below the alpha reference: discarded
                const double a = alpha4 * 17 / 255.0;
                frame[y * kWidth + pen + x] = {255 * a + background.r * (1 - a), 255 * a + background.g * (1 - a),
                                               0 * a + background.b * (1 - a)};
            }
        pen += w;
    }
    return frame;
}

class CrispCounterText : public ::testing::TestWithParam<D3DFORMAT> {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "font pixels";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "font pixels", "font pixels", WS_OVERLAPPEDWINDOW, 0, 0, kWidth, kHeight,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        direct3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = kWidth;
        pp.BackBufferHeight = kHeight;
        pp.BackBufferFormat = GetParam();
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = GetParam() == D3DFMT_R5G6B5 ? FALSE : TRUE;  // the program's mode, and a precise one
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_GE(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                  0);
    }
    void TearDown() override {
        font.ReleaseDrawResources();
        font.ReleaseAtlas();
        if (device) device->Release();
        if (direct3d) direct3d->Release();
        if (window) DestroyWindow(window);
    }

    HWND window = nullptr;
    IDirect3D8* direct3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    TextureFont font{"Arial", 12, FontBold};
};

TEST_P(CrispCounterText, EachPixelIsItsTexelBlendedYellowOverTheBackground) {
    ASSERT_EQ(font.CreateAtlas(device), S_OK);
    ASSERT_EQ(font.CreateDrawResources(), S_OK);
    std::vector<WORD> atlas(font.atlasWidth * font.atlasHeight);
    D3DLOCKED_RECT locked{};
    ASSERT_GE(font.atlas->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), 0);
    for (UINT y = 0; y < font.atlasHeight; ++y)
        std::memcpy(&atlas[y * font.atlasWidth], static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch,
                    font.atlasWidth * sizeof(WORD));
    font.atlas->UnlockRect(0);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    device->BeginScene();
    ASSERT_EQ(font.DrawScreenText(2.0f, 0.0f, kYellow, "FPS: 60"), S_OK);
    device->EndScene();

    // The frame in 0..255 per channel, and one step of its stored precision.
    std::vector<Colour> got(kWidth * kHeight);
    Colour step{1, 1, 1};
    if (GetParam() == D3DFMT_R5G6B5) {
        std::vector<std::uint16_t> texels;
        ASSERT_TRUE(tarvona::testing::ReadBackBuffer565(device, texels));
        ASSERT_EQ(texels.size(), static_cast<size_t>(kWidth * kHeight));
        for (size_t i = 0; i < texels.size(); ++i)
            got[i] = {(texels[i] >> 11) * 255.0 / 31, ((texels[i] >> 5) & 0x3F) * 255.0 / 63,
                      (texels[i] & 0x1F) * 255.0 / 31};
        step = {255.0 / 31, 255.0 / 63, 255.0 / 31};
    } else {
        std::vector<std::uint8_t> rgba;
        UINT w = 0, h = 0;
        ASSERT_TRUE(tarvona::testing::ReadBackBuffer(device, rgba, &w, &h));
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
        for (size_t i = 0; i < got.size(); ++i)
            got[i] = {static_cast<double>(rgba[i * 4]), static_cast<double>(rgba[i * 4 + 1]),
                      static_cast<double>(rgba[i * 4 + 2])};
    }
    // Nothing is drawn in the bottom-right corner: it holds the cleared colour as stored.
    const Colour background = got.back();
    const std::vector<Colour> expected = ExpectedFrame(font, atlas, "FPS: 60", 2.0f, background);

    int textPixels = 0, mismatches = 0;
    std::string first;
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x) {
            const Colour& want = expected[y * kWidth + x];
            const Colour& have = got[y * kWidth + x];
            textPixels += want.r != background.r;
            if (std::abs(have.r - want.r) <= step.r && std::abs(have.g - want.g) <= step.g &&
                std::abs(have.b - want.b) <= step.b)
                continue;
            if (mismatches++ == 0)
                first = std::to_string(x) + "," + std::to_string(y) + ": got " + std::to_string(have.r) + " " +
                        std::to_string(have.g) + " " + std::to_string(have.b) + ", want " + std::to_string(want.r) +
                        " " + std::to_string(want.g) + " " + std::to_string(want.b);
        }
    EXPECT_GT(textPixels, 60);  // the text is really there
    EXPECT_EQ(mismatches, 0) << "first at " << first;
}

// The program releases the device first and the font's atlas last.
TEST_P(CrispCounterText, AtlasCanBeReleasedAfterTheDevice) {
    ASSERT_EQ(font.CreateAtlas(device), S_OK);
    ASSERT_EQ(font.CreateDrawResources(), S_OK);
    device->Release();
    device = nullptr;
    direct3d->Release();
    direct3d = nullptr;
    EXPECT_EQ(font.ReleaseAtlas(), S_OK);
    EXPECT_EQ(font.atlas, nullptr);
}

INSTANTIATE_TEST_SUITE_P(BackBuffers, CrispCounterText, ::testing::Values(D3DFMT_R5G6B5, D3DFMT_X8R8G8B8),
                         [](const auto& info) { return info.param == D3DFMT_R5G6B5 ? "R5G6B5" : "X8R8G8B8"; });

}  // namespace
