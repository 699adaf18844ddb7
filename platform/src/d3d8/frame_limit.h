// TARVONA_FRAMES=N: after N presented frames the run should end as though
// the user had pressed Escape. The device counts the frames; the input
// layer asks FrameLimitReached and then reports Escape down, so the
// program's own shut-down path runs.
#pragma once

namespace tarvona::platform {

void CountPresentedFrame();
bool FrameLimitReached();
// Test hook: forget the count and read the variable again.
void ResetFrameLimit();

}  // namespace tarvona::platform
