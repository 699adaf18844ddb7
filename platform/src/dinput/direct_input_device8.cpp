#include "dinput/direct_input_device8.h"

#include <cstring>
#include <limits>

#include "d3d8/frame_limit.h"
#include "dinput/scan_codes.h"
#include "win/window_internal.h"

static_assert(sizeof(DIMOUSESTATE) == 16, "DIMOUSESTATE is 16 bytes");

namespace tarvona::dinput {

namespace {

constexpr LONG kWheelUnitsPerNotch = 120;  // WHEEL_DELTA
constexpr Uint64 kFirstFocusWaitMs = 3000;  // generous: a loaded X server is slow to hand it over

// One exclusive mouse at a time, as DirectInput allows one per system.
DirectInputDevice8* g_exclusiveMouse = nullptr;

LONG Saturate(std::int64_t value) {
    if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(value);
}

int ButtonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return 0;
        case SDL_BUTTON_RIGHT: return 1;
        case SDL_BUTTON_MIDDLE: return 2;
        case SDL_BUTTON_X1: return 3;
        default: return -1;
    }
}

}  // namespace

DirectInputDevice8::DirectInputDevice8(DeviceKind kind, const InputEnvironment& environment)
    : kind_(kind), environment_(environment) {
    win::AddEventListener(&DirectInputDevice8::OnEvent, this);
}

DirectInputDevice8::~DirectInputDevice8() {
    Unacquire();
    win::RemoveEventListener(&DirectInputDevice8::OnEvent, this);
}

HRESULT DirectInputDevice8::QueryInterface(REFIID riid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (riid != IID_IDirectInputDevice8A) return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IDirectInputDevice8A*>(this);
    return S_OK;
}

ULONG DirectInputDevice8::AddRef() { return ++refs_; }

ULONG DirectInputDevice8::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

DWORD DirectInputDevice8::DataSize() const {
    return kind_ == DeviceKind::Keyboard ? c_dfDIKeyboard.dwDataSize : c_dfDIMouse.dwDataSize;
}

bool DirectInputDevice8::WindowFocused() const {
    // Scripted input does not come from the desktop, so the desktop's focus
    // cannot take it away.
    if (environment_.script) return true;
    return win::HasFocus(window_) && !focusTakenAway_;
}

bool DirectInputDevice8::AwaitFirstFocus() {
    SDL_Window* sdl = win::SdlWindowOf(window_);
    if (everAcquired_ || focusTakenAway_ || !sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN)) return false;
    const Uint64 deadline = SDL_GetTicks64() + kFirstFocusWaitMs;
    while (!WindowFocused() && SDL_GetTicks64() < deadline) {
        SDL_Delay(2);
        win::PumpEvents();
    }
    return WindowFocused();
}

HRESULT DirectInputDevice8::SetCooperativeLevel(HWND hwnd, DWORD dwFlags) {
    if (acquired_) return DIERR_ACQUIRED;
    const bool exclusive = dwFlags & DISCL_EXCLUSIVE, nonExclusive = dwFlags & DISCL_NONEXCLUSIVE;
    const bool foreground = dwFlags & DISCL_FOREGROUND, background = dwFlags & DISCL_BACKGROUND;
    if (exclusive == nonExclusive || foreground == background) return DIERR_INVALIDPARAM;
    if (dwFlags & ~static_cast<DWORD>(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND |
                                      DISCL_NOWINKEY))
        return DIERR_INVALIDPARAM;
    SDL_Window* sdl = win::SdlWindowOf(hwnd);
    // Foreground and exclusive access are both judged against a window.
    if ((foreground || exclusive) && !sdl) return E_HANDLE;
    window_ = hwnd;
    windowId_ = sdl ? SDL_GetWindowID(sdl) : 0;
    focusTakenAway_ = false;
    level_ = dwFlags;
    return DI_OK;
}

HRESULT DirectInputDevice8::SetDataFormat(LPCDIDATAFORMAT lpdf) {
    if (acquired_) return DIERR_ACQUIRED;
    if (!lpdf || lpdf->dwSize != sizeof(DIDATAFORMAT) || lpdf->dwObjSize != sizeof(DIOBJECTDATAFORMAT))
        return DIERR_INVALIDPARAM;
    // Each device delivers its own standard layout and no other.
    const DIDATAFORMAT& standard = kind_ == DeviceKind::Keyboard ? c_dfDIKeyboard : c_dfDIMouse;
    if (lpdf->dwDataSize != standard.dwDataSize || lpdf->dwNumObjs != standard.dwNumObjs ||
        lpdf->dwFlags != standard.dwFlags)
        return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
}

HRESULT DirectInputDevice8::Acquire() {
    win::PumpEvents();  // a focus change may be waiting
    if (acquired_) return DI_NOEFFECT;
    if (!formatSet_) return DIERR_INVALIDPARAM;
    if (Foreground() && !WindowFocused() && !AwaitFirstFocus()) return DIERR_OTHERAPPHASPRIO;
    if (kind_ == DeviceKind::Mouse && Exclusive()) {
        if (g_exclusiveMouse && g_exclusiveMouse != this) return DIERR_OTHERAPPHASPRIO;
        g_exclusiveMouse = this;
        TakePointer();
    }
    acquired_ = true;
    everAcquired_ = true;
    lostUnreported_ = false;
    motion_[0] = motion_[1] = motion_[2] = 0;
    // Taps from before the device was had are not delivered; held keys are.
    std::memset(keysPressedSinceRead_, 0, sizeof keysPressedSinceRead_);
    std::memset(buttonsPressedSinceRead_, 0, sizeof buttonsPressedSinceRead_);
    return DI_OK;
}

