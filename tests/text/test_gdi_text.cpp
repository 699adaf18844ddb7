// The GDI text subset: font matching and sizes, extents, drawing into a
// 32-bit DIB section (fill, blend, clipping, alignment) and the handle rules.
// Expected metrics come from the published Windows metrics of the
// Arial-compatible face (2048 units per em, win ascent 1854, win descent
// 434, cap height 1409), worked out by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testing/gdi_testing.h"

namespace {

using tarvona::testing::FontIdentity;
using tarvona::testing::IdentifyFont;
using tarvona::testing::LiveGdiObjects;

HFONT MakeFont(int height, int weight = FW_NORMAL, bool italic = false, DWORD quality = ANTIALIASED_QUALITY,
               const char* face = "Arial") {
    return CreateFontA(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, VARIABLE_PITCH, face);
}

// A memory DC with a DIB section and (optionally) a font selected, freed in
// the order GDI needs.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HFONT font = nullptr;
    HGDIOBJ oldBitmap = nullptr, oldFont = nullptr;
    std::uint32_t* bits = nullptr;
    int width, height;

    Surface(int w, int h, HFONT f, bool topDown = true) : font(f), width(w), height(h) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = topDown ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<std::uint32_t*>(p);
        oldBitmap = SelectObject(dc, bitmap);
        if (font) oldFont = SelectObject(dc, font);
    }
    ~Surface() {
        if (font) SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (font) DeleteObject(font);
    }
    // White text on black: each pixel's blue byte is then the coverage.
    Surface& WhiteOnBlack() {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, RGB(0, 0, 0));
        return *this;
    }
    std::uint32_t& At(int x, int y) { return bits[static_cast<size_t>(y) * width + x]; }
    void FillAll(std::uint32_t value) { std::fill(bits, bits + static_cast<size_t>(width) * height, value); }
    SIZE Extent(const char* text) {
        SIZE s{-1, -1};
        EXPECT_TRUE(GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s));
        return s;
    }
    void Draw(int x, int y, const char* text, UINT options = ETO_OPAQUE) {
        EXPECT_TRUE(ExtTextOutA(dc, x, y, options, nullptr, text, static_cast<UINT>(std::strlen(text)), nullptr));
    }
    // Rows and columns that hold any pixel other than `background`.
    RECT InkBounds(std::uint32_t background = 0) {
        RECT r{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (At(x, y) != background) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;
    }
};

// ---- matching -------------------------------------------------------------------

struct StyleCase {
    int weight;
    bool italic;
    const char* style;
};
class FontMatching : public ::testing::TestWithParam<StyleCase> {};

TEST_P(FontMatching, ArialResolvesToTheMetricCompatibleFaceInTheAskedStyle) {
    HFONT font = MakeFont(-16, GetParam().weight, GetParam().italic);
    ASSERT_NE(font, nullptr);
    FontIdentity id;
    ASSERT_TRUE(IdentifyFont(font, id));
    EXPECT_EQ(id.family, "Liberation Sans");
    EXPECT_EQ(id.style, GetParam().style);
    EXPECT_FALSE(id.syntheticBold);  // the face has real bold and italic variants
    EXPECT_FALSE(id.syntheticItalic);
    EXPECT_TRUE(DeleteObject(font));
}

INSTANTIATE_TEST_SUITE_P(Styles, FontMatching,
                         ::testing::Values(StyleCase{FW_NORMAL, false, "Regular"}, StyleCase{FW_BOLD, false, "Bold"},
                                           StyleCase{FW_NORMAL, true, "Italic"},
                                           StyleCase{FW_BOLD, true, "Bold Italic"},
                                           StyleCase{FW_DONTCARE, false, "Regular"}));

TEST(FontMatching, AnEmptyFontConfigurationGivesNoFont) {
    const int before = LiveGdiObjects();
    tarvona::testing::SetEmptyFontConfiguration(true);
    EXPECT_EQ(MakeFont(-16, FW_BOLD), nullptr);
    tarvona::testing::SetEmptyFontConfiguration(false);
    EXPECT_EQ(LiveGdiObjects(), before);
    HFONT font = MakeFont(-16, FW_BOLD);
    EXPECT_NE(font, nullptr);
    DeleteObject(font);
}

