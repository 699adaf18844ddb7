// TextureFont's atlas on the recording device: the size rule and its
// shrinking to MaxTextureWidth, the glyph layout, the conversion of the GDI
// bitmap into A4R4G4B4 texels at the texture's real pitch, the failure paths
// and the release operations. Glyph sizes are checked against the GDI layer
// itself (a font created as the atlas's font should be), so the checks hold
// for whatever face fontconfig provides.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/recording_device.h"
#include "testing/gdi_testing.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::LiveGdiObjects;
using tarvona::testing::RecordingDevice;
using tarvona::testing::RecordingTexture;

HFONT GdiFontFor(int pixelHeight, bool bold) {
    return CreateFontA(pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial");
}

// A DC holding a font, to measure what the atlas should hold.
struct Measurer {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font;
    HGDIOBJ old;
    explicit Measurer(int pixelHeight, bool bold = true) : font(GdiFontFor(pixelHeight, bold)) {
        old = SelectObject(dc, font);
    }
    ~Measurer() {
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
    }
    SIZE Extent(char ch) {
        SIZE s{};
        const char text[2] = {ch, 0};
        GetTextExtentPoint32A(dc, text, 1, &s);
        return s;
    }
};

float LineHeight(const TextureFont& font) {
    return (font.glyphRects[0][3] - font.glyphRects[0][1]) * static_cast<float>(font.atlasHeight);
}

// ---- size rule ------------------------------------------------------------------

struct SizeCase {
    DWORD heightPoints;
    UINT maxTextureWidth;
    DWORD atlasSize;
    float scale;
    int gdiPixelHeight;  // -MulDiv(points, (int)(96 * scale), 72)
};
class AtlasSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(AtlasSize, FollowsTheHeightAndShrinksToTheDeviceLimit) {
    const SizeCase& c = GetParam();
    RecordingDevice device;
    device.caps.MaxTextureWidth = c.maxTextureWidth;
    TextureFont font("Arial", c.heightPoints, FontBold);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    EXPECT_EQ(font.atlasWidth, c.atlasSize);
    EXPECT_EQ(font.atlasHeight, c.atlasSize);
    EXPECT_EQ(font.atlasScale, c.scale);
    EXPECT_EQ(font.device, &device);
    const std::string size = std::to_string(c.atlasSize);
    const std::vector<std::string> expected = {"GetDeviceCaps()", "CreateTexture(" + size + ", " + size + ", 1, 0, 26, 1)",
                                               "LockRect(0, 0)", "UnlockRect(0)"};
    EXPECT_EQ(device.Texts(), expected);
    ASSERT_EQ(device.textures.size(), 1u);
    EXPECT_EQ(font.atlas, device.textures[0]);
    EXPECT_EQ(device.textures[0]->pool, D3DPOOL_MANAGED);

    // The GDI font behind the atlas had the (scaled) pixel height: its cell
    // is the line height of the atlas.
    Measurer gdi(c.gdiPixelHeight);
    EXPECT_EQ(LineHeight(font), static_cast<float>(gdi.Extent(' ').cy));
    EXPECT_EQ((font.glyphRects['W' - 32][2] - font.glyphRects['W' - 32][0]) * static_cast<float>(font.atlasWidth),
              static_cast<float>(gdi.Extent('W').cx));
}

INSTANTIATE_TEST_SUITE_P(Heights, AtlasSize,
                         ::testing::Values(SizeCase{12, 2048, 256, 1.0f, -16}, SizeCase{20, 2048, 256, 1.0f, -27},
                                           SizeCase{21, 2048, 512, 1.0f, -28}, SizeCase{40, 2048, 512, 1.0f, -53},
                                           SizeCase{41, 2048, 1024, 1.0f, -55}, SizeCase{41, 512, 512, 0.5f, -27},
                                           SizeCase{41, 256, 256, 0.25f, -14}, SizeCase{21, 512, 512, 1.0f, -28}));

// ---- layout ---------------------------------------------------------------------

TEST(AtlasLayout, ProgramFontHoldsAll95GlyphsOnePixelApartInWrappingRows) {
    const int gdiObjectsBefore = LiveGdiObjects();
    RecordingDevice device;
    TextureFont font("Arial", 12, FontBold);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    EXPECT_EQ(LiveGdiObjects(), gdiObjectsBefore);  // DC, DIB section and font all freed
    ASSERT_EQ(font.atlasWidth, 256u);

    Measurer gdi(-16);
    const float size = 256.0f;
    DWORD x = 0, y = 0;
    int rows = 1;
    for (int k = 32; k <= 126; ++k) {
        SCOPED_TRACE("character " + std::to_string(k));
        const float* r = font.glyphRects[k - 32];
        const SIZE extent = gdi.Extent(static_cast<char>(k));
        const auto cx = static_cast<DWORD>(extent.cx), cy = static_cast<DWORD>(extent.cy);
        ASSERT_GT(cx, 0u);
        if (k > 32) {
            const bool sameRow = r[1] == static_cast<float>(y) / size;
            if (sameRow) {
                EXPECT_LE(x + cx + 1, 256u) << "a glyph that fits stays in the row";
            } else {
                EXPECT_GT(x + cx + 1, 256u) << "a new row only when the glyph and its gap do not fit";
                x = 0;
                y += cy + 1;
                ++rows;
            }
        }
        EXPECT_EQ(r[0], static_cast<float>(x) / size);
        EXPECT_EQ(r[1], static_cast<float>(y) / size);
        EXPECT_EQ(r[2], static_cast<float>(x + cx) / size);
        EXPECT_EQ(r[3], static_cast<float>(y + cy) / size);
        EXPECT_LE(r[3], 1.0f);
        x += cx + 1;
    }
    EXPECT_GE(rows, 2);
    for (float v : font.glyphRects[95]) EXPECT_EQ(v, 0.0f);  // character 127 has no glyph
}

// ---- conversion -----------------------------------------------------------------

class AtlasConversion : public ::testing::TestWithParam<UINT> {};

TEST_P(AtlasConversion, TopFourBitsOfBlueBecomeAlphaOfWhiteTexelsAtTheRealPitch) {
    RecordingDevice device;
    device.texturePitchPadding = GetParam();
    TextureFont font("Arial", 12, FontBold);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    const RecordingTexture::Level& level = device.textures.at(0)->levels.at(0);
    ASSERT_EQ(level.pitch, static_cast<INT>(256 * 2 + GetParam()));

    // The same glyphs drawn independently where the atlas says they are.
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT gdiFont = GdiFontFor(-16, true);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, gdiFont);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    for (int k = 32; k <= 126; ++k) {
        const char text[2] = {static_cast<char>(k), 0};
        ExtTextOutA(dc, static_cast<int>(font.glyphRects[k - 32][0] * 256.0f),
                    static_cast<int>(font.glyphRects[k - 32][1] * 256.0f), ETO_OPAQUE, nullptr, text, 1, nullptr);
    }
    const auto* source = static_cast<const DWORD*>(bits);

    int faint = 0, solid = 0, partial = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const DWORD blue = source[y * 256 + x] & 0xFFu;
            WORD texel;
            std::memcpy(&texel, level.bytes.data() + y * level.pitch + x * 2, 2);
            const WORD expected = (blue >> 4) ? static_cast<WORD>(((blue >> 4) << 12) | 0x0FFF) : WORD{0};
            ASSERT_EQ(texel, expected) << x << "," << y << " blue " << blue;
            faint += blue > 0 && blue < 16;
            solid += blue == 255;
            partial += blue >= 16 && blue < 255;
        }
        for (UINT pad = 0; pad < GetParam(); ++pad) ASSERT_EQ(level.bytes[y * level.pitch + 512 + pad], 0u);
    }
    // The font's edges give every kind of value: below 16 (0x0000), full
    // coverage (0xFFFF) and the levels between.
    EXPECT_GT(faint, 0);
    EXPECT_GT(solid, 0);
    EXPECT_GT(partial, 0);
    // The space is a cell of its own with empty coverage.
    const float* space = font.glyphRects[0];
    for (int y = static_cast<int>(space[1] * 256); y < static_cast<int>(space[3] * 256); ++y)
        for (int x = static_cast<int>(space[0] * 256); x < static_cast<int>(space[2] * 256); ++x)
            EXPECT_EQ(level.bytes[y * level.pitch + x * 2] | level.bytes[y * level.pitch + x * 2 + 1], 0);

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteObject(gdiFont);
    DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(PitchPadding, AtlasConversion, ::testing::Values(0u, 6u, 64u));

