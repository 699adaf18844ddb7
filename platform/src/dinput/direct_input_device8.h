// IDirectInputDevice8A for the system keyboard and the system mouse, fed by
// SDL's events (or by an input script).
//
// DirectInput reads the hardware on its own; so does this layer: every
// Acquire and GetDeviceState pumps the window layer's events, whose
// listeners (one per device) keep the key and button states and sum the
// mouse motion. Key state comes from the events themselves, never from
// SDL_GetKeyboardState, which events pushed by tests or tools never reach.
//
// Acquisition follows DirectInput: a foreground device can be acquired only
// while its window has the focus, and is lost when the focus goes: the next
// read reports DIERR_INPUTLOST, later ones DIERR_NOTACQUIRED, until the
// program acquires it again. The exclusive mouse takes SDL's relative mode,
// which grabs and hides the pointer; where a video driver has none (the
// offscreen driver) the pointer stays free and the motion still counts.
//
// A key or button pressed and released between two reads still shows as
// held in the next read, once: a frame slower than a quick tap must not
// swallow it (Escape tapped while the frame rate is low).
//
// Windows gives a newly shown window the foreground at once; X11 maps it and
// hands it the focus a little later. So a device's first Acquire waits
// briefly for a focus that is on its way; later ones never wait.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>

#include "dinput.h"
#include "dinput/input_environment.h"

namespace tarvona::dinput {

enum class DeviceKind { Keyboard, Mouse };

class DirectInputDevice8 final : public IDirectInputDevice8A {
public:
    DirectInputDevice8(DeviceKind kind, const InputEnvironment& environment);
    DirectInputDevice8(const DirectInputDevice8&) = delete;
    DirectInputDevice8& operator=(const DirectInputDevice8&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    HRESULT STDMETHODCALLTYPE Unacquire() override;
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) override;
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) override;

private:
    ~DirectInputDevice8();
    static void OnEvent(const SDL_Event& event, void* self);
    void HandleEvent(const SDL_Event& event);
    DWORD DataSize() const;
    bool Foreground() const { return (level_ & DISCL_FOREGROUND) != 0; }
    bool Exclusive() const { return (level_ & DISCL_EXCLUSIVE) != 0; }
    bool WindowFocused() const;
    bool AwaitFirstFocus();
    void Lose();
    void TakePointer();
    void GivePointerBack();
    void ClearHeld();
    void FillState(void* data);

    ULONG refs_ = 1;
    const DeviceKind kind_;
    const InputEnvironment environment_;
    InputScript::Cursor scriptCursor_;
    HWND window_ = nullptr;
    Uint32 windowId_ = 0;
    DWORD level_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // DirectInput's default
    bool formatSet_ = false;
    bool acquired_ = false;
    bool lostUnreported_ = false;  // lost since the last read: that read says DIERR_INPUTLOST
    bool focusTakenAway_ = false;  // the window lost the focus and has not had it back
    bool pointerTaken_ = false;
    bool everAcquired_ = false;

    BYTE keys_[256] = {};
    BYTE buttons_[4] = {};
    BYTE keysPressedSinceRead_[256] = {};
    BYTE buttonsPressedSinceRead_[4] = {};
    std::int64_t motion_[3] = {};  // x, y, wheel since the last read
};

}  // namespace tarvona::dinput