// ---- sizes ------------------------------------------------------------------------

struct HeightCase {
    int height;
    int cellHeight;  // tmHeight
    int ascent;
};
class FontHeight : public ::testing::TestWithParam<HeightCase> {};

TEST_P(FontHeight, CellFollowsTheWindowsMetrics) {
    Surface s(64, 64, MakeFont(GetParam().height, FW_BOLD));
    ASSERT_NE(s.font, nullptr);
    EXPECT_EQ(s.Extent("A").cy, GetParam().cellHeight);
    EXPECT_EQ(s.Extent("").cy, GetParam().cellHeight);
    FontIdentity id;
    ASSERT_TRUE(IdentifyFont(s.font, id));
    EXPECT_EQ(id.ascent, GetParam().ascent);
    EXPECT_EQ(id.ascent + id.descent, GetParam().cellHeight);
}

// Negative: em = |h|, cell = round(em * 2288 / 2048), ascent = round(em * 1854 / 2048).
// Positive: the cell is h, ascent = round(h * 1854 / 2288).
INSTANTIATE_TEST_SUITE_P(Heights, FontHeight,
                         ::testing::Values(HeightCase{-16, 18, 14}, HeightCase{-27, 30, 24}, HeightCase{-8, 9, 7},
                                           HeightCase{18, 18, 15}, HeightCase{30, 30, 24}, HeightCase{7, 7, 6}));

struct CapCase {
    int height;
    int capPixels;  // 1409 / 2048 of the em
};
class CapHeight : public ::testing::TestWithParam<CapCase> {};

TEST_P(CapHeight, NegativeHeightIsTheEmAndPositiveTheCell) {
    Surface s(96, 96, MakeFont(GetParam().height));
    s.WhiteOnBlack().Draw(10, 10, "H");
    const RECT ink = s.InkBounds();
    ASSERT_GE(ink.bottom, ink.top);
    EXPECT_NEAR(ink.bottom - ink.top + 1, GetParam().capPixels, 1);
}

// -32: em 32, cap 22.0; +36: em 36 * 2048 / 2288 = 32.2, cap 22.2; -36: cap 24.8.
INSTANTIATE_TEST_SUITE_P(Heights, CapHeight,
                         ::testing::Values(CapCase{-32, 22}, CapCase{36, 22}, CapCase{-36, 25}));

TEST(TextExtent, IsTheSumOfTheAdvancesWithoutKerning) {
    Surface s(64, 64, MakeFont(-16, FW_BOLD));
    const SIZE a = s.Extent("A"), v = s.Extent("V"), av = s.Extent("AVAV");
    EXPECT_EQ(av.cx, 2 * (a.cx + v.cx));
    EXPECT_EQ(av.cy, a.cy);
    EXPECT_EQ(s.Extent("").cx, 0);
    EXPECT_GT(a.cx, s.Extent("i").cx);
    // Bold is wider than regular for the same face and size.
    Surface regular(64, 64, MakeFont(-16, FW_NORMAL));
    EXPECT_GT(s.Extent("mmmm").cx, regular.Extent("mmmm").cx);
}