HRESULT DirectInputDevice8::Unacquire() {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    lostUnreported_ = false;
    GivePointerBack();
    if (g_exclusiveMouse == this) g_exclusiveMouse = nullptr;
    return DI_OK;
}

void DirectInputDevice8::Lose() {
    Unacquire();
    lostUnreported_ = true;
}

void DirectInputDevice8::TakePointer() {
    if (environment_.script || pointerTaken_ || !SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0) SDL_ShowCursor(SDL_DISABLE);
    pointerTaken_ = true;
}

void DirectInputDevice8::GivePointerBack() {
    if (!pointerTaken_) return;
    SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    pointerTaken_ = false;
}

void DirectInputDevice8::ClearHeld() {
    std::memset(keys_, 0, sizeof keys_);
    std::memset(buttons_, 0, sizeof buttons_);
    std::memset(keysPressedSinceRead_, 0, sizeof keysPressedSinceRead_);
    std::memset(buttonsPressedSinceRead_, 0, sizeof buttonsPressedSinceRead_);
    motion_[0] = motion_[1] = motion_[2] = 0;
}

HRESULT DirectInputDevice8::GetDeviceState(DWORD cbData, LPVOID lpvData) {
    win::PumpEvents();
    if (!lpvData) return DIERR_INVALIDPARAM;
    if (!formatSet_) return DIERR_NOTACQUIRED;
    if (cbData != DataSize()) return DIERR_INVALIDPARAM;

    if (Foreground() && acquired_ && !WindowFocused()) Lose();

    if (kind_ == DeviceKind::Keyboard && platform::FrameLimitReached()) {
        // TARVONA_FRAMES: once the device has presented that many frames,
        // the run ends through the keyboard, as a user would end it, and
        // must end even while the window is out of focus.
        if (acquired_)
            FillState(lpvData);
        else
            std::memset(lpvData, 0, cbData);
        static_cast<BYTE*>(lpvData)[DIK_ESCAPE] = 0x80;
        return DI_OK;
    }

    if (!acquired_) {
        // Nothing held and nothing moved, rather than a stale state that
        // would keep a key down for as long as the focus is away.
        std::memset(lpvData, 0, cbData);
        if (lostUnreported_) {
            lostUnreported_ = false;
            return DIERR_INPUTLOST;
        }
        return DIERR_NOTACQUIRED;
    }
    FillState(lpvData);
    return DI_OK;
}

void DirectInputDevice8::FillState(void* data) {
    if (environment_.script) {
        const ScriptFrame* frame = scriptCursor_.Next(*environment_.script);
        if (kind_ == DeviceKind::Keyboard) {
            if (frame)
                std::memcpy(data, frame->keys.data(), frame->keys.size());
            else
                std::memset(data, 0, 256);
        } else {
            DIMOUSESTATE state{};
            if (frame) state = frame->mouse;
            std::memcpy(data, &state, sizeof state);
        }
        return;
    }
    if (kind_ == DeviceKind::Keyboard) {
        BYTE* out = static_cast<BYTE*>(data);
        for (int i = 0; i < 256; ++i) out[i] = keys_[i] | keysPressedSinceRead_[i];
        std::memset(keysPressedSinceRead_, 0, sizeof keysPressedSinceRead_);
        return;
    }
    DIMOUSESTATE state{};
    state.lX = Saturate(motion_[0]);
    state.lY = Saturate(motion_[1]);
    state.lZ = Saturate(motion_[2]);
    for (int i = 0; i < 4; ++i) state.rgbButtons[i] = buttons_[i] | buttonsPressedSinceRead_[i];
    std::memset(buttonsPressedSinceRead_, 0, sizeof buttonsPressedSinceRead_);
    std::memcpy(data, &state, sizeof state);
    motion_[0] = motion_[1] = motion_[2] = 0;
}

void DirectInputDevice8::OnEvent(const SDL_Event& event, void* self) {
    static_cast<DirectInputDevice8*>(self)->HandleEvent(event);
}

void DirectInputDevice8::HandleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (windowId_ == 0 || event.window.windowID != windowId_) return;
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                focusTakenAway_ = true;
                // Keys released elsewhere would never be seen released here.
                ClearHeld();
                if (acquired_ && Foreground() && !environment_.script) Lose();
            } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                focusTakenAway_ = false;
            }
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (kind_ != DeviceKind::Keyboard) return;
            if (const BYTE dik = DikOfSdlScancode(event.key.keysym.scancode)) {
                const bool down = event.type == SDL_KEYDOWN;
                keys_[dik] = down ? 0x80 : 0x00;
                // Auto-repeat is not a new press; latching it would hold the key one read past its release.
                if (down && !event.key.repeat) keysPressedSinceRead_[dik] = 0x80;
            }
            return;
        case SDL_MOUSEMOTION:
            if (kind_ != DeviceKind::Mouse || !acquired_ || event.motion.which == SDL_TOUCH_MOUSEID) return;
            motion_[0] += event.motion.xrel;
            motion_[1] += event.motion.yrel;
            return;
        case SDL_MOUSEWHEEL: {
            if (kind_ != DeviceKind::Mouse || !acquired_ || event.wheel.which == SDL_TOUCH_MOUSEID) return;
            // DirectInput's + is away from the user, as is SDL's normal y.
            const std::int64_t notches =
                event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -std::int64_t{event.wheel.y} : event.wheel.y;
            motion_[2] += notches * kWheelUnitsPerNotch;
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (kind_ != DeviceKind::Mouse || event.button.which == SDL_TOUCH_MOUSEID) return;
            const int index = ButtonIndex(event.button.button);
            if (index >= 0) {
                const bool down = event.type == SDL_MOUSEBUTTONDOWN;
                buttons_[index] = down ? 0x80 : 0x00;
                if (down) buttonsPressedSinceRead_[index] = 0x80;
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace tarvona::dinput
