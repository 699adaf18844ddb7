// Keyboard scan codes: SDL's to DirectInput's, and DIK_ names to codes.
#pragma once

#include <cstddef>

#include "windows.h"

namespace tarvona::dinput {

// The DIK_ code of an SDL scan code, or 0 for a key DirectInput has no code for.
BYTE DikOfSdlScancode(int scancode);
int SdlScancodeCount();

// The code of a DIK_ name, with or without its "DIK_" prefix, in any case
// ("W", "space", "DIK_NUMPAD7"); -1 for an unknown name.
int DikOfName(const char* name, std::size_t length);

}  // namespace tarvona::dinput
