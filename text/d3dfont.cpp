// The texture-atlas font.
//
// CreateAtlas asks GDI to draw the characters 32..126 white on black, one
// after another, into a 32-bit bitmap the size of the atlas, one pixel apart
// in rows that wrap at the atlas width, and remembers each character's cell
// as a rectangle in texture coordinates. The bitmap's blue channel is the
// coverage; its top four bits become the alpha of a white A4R4G4B4 texel.
//
// The draw operations turn each character into two triangles into a locked
// dynamic vertex buffer and issue one DrawPrimitive per full buffer. Each
// brackets its work with two state blocks recorded from identical calls:
// "savedStates" captures whatever the caller had, "textStates" sets the
// font's states, and savedStates is applied again at the end.
//
// Choices where the font's contract leaves room:
// - A face name longer than 79 characters is cut to 79.
// - The fields are zeroed at construction (atlasScale 1.0), so measuring or
//   drawing a font whose atlas was never built reads no indeterminate values.
// - A missing memory DC, DIB section or pixel pointer, or an atlas lock that
//   gives no pointer (or a pitch narrower than a row), ends CreateAtlas with
//   a failure after freeing the GDI objects; nothing is written.
// - The texture is written row by row at the pitch the lock reports, not at
//   width x 2 bytes.
// - A glyph whose cell does not fit inside the atlas (the last rows of a
//   font too large for it) is not drawn and gets an empty rectangle at the
//   origin: it then draws and advances nothing. CreateAtlas still succeeds
//   with the glyphs that fit.
// - Character 127 (DEL) has no glyph and is skipped like the control
//   characters: it neither draws nor advances.
// - The draws need the atlas and the vertex buffer as well as the device,
//   and a text: without any of them they issue nothing and return E_FAIL. When a vertex-buffer
//   lock gives no pointer, the rest of the text is dropped (nothing is written
//   or drawn from that lock on), the caller's states are restored and the
//   draw returns E_FAIL.
// - DrawWorldText flushes at 86 triangles (43 characters, 258 vertices,
//   8256 bytes), the most whole characters of FontVertex3D that the
//   8400-byte buffer holds.
// - DrawScaledText maps y like x, from -1 (bottom edge) to 1 (top edge):
//   y' = (1 - y) * H / 2, and shifts its vertices by half a pixel as
//   DrawScreenText does.
#include "text/d3dfont.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr DWORD kFirstChar = 32;
constexpr DWORD kLastChar = 126;
constexpr UINT kQuadBufferBytes = 8400;
constexpr DWORD kFvf2D = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kFvf3D = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
// A batch is flushed once n * 3 exceeds this (n triangles).
constexpr UINT kScreenBatchLimit = 294;  // at 100 triangles: 300 FontVertex2D, 8400 bytes
constexpr UINT kWorldBatchLimit = 252;   // at 86 triangles: 258 FontVertex3D, 8256 bytes
static_assert((kScreenBatchLimit / 3 + 2) * 3 * sizeof(FontVertex2D) <= kQuadBufferBytes);
static_assert((kWorldBatchLimit / 3 + 2) * 3 * sizeof(FontVertex3D) <= kQuadBufferBytes);

// Appends the vertices of one character after another into the locked
// buffer and draws them whenever the batch is full. A lock that yields no
// pointer stops the batch for good: nothing is written through it.
template <typename Vertex>
class QuadBatch {
public:
    QuadBatch(IDirect3DDevice8* device, IDirect3DVertexBuffer8* buffer, UINT limit)
        : device_(device), buffer_(buffer), limit_(limit) {
        Lock();
    }

    bool Failed() const { return out_ == nullptr; }

    void Append(const Vertex (&quad)[6]) {
        if (!out_) return;
        std::memcpy(out_ + 3 * triangles_, quad, sizeof quad);
        triangles_ += 2;
        if (triangles_ * 3 > limit_) {
            buffer_->Unlock();
            device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles_);
            triangles_ = 0;
            Lock();
        }
    }

    void Finish() {
        if (!out_) return;
        buffer_->Unlock();
        if (triangles_ > 0) device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles_);
        out_ = nullptr;
    }

