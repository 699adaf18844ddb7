// The system keyboard and mouse, opened once at start-up.
#pragma once

#include <windows.h>

HRESULT InitInput(HWND window);
void ReleaseInput();
