// GetTextExtentPoint32A and ExtTextOutA into the selected 32-bit bitmap.
//
// A string occupies a cell box: the sum of its advances (or of the lpDx
// spacing) wide and the font's cell height high, placed by the DC's text
// alignment. With the OPAQUE background mode, or ETO_OPAQUE without a
// rectangle, the box is filled with the background colour first; each glyph
// is then blended over the pixels in the text colour by its coverage. Every
// write is clipped to the bitmap (and to the rectangle with ETO_CLIPPED), so
// text placed partly or wholly outside draws only what lies inside.
#include <algorithm>
#include <climits>

#include "gdi/gdi_objects.h"
#include "windows.h"

namespace gdi = tarvona::gdi;

namespace {

std::uint32_t PixelOf(COLORREF colour) {
    const std::uint32_t r = colour & 0xFFu, g = (colour >> 8) & 0xFFu, b = (colour >> 16) & 0xFFu;
    return (r << 16) | (g << 8) | b;
}

std::uint32_t Blend(std::uint32_t over, std::uint32_t under, unsigned coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned a = (over >> shift) & 0xFFu, b = (under >> shift) & 0xFFu;
        out |= ((a * coverage + b * (255u - coverage) + 127u) / 255u) << shift;
    }
    return out;
}

struct Clip {
    int left, top, right, bottom;  // right and bottom exclusive
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Clip Intersect(const Clip& a, long long left, long long top, long long right, long long bottom) {
    auto clamp = [](long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); };
    Clip c{clamp(left, a.left, a.right), clamp(top, a.top, a.bottom), clamp(right, a.left, a.right),
           clamp(bottom, a.top, a.bottom)};
    if (c.right < c.left) c.right = c.left;
    if (c.bottom < c.top) c.bottom = c.top;
    return c;
}

void Fill(gdi::Bitmap& bitmap, const Clip& area, std::uint32_t pixel) {
    for (int y = area.top; y < area.bottom; ++y) std::fill(bitmap.Row(y) + area.left, bitmap.Row(y) + area.right, pixel);
}

long long StringWidth(gdi::Font& font, LPCSTR text, UINT count, const INT* spacing) {
    long long width = 0;
    for (UINT i = 0; i < count; ++i)
        width += spacing ? spacing[i] : gdi::Advance(font, static_cast<unsigned char>(text[i]));
    return width;
}

}  // namespace

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, SIZE* psizl) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc || !psizl || c < 0 || (c > 0 && !lpString) || !dc->font->face) return FALSE;
    const long long width = StringWidth(*dc->font, lpString, static_cast<UINT>(c), nullptr);
    psizl->cx = static_cast<LONG>(std::min<long long>(width, INT_MAX));
    psizl->cy = dc->font->CellHeight();
    return TRUE;
}

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                        const INT* lpDx) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc || (c > 0 && !lpString)) return FALSE;
    gdi::Bitmap& bitmap = *dc->bitmap;
    gdi::Font& font = *dc->font;
    const std::uint32_t background = PixelOf(dc->backgroundColour);

    Clip clip{0, 0, bitmap.width, bitmap.height};
    if ((options & ETO_CLIPPED) && lprect) clip = Intersect(clip, lprect->left, lprect->top, lprect->right, lprect->bottom);
    if ((options & ETO_OPAQUE) && lprect)
        Fill(bitmap, Intersect({0, 0, bitmap.width, bitmap.height}, lprect->left, lprect->top, lprect->right,
                               lprect->bottom),
             background);
    if (c == 0) return TRUE;
    if (!font.face) return FALSE;

    const long long width = StringWidth(font, lpString, c, lpDx);
    long long left = x, top = y;
    switch (dc->textAlign & TA_CENTER) {
        case TA_RIGHT:
            left -= width;
            break;
        case TA_CENTER:
            left -= width / 2;
            break;
        default:
            break;
    }
    switch (dc->textAlign & TA_BASELINE) {
        case TA_BOTTOM:
            top -= font.CellHeight();
            break;
        case TA_BASELINE:
            top -= font.ascent;
            break;
        default:
            break;
    }
    if (dc->backgroundMode == OPAQUE || ((options & ETO_OPAQUE) && !lprect))
        Fill(bitmap, Intersect(clip, left, top, left + width, top + font.CellHeight()), background);

    const std::uint32_t foreground = PixelOf(dc->textColour);
    auto plot = [&](int px, int py, unsigned coverage) {
        if (!clip.Contains(px, py)) return;
        std::uint32_t& pixel = bitmap.Row(py)[px];
        pixel = Blend(foreground, pixel & 0x00FFFFFFu, coverage);
    };
    long long pen = left;
    const long long baseline = top + font.ascent;
    for (UINT i = 0; i < c; ++i) {
        const auto ch = static_cast<unsigned char>(lpString[i]);
        // Pens far outside the bitmap cannot reach it; skipping them also
        // keeps the coordinates within int.
        if (pen > -(1LL << 20) && pen < (1LL << 20) && baseline > -(1LL << 20) && baseline < (1LL << 20))
            gdi::RenderGlyph(font, ch, static_cast<int>(pen), static_cast<int>(baseline), plot);
        pen += lpDx ? lpDx[i] : gdi::Advance(font, ch);
    }
    return TRUE;
}
