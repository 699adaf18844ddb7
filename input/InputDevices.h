// The system keyboard and mouse, opened once at start-up.
#pragma once

#include <windows.h>

#include <dinput.h>

extern IDirectInput8A* g_directInput;
extern IDirectInputDevice8A* g_keyboard;
extern IDirectInputDevice8A* g_mouse;

HRESULT InitInput(HWND window);
void ReleaseInput();
