// The frames-per-second counter, drawn by both programs' frames.
#include <mmsystem.h>

#include <cstdio>

#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "text/d3dfont.h"

char g_fpsText[24] = "";
int g_frameCounter = 0;
DWORD g_lastFpsTime = 0;

namespace {
constexpr D3DCOLOR kYellow = 0xFFFFFF00;
}  // namespace

// Draws the text formatted in an earlier frame, then refreshes it once at
// least 1000 ms have passed. The number is the frames counted over that span,
// not scaled to its true length. The unsigned difference stays right when the
// millisecond counter wraps.
void DrawFpsCounter() {
    // Without a font the program runs without its counter.
    if (g_font) g_font->DrawScreenText(2.0f, 0.0f, kYellow, g_fpsText, 0);
    ++g_frameCounter;
    if (timeGetTime() - g_lastFpsTime < 1000) return;
    std::snprintf(g_fpsText, sizeof g_fpsText, "FPS: %d", g_frameCounter);
    g_frameCounter = 0;
    g_lastFpsTime = timeGetTime();
}
