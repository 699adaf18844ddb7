// D3DXCreateTextureFromFileA on stb_image: BMP, TGA, PNG, JPEG, GIF, PSD,
// HDR, PIC, PNM. The texture takes the file's size (halved until the
// device's maximum allows it) and a format from the file's channels:
// A8R8G8B8 when it has alpha, X8R8G8B8 otherwise. It gets the full mip
// chain, each level a 2×2 box average of the one above, in the managed pool.
#include <d3dx8.h>

#include <stb_image.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "d3dx/report.h"

namespace {

struct Image {
    UINT width = 0, height = 0;
    std::vector<unsigned char> rgba;  // 4 bytes per texel, rows top to bottom
};

Image Halve(const Image& src) {
    Image dst;
    dst.width = src.width > 1 ? src.width / 2 : 1;
    dst.height = src.height > 1 ? src.height / 2 : 1;
    dst.rgba.resize(size_t{dst.width} * dst.height * 4);
    for (UINT y = 0; y < dst.height; ++y) {
        UINT y0 = y * 2 < src.height ? y * 2 : src.height - 1;
        UINT y1 = y * 2 + 1 < src.height ? y * 2 + 1 : y0;
        for (UINT x = 0; x < dst.width; ++x) {
            UINT x0 = x * 2 < src.width ? x * 2 : src.width - 1;
            UINT x1 = x * 2 + 1 < src.width ? x * 2 + 1 : x0;
            const unsigned char* a = &src.rgba[(size_t{y0} * src.width + x0) * 4];
            const unsigned char* b = &src.rgba[(size_t{y0} * src.width + x1) * 4];
            const unsigned char* c = &src.rgba[(size_t{y1} * src.width + x0) * 4];
            const unsigned char* d = &src.rgba[(size_t{y1} * src.width + x1) * 4];
            unsigned char* o = &dst.rgba[(size_t{y} * dst.width + x) * 4];
            for (int k = 0; k < 4; ++k) o[k] = static_cast<unsigned char>((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    }
    return dst;
}

// Writes the image into a locked level as A8R8G8B8 / X8R8G8B8: B, G, R, A in
// memory, alpha forced opaque for X8.
void Store(const Image& image, const D3DLOCKED_RECT& rect, UINT width, UINT height, bool alpha) {
    for (UINT y = 0; y < height && y < image.height; ++y) {
        unsigned char* row = static_cast<unsigned char*>(rect.pBits) + static_cast<size_t>(rect.Pitch) * y;
        const unsigned char* in = &image.rgba[size_t{y} * image.width * 4];
        for (UINT x = 0; x < width && x < image.width; ++x) {
            row[x * 4 + 0] = in[x * 4 + 2];
            row[x * 4 + 1] = in[x * 4 + 1];
            row[x * 4 + 2] = in[x * 4 + 0];
            row[x * 4 + 3] = alpha ? in[x * 4 + 3] : 0xFF;
        }
    }
}

// Everything after the argument checks; may throw std::bad_alloc.
HRESULT CreateTexture(IDirect3DDevice8* pDevice, const char* pSrcFile, IDirect3DTexture8** ppTexture);

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE8* ppTexture) {
    using tarvona::d3dx::ReportFailure;
    const char* call = "D3DXCreateTextureFromFileA";
    // A material without a texture passes a null name on purpose; that is
    // refused quietly, as it names no file that could have failed.
    if (!pSrcFile) return D3DERR_INVALIDCALL;
    if (!pDevice || !ppTexture) {
        ReportFailure(call, pSrcFile, "invalid call (null device or texture pointer)");
        return D3DERR_INVALIDCALL;
    }
    try {
        return CreateTexture(pDevice, pSrcFile, ppTexture);
    } catch (const std::bad_alloc&) {
        ReportFailure(call, pSrcFile, "out of memory");
        return E_OUTOFMEMORY;
    }
}

namespace {

HRESULT CreateTexture(IDirect3DDevice8* pDevice, const char* pSrcFile, IDirect3DTexture8** ppTexture) {
    using tarvona::d3dx::ReportFailure;
    const char* call = "D3DXCreateTextureFromFileA";
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!tarvona::files::ReadWholeFile(pSrcFile, bytes, reason)) {
        ReportFailure(call, pSrcFile, reason);
        return E_FAIL;
    }
    if (bytes.size() > 0x7FFFFFFF) {
        ReportFailure(call, pSrcFile, "file too large");
        return E_FAIL;
    }
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4), stbi_image_free);
    if (!pixels) {
        const char* why = stbi_failure_reason();
        ReportFailure(call, pSrcFile, std::string("unreadable image (") + (why ? why : "unknown") + ")");
        return E_FAIL;
    }
    Image image;
    image.width = static_cast<UINT>(w);
    image.height = static_cast<UINT>(h);
    image.rgba.assign(pixels.get(), pixels.get() + size_t{image.width} * image.height * 4);
    pixels.reset();
    const bool alpha = channels == 2 || channels == 4;

    D3DCAPS8 caps{};
    if (pDevice->GetDeviceCaps(&caps) >= 0) {
        while ((caps.MaxTextureWidth && image.width > caps.MaxTextureWidth) ||
               (caps.MaxTextureHeight && image.height > caps.MaxTextureHeight))
            image = Halve(image);
    }
    // The whole chain first, so that nothing can fail once the texture exists.
    std::vector<Image> chain;
    chain.push_back(std::move(image));
    while (chain.back().width > 1 || chain.back().height > 1) chain.push_back(Halve(chain.back()));

    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = pDevice->CreateTexture(chain[0].width, chain[0].height, static_cast<UINT>(chain.size()), 0,
                                        alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    if (hr < 0 || !texture) {
        ReportFailure(call, pSrcFile, "the device refused the texture");
        return hr < 0 ? hr : E_FAIL;
    }
    const DWORD made = texture->GetLevelCount();
    for (DWORD level = 0; level < made && level < chain.size(); ++level) {
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT rect{};
        if (texture->GetLevelDesc(level, &desc) < 0 || (hr = texture->LockRect(level, &rect, nullptr, 0)) < 0 ||
            !rect.pBits) {
            texture->Release();
            ReportFailure(call, pSrcFile, "cannot lock the texture");
            return hr < 0 ? hr : E_FAIL;
        }
        Store(chain[level], rect, desc.Width, desc.Height, alpha);
        texture->UnlockRect(level);
    }
    *ppTexture = texture;
    return D3D_OK;
}

}  // namespace
