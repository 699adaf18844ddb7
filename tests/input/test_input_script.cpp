// Scripted input (TARVONA_INPUT) and the keyboard's end of a bounded run
// (TARVONA_FRAMES): what each read of the keyboard and the mouse delivers,
// what a malformed script does, and a whole scripted flight through the
// program's input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "app/Test18.h"
#include "input/Flight.h"
#include "input/InputDevices.h"
#include "testing/device_testing.h"
#include "testing/input_testing.h"
#include "testing/window_testing.h"

// Found by argument lookup, so at global scope with the type.
bool operator==(const DIMOUSESTATE& a, const DIMOUSESTATE& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
std::ostream& operator<<(std::ostream& out, const DIMOUSESTATE& m) {
    return out << "{" << m.lX << "," << m.lY << "," << m.lZ << " buttons " << int(m.rgbButtons[0]) << ","
               << int(m.rgbButtons[1]) << "," << int(m.rgbButtons[2]) << "," << int(m.rgbButtons[3]) << "}";
}

namespace {

namespace tt = tarvona::testing;

class ScriptFile {
public:
    explicit ScriptFile(const std::string& text) {
        char name[] = "/tmp/tarvona_input_XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        if (fd >= 0) close(fd);
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~ScriptFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The two variables as a test sets them; both unset afterwards.
class InputVariables : public ::testing::Test {
protected:
    void TearDown() override {
        if (keyboard) keyboard->Release();
        if (mouse) mouse->Release();
        if (directInput) directInput->Release();
        unsetenv("TARVONA_INPUT");
        unsetenv("TARVONA_FRAMES");
        tt::ResetFrameLimit();
    }
    void LimitFrames(const char* n) {
        setenv("TARVONA_FRAMES", n, 1);
        tt::ResetFrameLimit();
    }
    HRESULT Create() {
        return DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&directInput), nullptr);
    }
    // Both devices, shared and in the background (no window needed), acquired.
    void OpenDevices() {
        ASSERT_EQ(Create(), DI_OK);
        ASSERT_EQ(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
        ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
        ASSERT_EQ(keyboard->Acquire(), DI_OK);
        ASSERT_EQ(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
        ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
        ASSERT_EQ(mouse->Acquire(), DI_OK);
    }
    std::vector<int> ReadKeys() {
        BYTE keys[256];
        EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
        std::vector<int> down;
        for (int i = 0; i < 256; ++i) {
            if (keys[i] == 0x80) down.push_back(i);
            else EXPECT_EQ(keys[i], 0) << i;
        }
        return down;
    }
    DIMOUSESTATE ReadMouse() {
        DIMOUSESTATE state;
        std::memset(&state, 0xCD, sizeof state);
        EXPECT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
        return state;
    }

    IDirectInput8A* directInput = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
};

// ---- what the reads deliver ---------------------------------------------------------

struct ScriptCase {
    const char* name;
    const char* text;
    std::vector<std::vector<int>> keys;  // per keyboard read
    std::vector<DIMOUSESTATE> mouse;     // per mouse read
};

const ScriptCase kScripts[] = {
    {"FieldsAndRepeat",
     "keys=W,SPACE mouse=5,-3 buttons=L repeat=2\n"
     "idle\n"
     "keys=dik_numpad7,0x1E,Escape mouse=0,0,-240 buttons=R,M,X1\n",
     {{DIK_W, DIK_SPACE}, {DIK_W, DIK_SPACE}, {}, {DIK_ESCAPE, DIK_A, DIK_NUMPAD7}, {}, {}},
     {{5, -3, 0, {0x80, 0, 0, 0}},
      {5, -3, 0, {0x80, 0, 0, 0}},
      {},
      {0, 0, -240, {0, 0x80, 0x80, 0x80}},
      {},
      {}}},
    {"CommentsAndBlankLinesAreNotFrames",
     "# a header\n\n   \t\nkeys=up   # speed up\r\n\nrepeat=1\nbuttons=0,3 mouse=-2147483648,2147483647,1\n",
     {{DIK_UP}, {}, {}, {}},
     {{}, {}, {-2147483647 - 1, 2147483647, 1, {0x80, 0, 0, 0x80}}, {}}},
    {"FieldsInAnyOrderAndCase", "REPEAT=2 Buttons=right KEYS=s,Pgup,LALT MOUSE=7,8,9\n",
     {{DIK_S, DIK_LMENU, DIK_PRIOR}, {DIK_S, DIK_LMENU, DIK_PRIOR}, {}},
     {{7, 8, 9, {0, 0x80, 0, 0}}, {7, 8, 9, {0, 0x80, 0, 0}}, {}}},
    {"BareDigitsAreDigitKeys", "keys=1,0,0xB\n", {{DIK_1, DIK_0}, {}}, {{}, {}}},
    {"EmptyScript", "", {{}, {}}, {{}, {}}},
};

class ScriptedReads : public InputVariables, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedReads, EachReadGetsItsFrame) {
    ScriptFile file(GetParam().text);
    setenv("TARVONA_INPUT", file.path().c_str(), 1);
    OpenDevices();
    for (std::size_t i = 0; i < GetParam().keys.size(); ++i) EXPECT_EQ(ReadKeys(), GetParam().keys[i]) << "read " << i;
    // The mouse walks the script on its own, however often the keyboard read.
    for (std::size_t i = 0; i < GetParam().mouse.size(); ++i) EXPECT_EQ(ReadMouse(), GetParam().mouse[i]) << "read " << i;
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptedReads, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

// Scripted input does not come from the desktop: the window's focus does
// not take it away, and real events do not mix in.
TEST_F(InputVariables, ScriptedDevicesIgnoreTheDesktop) {
    tt::ResetWindowLayer();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT { return DefWindowProcA(h, m, w, l); };
    windowClass.lpszClassName = "script test";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "script test", "", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);

    ScriptFile file("keys=W mouse=1,1 repeat=3\n");
    setenv("TARVONA_INPUT", file.path().c_str(), 1);
    ASSERT_EQ(Create(), DI_OK);
    ASSERT_EQ(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);

    ASSERT_TRUE(tt::PushKeyEvent(window, "S", true));
    ASSERT_TRUE(tt::PushMouseMotion(window, 40, 40));
    ASSERT_TRUE(tt::PushFocusChange(window, false));
    EXPECT_EQ(ReadKeys(), std::vector<int>{DIK_W});
    EXPECT_EQ(ReadMouse(), (DIMOUSESTATE{1, 1, 0, {}}));
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT) << "still acquired";
    tt::ResetWindowLayer();
}

// ---- malformed scripts ---------------------------------------------------------------

struct BadScriptCase {
    const char* name;
    const char* line;
};

const BadScriptCase kBadScripts[] = {
    {"UnknownKey", "keys=W,FOO"},
    {"EmptyKeyList", "keys="},
    {"EmptyKeyInList", "keys=W,,S"},
    {"KeyCodeZero", "keys=0x0"},
    {"KeyCodeTooLarge", "keys=0x100"},
    {"MouseOneAxis", "mouse=1"},
    {"MouseFourAxes", "mouse=1,2,3,4"},
    {"MouseNotNumbers", "mouse=a,b"},
    {"MouseFractions", "mouse=1.5,2"},
    {"MouseBeyond32Bits", "mouse=2147483648,0"},
    {"UnknownButton", "buttons=L,Q"},
    {"RepeatZero", "repeat=0"},
    {"RepeatNegative", "repeat=-2"},
    {"RepeatNotANumber", "repeat=x"},
    {"RepeatTooLarge", "repeat=1000000001"},
    {"UnknownField", "speed=3"},
    {"NotAField", "keys"},
    {"FieldTwice", "keys=W keys=S"},
};

class MalformedScript : public InputVariables, public ::testing::WithParamInterface<BadScriptCase> {};

TEST_P(MalformedScript, RefusesToStartAndSaysWhere) {
    ScriptFile file(std::string("keys=W\n# fine so far\n") + GetParam().line + "\nkeys=S\n");
    setenv("TARVONA_INPUT", file.path().c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Create(), DIERR_GENERIC);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(directInput, nullptr);
    EXPECT_NE(said.find("TARVONA_INPUT"), std::string::npos) << said;
    EXPECT_NE(said.find("line 3"), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(Lines, MalformedScript, ::testing::ValuesIn(kBadScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InputVariables, AMissingScriptRefusesToStart) {
    setenv("TARVONA_INPUT", "/nonexistent/tarvona/script.txt", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Create(), DIERR_GENERIC);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("/nonexistent/tarvona/script.txt"), std::string::npos) << said;
}

// ---- the frame limit -----------------------------------------------------------------

TEST_F(InputVariables, FrameLimitHoldsEscapeOnceTheFramesArePresented) {
    ScriptFile file("keys=W repeat=10\n");
    setenv("TARVONA_INPUT", file.path().c_str(), 1);
    LimitFrames("3");
    OpenDevices();
    EXPECT_EQ(ReadKeys(), std::vector<int>{DIK_W});
    tt::CountPresentedFrames(2);
    EXPECT_EQ(ReadKeys(), std::vector<int>{DIK_W});
    EXPECT_EQ(ReadMouse(), DIMOUSESTATE{}) << "the mouse has no part in it";
    tt::CountPresentedFrames(1);
    EXPECT_EQ(ReadKeys(), (std::vector<int>{DIK_ESCAPE, DIK_W})) << "the script's keys still show";
    EXPECT_EQ(ReadKeys(), (std::vector<int>{DIK_ESCAPE, DIK_W}));
}

// The end of a bounded run must come even from a keyboard that is lost.
TEST_F(InputVariables, FrameLimitReachesAnUnacquiredKeyboard) {
    LimitFrames("1");
    OpenDevices();
    ASSERT_EQ(keyboard->Unacquire(), DI_OK);
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    tt::CountPresentedFrames(1);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_ESCAPE], 0x80);
}

TEST_F(InputVariables, EmptyScriptVariableIsUnset) {
    setenv("TARVONA_INPUT", "", 1);
    OpenDevices();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ReadKeys().empty());
}

// ---- a whole scripted flight ------------------------------------------------------------

TEST_F(InputVariables, AScriptedRunFliesAKnownPathAndEnds) {
    tt::ResetWindowLayer();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT { return DefWindowProcA(h, m, w, l); };
    windowClass.lpszClassName = "flight test";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "flight test", "", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);

    ScriptFile file(
        "keys=W repeat=3      # 100, 200, 300\n"
        "keys=S mouse=40,0    # 200, and a yaw\n");
    setenv("TARVONA_INPUT", file.path().c_str(), 1);
    LimitFrames("6");
    g_directInput = nullptr;
    g_keyboard = nullptr;
    g_mouse = nullptr;
    g_quitRequested = 0;
    D3DXMatrixIdentity(&g_shipMatrix);
    g_shipRight = D3DXVECTOR3(1, 0, 0);
    g_shipUp = D3DXVECTOR3(0, 1, 0);
    g_shipForward = D3DXVECTOR3(0, 0, 1);
    g_shipSpeed = 0.0f;
    g_cameraPosition[0] = -160.0f;
    g_cameraPosition[1] = 100.0f;
    g_cameraPosition[2] = 100.0f;

    tt::CountPresentedFrames(1);  // the first frame, painted before the input opens
    ASSERT_EQ(InitInput(window), S_OK);
    int frames = 0;
    while (g_quitRequested == 0 && frames < 100) {
        ProcessInput();
        MoveShip();
        tt::CountPresentedFrames(1);  // the frame's Present
        ++frames;
    }
    ReleaseInput();
    tt::ResetWindowLayer();

    EXPECT_EQ(frames, 6);
    EXPECT_EQ(g_shipSpeed, 200.0f);
    // Straight ahead for three frames, then along the yawed axis for three.
    D3DXMATRIX yawed;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixRotationAxis(&yawed, &up, 40.0f * 0.005f);
    float x = -160.0f, z = 100.0f;
    z = 1.0f * 100.0f + z;
    z = 1.0f * 200.0f + z;
    z = 1.0f * 300.0f + z;
    for (int i = 0; i < 3; ++i) {
        x = yawed._31 * 200.0f + x;
        z = yawed._33 * 200.0f + z;
    }
    EXPECT_EQ(g_cameraPosition[0], x);
    EXPECT_EQ(g_cameraPosition[2], z);
}

}  // namespace
