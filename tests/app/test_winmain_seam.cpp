// WinMain's start-up order, failure paths, messages and release order, with
// the other rooms' steps replaced by recording fakes (this file defines
// them; the test links only the app room and the platform).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Test18.h"
#include "input/Flight.h"
#include "input/InputDevices.h"
#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "scene/Scene.h"
#include "testing/window_testing.h"

namespace {
struct Steps {
    std::vector<std::string> calls;
    HRESULT direct3d = S_OK;
    HRESULT scene = S_OK;
    HRESULT input = S_OK;
    int quitAfterInputs = 1;  // ProcessInput sets the quit flag on this call
    bool closeWindowInsteadOfEscape = false;
    HWND window = nullptr;
    HWND inputWindow = nullptr;
};
Steps g_steps;
}  // namespace

IDirect3D8* g_direct3d = nullptr;
IDirect3DDevice8* g_device = nullptr;
TextureFont* g_font = nullptr;

HRESULT InitDirect3D(HWND window) {
    g_steps.calls.push_back("InitDirect3D");
    g_steps.window = window;
    return g_steps.direct3d;
}
HRESULT InitScene() {
    g_steps.calls.push_back("InitScene");
    return g_steps.scene;
}
HRESULT InitInput(HWND window) {
    g_steps.calls.push_back("InitInput");
    g_steps.inputWindow = window;
    return g_steps.input;
}
void ProcessInput() {
    g_steps.calls.push_back("ProcessInput");
    int inputs = 0;
    for (const auto& c : g_steps.calls) inputs += c == "ProcessInput";
    if (inputs < g_steps.quitAfterInputs) return;
    if (g_steps.closeWindowInsteadOfEscape)
        tarvona::testing::SimulateCloseRequest(g_steps.window);
    else
        g_quitRequested = 1;
}
void RenderFrame() { g_steps.calls.push_back("RenderFrame"); }
void ReleaseInput() { g_steps.calls.push_back("ReleaseInput"); }
void ReleaseDirect3D() { g_steps.calls.push_back("ReleaseDirect3D"); }
void MoveShip() {}
void UpdateView() {}
DWORD FloatBits(float) { return 0; }
void DrawFpsCounter() {}

namespace {

using Calls = std::vector<std::string>;
const std::string kNt = "Tento program vy\x9E" "aduje Windows NT";
const std::string kD3d = "Nepoda\xF8ilo se inicializovat Direct 3D";
const std::string kDi = "Nepoda\xF8ilo se inicializovat Direct Input";

class WinMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        tarvona::testing::ResetWindowLayer();
        g_steps = Steps{};
        g_quitRequested = 0;
    }
    int Run() { return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT); }
    static const std::vector<tarvona::testing::ShownMessageBox>& Boxes() {
        return tarvona::testing::ShownMessageBoxes();
    }
};

struct FailureRow {
    const char* name;
    HRESULT direct3d, scene, input;
    Calls expected;
    std::string message;  // empty: no box
};

