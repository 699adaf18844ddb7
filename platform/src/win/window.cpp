// The window layer on SDL2: window classes, windows with their window
// procedures, synchronous WM_PAINT from UpdateWindow, the close request as
// WM_CLOSE, message boxes, and the small kernel and multimedia helpers.
//
// Windows delivers sent messages by calling the window procedure directly
// from inside the API call; this layer does the same, and keeps no message
// queue: PostQuitMessage only counts, since nothing in the program reads a
// queue.
#include <SDL.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mmsystem.h"
#include "testing/window_testing.h"
#include "win/window_internal.h"
#include "windows.h"

struct HWND__ {
    SDL_Window* sdl = nullptr;
    WNDPROC proc = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    bool visible = false;
    bool invalid = false;  // has an update region
    bool destroyed = false;
    bool focused = false;
};

namespace {

struct WindowClass {
    std::string name;
    WNDCLASSA fields;
};

struct Listener {
    tarvona::win::EventListener fn;
    void* context;
};

struct WindowLayer {
    std::vector<WindowClass> classes;
    // Windows are kept until process exit even after DestroyWindow, so a
    // stale HWND held by the device never dangles.
    std::vector<std::unique_ptr<HWND__>> windows;
    std::vector<Listener> listeners;
    std::vector<tarvona::testing::ShownMessageBox> shownBoxes;
    int postedQuits = 0;
    bool fakeTimeSet = false;
    DWORD fakeTime = 0;
    bool videoTried = false;
    bool videoReady = false;
};

WindowLayer& Layer() {
    static WindowLayer layer;
    return layer;
}

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

bool IsLive(HWND hwnd) {
    if (!hwnd) return false;
    for (const auto& w : Layer().windows)
        if (w.get() == hwnd) return !w->destroyed;
    return false;
}

WindowClass* FindClass(const char* name) {
    for (auto& c : Layer().classes)
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;  // class names ignore case
    return nullptr;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hwnd || !hwnd->proc) return 0;
    return hwnd->proc(hwnd, msg, wParam, lParam);
}

HWND WindowOfSdlId(Uint32 id) {
    for (const auto& w : Layer().windows)
        if (w->sdl && SDL_GetWindowID(w->sdl) == id && !w->destroyed) return w.get();
    return nullptr;
}

// Windows-1250 bytes 0x80..0xFF as Unicode code points (0: unassigned).
constexpr unsigned short kCp1250High[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Handle values for the stock objects; only their identity matters.
int g_stockTokens[6];
int g_iconToken;
int g_cursorToken;
int g_moduleToken;

}  // namespace

namespace tarvona::win {

bool Headless() { return EnvIs("TARVONA_HEADLESS", "1"); }

bool EnsureVideo() {
    WindowLayer& layer = Layer();
    if (layer.videoTried) return layer.videoReady;
    layer.videoTried = true;
    // Let SIGINT/SIGTERM end the process as usual instead of turning into an
    // SDL quit event that nothing may read.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (Headless()) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    } else if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER")) {
        std::fprintf(stderr,
                     "tarvona: no display (DISPLAY is not set); set TARVONA_HEADLESS=1 to run without one\n");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "tarvona: cannot start the video system: %s\n", SDL_GetError());
        return false;
    }
    layer.videoReady = true;
    return true;
}

SDL_Window* SdlWindowOf(HWND hwnd) { return IsLive(hwnd) ? hwnd->sdl : nullptr; }

bool HasFocus(HWND hwnd) {
    if (!IsLive(hwnd)) return false;
    return Headless() || hwnd->focused;
}

void PumpEvents() {
    if (!Layer().videoReady) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // By index, not by iterator: a listener may add or remove listeners.
        // No copy either: the pump runs every frame and must not allocate.
        for (size_t i = 0; i < Layer().listeners.size(); ++i) {
            const Listener l = Layer().listeners[i];
            l.fn(event, l.context);
        }
        if (event.type == SDL_QUIT) {
            // SDL turns the last window's close into SDL_QUIT as well; the
            // window event below carries the close itself.
            continue;
        }
        if (event.type != SDL_WINDOWEVENT) continue;
        HWND hwnd = WindowOfSdlId(event.window.windowID);
        if (!hwnd) continue;
        switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                Send(hwnd, WM_CLOSE, 0, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                hwnd->focused = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                hwnd->focused = false;
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                hwnd->invalid = true;  // nothing dispatches the paint; as on Windows, it waits
                break;
            default:
                break;
        }
    }
}

