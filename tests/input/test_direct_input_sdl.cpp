// The DirectInput layer on SDL, with the real window layer under a headless
// video driver: events queued into SDL reach the program's key and mouse
// state through ProcessInput, and acquisition follows the window's focus.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/Test18.h"
#include "input/Flight.h"
#include "input/InputDevices.h"
#include "testing/input_testing.h"
#include "testing/window_testing.h"

namespace {

namespace tt = tarvona::testing;

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A shown window, as the program has when it opens its input.
class SdlInput : public ::testing::Test {
protected:
    void SetUp() override {
        tt::ResetWindowLayer();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = PlainWindowProc;
        windowClass.lpszClassName = "input test";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(0, "input test", "input", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        g_directInput = nullptr;
        g_keyboard = nullptr;
        g_mouse = nullptr;
        g_quitRequested = 0;
        std::memset(g_keyState, 0, sizeof g_keyState);
        g_mouseState = DIMOUSESTATE{};
        D3DXMatrixIdentity(&g_shipMatrix);
        g_shipRight = D3DXVECTOR3(1, 0, 0);
        g_shipUp = D3DXVECTOR3(0, 1, 0);
        g_shipForward = D3DXVECTOR3(0, 0, 1);
        g_shipSpeed = 0.0f;
    }
    void TearDown() override {
        ReleaseInput();
        g_directInput = nullptr;
        g_keyboard = nullptr;
        g_mouse = nullptr;
        tt::ResetWindowLayer();
    }
    void StartInput() {
        ASSERT_EQ(InitInput(window), S_OK);
        ProcessInput();  // drains whatever the window's creation queued
    }
    int KeysDown() const {
        int n = 0;
        for (BYTE b : g_keyState) n += b != 0;
        return n;
    }

    HWND window = nullptr;
};

// ---- keyboard ---------------------------------------------------------------------

struct KeyCase {
    const char* sdlName;
    int dik;
};

// One key of each kind: letters and the main block, modifiers, the
// extended keys (0x80 added), the keypad, function keys, ISO extras.
const KeyCase kKeys[] = {
    {"W", DIK_W},
    {"Space", DIK_SPACE},
    {"Escape", DIK_ESCAPE},
    {"Up", DIK_UP},
    {"Down", DIK_DOWN},
    {"Left", DIK_LEFT},
    {"Right", DIK_RIGHT},
    {"1", DIK_1},
    {"0", DIK_0},
    {"`", DIK_GRAVE},
    {"Return", DIK_RETURN},
    {"Backspace", DIK_BACK},
    {"Left Shift", DIK_LSHIFT},
    {"Right Shift", DIK_RSHIFT},
    {"Left Ctrl", DIK_LCONTROL},
    {"Right Ctrl", DIK_RCONTROL},
    {"Left Alt", DIK_LMENU},
    {"Right Alt", DIK_RMENU},
    {"Left GUI", DIK_LWIN},
    {"CapsLock", DIK_CAPITAL},
    {"F1", DIK_F1},
    {"F10", DIK_F10},
    {"F11", DIK_F11},
    {"F12", DIK_F12},
    {"PrintScreen", DIK_SYSRQ},
    {"ScrollLock", DIK_SCROLL},
    {"Pause", DIK_PAUSE},
    {"Insert", DIK_INSERT},
    {"Delete", DIK_DELETE},
    {"Home", DIK_HOME},
    {"End", DIK_END},
    {"PageUp", DIK_PRIOR},
    {"PageDown", DIK_NEXT},
    {"Numlock", DIK_NUMLOCK},
    {"Keypad /", DIK_DIVIDE},
    {"Keypad *", DIK_MULTIPLY},
    {"Keypad -", DIK_SUBTRACT},
    {"Keypad +", DIK_ADD},
    {"Keypad Enter", DIK_NUMPADENTER},
    {"Keypad 7", DIK_NUMPAD7},
    {"Keypad 0", DIK_NUMPAD0},
    {"Keypad .", DIK_DECIMAL},
};

class SdlInputKeys : public SdlInput, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SdlInputKeys, AKeyEventSetsAndClearsItsScanCodeByte) {
    StartInput();
    ASSERT_TRUE(tt::PushKeyEvent(window, GetParam().sdlName, true));
    ProcessInput();
    EXPECT_EQ(g_keyState[GetParam().dik], 0x80);
    EXPECT_EQ(KeysDown(), 1);
    ProcessInput();
    EXPECT_EQ(g_keyState[GetParam().dik], 0x80) << "held until released";
    ASSERT_TRUE(tt::PushKeyEvent(window, GetParam().sdlName, false));
    ProcessInput();
    EXPECT_EQ(KeysDown(), 0);
}

// A tap quicker than a frame: the press and the release both arrive before
// the next read. It shows once, as held, and is gone from the read after.
TEST_P(SdlInputKeys, ATapBetweenTwoReadsShowsOnce) {
    StartInput();
    ASSERT_TRUE(tt::PushKeyEvent(window, GetParam().sdlName, true));
    ASSERT_TRUE(tt::PushKeyEvent(window, GetParam().sdlName, false));
    ProcessInput();
    EXPECT_EQ(g_keyState[GetParam().dik], 0x80);
    EXPECT_EQ(KeysDown(), 1);
    ProcessInput();
    EXPECT_EQ(KeysDown(), 0);
}

TEST_F(SdlInput, ATapBeforeTheKeyboardIsHadIsNotDelivered) {
    ASSERT_TRUE(tt::PushKeyEvent(window, "Escape", true));
    ASSERT_TRUE(tt::PushKeyEvent(window, "Escape", false));
    ASSERT_EQ(InitInput(window), S_OK);
    ProcessInput();
    EXPECT_EQ(KeysDown(), 0);
    EXPECT_EQ(g_quitRequested, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, SdlInputKeys, ::testing::ValuesIn(kKeys), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.sdlName; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name + "_" + std::to_string(info.index);
});

// Every key of the standard PC keyboard has a way in, and no two SDL keys
// share a code, apart from the ISO key left of Return (the same set-1 key as
// backslash) and SDL's two names for Mute.
TEST_F(SdlInput, TheWholeStandardKeyboardMapsOneToOne) {
    std::set<int> standard;
    for (int code = 0x01; code <= 0x53; ++code) standard.insert(code);
    for (int code : {0x56, 0x57, 0x58, 0x9C, 0x9D, 0xB5, 0xB7, 0xB8, 0xC5, 0xC7, 0xC8, 0xC9, 0xCB, 0xCD, 0xCF, 0xD0,
                     0xD1, 0xD2, 0xD3, 0xDB, 0xDC, 0xDD})
        standard.insert(code);

    std::vector<int> sdlOf(256, 0);
    std::set<int> shared;
    for (int sdl = 1; sdl < tt::SdlScancodeCount(); ++sdl) {
        const int dik = tt::DikOfSdlScancode(sdl);
        if (dik == 0) continue;
        ASSERT_LT(dik, 256);
        if (sdlOf[dik] != 0) shared.insert(dik);
        sdlOf[dik] = sdl;
    }
    for (int code : standard) EXPECT_NE(sdlOf[code], 0) << "no SDL key gives DIK code 0x" << std::hex << code;
    EXPECT_EQ(shared, (std::set<int>{DIK_BACKSLASH, DIK_MUTE}));
}

// Through the events, for every SDL key that has a code.
TEST_F(SdlInput, EveryMappedKeyReachesItsByteAlone) {
    StartInput();
    for (int sdl = 1; sdl < tt::SdlScancodeCount(); ++sdl) {
        const int dik = tt::DikOfSdlScancode(sdl);
        if (dik == 0) continue;
        ASSERT_TRUE(tt::PushKeyEventByScancode(window, sdl, true));
        ProcessInput();
        EXPECT_EQ(g_keyState[dik], 0x80) << "SDL scan code " << sdl;
        EXPECT_EQ(KeysDown(), 1) << "SDL scan code " << sdl;
        ASSERT_TRUE(tt::PushKeyEventByScancode(window, sdl, false));
        ProcessInput();
        EXPECT_EQ(KeysDown(), 0) << "SDL scan code " << sdl;
    }
}

TEST_F(SdlInput, KeysHeldTogetherAllShowAndDriveTheShip) {
    StartInput();
    ASSERT_TRUE(tt::PushKeyEvent(window, "W", true));
    ASSERT_TRUE(tt::PushKeyEvent(window, "Up", true));
    ASSERT_TRUE(tt::PushKeyEvent(window, "Escape", true));
    ProcessInput();
    EXPECT_EQ(g_keyState[DIK_W], 0x80);
    EXPECT_EQ(g_keyState[DIK_UP], 0x80);
    EXPECT_EQ(g_keyState[DIK_ESCAPE], 0x80);
    EXPECT_EQ(g_shipSpeed, 101.0f);
    EXPECT_EQ(g_quitRequested, 1);
}

// ---- mouse --------------------------------------------------------------------------

TEST_F(SdlInput, MotionIsSummedSinceThePreviousRead) {
    StartInput();
    ASSERT_TRUE(tt::PushMouseMotion(window, 3, 4));
    ASSERT_TRUE(tt::PushMouseMotion(window, 5, -10));
    ASSERT_TRUE(tt::PushMouseMotion(window, -1, 0));
    ProcessInput();
    EXPECT_EQ(g_mouseState.lX, 7);
    EXPECT_EQ(g_mouseState.lY, -6);
    EXPECT_EQ(g_mouseState.lZ, 0);
    ProcessInput();
    EXPECT_EQ(g_mouseState.lX, 0) << "motion is counted once";
    EXPECT_EQ(g_mouseState.lY, 0);
}

struct WheelCase {
    const char* name;
    std::vector<int> notches;
    bool flipped;
    LONG lZ;
};

const WheelCase kWheels[] = {
    {"OneNotchAway", {1}, false, 120},
    {"TwoNotchesTowardsTheUser", {-1, -1}, false, -240},
    {"BackAndForth", {3, -1}, false, 240},
    // A flipped event carries the opposite sign; the turn itself is the same.
    {"FlippedNotchAway", {1}, true, 120},
};

class SdlInputWheel : public SdlInput, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(SdlInputWheel, WheelIs120PerNotchInLZ) {
    StartInput();
    for (int n : GetParam().notches) ASSERT_TRUE(tt::PushMouseWheel(window, n, GetParam().flipped));
    ProcessInput();
    EXPECT_EQ(g_mouseState.lZ, GetParam().lZ);
    EXPECT_EQ(g_mouseState.lX, 0);
    ProcessInput();
    EXPECT_EQ(g_mouseState.lZ, 0);
}

INSTANTIATE_TEST_SUITE_P(Wheel, SdlInputWheel, ::testing::ValuesIn(kWheels),
                         [](const auto& info) { return std::string(info.param.name); });

struct ButtonCase {
    int sdlButton;
    int index;  // in rgbButtons
};

class SdlInputButtons : public SdlInput, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(SdlInputButtons, AButtonIs0x80WhileHeld) {
    StartInput();
    ASSERT_TRUE(tt::PushMouseButton(window, GetParam().sdlButton, true));
    ProcessInput();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_mouseState.rgbButtons[i], i == GetParam().index ? 0x80 : 0) << i;
    ProcessInput();
    EXPECT_EQ(g_mouseState.rgbButtons[GetParam().index], 0x80) << "held until released";
    ASSERT_TRUE(tt::PushMouseButton(window, GetParam().sdlButton, false));
    ProcessInput();
    EXPECT_EQ(g_mouseState.rgbButtons[GetParam().index], 0);
}

