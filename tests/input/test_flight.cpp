// Steering, speed, motion and the view, frame by frame, with fake devices
// as g_keyboard and g_mouse and the recording device as g_device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Test18.h"
#include "fake_direct_input.h"
#include "input/Flight.h"
#include "input/InputDevices.h"
#include "render/Direct3D.h"
#include "support/recording_device.h"

namespace {

using tarvona::testing::FakeInputDevice;
using tarvona::testing::MatrixText;
using tarvona::testing::RecordingDevice;

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

bool SameBits(const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The ship frame as the scene set-up leaves it, and fresh devices.
class Flight : public ::testing::Test {
protected:
    void SetUp() override {
        g_shipMatrix = Identity();
        g_shipRight = D3DXVECTOR3(1, 0, 0);
        g_shipUp = D3DXVECTOR3(0, 1, 0);
        g_shipForward = D3DXVECTOR3(0, 0, 1);
        g_shipSpeed = 0.0f;
        g_cameraPosition[0] = -160.0f;
        g_cameraPosition[1] = 100.0f;
        g_cameraPosition[2] = 100.0f;
        std::memset(g_keyState, 0, sizeof g_keyState);
        g_mouseState = DIMOUSESTATE{};
        g_viewMatrix = D3DXMATRIX{};
        g_quitRequested = 0;
        g_keyboard = &keyboard;
        g_mouse = &mouse;
        g_device = &device;
    }
    void TearDown() override {
        g_keyboard = nullptr;
        g_mouse = nullptr;
        g_device = nullptr;
    }

    void Frame(std::initializer_list<int> keys, DIMOUSESTATE motion = {}) {
        keyboard.SetKeys(keys);
        mouse.SetMouse(motion);
        ProcessInput();
    }

    // The orientation after one frame's turns, computed apart from
    // ProcessInput: roll, yaw, pitch about the frame's starting axes.
    static D3DXMATRIX Turned(const D3DXMATRIX& start, float roll, float yaw, float pitch) {
        const D3DXVECTOR3 right(start._11, start._12, start._13);
        const D3DXVECTOR3 up(start._21, start._22, start._23);
        const D3DXVECTOR3 forward(start._31, start._32, start._33);
        D3DXMATRIX m = start, r, product;
        D3DXMatrixRotationAxis(&r, &forward, roll);
        D3DXMatrixMultiply(&product, &m, &r);
        m = product;
        D3DXMatrixRotationAxis(&r, &up, yaw);
        D3DXMatrixMultiply(&product, &m, &r);
        m = product;
        D3DXMatrixRotationAxis(&r, &right, pitch);
        D3DXMatrixMultiply(&product, &m, &r);
        return product;
    }

    std::vector<std::string> log;
    FakeInputDevice keyboard{"keyboard", 256, &log};
    FakeInputDevice mouse{"mouse", sizeof(DIMOUSESTATE), &log};
    RecordingDevice device;
};

// ---- the control table, frame by frame ------------------------------------------

struct FrameInput {
    std::vector<int> keys;  // scan codes held (0x80)
    DIMOUSESTATE mouse;
    float speedAfter;
    float rollAngle;  // the angle of this frame's roll turn
    int quitAfter;
};

struct ControlCase {
    const char* name;
    float startSpeed;
    std::vector<FrameInput> frames;
};

DIMOUSESTATE Buttons(BYTE left, BYTE right) { return DIMOUSESTATE{0, 0, 0, {left, right, 0, 0}}; }
DIMOUSESTATE Wheel(LONG z) { return DIMOUSESTATE{0, 0, z, {0, 0, 0, 0}}; }
DIMOUSESTATE Move(LONG x, LONG y) { return DIMOUSESTATE{x, y, 0, {0, 0, 0, 0}}; }

const ControlCase kControlCases[] = {
    {"SpaceWithW_StopsThenRaises", 37.5f, {{{DIK_SPACE, DIK_W}, {}, 100.0f, 0.0f, 0}}},
    // At 2^24, +1 then -1 in single precision gives 2^24 - 1; the other
    // order, or wider arithmetic, gives 2^24.
    {"UpWithDown_PlusOneThenMinusOne", 16777216.0f, {{{DIK_UP, DIK_DOWN}, {}, 16777215.0f, 0.0f, 0}}},
    {"UpAlone", 0.5f, {{{DIK_UP}, {}, 1.5f, 0.0f, 0}, {{DIK_UP}, {}, 2.5f, 0.0f, 0}}},
    {"DownAndSAlone", 0.0f, {{{DIK_DOWN}, {}, -1.0f, 0.0f, 0}, {{DIK_S}, {}, -101.0f, 0.0f, 0}}},
    {"XAtZero_StaysZero", 0.0f, {{{DIK_X}, {}, 0.0f, 0.0f, 0}}},
    {"XHeld_DoublesEveryFrame", 3.0f,
     {{{DIK_X}, {}, 6.0f, 0.0f, 0}, {{DIK_X}, {}, 12.0f, 0.0f, 0}, {{DIK_X}, {}, 24.0f, 0.0f, 0}}},
    {"XActsAfterUpAndW", 0.0f, {{{DIK_UP, DIK_W, DIK_X}, {}, 202.0f, 0.0f, 0}}},
    {"AWithD_DWins", 0.0f, {{{DIK_A, DIK_D}, {}, 0.0f, -0.1f, 0}}},
    {"AAlone", 0.0f, {{{DIK_A}, {}, 0.0f, 0.1f, 0}}},
    {"WheelAlone", 0.0f, {{{}, Wheel(240), 0.0f, 240.0f * 0.0005f, 0}, {{}, Wheel(-120), 0.0f, -120.0f * 0.0005f, 0}}},
    {"AWithWheel_WheelIgnored", 0.0f, {{{DIK_A}, Wheel(240), 0.0f, 0.1f, 0}}},
    {"DWithWheel_WheelIgnored", 0.0f, {{{DIK_D}, Wheel(-360), 0.0f, -0.1f, 0}}},
    // At 32, -0.01 then +0.01 gives 32; the other order 31.9999981.
    {"BothButtons_RightThenLeft", 32.0f, {{{}, Buttons(0x80, 0x80), (32.0f - 0.01f) + 0.01f, 0.0f, 0}}},
    {"LeftButton", 0.0f, {{{}, Buttons(0x80, 0), 0.01f, 0.0f, 0}, {{}, Buttons(0x80, 0), 0.02f, 0.0f, 0}}},
    {"RightButton", 0.0f, {{{}, Buttons(0, 0x80), -0.01f, 0.0f, 0}}},
    // Buttons count by the whole byte, keys by bit 7 alone.
    {"ButtonByteWithoutBit7_Counts", 0.0f, {{{}, Buttons(0x01, 0), 0.01f, 0.0f, 0}}},
    {"EscapeWithOtherKeys_AllApply", 1.0f, {{{DIK_ESCAPE, DIK_W, DIK_A, DIK_X}, {}, 202.0f, 0.1f, 1}}},
    {"EscapeAlone", 5.0f, {{{DIK_ESCAPE}, {}, 5.0f, 0.0f, 1}}},
    {"NegativeSpeedHasNoBound", -50.0f, {{{DIK_S, DIK_X}, {}, -300.0f, 0.0f, 0}}},
    {"NoInput_NothingChanges", 7.0f, {{{}, {}, 7.0f, 0.0f, 0}}},
};

class FlightControls : public Flight, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(FlightControls, SpeedRollAndQuitPerFrame) {
    const ControlCase& c = GetParam();
    g_shipSpeed = c.startSpeed;
    D3DXMATRIX expected = g_shipMatrix;
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
        const FrameInput& f = c.frames[i];
        keyboard.SetKeys({});
        for (int key : f.keys) keyboard.state[static_cast<std::size_t>(key)] = 0x80;
        mouse.SetMouse(f.mouse);
        ProcessInput();

        EXPECT_EQ(g_shipSpeed, f.speedAfter) << "frame " << i;
        EXPECT_EQ(g_quitRequested, f.quitAfter) << "frame " << i;
        expected = Turned(expected, f.rollAngle, static_cast<float>(f.mouse.lX) * 0.005f,
                          static_cast<float>(f.mouse.lY) * 0.005f);
        EXPECT_TRUE(SameBits(g_shipMatrix, expected))
            << "frame " << i << "\n got " << MatrixText(g_shipMatrix) << "\nwant " << MatrixText(expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FlightControls, ::testing::ValuesIn(kControlCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Flight, KeysCountByBit7Alone) {
    keyboard.SetKeys({});
    keyboard.state[DIK_W] = 0x7F;
    keyboard.state[DIK_ESCAPE] = 0x01;
    keyboard.state[DIK_UP] = 0xFF;
    mouse.SetMouse({});
    ProcessInput();
    EXPECT_EQ(g_shipSpeed, 1.0f);
    EXPECT_EQ(g_quitRequested, 0);
}

// ---- orientation ---------------------------------------------------------------

TEST_F(Flight, OrientationAfterKnownMotionIsTheProductOfTheThreeTurns) {
    const DIMOUSESTATE motions[] = {
        {30, -20, 240, {}}, {-7, 55, -120, {}}, {1000, 3, 0, {}}, {0, 0, 0, {}}, {-250, -400, 600, {}},
    };
    D3DXMATRIX expected = Identity();
    for (const DIMOUSESTATE& m : motions) {
        Frame({}, m);
        expected = Turned(expected, static_cast<float>(m.lZ) * 0.0005f, static_cast<float>(m.lX) * 0.005f,
                          static_cast<float>(m.lY) * 0.005f);
        ASSERT_TRUE(SameBits(g_shipMatrix, expected))
            << "\n got " << MatrixText(g_shipMatrix) << "\nwant " << MatrixText(expected);
        // The axes are the rows after the frame.
        EXPECT_EQ(g_shipRight, D3DXVECTOR3(expected._11, expected._12, expected._13));
        EXPECT_EQ(g_shipUp, D3DXVECTOR3(expected._21, expected._22, expected._23));
        EXPECT_EQ(g_shipForward, D3DXVECTOR3(expected._31, expected._32, expected._33));
        // Only rotations: no translation creeps in.
        EXPECT_EQ(g_shipMatrix._14, 0.0f);
        EXPECT_EQ(g_shipMatrix._24, 0.0f);
        EXPECT_EQ(g_shipMatrix._34, 0.0f);
        EXPECT_EQ(g_shipMatrix._41, 0.0f);
        EXPECT_EQ(g_shipMatrix._42, 0.0f);
        EXPECT_EQ(g_shipMatrix._43, 0.0f);
        EXPECT_EQ(g_shipMatrix._44, 1.0f);
    }
}

// Which way each control swings the ship, from the identity frame.
struct SwingCase {
    const char* name;
    DIMOUSESTATE mouse;
    std::vector<int> keys;
    float D3DXVECTOR3::*component;
    const D3DXVECTOR3* axis;  // which axis moves
    bool positive;            // the sign the component takes
};

const SwingCase kSwings[] = {
    {"MouseRight_ForwardTowardsRight", {40, 0, 0, {}}, {}, &D3DXVECTOR3::x, &g_shipForward, true},
    {"MouseTowardsUser_ForwardTowardsDown", {0, 40, 0, {}}, {}, &D3DXVECTOR3::y, &g_shipForward, false},
    {"WheelAway_RightTowardsUp", {0, 0, 240, {}}, {}, &D3DXVECTOR3::y, &g_shipRight, true},
    {"A_RightTowardsUp", {}, {DIK_A}, &D3DXVECTOR3::y, &g_shipRight, true},
    {"D_RightTowardsDown", {}, {DIK_D}, &D3DXVECTOR3::y, &g_shipRight, false},
};

class FlightSwing : public Flight, public ::testing::WithParamInterface<SwingCase> {};

TEST_P(FlightSwing, TurnsTheShipAboutItsOwnAxes) {
    const SwingCase& c = GetParam();
    keyboard.SetKeys({});
    for (int key : c.keys) keyboard.state[static_cast<std::size_t>(key)] = 0x80;
    mouse.SetMouse(c.mouse);
    ProcessInput();
    const float value = (*c.axis).*c.component;
    if (c.positive)
        EXPECT_GT(value, 0.0f);
    else
        EXPECT_LT(value, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Table, FlightSwing, ::testing::ValuesIn(kSwings),
                         [](const auto& info) { return std::string(info.param.name); });

// The turns of the second frame are about the axes the first left, not the
// world's: yaw after a roll swings forward within the rolled frame.
TEST_F(Flight, LaterFramesTurnAboutTheShipsAxesNotTheWorlds) {
    Frame({DIK_A});
    const D3DXVECTOR3 upAfterRoll = g_shipUp;
    Frame({}, Move(100, 0));
    // A yaw about the rolled up axis leaves that axis where it is.
    EXPECT_NEAR(g_shipUp.x, upAfterRoll.x, 1e-6f);
    EXPECT_NEAR(g_shipUp.y, upAfterRoll.y, 1e-6f);
    EXPECT_NEAR(g_shipUp.z, upAfterRoll.z, 1e-6f);
    EXPECT_GT(g_shipForward.y, 0.01f) << "forward leaves the world's horizontal plane";
}

// ---- motion -------------------------------------------------------------------------

TEST_F(Flight, MoveShipStepsAlongForwardBySpeed) {
    g_shipForward = D3DXVECTOR3(0.6f, -0.48f, 0.64f);
    g_shipSpeed = 10.0f;
    MoveShip();
    EXPECT_EQ(g_cameraPosition[0], 0.6f * 10.0f + -160.0f);
    EXPECT_EQ(g_cameraPosition[1], -0.48f * 10.0f + 100.0f);
    EXPECT_EQ(g_cameraPosition[2], 0.64f * 10.0f + 100.0f);
}

TEST_F(Flight, NegativeSpeedMovesBackwards) {
    Frame({DIK_S});
    MoveShip();
    EXPECT_EQ(g_shipSpeed, -100.0f);
    EXPECT_EQ(g_cameraPosition[0], -160.0f);
    EXPECT_EQ(g_cameraPosition[1], 100.0f);
    EXPECT_EQ(g_cameraPosition[2], 0.0f);
}

TEST_F(Flight, NoInputKeepsTheOrientationAndMovesByTheSpeed) {
    g_shipSpeed = 2.5f;
    Frame({});
    MoveShip();
    EXPECT_TRUE(SameBits(g_shipMatrix, Identity()));
    EXPECT_EQ(g_cameraPosition[2], 102.5f);
}

// ---- the view ----------------------------------------------------------------------

TEST_F(Flight, ViewAfterOneFrameWithoutInputIsTheIdentity) {
    Frame({});
    MoveShip();
    UpdateView();
    EXPECT_TRUE(SameBits(g_viewMatrix, Identity())) << MatrixText(g_viewMatrix);
    EXPECT_EQ(g_cameraPosition[0], -160.0f);
    EXPECT_EQ(g_cameraPosition[1], 100.0f);
    EXPECT_EQ(g_cameraPosition[2], 100.0f);
    const auto transforms = device.Named("SetTransform");
    ASSERT_EQ(transforms.size(), 1u);
    EXPECT_EQ(transforms[0]->args.at(0), 2u);  // D3DTS_VIEW
    EXPECT_TRUE(SameBits(transforms[0]->matrix, Identity()));
}

TEST_F(Flight, ViewIsTheInverseOfTheOrientationWithoutTranslation) {
    Frame({DIK_W}, DIMOUSESTATE{120, -35, 360, {}});
    MoveShip();
    UpdateView();
    D3DXMATRIX inverse;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &g_shipMatrix), nullptr);
    EXPECT_TRUE(SameBits(g_viewMatrix, inverse));
    EXPECT_EQ(g_viewMatrix._41, 0.0f);
    EXPECT_EQ(g_viewMatrix._42, 0.0f);
    EXPECT_EQ(g_viewMatrix._43, 0.0f);
    const auto transforms = device.Named("SetTransform");
    ASSERT_EQ(transforms.size(), 1u);
    EXPECT_EQ(transforms[0]->args.at(0), 2u);
    EXPECT_TRUE(SameBits(transforms[0]->matrix, g_viewMatrix));
}

// ---- reads that fail ----------------------------------------------------------------

struct ReadFailureCase {
    const char* name;
    HRESULT mouseResult, keyboardResult;
    std::vector<std::string> calls;
};

const ReadFailureCase kReadFailures[] = {
    {"BothRead", DI_OK, DI_OK, {"mouse.GetDeviceState(16)", "keyboard.GetDeviceState(256)"}},
    {"MouseLost", DIERR_INPUTLOST, DI_OK,
     {"mouse.GetDeviceState(16)", "mouse.Acquire", "keyboard.GetDeviceState(256)"}},
    {"KeyboardNotAcquired", DI_OK, DIERR_NOTACQUIRED,
     {"mouse.GetDeviceState(16)", "keyboard.GetDeviceState(256)", "keyboard.Acquire"}},
    {"BothLost", DIERR_NOTACQUIRED, DIERR_INPUTLOST,
     {"mouse.GetDeviceState(16)", "mouse.Acquire", "keyboard.GetDeviceState(256)", "keyboard.Acquire"}},
    // Only the two results that mean "acquire me again" do so.
    {"OtherFailures", DIERR_INVALIDPARAM, E_FAIL, {"mouse.GetDeviceState(16)", "keyboard.GetDeviceState(256)"}},
};

class FlightReadFailure : public Flight, public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(FlightReadFailure, ReacquiresALostDeviceAndGoesOnWithTheStateAsItStands) {
    const ReadFailureCase& c = GetParam();
    Frame({DIK_W}, Move(10, 0));  // a state to stand
    log.clear();
    mouse.readResult = c.mouseResult;
    keyboard.readResult = c.keyboardResult;
    const D3DXMATRIX before = g_shipMatrix;
    ProcessInput();
    EXPECT_EQ(log, c.calls);
    // A failed read leaves last frame's state in place, and it acts again.
    EXPECT_EQ(g_shipSpeed, 200.0f);
    EXPECT_TRUE(SameBits(g_shipMatrix, Turned(before, 0.0f, 10.0f * 0.005f, 0.0f)));
}

INSTANTIATE_TEST_SUITE_P(Table, FlightReadFailure, ::testing::ValuesIn(kReadFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
