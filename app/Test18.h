// The program's entry and main window.
#pragma once

#include <windows.h>

// Set to 1 when the user asks to quit; the main loop ends when non-zero.
extern int g_quitRequested;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