TEST_P(SdlInputButtons, AClickBetweenTwoReadsShowsOnce) {
    StartInput();
    ASSERT_TRUE(tt::PushMouseButton(window, GetParam().sdlButton, true));
    ASSERT_TRUE(tt::PushMouseButton(window, GetParam().sdlButton, false));
    ProcessInput();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_mouseState.rgbButtons[i], i == GetParam().index ? 0x80 : 0) << i;
    ProcessInput();
    EXPECT_EQ(g_mouseState.rgbButtons[GetParam().index], 0);
}

// SDL: 1 left, 2 middle, 3 right, 4 first extra; DirectInput: left, right,
// middle, fourth.
INSTANTIATE_TEST_SUITE_P(Buttons, SdlInputButtons,
                         ::testing::Values(ButtonCase{1, 0}, ButtonCase{3, 1}, ButtonCase{2, 2}, ButtonCase{4, 3}),
                         [](const auto& info) { return "Sdl" + std::to_string(info.param.sdlButton); });

// ---- focus --------------------------------------------------------------------------

// Leaving the window loses both devices; the program acquires them again
// once the window is back, so Escape still ends it.
TEST_F(SdlInput, ReadsRecoverAfterTheFocusComesBack) {
    StartInput();
    ASSERT_TRUE(tt::PushKeyEvent(window, "W", true));
    ProcessInput();
    ASSERT_EQ(g_keyState[DIK_W], 0x80);

    ASSERT_TRUE(tt::PushFocusChange(window, false));
    ProcessInput();
    EXPECT_EQ(KeysDown(), 0) << "a lost keyboard holds no key";
    for (int frame = 0; frame < 3; ++frame) ProcessInput();  // acquiring fails while away

    ASSERT_TRUE(tt::PushFocusChange(window, true));
    ASSERT_TRUE(tt::PushKeyEvent(window, "Escape", true));
    for (int frame = 0; frame < 3 && g_quitRequested == 0; ++frame) ProcessInput();
    EXPECT_EQ(g_quitRequested, 1);
    EXPECT_EQ(g_keyState[DIK_W], 0) << "released while away";
}

