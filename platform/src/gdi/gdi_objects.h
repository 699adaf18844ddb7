// The GDI objects behind HDC, HBITMAP and HFONT. A handle is the address of
// its object, but it is only ever turned back into one after the handle
// table says that it is live and of the expected kind, so a stale, foreign or
// made-up handle makes a call fail instead of touching memory. Private to
// platform/.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "windows.h"

typedef struct FT_FaceRec_* FT_Face;

namespace tarvona::gdi {

enum class Kind { Dc, Bitmap, Font };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const Kind kind;
    bool stock = false;     // never freed; DeleteObject on it does nothing
    int selectedInto = 0;   // number of DCs that hold it now
};

// A 32-bit device-independent bitmap: BGRA in memory, blue the lowest byte.
struct Bitmap final : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    bool topDown = true;
    std::unique_ptr<std::uint32_t[]> pixels;

    std::uint32_t* Row(int y) { return pixels.get() + static_cast<std::size_t>(topDown ? y : height - 1 - y) * width; }
};

// A realised font: one FreeType face at one pixel size.
struct Font final : Object {
    Font() : Object(Kind::Font) {}
    ~Font() override;

    FT_Face face = nullptr;  // null for the stock font, which draws nothing
    int ascent = 0;          // pixels above the baseline in the cell
    int descent = 0;         // pixels below it
    bool antialiased = true;
    long emboldenStrength = 0;  // 26.6 pixels; synthetic bold when the face has none
    bool synthesisedItalic = false;
    std::array<int, 256> advances{};  // cached per byte, -1 until measured
    std::string family, style, file;

    int CellHeight() const { return ascent + descent; }
};

struct Dc final : Object {
    Dc() : Object(Kind::Dc) {}
    Bitmap* bitmap = nullptr;
    Font* font = nullptr;
    COLORREF textColour = 0x00000000;
    COLORREF backgroundColour = 0x00FFFFFF;
    int backgroundMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int mapMode = MM_TEXT;
};

// The handle table.
void Register(Object* object);
void Unregister(Object* object);
Object* Find(const void* handle, Kind kind);
inline Dc* FindDc(HDC hdc) { return static_cast<Dc*>(Find(hdc, Kind::Dc)); }

// What a fresh memory DC holds: a 1 x 1 bitmap and a font that draws nothing.
Bitmap* StockBitmap();
Font* StockFont();

// Font services for text output (font.cpp).
int Advance(Font& font, unsigned char ch);  // pixels
// Rasterises one character with its pen at (penX, baseline) and hands each
// covered pixel with its coverage (1..255) to plot.
template <typename Plot>
void RenderGlyph(Font& font, unsigned char ch, int penX, int baseline, Plot&& plot);

// The rasteriser behind RenderGlyph: a coverage bitmap and its placement.
struct GlyphCoverage {
    const std::uint8_t* rows = nullptr;  // first row; rows are pitch bytes apart (pitch may be negative)
    int pitch = 0;
    int width = 0, height = 0;
    int left = 0, top = 0;  // offset of the first column from the pen, of the first row above the baseline
    bool mono = false;      // one bit per pixel, most significant first
};
bool RasteriseGlyph(Font& font, unsigned char ch, GlyphCoverage& out);

template <typename Plot>
void RenderGlyph(Font& font, unsigned char ch, int penX, int baseline, Plot&& plot) {
    GlyphCoverage g;
    if (!RasteriseGlyph(font, ch, g)) return;
    for (int row = 0; row < g.height; ++row) {
        const std::uint8_t* line = g.rows + static_cast<std::ptrdiff_t>(row) * g.pitch;
        for (int col = 0; col < g.width; ++col) {
            unsigned coverage = g.mono ? ((line[col >> 3] >> (7 - (col & 7))) & 1u) * 255u : line[col];
            if (coverage) plot(penX + g.left + col, baseline - g.top + row, coverage);
        }
    }
}

}  // namespace tarvona::gdi
