// Test-only view of the GDI layer: how many objects are alive, what a font
// handle resolved to, and a switch that makes font matching find nothing.
// Never included by the program.
#pragma once

#include <string>

#include "windows.h"

namespace tarvona::testing {

// DCs, bitmaps and fonts created and not yet freed (stock objects excluded).
int LiveGdiObjects();

struct FontIdentity {
    std::string family;  // "Liberation Sans"
    std::string style;   // "Bold Italic"
    std::string file;    // path of the font file
    int ascent = 0, descent = 0;
    bool syntheticBold = false, syntheticItalic = false;
};
// What a live font handle resolved to; false for anything else.
bool IdentifyFont(HFONT font, FontIdentity& identity);

// true: font matching runs against an empty font configuration, as on a
// machine without any fonts; false restores the system configuration.
void SetEmptyFontConfiguration(bool empty);

}  // namespace tarvona::testing