// ---- glyphs that do not fit -----------------------------------------------------

TEST(AtlasOverflow, GlyphsBeyondTheLastRowGetEmptyRectanglesInsideTheAtlas) {
    // Height 40 wants 512 texels; a 32-texel limit leaves 1/16 of it, whose
    // rows of glyphs run past the atlas's bottom.
    RecordingDevice device;
    device.caps.MaxTextureWidth = 32;
    TextureFont font("Arial", 40, 0);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    ASSERT_EQ(font.atlasWidth, 32u);
    int placed = 0, dropped = 0;
    for (int i = 0; i < 95; ++i) {
        const float* r = font.glyphRects[i];
        const bool empty = r[0] == r[2] && r[1] == r[3];
        if (empty) {
            ++dropped;
            for (int j = 0; j < 4; ++j) EXPECT_EQ(r[j], 0.0f);
        } else {
            EXPECT_EQ(dropped, 0) << "only the glyphs after the last row that fits are dropped";
            ++placed;
        }
        for (int j = 0; j < 4; ++j) {
            EXPECT_GE(r[j], 0.0f);
            EXPECT_LE(r[j], 1.0f);
        }
    }
    EXPECT_GT(placed, 10);
    EXPECT_GT(dropped, 0);
    SIZE size{};
    ASSERT_EQ(font.MeasureText("~~~", &size), S_OK);  // dropped glyphs measure nothing
    EXPECT_EQ(size.cx, 0);
}

// ---- failures -------------------------------------------------------------------