private:
    void Lock() {
        BYTE* data = nullptr;
        if (FAILED(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD))) data = nullptr;
        out_ = reinterpret_cast<Vertex*>(data);
    }

    IDirect3DDevice8* device_;
    IDirect3DVertexBuffer8* buffer_;
    UINT limit_;
    Vertex* out_ = nullptr;
    UINT triangles_ = 0;
};

// The glyph entry of a drawn character, or null for a newline, a control
// character, DEL or a byte from 128 up (negative as a signed char).
const float* GlyphOf(const float (&rects)[96][4], char ch) {
    const auto code = static_cast<signed char>(ch);
    if (code < static_cast<signed char>(kFirstChar) || code > static_cast<signed char>(kLastChar)) return nullptr;
    return rects[code - static_cast<signed char>(kFirstChar)];
}

// Saves the caller's states and sets the text's own, for quads of one vertex
// format; the draw ends by applying the saved block.
void BeginTextStates(const TextureFont& font, DWORD fvf, UINT stride, DWORD flags) {
    IDirect3DDevice8* device = font.device;
    device->CaptureStateBlock(font.savedStates);
    device->ApplyStateBlock(font.textStates);
    device->SetVertexShader(fvf);
    device->SetStreamSource(0, font.quadBuffer, stride);
    if (!(flags & TextFiltered)) return;
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
}

}  // namespace

