// Opening and giving back the keyboard and the mouse: the order of the
// start-up calls, where a failing platform call stops it, what stays
// behind, and what the release gives back, against a fake DirectInput.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_direct_input.h"
#include "input/InputDevices.h"

namespace {

using tarvona::testing::FakeDirectInput;

// Every call of a start-up that runs to the end, in order.
const std::vector<std::string> kAllSteps = {
    "DirectInput8Create",
    "CreateDevice(GUID_SysKeyboard)",
    "keyboard.SetCooperativeLevel(6)",
    "keyboard.SetDataFormat(c_dfDIKeyboard)",
    "keyboard.Acquire",
    "CreateDevice(GUID_SysMouse)",
    "mouse.SetDataFormat(c_dfDIMouse)",
    "mouse.SetCooperativeLevel(5)",
    "mouse.Acquire",
};

enum class Step { None, Create, CreateKeyboard, AcquireKeyboard, CreateMouse, AcquireMouse };

struct FailureCase {
    const char* name;
    Step failing;
    HRESULT platformCode;
    std::size_t stepsRun;  // how many of kAllSteps run
    bool directInputExists, keyboardExists, keyboardAcquired, mouseExists;
    std::vector<std::string> releaseCalls;
};

const FailureCase kFailureCases[] = {
    {"NothingFails", Step::None, DI_OK, 9, true, true, true, true,
     {"keyboard.Unacquire", "keyboard.Release", "mouse.Unacquire", "mouse.Release", "directInput.Release"}},
    {"DirectInput8Create", Step::Create, DIERR_OLDDIRECTINPUTVERSION, 1, false, false, false, false, {}},
    {"KeyboardCreateDevice", Step::CreateKeyboard, DIERR_DEVICENOTREG, 2, true, false, false, false,
     {"directInput.Release"}},
    {"KeyboardAcquire", Step::AcquireKeyboard, DIERR_OTHERAPPHASPRIO, 5, true, true, false, false,
     {"keyboard.Unacquire", "keyboard.Release", "directInput.Release"}},
    {"MouseCreateDevice", Step::CreateMouse, DIERR_OUTOFMEMORY, 6, true, true, true, false,
     {"keyboard.Unacquire", "keyboard.Release", "directInput.Release"}},
    {"MouseAcquire", Step::AcquireMouse, DIERR_INVALIDPARAM, 9, true, true, true, true,
     {"keyboard.Unacquire", "keyboard.Release", "mouse.Unacquire", "mouse.Release", "directInput.Release"}},
};

class InputDevicesFailure : public ::testing::TestWithParam<FailureCase> {
protected:
    void SetUp() override {
        g_directInput = nullptr;
        g_keyboard = nullptr;
        g_mouse = nullptr;
    }
    FakeDirectInput fake;
};

TEST_P(InputDevicesFailure, StopsAtTheFailingStepAndReleasesWhatExists) {
    const FailureCase& c = GetParam();
    switch (c.failing) {
        case Step::None: break;
        case Step::Create: fake.createResult = c.platformCode; break;
        case Step::CreateKeyboard: fake.createKeyboardResult = c.platformCode; break;
        case Step::AcquireKeyboard: fake.keyboard.acquireResult = c.platformCode; break;
        case Step::CreateMouse: fake.createMouseResult = c.platformCode; break;
        case Step::AcquireMouse: fake.mouse.acquireResult = c.platformCode; break;
    }
    HWND window = reinterpret_cast<HWND>(&fake);  // only passed through

    const HRESULT result = InitInput(window);

    EXPECT_EQ(result, c.failing == Step::None ? S_OK : E_FAIL) << "never the platform's own code";
    EXPECT_EQ(fake.log, std::vector<std::string>(kAllSteps.begin(), kAllSteps.begin() + c.stepsRun));
    EXPECT_EQ(g_directInput != nullptr, c.directInputExists);
    EXPECT_EQ(g_keyboard != nullptr, c.keyboardExists);
    EXPECT_EQ(fake.keyboard.acquired, c.keyboardAcquired);
    EXPECT_EQ(g_mouse != nullptr, c.mouseExists);
    if (c.keyboardExists) {
        EXPECT_EQ(fake.keyboard.window, window);
    }
    if (c.mouseExists) {
        EXPECT_EQ(fake.mouse.window, window);
    }

    IDirectInput8A* const directInput = g_directInput;
    IDirectInputDevice8A* const keyboard = g_keyboard;
    IDirectInputDevice8A* const mouse = g_mouse;
    fake.log.clear();
    ReleaseInput();

    EXPECT_EQ(fake.log, c.releaseCalls);
    // Each pointer held one reference and gave it back; none was given twice.
    EXPECT_EQ(fake.refs, 0u);
    EXPECT_EQ(fake.keyboard.refs, c.keyboardExists ? 0u : 1u);
    EXPECT_EQ(fake.mouse.refs, c.mouseExists ? 0u : 1u);
    // The release leaves the pointers as they are.
    EXPECT_EQ(g_directInput, directInput);
    EXPECT_EQ(g_keyboard, keyboard);
    EXPECT_EQ(g_mouse, mouse);
}

INSTANTIATE_TEST_SUITE_P(Steps, InputDevicesFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

class InputDevices : public ::testing::Test {
protected:
    void SetUp() override {
        g_directInput = nullptr;
        g_keyboard = nullptr;
        g_mouse = nullptr;
    }
    FakeDirectInput fake;
};

TEST_F(InputDevices, CreatesDirectInputForTheProgramsOwnModuleAndVersion8) {
    ASSERT_EQ(InitInput(nullptr), S_OK);
    EXPECT_EQ(fake.instance, GetModuleHandleA(nullptr));
    EXPECT_NE(fake.instance, nullptr);
    EXPECT_EQ(fake.version, 0x0800u);
    EXPECT_TRUE(fake.askedForDirectInput8A);
    EXPECT_EQ(fake.out, reinterpret_cast<LPVOID*>(&g_directInput));
    EXPECT_EQ(fake.outer, nullptr);
    ReleaseInput();
}

// A level or format the platform refuses is not a failure of its own; only
// the Acquire after it decides, and a positive result is a success.
TEST_F(InputDevices, OnlyTheStoppingStepsDecide) {
    fake.keyboard.cooperativeLevelResult = DIERR_INVALIDPARAM;
    fake.keyboard.dataFormatResult = DIERR_ACQUIRED;
    fake.mouse.cooperativeLevelResult = E_HANDLE;
    fake.mouse.dataFormatResult = DIERR_INVALIDPARAM;
    fake.keyboard.acquireResult = DI_NOEFFECT;
    fake.createMouseResult = S_FALSE;
    EXPECT_EQ(InitInput(nullptr), S_OK);
    EXPECT_EQ(fake.log, kAllSteps);
    ReleaseInput();
}

TEST_F(InputDevices, ReleaseWithoutStartUpDoesNothing) {
    ReleaseInput();
    EXPECT_TRUE(fake.log.empty());
    EXPECT_EQ(g_directInput, nullptr);
    EXPECT_EQ(g_keyboard, nullptr);
    EXPECT_EQ(g_mouse, nullptr);
}

}  // namespace
