// Opens the keyboard (shared, foreground) and the mouse (exclusive,
// foreground) through DirectInput and acquires both once; gives them back at
// exit. The keyboard takes its cooperative level before its data format,
// the mouse the other way round.
#include "input/InputDevices.h"

IDirectInput8A* g_directInput = nullptr;
IDirectInputDevice8A* g_keyboard = nullptr;
IDirectInputDevice8A* g_mouse = nullptr;

HRESULT InitInput(HWND window) {
    if (DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                           reinterpret_cast<void**>(&g_directInput), nullptr) < 0)
        return E_FAIL;

    if (g_directInput->CreateDevice(GUID_SysKeyboard, &g_keyboard, nullptr) < 0) return E_FAIL;
    // A failing level or format shows as a failing Acquire.
    g_keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    g_keyboard->SetDataFormat(&c_dfDIKeyboard);
    if (g_keyboard->Acquire() < 0) return E_FAIL;

    if (g_directInput->CreateDevice(GUID_SysMouse, &g_mouse, nullptr) < 0) return E_FAIL;
    g_mouse->SetDataFormat(&c_dfDIMouse);
    g_mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND);
    if (g_mouse->Acquire() < 0) return E_FAIL;
    return S_OK;
}

// Runs once, at exit; the pointers are left as they are.
void ReleaseInput() {
    if (g_keyboard) {
        g_keyboard->Unacquire();
        g_keyboard->Release();
    }
    if (g_mouse) {
        g_mouse->Unacquire();
        g_mouse->Release();
    }
    if (g_directInput) g_directInput->Release();
}