FontVertex2D MakeFontVertex2D(const D3DXVECTOR4& position, D3DCOLOR colour, float u, float v) {
    FontVertex2D vertex;
    vertex.position = position;
    vertex.colour = colour;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

FontVertex3D MakeFontVertex3D(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, float u, float v) {
    FontVertex3D vertex;
    vertex.position = position;
    vertex.normal = normal;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

TextureFont::TextureFont(const char* name, DWORD height, DWORD flags)
    : faceName{},
      heightPoints(height),
      styleFlags(flags),
      device(nullptr),
      atlas(nullptr),
      quadBuffer(nullptr),
      atlasWidth(0),
      atlasHeight(0),
      atlasScale(1.0f),
      glyphRects{},
      savedStates(0),
      textStates(0) {
    if (name) std::strncpy(faceName, name, sizeof faceName - 1);
}

TextureFont::~TextureFont() {
    ReleaseDrawResources();
    ReleaseAtlas();
}

HRESULT TextureFont::CreateAtlas(IDirect3DDevice8* targetDevice) {
    if (!targetDevice) return E_FAIL;
    if (atlas) ReleaseAtlas();  // built again: the old texture is not leaked
    device = targetDevice;
    atlasScale = 1.0f;

    if (heightPoints > 40)
        atlasWidth = atlasHeight = 1024;
    else if (heightPoints > 20)
        atlasWidth = atlasHeight = 512;
    else
        atlasWidth = atlasHeight = 256;

    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    if (atlasWidth > caps.MaxTextureWidth) {
        atlasScale = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(atlasWidth);
        atlasWidth = atlasHeight = caps.MaxTextureWidth;
    }

    const HRESULT created =
        device->CreateTexture(atlasWidth, atlasHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &atlas);
    if (FAILED(created)) {
        atlas = nullptr;
        return created;
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(atlasWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(atlasHeight);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return E_FAIL;
    }
    SetMapMode(dc, MM_TEXT);

    const int dpi = static_cast<int>(static_cast<float>(::GetDeviceCaps(dc, LOGPIXELSY)) * atlasScale);
    const int pixelHeight = -MulDiv(static_cast<int>(heightPoints), dpi, 72);
    HFONT font = CreateFontA(pixelHeight, 0, 0, 0, (styleFlags & FontBold) ? FW_BOLD : FW_NORMAL,
                             (styleFlags & FontItalic) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, faceName);
    if (!font) {
        DeleteObject(bitmap);
        DeleteDC(dc);
        return E_FAIL;
    }

    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, 0x00000000);
    SetTextAlign(dc, TA_LEFT | TA_TOP);

    DWORD x = 0, y = 0;
    for (DWORD k = kFirstChar; k <= kLastChar; ++k) {
        const char text[2] = {static_cast<char>(k), 0};
        SIZE extent{};
        GetTextExtentPoint32A(dc, text, 1, &extent);
        const DWORD cx = static_cast<DWORD>(extent.cx), cy = static_cast<DWORD>(extent.cy);
        if (x + cx + 1 > atlasWidth) {
            x = 0;
            y += cy + 1;
        }
        float* rect = glyphRects[k - kFirstChar];
        if (x + cx <= atlasWidth && y + cy <= atlasHeight) {
            ExtTextOutA(dc, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, text, 1, nullptr);
            rect[0] = static_cast<float>(x) / static_cast<float>(atlasWidth);
            rect[1] = static_cast<float>(y) / static_cast<float>(atlasHeight);
            rect[2] = static_cast<float>(x + cx) / static_cast<float>(atlasWidth);
            rect[3] = static_cast<float>(y + cy) / static_cast<float>(atlasHeight);
        } else {
            rect[0] = rect[1] = rect[2] = rect[3] = 0.0f;  // does not fit: drawn as nothing
        }
        x += cx + 1;
    }

    HRESULT result = S_OK;
    D3DLOCKED_RECT locked{};
    const HRESULT lockResult = atlas->LockRect(0, &locked, nullptr, 0);
    if (FAILED(lockResult)) {
        result = lockResult;
    } else if (!locked.pBits || locked.Pitch < static_cast<INT>(atlasWidth * sizeof(WORD))) {
        atlas->UnlockRect(0);
        result = E_FAIL;
    } else {
        const auto* source = static_cast<const DWORD*>(bits);
        for (DWORD row = 0; row < atlasHeight; ++row) {
            auto* texel = reinterpret_cast<WORD*>(static_cast<BYTE*>(locked.pBits) + row * locked.Pitch);
            const DWORD* pixel = source + row * atlasWidth;
            for (DWORD column = 0; column < atlasWidth; ++column) {
                const WORD alpha = static_cast<WORD>((pixel[column] & 0xFFu) >> 4);
                texel[column] = alpha > 0 ? static_cast<WORD>((alpha << 12) | 0x0FFF) : WORD{0};
            }
        }
        atlas->UnlockRect(0);
    }

    // The DC must let go of the bitmap and the font before they can be freed.
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteObject(font);
    return result;
}

HRESULT TextureFont::CreateDrawResources() {
    if (!device) return E_FAIL;
    if (quadBuffer || savedStates || textStates) ReleaseDrawResources();
    const HRESULT created = device->CreateVertexBuffer(kQuadBufferBytes, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                                       D3DPOOL_DEFAULT, &quadBuffer);
    if (FAILED(created)) {
        quadBuffer = nullptr;
        return created;
    }

    for (DWORD* handle : {&savedStates, &textStates}) {
        device->BeginStateBlock();
        device->SetTexture(0, atlas);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 0x08);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        device->SetRenderState(D3DRS_CLIPPING, TRUE);
        device->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
        device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
        device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->EndStateBlock(handle);
    }
    return S_OK;
}

HRESULT TextureFont::ReleaseDrawResources() {
    if (quadBuffer) {
        quadBuffer->Release();
        quadBuffer = nullptr;
    }
    if (device) {
        if (savedStates) device->DeleteStateBlock(savedStates);
        if (textStates) device->DeleteStateBlock(textStates);
    }
    savedStates = 0;
    textStates = 0;
    return S_OK;
}

HRESULT TextureFont::ReleaseAtlas() {
    if (atlas) {
        atlas->Release();
        atlas = nullptr;
    }
    device = nullptr;
    return S_OK;
}

HRESULT TextureFont::MeasureText(const char* text, SIZE* size) {
    if (!text || !size) return E_FAIL;
    const float lineHeight = (glyphRects[0][3] - glyphRects[0][1]) * static_cast<float>(atlasHeight);
    float width = 0.0f, widest = 0.0f, height = lineHeight;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            width = 0.0f;
            height += lineHeight;
            continue;
        }
        const float* glyph = GlyphOf(glyphRects, *p);
        if (!glyph) continue;
        width += (glyph[2] - glyph[0]) * static_cast<float>(atlasWidth);
        if (width > widest) widest = width;
    }
    size->cx = static_cast<LONG>(widest);
    size->cy = static_cast<LONG>(height);
    return S_OK;
}

