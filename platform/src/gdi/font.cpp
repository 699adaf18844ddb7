// CreateFontA on fontconfig and FreeType.
//
// The face name, weight, slant and pitch go to fontconfig as a pattern; the
// file it matches is opened with FreeType at the pixel size GDI would pick.
// A negative height is the em height in pixels (GDI's "character height"),
// a positive one the cell height (ascent plus descent). The cell follows the
// Windows metrics of the face (OS/2 usWinAscent and usWinDescent): its height
// is the rounded sum, its ascent the rounded ascent, so "Arial" at -16 has an
// 18-pixel cell. A weight or slant that the matched face lacks is
// synthesised (outline emboldening, a 12-degree shear), as GDI does.
//
// Characters are single bytes read as ISO 8859-1; escapement, orientation,
// underline, strike-out and the character set are accepted and not drawn.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>

#include "gdi/gdi_objects.h"
#include "testing/gdi_testing.h"
#include "windows.h"

namespace tarvona::gdi {

namespace {

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
        return lib;
    }();
    return library;
}

bool g_emptyConfiguration = false;

FcConfig* Configuration() {
    if (g_emptyConfiguration) {
        static FcConfig* empty = FcConfigCreate();  // no font directories, no fonts
        return empty;
    }
    static bool initialised = FcInit() == FcTrue;
    return initialised ? FcConfigGetCurrent() : nullptr;
}

const char* GenericFamily(DWORD pitchAndFamily) {
    if ((pitchAndFamily & 0x3u) == FIXED_PITCH) return "monospace";
    switch (pitchAndFamily & 0xF0u) {
        case FF_ROMAN:
            return "serif";
        case FF_MODERN:
            return "monospace";
        case FF_SCRIPT:
            return "cursive";
        case FF_DECORATIVE:
            return "fantasy";
        default:
            return "sans-serif";
    }
}

std::string PatternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInteger(FcPattern* pattern, const char* object, int fallback) {
    int value = fallback;
    if (FcPatternGetInteger(pattern, object, 0, &value) != FcResultMatch) return fallback;
    return value;
}

// The largest em height accepted; far beyond any text, small enough that one
// glyph's coverage stays a modest allocation.
constexpr double kMaxEmPixels = 2048.0;
// GDI sizes a font with height 0 at its default: 12 points at 96 dpi.
constexpr double kDefaultEmPixels = 16.0;
// tan(12 degrees) in 16.16, the shear of a synthesised italic.
constexpr FT_Fixed kItalicShear = 0x0366A;

FT_Int32 LoadFlags(const Font& font) {
    return FT_LOAD_DEFAULT | (font.antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
}

bool LoadGlyph(Font& font, unsigned char ch) {
    if (!font.face) return false;
    // Bytes are ISO 8859-1: each byte value is its own code point.
    const FT_UInt index = FT_Get_Char_Index(font.face, ch);
    if (FT_Load_Glyph(font.face, index, LoadFlags(font)) != 0) return false;
    FT_GlyphSlot slot = font.face->glyph;
    if (font.emboldenStrength && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_EmboldenXY(&slot->outline, font.emboldenStrength, font.emboldenStrength);
        slot->advance.x += font.emboldenStrength;
    }
    return true;
}

}  // namespace

Font::~Font() {
    if (face) FT_Done_Face(face);
}

int Advance(Font& font, unsigned char ch) {
    int& cached = font.advances[ch];
    if (cached >= 0) return cached;
    cached = LoadGlyph(font, ch) ? static_cast<int>((font.face->glyph->advance.x + 32) >> 6) : 0;
    return cached;
}

