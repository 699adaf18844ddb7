// Test-only view of the DirectInput layer: a replacement for
// DirectInput8Create (so tests can hand the program a fake DirectInput), and
// SDL events queued as the desktop would deliver them, which the layer sees
// at its next Acquire or GetDeviceState. Never included by the program.
#pragma once

#include "dinput.h"
#include "windows.h"

namespace tarvona::testing {

using DirectInput8CreateFunction = HRESULT (*)(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                               LPUNKNOWN punkOuter);
// DirectInput8Create hands its arguments to this function instead; null
// restores the platform's own.
void SetDirectInput8CreateOverride(DirectInput8CreateFunction function);

// Each returns false when SDL would not queue the event (for a key, also
// when SDL has no scan code of that name, e.g. "W", "Up", "Keypad 7",
// "Left Ctrl").
bool PushKeyEvent(HWND window, const char* sdlScancodeName, bool down);
bool PushKeyEventByScancode(HWND window, int sdlScancode, bool down);
bool PushMouseMotion(HWND window, int dx, int dy);
bool PushMouseWheel(HWND window, int notches, bool flipped = false);  // + is away from the user
bool PushMouseButton(HWND window, int sdlButton, bool down);  // 1 left, 2 middle, 3 right, 4 and 5 extra
bool PushFocusChange(HWND window, bool gained);

// Counts presented frames for TARVONA_FRAMES as the device's Present does,
// for tests of the keyboard's end of a bounded run without a device.
void CountPresentedFrames(int frames);

// The DIK_ code the layer gives an SDL scan code (0: none), and the number
// of SDL scan codes.
int DikOfSdlScancode(int sdlScancode);
int SdlScancodeCount();

}  // namespace tarvona::testing
