// One frame of the scene, drawn in four depth-partitioned passes, and the
// frames-per-second counter.
#pragma once

#include <windows.h>

extern char g_fpsText[24];
extern int g_frameCounter;
extern DWORD g_lastFpsTime;

void RenderFrame();
void DrawFpsCounter();