TEST(TextExtent, RefusesBadArguments) {
    Surface s(8, 8, MakeFont(-16));
    SIZE size{7, 7};
    EXPECT_FALSE(GetTextExtentPoint32A(s.dc, "A", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(s.dc, nullptr, 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(s.dc, "A", -1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "A", 1, &size));
    Surface noFont(8, 8, nullptr);  // the stock font measures nothing
    EXPECT_FALSE(GetTextExtentPoint32A(noFont.dc, "A", 1, &size));
    EXPECT_EQ(size.cx, 7);
}

// ---- drawing ----------------------------------------------------------------------

constexpr std::uint32_t kGreen = 0x0000FF00u;  // as stored: blue is the lowest byte

TEST(ExtTextOut, OpaqueFillsTheCellAndBlendsTheTextColourByCoverage) {
    Surface white(64, 40, MakeFont(-16, FW_BOLD));
    white.WhiteOnBlack().Draw(5, 3, "Ag");
    Surface s(64, 40, MakeFont(-16, FW_BOLD));
    s.FillAll(kGreen);
    SetTextColor(s.dc, RGB(255, 0, 0));
    SetBkColor(s.dc, RGB(0, 0, 255));
    const SIZE cell = s.Extent("Ag");
    s.Draw(5, 3, "Ag");

    int full = 0, partial = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t p = s.At(x, y);
            const bool inCell = x >= 5 && x < 5 + cell.cx && y >= 3 && y < 3 + cell.cy;
            if (!inCell) {
                EXPECT_EQ(p, kGreen) << x << "," << y;
                continue;
            }
            const unsigned coverage = white.At(x, y) & 0xFFu;
            const unsigned red = (p >> 16) & 0xFFu, greenByte = (p >> 8) & 0xFFu, blue = p & 0xFFu;
            EXPECT_EQ(greenByte, 0u);
            EXPECT_EQ(red, coverage) << x << "," << y;
            EXPECT_NEAR(static_cast<int>(blue), 255 - static_cast<int>(coverage), 1) << x << "," << y;
            full += coverage == 255;
            partial += coverage > 0 && coverage < 255;
        }
    EXPECT_GT(full, 10);
    EXPECT_GT(partial, 5);  // grey-level edges
    EXPECT_EQ(s.At(5, 3), 0x000000FFu);  // the background, blue in the lowest byte
}

TEST(ExtTextOut, TransparentModeBlendsOverWhatIsThere) {
    Surface white(48, 32, MakeFont(-16));
    white.WhiteOnBlack().Draw(4, 4, "W", 0);
    Surface s(48, 32, MakeFont(-16));
    s.FillAll(kGreen);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextColor(s.dc, RGB(255, 0, 0));
    s.Draw(4, 4, "W", 0);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const unsigned c = white.At(x, y) & 0xFFu;
            const std::uint32_t p = s.At(x, y);
            EXPECT_EQ((p >> 16) & 0xFFu, c);
            EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFFu), 255 - static_cast<int>(c), 1);
        }
}

TEST(ExtTextOut, NonAntialiasedQualityGivesOnlyFullOrNoCoverage) {
    Surface mono(64, 32, MakeFont(-16, FW_NORMAL, false, NONANTIALIASED_QUALITY));
    SetTextColor(mono.dc, RGB(255, 255, 255));
    mono.Draw(2, 2, "Swg@");
    int ink = 0;
    for (int y = 0; y < mono.height; ++y)
        for (int x = 0; x < mono.width; ++x) {
            const std::uint32_t p = mono.At(x, y);
            EXPECT_TRUE(p == 0 || p == 0x00FFFFFFu) << std::hex << p;
            ink += p != 0;
        }
    EXPECT_GT(ink, 30);
}

struct ClipCase {
    int x, y;  // where the text lands in a 10 x 10 bitmap
};
class ExtTextOutClipping : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ExtTextOutClipping, WritesOnlyInsideTheBitmap) {
    // The same text drawn into a large bitmap at (40, 40); the small bitmap
    // must show exactly the 10 x 10 window that it covers.
    Surface big(120, 120, MakeFont(-16, FW_BOLD));
    SetTextColor(big.dc, RGB(255, 255, 255));
    SetBkColor(big.dc, RGB(20, 30, 40));
    big.FillAll(kGreen);
    big.Draw(40, 40, "Wjg|");
    Surface small(10, 10, MakeFont(-16, FW_BOLD));
    SetTextColor(small.dc, RGB(255, 255, 255));
    SetBkColor(small.dc, RGB(20, 30, 40));
    small.FillAll(kGreen);
    const int x = GetParam().x, y = GetParam().y;
    small.Draw(x, y, "Wjg|");
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 10; ++col) {
            const int bx = col - x + 40, by = row - y + 40;
            const std::uint32_t expected = (bx >= 0 && by >= 0 && bx < 120 && by < 120) ? big.At(bx, by) : kGreen;
            EXPECT_EQ(small.At(col, row), expected) << col << "," << row;
        }
}

INSTANTIATE_TEST_SUITE_P(Positions, ExtTextOutClipping,
                         ::testing::Values(ClipCase{-5, -7}, ClipCase{6, 4}, ClipCase{-20, 2}, ClipCase{3, -12},
                                           ClipCase{9, 9}, ClipCase{-40, -40}, ClipCase{12, 0}, ClipCase{0, 30}));

