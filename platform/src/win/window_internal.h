// What the other platform layers (device, input) need of the window layer:
// the SDL window behind an HWND, the event pump, and whether the platform
// runs headless. Private to platform/; the program never includes it.
#pragma once

#include <SDL.h>

#include "windows.h"

namespace tarvona::win {

// Initialises SDL's video once. Picks the offscreen driver when
// TARVONA_HEADLESS=1; fails, with a one-line reason on stderr, when there is
// no display and no headless request.
bool EnsureVideo();
bool Headless();

// The SDL window of a live window handle, or null.
SDL_Window* SdlWindowOf(HWND hwnd);
// True while the window has the keyboard focus (always true headless,
// where no window manager can take it away).
bool HasFocus(HWND hwnd);

// Drains SDL's queue: close requests become WM_CLOSE for the window
// procedure, focus changes are tracked, and every event is handed to the
// listeners (the input layer) first.
void PumpEvents();
using EventListener = void (*)(const SDL_Event& event, void* context);
void AddEventListener(EventListener listener, void* context);
void RemoveEventListener(EventListener listener, void* context);

}  // namespace tarvona::win