TEST(AtlasFailure, FailedCreateTextureIsPassedOnAndNothingIsDrawn) {
    const int before = LiveGdiObjects();
    RecordingDevice device;
    device.createTextureResult = D3DERR_OUTOFVIDEOMEMORY;
    TextureFont font("Arial", 12, FontBold);
    EXPECT_EQ(font.CreateAtlas(&device), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.atlas, nullptr);
    EXPECT_EQ(font.device, &device);
    EXPECT_EQ(font.atlasWidth, 256u);
    EXPECT_EQ(LiveGdiObjects(), before);
    EXPECT_TRUE(device.Texts("LockRect").empty());
}

TEST(AtlasFailure, NoFontFoundGivesEFailWithAnEmptyAtlasAndNoGdiLeft) {
    const int before = LiveGdiObjects();
    RecordingDevice device;
    TextureFont font("Arial", 12, FontBold);
    tarvona::testing::SetEmptyFontConfiguration(true);
    const HRESULT result = font.CreateAtlas(&device);
    tarvona::testing::SetEmptyFontConfiguration(false);
    EXPECT_EQ(result, E_FAIL);
    EXPECT_NE(font.atlas, nullptr);
    EXPECT_TRUE(device.Texts("LockRect").empty());
    EXPECT_EQ(LiveGdiObjects(), before);
    SIZE size{};
    EXPECT_EQ(font.MeasureText("abc", &size), S_OK);  // an unfilled table measures as nothing
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, 0);
}

TEST(AtlasFailure, FailedLockIsReportedAndNothingIsWritten) {
    const int before = LiveGdiObjects();
    RecordingDevice device;
    device.failLocks = true;
    TextureFont font("Arial", 12, FontBold);
    EXPECT_LT(font.CreateAtlas(&device), 0);
    EXPECT_EQ(LiveGdiObjects(), before);
    EXPECT_TRUE(device.Texts("UnlockRect").empty());
    const auto& bytes = device.textures.at(0)->levels.at(0).bytes;
    for (auto b : bytes) ASSERT_EQ(b, 0u);
}

TEST(AtlasFailure, NullDeviceIsRefused) {
    TextureFont font("Arial", 12, FontBold);
    EXPECT_EQ(font.CreateAtlas(nullptr), E_FAIL);
    EXPECT_EQ(font.device, nullptr);
}

// ---- construction and release -----------------------------------------------------

TEST(TextureFontLifetime, ConstructorStoresItsArgumentsAndCutsLongNames) {
    TextureFont font("Arial", 12, FontBold | FontItalic);
    EXPECT_STREQ(font.faceName, "Arial");
    EXPECT_EQ(font.heightPoints, 12u);
    EXPECT_EQ(font.styleFlags, 3u);
    EXPECT_EQ(font.device, nullptr);
    EXPECT_EQ(font.atlas, nullptr);
    EXPECT_EQ(font.quadBuffer, nullptr);
    EXPECT_EQ(font.savedStates, 0u);
    EXPECT_EQ(font.textStates, 0u);

    const std::string longName(120, 'x');
    TextureFont cut(longName.c_str(), 12);
    EXPECT_EQ(std::string(cut.faceName), std::string(79, 'x'));
}

TEST(TextureFontLifetime, ReleasesOnAConstructedFontDoNothing) {
    TextureFont font("Arial", 12, FontBold);
    EXPECT_EQ(font.ReleaseDrawResources(), S_OK);
    EXPECT_EQ(font.ReleaseAtlas(), S_OK);
    EXPECT_EQ(font.ReleaseAtlas(), S_OK);
}

TEST(TextureFontLifetime, ReleaseAtlasGivesTheTextureBackAndForgetsTheDevice) {
    RecordingDevice device;
    TextureFont font("Arial", 12, FontBold);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    RecordingTexture* texture = device.textures.at(0);
    ASSERT_EQ(texture->refCount, 1u);
    device.Clear();
    EXPECT_EQ(font.ReleaseAtlas(), S_OK);
    EXPECT_EQ(texture->refCount, 0u);
    EXPECT_EQ(font.atlas, nullptr);
    EXPECT_EQ(font.device, nullptr);
    EXPECT_TRUE(device.calls.empty());  // no Release of the device: the font never held it
    EXPECT_EQ(font.ReleaseAtlas(), S_OK);
    EXPECT_EQ(texture->refCount, 0u);
}

TEST(TextureFontLifetime, DestructorReleasesBufferStateBlocksAndAtlas) {
    RecordingDevice device;
    RecordingTexture* texture = nullptr;
    {
        TextureFont font("Arial", 12, FontBold);
        ASSERT_EQ(font.CreateAtlas(&device), S_OK);
        ASSERT_EQ(font.CreateDrawResources(), S_OK);
        texture = device.textures.at(0);
        device.Clear();
    }
    const std::vector<std::string> expected = {"DeleteStateBlock(1)", "DeleteStateBlock(2)"};
    EXPECT_EQ(device.Texts(), expected);
    EXPECT_EQ(device.vertexBuffers.at(0)->refCount, 0u);
    EXPECT_EQ(texture->refCount, 0u);
}

}  // namespace
