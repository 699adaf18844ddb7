// The window layer on SDL2 (headless): classes, sent messages, the desktop's
// close request, message boxes, and the kernel and timer helpers.
#include <gtest/gtest.h>

#include <mmsystem.h>

#include <string>
#include <vector>

#include "testing/window_testing.h"

namespace {

std::vector<UINT> g_messages;
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_messages.push_back(msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowLayer : public ::testing::Test {
protected:
    void SetUp() override {
        tarvona::testing::ResetWindowLayer();
        g_messages.clear();
    }
    HWND MakeWindow(const char* className = "Probe") {
        WNDCLASSA cls{};
        cls.lpfnWndProc = RecordingProc;
        cls.lpszClassName = className;
        EXPECT_NE(RegisterClassA(&cls), 0);
        return CreateWindowExA(0, className, "probe", WS_OVERLAPPEDWINDOW, 100, 100, 64, 48, nullptr, nullptr,
                               nullptr, nullptr);
    }
};

TEST_F(WindowLayer, ClassNamesAreUniqueIgnoringCase) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = RecordingProc;
    cls.lpszClassName = "Test 2";
    EXPECT_NE(RegisterClassA(&cls), 0);
    EXPECT_EQ(RegisterClassA(&cls), 0);
    cls.lpszClassName = "TEST 2";
    EXPECT_EQ(RegisterClassA(&cls), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    cls.lpszClassName = "Other";
    cls.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&cls), 0);
}

TEST_F(WindowLayer, UnknownClassGivesNoWindow) {
    EXPECT_EQ(CreateWindowExA(0, "Nobody", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowLayer, DesktopCloseRequestBecomesCloseThenDestroy) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);
    g_messages.clear();
    tarvona::testing::QueueDesktopCloseRequest(window);
    tarvona::testing::PumpWindowEvents();
    const std::vector<UINT> expected = {WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(g_messages, expected);
    // The handle is dead now: calls on it fail instead of reaching the procedure.
    g_messages.clear();
    EXPECT_FALSE(UpdateWindow(window));
    EXPECT_FALSE(InvalidateRect(window, nullptr, FALSE));
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(WindowLayer, PaintIsSentOnlyForAVisibleInvalidWindow) {
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    g_messages.clear();
    UpdateWindow(window);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));  // was hidden
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    g_messages.clear();
    UpdateWindow(window);
    EXPECT_EQ(g_messages, std::vector<UINT>{WM_PAINT});
    UpdateWindow(window);  // DefWindowProc validated it
    EXPECT_EQ(g_messages, std::vector<UINT>{WM_PAINT});
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(g_messages.size(), 2u);
}

TEST_F(WindowLayer, MessageBoxConvertsWindows1250AndNeverBlocksHeadless) {
    EXPECT_EQ(MessageBoxA(nullptr, "Nepoda\xF8ilo se \x9E\xE1\x8A", "Test 2", MB_ICONERROR), IDOK);
    ASSERT_EQ(tarvona::testing::ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(tarvona::testing::ShownMessageBoxes()[0].flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(tarvona::testing::Cp1250ToUtf8("vy\x9E" "aduje \xF8\xEC\xE8\xF9\x8A\x80"),
              "vy\xC5\xBE" "aduje \xC5\x99\xC4\x9B\xC4\x8D\xC5\xAF\xC5\xA0\xE2\x82\xAC");
    EXPECT_EQ(tarvona::testing::Cp1250ToUtf8("\x81"), "\xEF\xBF\xBD");  // unassigned byte
}

struct MulDivCase {
    int number, numerator, denominator, expected;
};
class MulDivRounding : public ::testing::TestWithParam<MulDivCase> {};
TEST_P(MulDivRounding, RoundsHalfAwayFromZeroAndReportsOverflow) {
    const MulDivCase& c = GetParam();
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, MulDivRounding,
                         ::testing::Values(MulDivCase{12, 96, 72, 16}, MulDivCase{41, 48, 72, 27},
                                           MulDivCase{5, 1, 2, 3}, MulDivCase{-5, 1, 2, -3},
                                           MulDivCase{5, 1, -2, -3}, MulDivCase{7, 1, 3, 2},
                                           MulDivCase{1, 1, 0, -1}, MulDivCase{0x7fffffff, 4, 2, -1}));

TEST_F(WindowLayer, StockObjectsIconsAndModuleAreNonNull) {
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}

TEST(TimeGetTime, IsMonotonicAndFakeable) {
    tarvona::testing::SetFakeTime(0xFFFFFFF0u);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
    tarvona::testing::SetFakeTime(std::nullopt);
    const DWORD a = timeGetTime();
    const DWORD b = timeGetTime();
    EXPECT_LE(static_cast<DWORD>(b - a), 1000u);
}

}  // namespace