class WinMainFailureTable : public WinMainTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(WinMainFailureTable, RunsTheStepsInOrderAndShowsTheRightMessage) {
    const FailureRow& row = GetParam();
    g_steps.direct3d = row.direct3d;
    g_steps.scene = row.scene;
    g_steps.input = row.input;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(g_steps.calls, row.expected);
    if (row.message.empty()) {
        EXPECT_TRUE(Boxes().empty());
    } else {
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].text, row.message);
        EXPECT_EQ(Boxes()[0].caption, "Test 2");
        EXPECT_EQ(Boxes()[0].flags, static_cast<UINT>(MB_OK));  // no icon
        EXPECT_FALSE(Boxes()[0].hadOwner);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, WinMainFailureTable,
    ::testing::Values(
        FailureRow{"Success", S_OK, S_OK, S_OK,
                   {"InitDirect3D", "InitScene", "RenderFrame", "InitInput", "ProcessInput", "RenderFrame",
                    "ReleaseInput", "ReleaseDirect3D"},
                   ""},
        FailureRow{"Direct3DFails", E_FAIL, S_OK, S_OK, {"InitDirect3D", "ReleaseInput", "ReleaseDirect3D"}, kD3d},
        // Any negative value counts, not only E_FAIL.
        FailureRow{"Direct3DFailsWithOtherCode", static_cast<HRESULT>(0x88760868u), S_OK, S_OK,
                   {"InitDirect3D", "ReleaseInput", "ReleaseDirect3D"}, kD3d},
        FailureRow{"SceneFails", S_OK, E_FAIL, S_OK,
                   {"InitDirect3D", "InitScene", "ReleaseInput", "ReleaseDirect3D"}, kD3d},
        // One frame (from UpdateWindow's WM_PAINT) before the input box.
        FailureRow{"InputFails", S_OK, S_OK, E_FAIL,
                   {"InitDirect3D", "InitScene", "RenderFrame", "InitInput", "ReleaseInput", "ReleaseDirect3D"},
                   kDi},
        // A positive result is success.
        FailureRow{"PositiveResultsSucceed", S_FALSE, S_FALSE, S_FALSE,
                   {"InitDirect3D", "InitScene", "RenderFrame", "InitInput", "ProcessInput", "RenderFrame",
                    "ReleaseInput", "ReleaseDirect3D"},
                   ""}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return std::string(info.param.name); });

TEST_F(WinMainTest, ClassThatCannotBeRegisteredShowsOnlyTheNtMessage) {
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.lpszClassName = "Test 2";
    ASSERT_NE(RegisterClassA(&taken), 0);  // a second registration of the name fails

    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(g_steps.calls.empty());  // no start-up step, no release step
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, kNt);
    EXPECT_EQ(Boxes()[0].caption, "Test 2");
    EXPECT_EQ(Boxes()[0].flags, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(WinMainTest, EscapeStillDrawsTheFrameOfThatIteration) {
    g_steps.quitAfterInputs = 3;
    EXPECT_EQ(Run(), 0);
    const Calls expected = {"InitDirect3D", "InitScene",    "RenderFrame", "InitInput",      "ProcessInput",
                            "RenderFrame",  "ProcessInput", "RenderFrame", "ProcessInput",   "RenderFrame",
                            "ReleaseInput", "ReleaseDirect3D"};
    EXPECT_EQ(g_steps.calls, expected);
}

TEST_F(WinMainTest, ClosingTheWindowEndsTheLoopLikeEscape) {
    g_steps.quitAfterInputs = 2;
    g_steps.closeWindowInsteadOfEscape = true;
    EXPECT_EQ(Run(), 0);
    const Calls expected = {"InitDirect3D", "InitScene",    "RenderFrame",  "InitInput",      "ProcessInput",
                            "RenderFrame",  "ProcessInput", "RenderFrame",  "ReleaseInput", "ReleaseDirect3D"};
    EXPECT_EQ(g_steps.calls, expected);
    EXPECT_EQ(tarvona::testing::PostedQuitMessages(), 1);  // posted, and never read
}

TEST_F(WinMainTest, TheSameWindowReachesDeviceAndInput) {
    EXPECT_EQ(Run(), 0);
    EXPECT_NE(g_steps.window, nullptr);
    EXPECT_EQ(g_steps.window, g_steps.inputWindow);
}

TEST_F(WinMainTest, PaintDrawsAFrameAndLeavesTheWindowValidated) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = MainWindowProc;
    cls.lpszClassName = "PaintProbe";
    ASSERT_NE(RegisterClassA(&cls), 0);
    HWND window = CreateWindowExA(0, "PaintProbe", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);  // not shown yet: nothing to paint
    EXPECT_TRUE(g_steps.calls.empty());
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    EXPECT_EQ(g_steps.calls, Calls{"RenderFrame"});
    UpdateWindow(window);  // DefWindowProc validated it: no second paint
    EXPECT_EQ(g_steps.calls, Calls{"RenderFrame"});
}

}  // namespace
