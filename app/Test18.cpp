// Process entry and main loop: register the class, create the window, run
// the three start-up steps, loop input-then-frame until a quit is requested,
// and release input before Direct3D on every path that made the window.
//
// The loop never fetches window messages. The window procedure runs only
// when the platform calls it from inside one of our calls (UpdateWindow,
// DestroyWindow), and paints a frame on WM_PAINT.
#include "app/Test18.h"

#include "input/Flight.h"
#include "input/InputDevices.h"
#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "scene/Scene.h"

int g_quitRequested = 0;

namespace {
const char kClassName[] = "Test 2";
const char kWindowTitle[] = "Test 1 : Creating a Device";
const char kCaption[] = "Test 2";
// Windows-1250 bytes.
const char kNeedsWindowsNt[] = "Tento program vy\x9E" "aduje Windows NT";
const char kDirect3DFailed[] = "Nepoda\xF8ilo se inicializovat Direct 3D";
const char kDirectInputFailed[] = "Nepoda\xF8ilo se inicializovat Direct Input";
}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            // The quit message is never read; without this a closed window
            // would leave a process running that nobody can end.
            g_quitRequested = 1;
            return 0;
        case WM_PAINT:
            RenderFrame();
            ValidateRect(window, nullptr);
            InvalidateRect(window, nullptr, FALSE);
            return DefWindowProcA(window, message, wParam, lParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        MessageBoxA(nullptr, kNeedsWindowsNt, kCaption, MB_ICONERROR);
        return 0;
    }

    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, 100, 100, 600, 600, nullptr,
                                  nullptr, instance, nullptr);

    if (InitDirect3D(window) >= 0 && InitScene() >= 0) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);  // draws the first frame through WM_PAINT
        if (InitInput(window) < 0) {
            MessageBoxA(nullptr, kDirectInputFailed, kCaption, MB_OK);
        } else {
            while (g_quitRequested == 0) {
                ProcessInput();
                RenderFrame();
            }
        }
    } else {
        MessageBoxA(nullptr, kDirect3DFailed, kCaption, MB_OK);
    }

    ReleaseInput();
    ReleaseDirect3D();
    return 0;
}