TEST_F(SdlInput, ForegroundDevicesFollowTheFocus) {
    StartInput();
    BYTE keys[256];
    DIMOUSESTATE mouse;
    ASSERT_TRUE(tt::PushFocusChange(window, false));
    EXPECT_EQ(g_keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(g_keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(g_mouse->GetDeviceState(sizeof mouse, &mouse), DIERR_INPUTLOST);
    EXPECT_EQ(g_keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(g_mouse->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(g_mouse->GetDeviceState(sizeof mouse, &mouse), DIERR_NOTACQUIRED);

    ASSERT_TRUE(tt::PushFocusChange(window, true));
    EXPECT_EQ(g_keyboard->Acquire(), DI_OK);
    EXPECT_EQ(g_mouse->Acquire(), DI_OK);
    EXPECT_EQ(g_keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(g_mouse->GetDeviceState(sizeof mouse, &mouse), DI_OK);
}

TEST_F(SdlInput, MotionWhileUnacquiredIsNotCounted) {
    StartInput();
    EXPECT_EQ(g_mouse->Unacquire(), DI_OK);
    ASSERT_TRUE(tt::PushMouseMotion(window, 50, 50));
    DIMOUSESTATE mouse;
    EXPECT_EQ(g_mouse->GetDeviceState(sizeof mouse, &mouse), DIERR_NOTACQUIRED);
    EXPECT_EQ(g_mouse->Acquire(), DI_OK);
    ASSERT_TRUE(tt::PushMouseMotion(window, 2, 1));
    ASSERT_EQ(g_mouse->GetDeviceState(sizeof mouse, &mouse), DI_OK);
    EXPECT_EQ(mouse.lX, 2);
    EXPECT_EQ(mouse.lY, 1);
}

// ---- the interface's own rules -----------------------------------------------------

TEST_F(SdlInput, DeviceCallsCheckTheirOrder) {
    IDirectInput8A* directInput = nullptr;
    ASSERT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                 reinterpret_cast<void**>(&directInput), nullptr),
              DI_OK);
    IDirectInputDevice8A* keyboard = nullptr;
    ASSERT_EQ(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    BYTE keys[256];

    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED) << "no format yet";
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM) << "no format yet";
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM) << "the mouse's format";
    EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(16, keys), DIERR_INVALIDPARAM) << "wrong size";
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->Release(), 0u);

    IDirectInputDevice8A* other = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(directInput->CreateDevice(IID_IDirectInput8A, &other, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(directInput->Release(), 0u);
}

TEST_F(SdlInput, OneExclusiveMouseAtATime) {
    StartInput();
    IDirectInputDevice8A* second = nullptr;
    ASSERT_EQ(g_directInput->CreateDevice(GUID_SysMouse, &second, nullptr), DI_OK);
    ASSERT_EQ(second->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(second->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_EQ(second->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(second->Acquire(), DI_OK) << "sharing is fine";
    second->Release();
}

struct CreateCase {
    const char* name;
    bool instance;
    DWORD version;
    const GUID* iid;
    bool outer;
    HRESULT result;
};

const CreateCase kCreateCases[] = {
    {"Version8", true, 0x0800, &IID_IDirectInput8A, false, DI_OK},
    {"OlderVersion", true, 0x0700, &IID_IDirectInput8A, false, DIERR_OLDDIRECTINPUTVERSION},
    {"NewerVersion", true, 0x0900, &IID_IDirectInput8A, false, DIERR_BETADIRECTINPUTVERSION},
    {"OtherInterface", true, 0x0800, &GUID_SysMouse, false, DIERR_NOINTERFACE},
    {"NoInstance", false, 0x0800, &IID_IDirectInput8A, false, DIERR_INVALIDPARAM},
    {"Aggregated", true, 0x0800, &IID_IDirectInput8A, true, DIERR_NOAGGREGATION},
};

class DirectInputCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(DirectInputCreate, ChecksItsArguments) {
    const CreateCase& c = GetParam();
    void* out = reinterpret_cast<void*>(1);
    IUnknown* outer = reinterpret_cast<IUnknown*>(2);
    const HRESULT result = DirectInput8Create(c.instance ? GetModuleHandleA(nullptr) : nullptr, c.version, *c.iid,
                                              &out, c.outer ? outer : nullptr);
    EXPECT_EQ(result, c.result);
    if (result < 0) {
        EXPECT_EQ(out, nullptr);
    } else {
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(static_cast<IDirectInput8A*>(out)->Release(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, DirectInputCreate, ::testing::ValuesIn(kCreateCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
