// CreateDIBSection for 32-bit BI_RGB bitmaps, top-down or bottom-up. The
// pixel memory is zero-filled (black) and belongs to the bitmap; the caller
// writes and reads it directly through the returned pointer.
#include "gdi/gdi_objects.h"
#include "windows.h"

namespace gdi = tarvona::gdi;

namespace {
// Larger bitmaps are refused rather than allocated: 16384 x 16384 x 4 bytes.
constexpr long long kMaxPixels = 16384LL * 16384LL;
}  // namespace

HBITMAP WINAPI CreateDIBSection(HDC /*hdc: only used for palettes*/, const BITMAPINFO* pbmi, UINT usage,
                                void** ppvBits, HANDLE hSection, DWORD /*offset*/) {
    if (ppvBits) *ppvBits = nullptr;
    if (!pbmi || usage != DIB_RGB_COLORS || hSection) return nullptr;
    const BITMAPINFOHEADER& header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 32 ||
        header.biCompression != BI_RGB)
        return nullptr;
    const long long width = header.biWidth;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) return nullptr;

    auto bitmap = new gdi::Bitmap;
    bitmap->width = static_cast<int>(width);
    bitmap->height = static_cast<int>(height);
    bitmap->topDown = header.biHeight < 0;
    bitmap->pixels = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(width * height));
    gdi::Register(bitmap);
    if (ppvBits) *ppvBits = bitmap->pixels.get();
    return reinterpret_cast<HBITMAP>(static_cast<gdi::Object*>(bitmap));
}
