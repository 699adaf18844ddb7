// The event side of platform/testing/input_testing.h.
#include <SDL.h>

#include "d3d8/frame_limit.h"
#include "dinput/scan_codes.h"
#include "testing/input_testing.h"
#include "win/window_internal.h"

namespace tarvona::testing {

namespace {

bool Queue(HWND window, SDL_Event& event, Uint32 type) {
    SDL_Window* sdl = win::SdlWindowOf(window);
    if (!sdl) return false;
    event.type = type;
    event.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&event) == 1;
}

}  // namespace

bool PushKeyEventByScancode(HWND window, int sdlScancode, bool down) {
    if (sdlScancode <= SDL_SCANCODE_UNKNOWN || sdlScancode >= SDL_NUM_SCANCODES) return false;
    SDL_Event event{};
    SDL_Window* sdl = win::SdlWindowOf(window);
    event.key.windowID = sdl ? SDL_GetWindowID(sdl) : 0;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(sdlScancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
    return Queue(window, event, down ? SDL_KEYDOWN : SDL_KEYUP);
}

bool PushKeyEvent(HWND window, const char* sdlScancodeName, bool down) {
    return PushKeyEventByScancode(window, SDL_GetScancodeFromName(sdlScancodeName), down);
}

bool PushMouseMotion(HWND window, int dx, int dy) {
    SDL_Event event{};
    SDL_Window* sdl = win::SdlWindowOf(window);
    event.motion.windowID = sdl ? SDL_GetWindowID(sdl) : 0;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    return Queue(window, event, SDL_MOUSEMOTION);
}

bool PushMouseWheel(HWND window, int notches, bool flipped) {
    SDL_Event event{};
    SDL_Window* sdl = win::SdlWindowOf(window);
    event.wheel.windowID = sdl ? SDL_GetWindowID(sdl) : 0;
    event.wheel.y = flipped ? -notches : notches;
    event.wheel.preciseY = static_cast<float>(event.wheel.y);
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return Queue(window, event, SDL_MOUSEWHEEL);
}

bool PushMouseButton(HWND window, int sdlButton, bool down) {
    SDL_Event event{};
    SDL_Window* sdl = win::SdlWindowOf(window);
    event.button.windowID = sdl ? SDL_GetWindowID(sdl) : 0;
    event.button.button = static_cast<Uint8>(sdlButton);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    return Queue(window, event, down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP);
}

bool PushFocusChange(HWND window, bool gained) {
    SDL_Event event{};
    SDL_Window* sdl = win::SdlWindowOf(window);
    event.window.windowID = sdl ? SDL_GetWindowID(sdl) : 0;
    event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    return Queue(window, event, SDL_WINDOWEVENT);
}

void CountPresentedFrames(int frames) {
    for (int i = 0; i < frames; ++i) platform::CountPresentedFrame();
}

int DikOfSdlScancode(int sdlScancode) { return dinput::DikOfSdlScancode(sdlScancode); }
int SdlScancodeCount() { return dinput::SdlScancodeCount(); }

}  // namespace tarvona::testing
