// The multimedia timer: milliseconds since an arbitrary start, wrapping at
// 32 bits. Implemented on SDL's monotonic counter.
#pragma once

#include "windows.h"

DWORD WINAPI timeGetTime();
