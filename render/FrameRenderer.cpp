#include "render/FrameRenderer.h"

#include "render/Direct3D.h"

char g_fpsText[24] = "";
int g_frameCounter = 0;
DWORD g_lastFpsTime = 0;

// Placeholder until the frame renderer exists.
void RenderFrame() {
    if (!g_device) return;
}

void DrawFpsCounter() {}