TEST(ExtTextOut, FarOutsidePositionsDrawNothingAndSucceed) {
    Surface s(10, 10, MakeFont(-16));
    s.FillAll(kGreen);
    s.Draw(2000000000, 5, "abc");
    s.Draw(-2000000000, -2000000000, "abc");
    s.Draw(5, 2000000000, "abc");
    EXPECT_EQ(s.InkBounds(kGreen).right, -1);
}

TEST(ExtTextOut, BottomUpBitmapsStoreTheLastRowFirst) {
    Surface down(32, 24, MakeFont(-16));
    Surface up(32, 24, MakeFont(-16), false);
    down.WhiteOnBlack().Draw(3, 2, "Jq");
    up.WhiteOnBlack().Draw(3, 2, "Jq");
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) EXPECT_EQ(down.At(x, y), up.At(x, 23 - y)) << x << "," << y;
    EXPECT_NE(down.InkBounds().right, -1);
}

struct AlignCase {
    UINT align;
    int dx, dy;  // where a TA_LEFT | TA_TOP draw lands relative to the reference point
};
class TextAlignment : public ::testing::TestWithParam<AlignCase> {};

TEST_P(TextAlignment, PlacesTheCellAroundTheReferencePoint) {
    Surface ref(80, 60, MakeFont(-16));
    const SIZE cell = ref.Extent("Hx");
    FontIdentity id;
    ASSERT_TRUE(IdentifyFont(ref.font, id));
    const int offsetX = GetParam().dx == 1 ? -cell.cx : GetParam().dx == 2 ? -cell.cx / 2 : 0;
    const int offsetY = GetParam().dy == 1 ? -cell.cy : GetParam().dy == 2 ? -id.ascent : 0;
    ref.Draw(40 + offsetX, 30 + offsetY, "Hx");
    Surface s(80, 60, MakeFont(-16));
    SetTextAlign(s.dc, GetParam().align);
    s.Draw(40, 30, "Hx");
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) ASSERT_EQ(s.At(x, y), ref.At(x, y)) << x << "," << y;
}

// dx: 0 left, 1 right, 2 centre; dy: 0 top, 1 bottom, 2 baseline.
INSTANTIATE_TEST_SUITE_P(Modes, TextAlignment,
                         ::testing::Values(AlignCase{TA_LEFT | TA_TOP, 0, 0}, AlignCase{TA_RIGHT | TA_TOP, 1, 0},
                                           AlignCase{TA_CENTER | TA_BOTTOM, 2, 1},
                                           AlignCase{TA_LEFT | TA_BASELINE, 0, 2},
                                           AlignCase{TA_RIGHT | TA_BASELINE, 1, 2}));

TEST(ExtTextOut, SpacingArrayPlacesEachCharacter) {
    Surface spaced(80, 30, MakeFont(-16));
    SetBkMode(spaced.dc, TRANSPARENT);
    SetTextColor(spaced.dc, RGB(255, 255, 255));
    const INT dx[2] = {30, 30};
    EXPECT_TRUE(ExtTextOutA(spaced.dc, 2, 2, 0, nullptr, "AB", 2, dx));
    Surface apart(80, 30, MakeFont(-16));
    SetBkMode(apart.dc, TRANSPARENT);
    SetTextColor(apart.dc, RGB(255, 255, 255));
    apart.Draw(2, 2, "A", 0);
    apart.Draw(32, 2, "B", 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) ASSERT_EQ(spaced.At(x, y), apart.At(x, y)) << x << "," << y;
}

