// Memory device contexts and the object handles: creation, selection,
// colours, modes and deletion.
//
// Only memory DCs exist (there is no screen to draw on). A DC starts with a
// 1 x 1 stock bitmap and a stock font that draws nothing, as a Windows memory
// DC starts with its 1 x 1 monochrome bitmap; text needs a real font selected.
// Deleting an object that a DC still holds fails and leaves it alive, as on
// Windows, so callers must select the old objects back (or delete the DC)
// before deleting what they selected.
#include <cstdio>
#include <unordered_set>

#include "gdi/gdi_objects.h"
#include "testing/gdi_testing.h"
#include "windows.h"

namespace tarvona::gdi {

namespace {

std::unordered_set<const Object*>& Live() {
    static std::unordered_set<const Object*> live;
    return live;
}

void WarnOnce(bool& warned, const char* what) {
    if (warned) return;
    warned = true;
    std::fprintf(stderr, "tarvona gdi: %s is not supported; ignored\n", what);
}

}  // namespace

void Register(Object* object) { Live().insert(object); }
void Unregister(Object* object) { Live().erase(object); }

Object* Find(const void* handle, Kind kind) {
    // The handle is compared as a value before it is ever dereferenced.
    const auto* candidate = static_cast<const Object*>(handle);
    if (!handle || !Live().count(candidate)) return nullptr;
    auto* object = const_cast<Object*>(candidate);
    return object->kind == kind ? object : nullptr;
}

Bitmap* StockBitmap() {
    static Bitmap* bitmap = [] {
        auto* b = new Bitmap;  // lives for the process
        b->stock = true;
        b->width = b->height = 1;
        b->pixels = std::make_unique<std::uint32_t[]>(1);
        Register(b);
        return b;
    }();
    return bitmap;
}

Font* StockFont() {
    static Font* font = [] {
        auto* f = new Font;  // lives for the process
        f->stock = true;
        Register(f);
        return f;
    }();
    return font;
}

}  // namespace tarvona::gdi

namespace gdi = tarvona::gdi;

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    // Null means "compatible with the screen"; anything else must be a live DC.
    if (hdc && !gdi::FindDc(hdc)) return nullptr;
    auto* dc = new gdi::Dc;
    dc->bitmap = gdi::StockBitmap();
    dc->font = gdi::StockFont();
    ++dc->bitmap->selectedInto;
    ++dc->font->selectedInto;
    gdi::Register(dc);
    return reinterpret_cast<HDC>(static_cast<gdi::Object*>(dc));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return FALSE;
    --dc->bitmap->selectedInto;
    --dc->font->selectedInto;
    gdi::Unregister(dc);
    delete dc;
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return nullptr;
    if (auto* bitmap = static_cast<gdi::Bitmap*>(gdi::Find(h, gdi::Kind::Bitmap))) {
        if (bitmap == dc->bitmap) return h;
        // A bitmap can be selected into one DC at a time.
        if (bitmap->selectedInto > 0 && !bitmap->stock) return nullptr;
        gdi::Bitmap* previous = dc->bitmap;
        --previous->selectedInto;
        ++bitmap->selectedInto;
        dc->bitmap = bitmap;
        return static_cast<gdi::Object*>(previous);
    }
    if (auto* font = static_cast<gdi::Font*>(gdi::Find(h, gdi::Kind::Font))) {
        gdi::Font* previous = dc->font;
        --previous->selectedInto;
        ++font->selectedInto;
        dc->font = font;
        return static_cast<gdi::Object*>(previous);
    }
    return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    gdi::Object* object = gdi::Find(ho, gdi::Kind::Bitmap);
    if (!object) object = gdi::Find(ho, gdi::Kind::Font);
    if (!object) return FALSE;  // also a DC: those go through DeleteDC
    if (object->stock) return TRUE;
    if (object->selectedInto > 0) return FALSE;
    gdi::Unregister(object);
    delete object;
    return TRUE;
}

int WINAPI SetMapMode(HDC hdc, int iMode) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return 0;
    // Text is placed in device pixels only; a mapping mode that scales
    // would silently draw at the wrong size, so it is refused.
    if (iMode != MM_TEXT) {
        static bool warned = false;
        gdi::WarnOnce(warned, "a mapping mode other than MM_TEXT");
        return 0;
    }
    const int previous = dc->mapMode;
    dc->mapMode = iMode;
    return previous;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!gdi::FindDc(hdc)) return 0;
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
        case BITSPIXEL:
            return 32;
        case PLANES:
            return 1;
        default:
            return 0;
    }
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->textColour;
    dc->textColour = color & 0x00FFFFFFu;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->backgroundColour;
    dc->backgroundColour = color & 0x00FFFFFFu;
    return previous;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    gdi::Dc* dc = gdi::FindDc(hdc);
    if (!dc) return GDI_ERROR;
    if (align & TA_UPDATECP) {
        static bool warned = false;
        gdi::WarnOnce(warned, "TA_UPDATECP");
    }
    const UINT previous = dc->textAlign;
    dc->textAlign = align;
    return previous;
}

namespace tarvona::testing {

int LiveGdiObjects() {
    int count = 0;
    for (const gdi::Object* object : gdi::Live())
        if (!object->stock) ++count;
    return count;
}

}  // namespace tarvona::testing
