#include "input/InputDevices.h"

// Placeholder until the input devices exist: start-up fails honestly here.
HRESULT InitInput(HWND) { return E_FAIL; }
void ReleaseInput() {}