HRESULT TextureFont::DrawScreenText(float x, float y, DWORD colour, const char* text, DWORD flags) {
    if (!device) return E_FAIL;
    if (!atlas || !quadBuffer || !text) return E_FAIL;
    BeginTextStates(*this, kFvf2D, sizeof(FontVertex2D), flags);

    const float lineHeight = (glyphRects[0][3] - glyphRects[0][1]) * static_cast<float>(atlasHeight);
    const float startX = x;
    QuadBatch<FontVertex2D> batch(device, quadBuffer, kScreenBatchLimit);
    for (const char* p = text; *p && !batch.Failed(); ++p) {
        if (*p == '\n') {
            x = startX;
            y += lineHeight;
            continue;
        }
        const float* glyph = GlyphOf(glyphRects, *p);
        if (!glyph) continue;
        const float l = glyph[0], t = glyph[1], r = glyph[2], b = glyph[3];
        const float w = (r - l) * static_cast<float>(atlasWidth) / atlasScale;
        const float h = (b - t) * static_cast<float>(atlasHeight) / atlasScale;
        const float left = x - 0.5f, top = y - 0.5f, right = x + w - 0.5f, bottom = y + h - 0.5f;
        const FontVertex2D quad[6] = {
            MakeFontVertex2D(D3DXVECTOR4(left, bottom, 0.9f, 1.0f), colour, l, b),
            MakeFontVertex2D(D3DXVECTOR4(left, top, 0.9f, 1.0f), colour, l, t),
            MakeFontVertex2D(D3DXVECTOR4(right, bottom, 0.9f, 1.0f), colour, r, b),
            MakeFontVertex2D(D3DXVECTOR4(right, top, 0.9f, 1.0f), colour, r, t),
            MakeFontVertex2D(D3DXVECTOR4(right, bottom, 0.9f, 1.0f), colour, r, b),
            MakeFontVertex2D(D3DXVECTOR4(left, top, 0.9f, 1.0f), colour, l, t),
        };
        batch.Append(quad);
        x += w;
    }
    const bool failed = batch.Failed();
    batch.Finish();
    device->ApplyStateBlock(savedStates);
    return failed ? E_FAIL : S_OK;
}

