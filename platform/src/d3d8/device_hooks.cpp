// The test hooks of platform/testing/device_testing.h.
#include "d3d8/device.h"
#include "d3d8/frame_limit.h"
#include "testing/device_testing.h"
#include "win/window_internal.h"

namespace tarvona::testing {

namespace {
d3d8::Device* Own(IDirect3DDevice8* device) { return device ? dynamic_cast<d3d8::Device*>(device) : nullptr; }
}  // namespace

bool ReadGlStats(IDirect3DDevice8* device, DeviceGlStats* out) {
    d3d8::Device* d = Own(device);
    if (!d || !out) return false;
    const d3d8::GlStats& s = d->Backend().stats;
    out->glCalls = s.glCalls;
    out->drawCalls = s.drawCalls;
    out->bufferUploads = s.bufferUploads;
    out->textureUploads = s.textureUploads;
    out->programBinds = s.programBinds;
    out->shaderCompiles = s.shaderCompiles;
    out->presents = s.presents;
    out->shaderVariants = d->Backend().ShaderVariants();
    return true;
}

bool ReadBackBuffer(IDirect3DDevice8* device, std::vector<std::uint8_t>& rgba, UINT* width, UINT* height) {
    d3d8::Device* d = Own(device);
    if (!d || !d->Backend().ReadColor(false, rgba)) return false;
    if (width) *width = d->Backend().TargetWidth();
    if (height) *height = d->Backend().TargetHeight();
    return true;
}

bool ReadPresentedFrame(IDirect3DDevice8* device, std::vector<std::uint8_t>& rgba, UINT* width, UINT* height) {
    d3d8::Device* d = Own(device);
    if (!d || !d->Backend().HasPresented() || !d->Backend().ReadColor(true, rgba)) return false;
    if (width) *width = d->Backend().TargetWidth();
    if (height) *height = d->Backend().TargetHeight();
    return true;
}

bool ReadBackBuffer565(IDirect3DDevice8* device, std::vector<std::uint16_t>& texels) {
    d3d8::Device* d = Own(device);
    return d && d->Backend().ReadColor565(false, texels);
}

bool ReadDepthBuffer(IDirect3DDevice8* device, std::vector<float>& depth) {
    d3d8::Device* d = Own(device);
    return d && d->Backend().ReadDepth(depth);
}

bool IsFullScreen(IDirect3DDevice8* device) {
    d3d8::Device* d = Own(device);
    return d && d->FullScreen();
}

bool ToggleFullScreen(IDirect3DDevice8* device) {
    d3d8::Device* d = Own(device);
    if (!d) return false;
    d->ToggleFullScreen();
    return true;
}

bool PushEnterKey(HWND window, bool withAlt) {
    SDL_Window* sdl = win::SdlWindowOf(window);
    if (!sdl) return false;
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = SDL_GetWindowID(sdl);
    key.key.state = SDL_PRESSED;
    key.key.keysym.scancode = SDL_SCANCODE_RETURN;
    key.key.keysym.sym = SDLK_RETURN;
    key.key.keysym.mod = withAlt ? KMOD_LALT : KMOD_NONE;
    return SDL_PushEvent(&key) == 1;
}

bool FrameLimitReached() { return platform::FrameLimitReached(); }
void ResetFrameLimit() { platform::ResetFrameLimit(); }

}  // namespace tarvona::testing