bool RasteriseGlyph(Font& font, unsigned char ch, GlyphCoverage& out) {
    if (!LoadGlyph(font, ch)) return false;
    FT_GlyphSlot slot = font.face->glyph;
    if (FT_Render_Glyph(slot, font.antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return false;
    if (!bitmap.buffer || bitmap.rows == 0 || bitmap.width == 0) return false;  // a space: nothing to draw
    out.mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    out.width = static_cast<int>(bitmap.width);
    out.height = static_cast<int>(bitmap.rows);
    out.pitch = bitmap.pitch;
    // An upward-flowing bitmap keeps its bottom row first in memory.
    out.rows = bitmap.pitch >= 0 ? bitmap.buffer
                                 : bitmap.buffer - static_cast<std::ptrdiff_t>(out.height - 1) * bitmap.pitch;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    return true;
}

}  // namespace tarvona::gdi

namespace gdi = tarvona::gdi;

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int /*cEscapement*/, int /*cOrientation*/, int cWeight,
                         DWORD bItalic, DWORD /*bUnderline*/, DWORD /*bStrikeOut*/, DWORD /*iCharSet*/,
                         DWORD /*iOutPrecision*/, DWORD /*iClipPrecision*/, DWORD iQuality, DWORD iPitchAndFamily,
                         LPCSTR pszFaceName) {
    FT_Library library = gdi::Library();
    FcConfig* config = gdi::Configuration();
    if (!library || !config) return nullptr;
    if (cWeight <= 0) cWeight = FW_NORMAL;
    if (cWeight > 1000) cWeight = 1000;
    const bool italic = bItalic != 0;

    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    if (pszFaceName && *pszFaceName)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(pszFaceName));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(gdi::GenericFamily(iPitchAndFamily)));
    if ((iPitchAndFamily & 0x3u) == FIXED_PITCH) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(cWeight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;

    const std::string file = gdi::PatternString(match, FC_FILE);
    const int faceIndex = gdi::PatternInteger(match, FC_INDEX, 0);
    const int matchedWeight = gdi::PatternInteger(match, FC_WEIGHT, FC_WEIGHT_REGULAR);
    const int matchedSlant = gdi::PatternInteger(match, FC_SLANT, FC_SLANT_ROMAN);
    auto font = std::make_unique<gdi::Font>();
    font->family = gdi::PatternString(match, FC_FAMILY);
    font->style = gdi::PatternString(match, FC_STYLE);
    font->file = file;
    FcPatternDestroy(match);
    if (file.empty() || FT_New_Face(library, file.c_str(), faceIndex, &font->face) != 0) {
        font->face = nullptr;
        return nullptr;
    }
    FT_Face face = font->face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;

    const double unitsPerEm = face->units_per_EM;
    double winAscent = face->ascender, winDescent = -face->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFFu && os2->usWinAscent + os2->usWinDescent > 0) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    }
    if (winAscent + winDescent <= 0) return nullptr;

    double em = gdi::kDefaultEmPixels;
    int cell = 0, ascent = 0;
    if (cHeight > 0) {
        em = cHeight * unitsPerEm / (winAscent + winDescent);
        cell = cHeight;
        ascent = static_cast<int>(std::lround(cHeight * winAscent / (winAscent + winDescent)));
    } else {
        if (cHeight < 0) em = -static_cast<double>(cHeight);
        cell = static_cast<int>(std::lround(em * (winAscent + winDescent) / unitsPerEm));
        ascent = static_cast<int>(std::lround(em * winAscent / unitsPerEm));
    }
    if (em > gdi::kMaxEmPixels || em < 0.5) return nullptr;
    if (ascent > cell) ascent = cell;
    font->ascent = ascent < 0 ? 0 : ascent;
    font->descent = cell - font->ascent;

    FT_F26Dot6 width26 = 0;  // 0: as high as wide
    if (cWidth > 0 && os2 && os2->version != 0xFFFFu && os2->xAvgCharWidth > 0)
        width26 = static_cast<FT_F26Dot6>(std::lround(cWidth * unitsPerEm / os2->xAvgCharWidth * 64.0));
    if (FT_Set_Char_Size(face, width26, static_cast<FT_F26Dot6>(std::lround(em * 64.0)), 72, 72) != 0)
        return nullptr;

    font->antialiased = iQuality != NONANTIALIASED_QUALITY;
    if (cWeight >= FW_SEMIBOLD && matchedWeight < FC_WEIGHT_DEMIBOLD)
        font->emboldenStrength = static_cast<long>(std::lround(em * 64.0 / 24.0));
    if (italic && matchedSlant == FC_SLANT_ROMAN) {
        font->synthesisedItalic = true;
        FT_Matrix shear{0x10000, gdi::kItalicShear, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    font->advances.fill(-1);

    gdi::Font* created = font.release();
    gdi::Register(created);
    return reinterpret_cast<HFONT>(static_cast<gdi::Object*>(created));
}

namespace tarvona::testing {

bool IdentifyFont(HFONT handle, FontIdentity& identity) {
    auto* font = static_cast<gdi::Font*>(gdi::Find(handle, gdi::Kind::Font));
    if (!font || !font->face) return false;
    identity.family = font->family;
    identity.style = font->style;
    identity.file = font->file;
    identity.ascent = font->ascent;
    identity.descent = font->descent;
    identity.syntheticBold = font->emboldenStrength != 0;
    identity.syntheticItalic = font->synthesisedItalic;
    return true;
}

void SetEmptyFontConfiguration(bool empty) { gdi::g_emptyConfiguration = empty; }

}  // namespace tarvona::testing
