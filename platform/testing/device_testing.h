// Test-only view of the Direct3D device: what it drew (the back buffer and
// the frame last presented), how much GL work it did, the full-screen
// toggle, the frame limit, and a seam to replace Direct3DCreate8. Never
// included by the program.
#pragma once

#include <d3d8.h>

#include <cstdint>
#include <vector>

namespace tarvona::testing {

// Makes Direct3DCreate8 call `factory` instead; null restores the real one.
using Direct3DFactory = IDirect3D8* (*)(UINT sdkVersion);
void SetDirect3DCreateOverride(Direct3DFactory factory);

struct DeviceGlStats {
    std::uint64_t glCalls = 0;
    std::uint64_t drawCalls = 0;
    std::uint64_t bufferUploads = 0;
    std::uint64_t textureUploads = 0;
    std::uint64_t programBinds = 0;
    std::uint64_t shaderCompiles = 0;
    std::uint64_t presents = 0;
    std::uint64_t shaderVariants = 0;
};

// All of these return false for a device that is not this platform's.
bool ReadGlStats(IDirect3DDevice8* device, DeviceGlStats* stats);
// RGBA, 8 bits a channel, rows top to bottom, at the back buffer's size.
bool ReadBackBuffer(IDirect3DDevice8* device, std::vector<std::uint8_t>& rgba, UINT* width, UINT* height);
// The frame last presented.
bool ReadPresentedFrame(IDirect3DDevice8* device, std::vector<std::uint8_t>& rgba, UINT* width, UINT* height);
// The raw texels of an R5G6B5 back buffer.
bool ReadBackBuffer565(IDirect3DDevice8* device, std::vector<std::uint16_t>& texels);
// Depth values 0..1, rows top to bottom.
bool ReadDepthBuffer(IDirect3DDevice8* device, std::vector<float>& depth);

bool IsFullScreen(IDirect3DDevice8* device);
// What Alt+Enter does.
bool ToggleFullScreen(IDirect3DDevice8* device);
// Queues a press of Enter on the window, with Alt held or not, as the
// desktop would deliver it; the next Present sees it.
bool PushEnterKey(HWND window, bool withAlt);

// TARVONA_FRAMES: whether the presented frames reached the limit, and a
// reset that reads the variable again.
bool FrameLimitReached();
void ResetFrameLimit();

}  // namespace tarvona::testing