void AddEventListener(EventListener listener, void* context) { Layer().listeners.push_back({listener, context}); }

void RemoveEventListener(EventListener listener, void* context) {
    auto& ls = Layer().listeners;
    for (auto it = ls.begin(); it != ls.end(); ++it) {
        if (it->fn == listener && it->context == context) {
            ls.erase(it);
            return;
        }
    }
}

}  // namespace tarvona::win

namespace tarvona::testing {

const std::vector<ShownMessageBox>& ShownMessageBoxes() { return Layer().shownBoxes; }
void ClearShownMessageBoxes() { Layer().shownBoxes.clear(); }
int PostedQuitMessages() { return Layer().postedQuits; }

void ResetWindowLayer() {
    WindowLayer& layer = Layer();
    layer.classes.clear();
    for (auto& w : layer.windows) {
        if (w->sdl) SDL_DestroyWindow(w->sdl);
        w->sdl = nullptr;
        w->destroyed = true;
    }
    layer.shownBoxes.clear();
    layer.postedQuits = 0;
}

void SetFakeTime(std::optional<DWORD> milliseconds) {
    Layer().fakeTimeSet = milliseconds.has_value();
    Layer().fakeTime = milliseconds.value_or(0);
}

void SimulateCloseRequest(HWND hwnd) {
    if (IsLive(hwnd)) Send(hwnd, WM_CLOSE, 0, 0);
}

void QueueDesktopCloseRequest(HWND hwnd) {
    if (!IsLive(hwnd) || !hwnd->sdl) return;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(hwnd->sdl);
    SDL_PushEvent(&event);
}

void PumpWindowEvents() { tarvona::win::PumpEvents(); }

std::string Cp1250ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const unsigned cp = kCp1250High[c - 0x80];
            AppendUtf8(out, cp ? cp : 0xFFFD);
        }
    }
    return out;
}

}  // namespace tarvona::testing