TEST(ExtTextOut, OpaqueRectangleIsFilledAndClippedToTheBitmap) {
    Surface s(16, 16, MakeFont(-16));
    s.FillAll(kGreen);
    SetBkColor(s.dc, RGB(1, 2, 3));
    const RECT r{-4, 10, 8, 40};
    EXPECT_TRUE(ExtTextOutA(s.dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(s.At(x, y), (x < 8 && y >= 10) ? 0x00010203u : kGreen) << x << "," << y;
}

// ---- bitmaps, DCs and handles ---------------------------------------------------

struct DibCase {
    const char* what;
    LONG width, height;
    WORD bitCount;
    DWORD compression;
};
class DibSectionRefusal : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibSectionRefusal, GivesNoBitmapAndNoPointer) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = GetParam().width;
    info.bmiHeader.biHeight = GetParam().height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = GetParam().bitCount;
    info.bmiHeader.biCompression = GetParam().compression;
    void* bits = &info;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Headers, DibSectionRefusal,
                         ::testing::Values(DibCase{"24 bit", 8, -8, 24, BI_RGB}, DibCase{"bitfields", 8, -8, 32, 3},
                                           DibCase{"no width", 0, -8, 32, BI_RGB},
                                           DibCase{"no height", 8, 0, 32, BI_RGB},
                                           DibCase{"negative width", -8, 8, 32, BI_RGB},
                                           DibCase{"too large", 100000, -100000, 32, BI_RGB}));

TEST(DibSection, IsZeroFilledAndRefusesMissingHeaders) {
    Surface s(7, 5, nullptr);
    ASSERT_NE(s.bits, nullptr);
    EXPECT_EQ(std::count(s.bits, s.bits + 35, 0u), 35);
    void* bits = &s;
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
}

TEST(DeviceContext, ReportsNinetySixPixelsPerInch) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), 0u);
    EXPECT_EQ(SetTextColor(dc, 0), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(dc, 0), 0x00FFFFFFu);
    EXPECT_EQ(SetTextAlign(dc, TA_BASELINE), 0u);
    EXPECT_EQ(SetTextAlign(dc, TA_TOP), static_cast<UINT>(TA_BASELINE));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Handles, NullStaleAndWrongKindHandlesFailSafely) {
    const int before = LiveGdiObjects();
    HDC stale = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(DeleteDC(stale));
    HFONT font = MakeFont(-16);
    int local = 0;
    const auto garbage = reinterpret_cast<HDC>(&local);
    const auto fontAsDc = reinterpret_cast<HDC>(font);
    SIZE size{};
    for (HDC bad : {static_cast<HDC>(nullptr), stale, garbage, fontAsDc}) {
        EXPECT_EQ(CreateCompatibleDC(bad == nullptr ? garbage : bad), nullptr);
        EXPECT_FALSE(DeleteDC(bad));
        EXPECT_EQ(SelectObject(bad, font), nullptr);
        EXPECT_EQ(SetMapMode(bad, MM_TEXT), 0);
        EXPECT_EQ(GetDeviceCaps(bad, LOGPIXELSY), 0);
        EXPECT_EQ(SetTextColor(bad, 0), CLR_INVALID);
        EXPECT_EQ(SetBkColor(bad, 0), CLR_INVALID);
        EXPECT_EQ(SetTextAlign(bad, 0), GDI_ERROR);
        EXPECT_EQ(SetBkMode(bad, OPAQUE), 0);
        EXPECT_FALSE(GetTextExtentPoint32A(bad, "A", 1, &size));
        EXPECT_FALSE(ExtTextOutA(bad, 0, 0, ETO_OPAQUE, nullptr, "A", 1, nullptr));
    }
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    EXPECT_EQ(SelectObject(dc, garbage), nullptr);
    EXPECT_EQ(SelectObject(dc, dc), nullptr);  // a DC is not selectable
    EXPECT_FALSE(DeleteObject(dc));             // DCs go through DeleteDC
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(garbage));
    EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
    EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, "abc", 3, nullptr));  // only the stock font is selected
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));  // already gone
    EXPECT_EQ(LiveGdiObjects(), before);
}

TEST(Handles, SelectedObjectsSurviveDeleteObjectUntilReleased) {
    const int before = LiveGdiObjects();
    HDC dc = CreateCompatibleDC(nullptr);
    HDC other = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = -4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font = MakeFont(-12);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    ASSERT_NE(oldBitmap, nullptr);
    ASSERT_NE(oldFont, nullptr);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // one DC at a time
    EXPECT_NE(SelectObject(other, font), nullptr);     // fonts can be shared
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(SelectObject(dc, oldBitmap), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(dc, oldFont), font);
    EXPECT_FALSE(DeleteObject(font));  // still in the other DC
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(oldFont));  // stock objects: harmless
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(LiveGdiObjects(), before);
}

}  // namespace