HRESULT TextureFont::DrawScaledText(float x, float y, float z, float scaleX, float scaleY, DWORD colour,
                                    const char* text, DWORD flags) {
    if (!device) return E_FAIL;
    if (!atlas || !quadBuffer || !text) return E_FAIL;
    BeginTextStates(*this, kFvf2D, sizeof(FontVertex2D), flags);

    D3DVIEWPORT8 viewport{};
    device->GetViewport(&viewport);
    const float viewWidth = static_cast<float>(viewport.Width);
    const float viewHeight = static_cast<float>(viewport.Height);
    const float lineHeight = (glyphRects[0][3] - glyphRects[0][1]) * static_cast<float>(atlasHeight);
    // With no glyph table the line height is 0; glyphs then have no size.
    const float unitsX = lineHeight > 0.0f ? viewHeight * scaleX / lineHeight : 0.0f;
    const float unitsY = lineHeight > 0.0f ? viewHeight * scaleY / lineHeight : 0.0f;

    const float startX = (x + 1.0f) * viewWidth / 2.0f;
    float penX = startX;
    float penY = (1.0f - y) * viewHeight / 2.0f;
    QuadBatch<FontVertex2D> batch(device, quadBuffer, kScreenBatchLimit);
    for (const char* p = text; *p && !batch.Failed(); ++p) {
        if (*p == '\n') {
            penX = startX;
            penY += viewHeight * scaleY;
            continue;
        }
        const float* glyph = GlyphOf(glyphRects, *p);
        if (!glyph) continue;
        const float l = glyph[0], t = glyph[1], r = glyph[2], b = glyph[3];
        const float w = unitsX * ((r - l) * static_cast<float>(atlasWidth));
        const float h = unitsY * ((b - t) * static_cast<float>(atlasHeight));
        const float left = penX - 0.5f, top = penY - 0.5f, right = penX + w - 0.5f, bottom = penY + h - 0.5f;
        const FontVertex2D quad[6] = {
            MakeFontVertex2D(D3DXVECTOR4(left, bottom, z, 1.0f), colour, l, b),
            MakeFontVertex2D(D3DXVECTOR4(left, top, z, 1.0f), colour, l, t),
            MakeFontVertex2D(D3DXVECTOR4(right, bottom, z, 1.0f), colour, r, b),
            MakeFontVertex2D(D3DXVECTOR4(right, top, z, 1.0f), colour, r, t),
            MakeFontVertex2D(D3DXVECTOR4(right, bottom, z, 1.0f), colour, r, b),
            MakeFontVertex2D(D3DXVECTOR4(left, top, z, 1.0f), colour, l, t),
        };
        batch.Append(quad);
        penX += w;
    }
    const bool failed = batch.Failed();
    batch.Finish();
    device->ApplyStateBlock(savedStates);
    return failed ? E_FAIL : S_OK;
}

HRESULT TextureFont::DrawWorldText(const char* text, DWORD flags) {
    if (!device) return E_FAIL;
    if (!atlas || !quadBuffer || !text) return E_FAIL;
    BeginTextStates(*this, kFvf3D, sizeof(FontVertex3D), flags);

    float x = 0.0f, y = 0.0f;
    if (flags & TextCentered) {
        SIZE extent{};
        MeasureText(text, &extent);
        x = -(static_cast<float>(extent.cx) / 10.0f) / 2.0f;
        y = -(static_cast<float>(extent.cy) / 10.0f) / 2.0f;
    }
    if (flags & TextTwoSided) device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    const float lineHeight = (glyphRects[0][3] - glyphRects[0][1]) * static_cast<float>(atlasHeight);
    const float startX = x;
    const D3DXVECTOR3 normal(0.0f, 0.0f, -1.0f);
    QuadBatch<FontVertex3D> batch(device, quadBuffer, kWorldBatchLimit);
    for (const char* p = text; *p && !batch.Failed(); ++p) {
        if (*p == '\n') {
            x = startX;
            y -= lineHeight / 10.0f;
            continue;
        }
        const float* glyph = GlyphOf(glyphRects, *p);
        if (!glyph) continue;
        const float l = glyph[0], t = glyph[1], r = glyph[2], b = glyph[3];
        const float w = (r - l) * static_cast<float>(atlasWidth) / (10.0f * atlasScale);
        const float h = (b - t) * static_cast<float>(atlasHeight) / (10.0f * atlasScale);
        const FontVertex3D quad[6] = {
            MakeFontVertex3D(D3DXVECTOR3(x, y, 0.0f), normal, l, b),
            MakeFontVertex3D(D3DXVECTOR3(x, y + h, 0.0f), normal, l, t),
            MakeFontVertex3D(D3DXVECTOR3(x + w, y, 0.0f), normal, r, b),
            MakeFontVertex3D(D3DXVECTOR3(x + w, y + h, 0.0f), normal, r, t),
            MakeFontVertex3D(D3DXVECTOR3(x + w, y, 0.0f), normal, r, b),
            MakeFontVertex3D(D3DXVECTOR3(x, y + h, 0.0f), normal, l, t),
        };
        batch.Append(quad);
        x += w;
    }
    const bool failed = batch.Failed();
    batch.Finish();
    device->ApplyStateBlock(savedStates);
    return failed ? E_FAIL : S_OK;
}