// ---- Windows API ---------------------------------------------------------------

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc) return 0;
    if (FindClass(lpWndClass->lpszClassName)) return 0;  // ERROR_CLASS_ALREADY_EXISTS
    Layer().classes.push_back({lpWndClass->lpszClassName, *lpWndClass});
    return static_cast<ATOM>(0xC000 + Layer().classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                            int nHeight, HWND, HMENU, HINSTANCE, LPVOID) {
    if (!lpClassName) return nullptr;
    WindowClass* cls = FindClass(lpClassName);
    if (!cls) {
        std::fprintf(stderr, "tarvona: window class \"%s\" is not registered\n", lpClassName);
        return nullptr;
    }
    if (!tarvona::win::EnsureVideo()) return nullptr;
    auto window = std::make_unique<HWND__>();
    window->proc = cls->fields.lpfnWndProc;
    window->title = lpWindowName ? lpWindowName : "";
    window->width = nWidth > 0 ? nWidth : 640;
    window->height = nHeight > 0 ? nHeight : 480;
    const int x = X == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : X;
    const int y = Y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : Y;
    const std::string utf8Title = tarvona::testing::Cp1250ToUtf8(window->title);
    window->sdl = SDL_CreateWindow(utf8Title.c_str(), x, y, window->width, window->height,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!window->sdl) {
        std::fprintf(stderr, "tarvona: cannot create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    HWND hwnd = window.get();
    Layer().windows.push_back(std::move(window));
    Send(hwnd, WM_CREATE, 0, 0);
    if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    if (!IsLive(hWnd)) return FALSE;
    const BOOL wasVisible = hWnd->visible ? TRUE : FALSE;
    const bool show = nCmdShow != SW_HIDE;
    if (show && !hWnd->visible) {
        SDL_ShowWindow(hWnd->sdl);
        hWnd->visible = true;
        hWnd->invalid = true;  // a newly shown window needs painting
        Send(hWnd, WM_SHOWWINDOW, TRUE, 0);
    } else if (!show && hWnd->visible) {
        SDL_HideWindow(hWnd->sdl);
        hWnd->visible = false;
        Send(hWnd, WM_SHOWWINDOW, FALSE, 0);
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    if (!IsLive(hWnd)) return FALSE;
    if (hWnd->visible && hWnd->invalid) Send(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    if (!IsLive(hWnd)) return FALSE;
    Send(hWnd, WM_DESTROY, 0, 0);
    Send(hWnd, WM_NCDESTROY, 0, 0);
    hWnd->destroyed = true;
    // The SDL window itself stays until exit (hidden): a device may still
    // hold a GL context on it.
    if (hWnd->sdl) SDL_HideWindow(hWnd->sdl);
    hWnd->visible = false;
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    switch (Msg) {
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_PAINT:
            ValidateRect(hWnd, nullptr);  // as BeginPaint/EndPaint would
            return 0;
        case WM_NCCREATE:
            return TRUE;
        default:
            return 0;
    }
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT*) {
    if (!IsLive(hWnd)) return FALSE;
    hWnd->invalid = false;  // the whole client area; partial regions are not tracked
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    if (!IsLive(hWnd)) return FALSE;
    hWnd->invalid = true;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!IsLive(hWnd) || !lpRect) return FALSE;
    int w = hWnd->width, h = hWnd->height;
    if (hWnd->sdl) SDL_GetWindowSize(hWnd->sdl, &w, &h);
    *lpRect = RECT{0, 0, w, h};
    return TRUE;
}

void WINAPI PostQuitMessage(int) { ++Layer().postedQuits; }

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const std::string text = lpText ? lpText : "";
    const std::string caption = lpCaption ? lpCaption : "Error";  // Windows' default caption
    Layer().shownBoxes.push_back({text, caption, uType, hWnd != nullptr});
    const std::string utf8Text = tarvona::testing::Cp1250ToUtf8(text);
    const std::string utf8Caption = tarvona::testing::Cp1250ToUtf8(caption);

    const bool displayed = !tarvona::win::Headless() && std::getenv("DISPLAY") != nullptr;
    if (displayed) {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) SDL_InitSubSystem(SDL_INIT_VIDEO);
        Uint32 icon = 0;
        switch (uType & 0xF0) {
            case MB_ICONERROR: icon = SDL_MESSAGEBOX_ERROR; break;
            case MB_ICONWARNING: icon = SDL_MESSAGEBOX_WARNING; break;
            case MB_ICONINFORMATION: icon = SDL_MESSAGEBOX_INFORMATION; break;
            default: break;
        }
        // Unowned, as the program passes no owner: a full-screen window
        // must not sit on top of it.
        if (SDL_ShowSimpleMessageBox(icon, utf8Caption.c_str(), utf8Text.c_str(), nullptr) == 0) return IDOK;
    }
    // No display, or the box could not be shown: say it where a user running
    // from a terminal or a script will see it, and never block.
    std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
    return IDOK;
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    // Only the system's stock icons exist; the program has no resources.
    if (hInstance || lpIconName != IDI_APPLICATION) return nullptr;
    return reinterpret_cast<HICON>(&g_iconToken);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    if (hInstance || lpCursorName != IDC_ARROW) return nullptr;
    return reinterpret_cast<HCURSOR>(&g_cursorToken);
}

HGDIOBJ WINAPI GetStockObject(int i) {
    if (i < 0 || i > NULL_BRUSH) return nullptr;
    return &g_stockTokens[i];
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName) return nullptr;  // no other modules are loaded
    return reinterpret_cast<HMODULE>(&g_moduleToken);
}

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    const long long product = static_cast<long long>(nNumber) * nNumerator;
    long long quotient = product / nDenominator;
    const long long remainder = product % nDenominator;
    // Rounds half away from zero, as Windows does.
    const long long absRemainder = remainder < 0 ? -remainder : remainder;
    const long long absDenominator = nDenominator < 0 ? -static_cast<long long>(nDenominator) : nDenominator;
    if (2 * absRemainder >= absDenominator) quotient += ((product < 0) != (nDenominator < 0)) ? -1 : 1;
    if (quotient > 0x7fffffffLL || quotient < -0x7fffffffLL - 1) return -1;
    return static_cast<int>(quotient);
}

DWORD WINAPI timeGetTime() {
    if (Layer().fakeTimeSet) return Layer().fakeTime;
    // TARVONA_FIXED_CLOCK=MS freezes the clock, so whole-program runs that
    // are compared with reference images show the same counter text.
    static const char* fixed = std::getenv("TARVONA_FIXED_CLOCK");
    if (fixed && *fixed) return static_cast<DWORD>(std::strtoul(fixed, nullptr, 10));
    // Truncation to 32 bits gives the wrap every 49.7 days.
    return static_cast<DWORD>(SDL_GetTicks64());
}
