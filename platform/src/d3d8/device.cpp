#include "d3d8/device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "d3d8/capture.h"
#include "d3d8/direct3d8.h"
#include "d3d8/frame_limit.h"
#include "d3d8/index_buffer.h"
#include "d3d8/texture.h"
#include "d3d8/vertex_buffer.h"
#include "win/window_internal.h"

namespace tarvona::d3d8 {

namespace {

// Devices still alive, so that a process that ends without releasing its
// device still leaves its capture behind.
std::vector<Device*>& LiveDevices() {
    // Never destroyed: the handler at exit may still walk it.
    static auto* devices = new std::vector<Device*>();
    return *devices;
}

void CaptureAtExit() {
    for (Device* d : LiveDevices()) d->WriteCapture();
}

void OnEvent(const SDL_Event& event, void* context) {
    if (event.type != SDL_KEYDOWN || event.key.repeat) return;
    if (event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT))
        static_cast<Device*>(context)->ToggleFullScreen();
}

// Resources larger than this are refused rather than attempted.
constexpr UINT kMaxBufferBytes = 256u << 20;

}  // namespace

HRESULT Device::Create(Direct3D8* parent, HWND focus, DWORD, D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** out) {
    *out = nullptr;
    HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : focus;
    SDL_Window* sdl = win::SdlWindowOf(window);
    if (!sdl) {
        std::fprintf(stderr, "tarvona: cannot create the Direct3D device: no live window to draw into\n");
        return D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS p = *pp;
    if (p.Windowed) {
        RECT client;
        GetClientRect(window, &client);
        if (p.BackBufferWidth == 0) p.BackBufferWidth = static_cast<UINT>(client.right);
        if (p.BackBufferHeight == 0) p.BackBufferHeight = static_cast<UINT>(client.bottom);
        if (p.BackBufferFormat == D3DFMT_UNKNOWN) {
            D3DDISPLAYMODE mode;
            if (DesktopDisplayMode(&mode) < 0) return D3DERR_NOTAVAILABLE;
            p.BackBufferFormat = mode.Format;
        }
    }
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferCount > 3 ||
        p.MultiSampleType != D3DMULTISAMPLE_NONE || !GlColorBufferFormatOf(p.BackBufferFormat).internalFormat)
        return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && !GlDepthBufferFormatOf(p.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;

    auto* device = new (std::nothrow) Device(parent, window, p);
    if (!device) return E_OUTOFMEMORY;
    std::string why;
    const HRESULT hr = device->Init(&why);
    if (hr < 0) {
        std::fprintf(stderr, "tarvona: cannot create the Direct3D device: %s\n", why.c_str());
        device->Release();
        return hr;
    }
    // As Direct3D does, the caller's parameters show what was chosen.
    *pp = p;
    *out = device;
    return D3D_OK;
}

Device::Device(Direct3D8* parent, HWND window, const D3DPRESENT_PARAMETERS& p)
    : parent_(parent),
      window_(window),
      parameters_(p),
      tracker_(p.EnableAutoDepthStencil != FALSE, p.BackBufferWidth, p.BackBufferHeight) {
    parent_->AddRef();
}

HRESULT Device::Init(std::string* why) {
    if (!backend_.Init(win::SdlWindowOf(window_), why)) return D3DERR_NOTAVAILABLE;
    const D3DFORMAT depth = parameters_.EnableAutoDepthStencil ? parameters_.AutoDepthStencilFormat : D3DFMT_UNKNOWN;
    if (!backend_.CreateTargets(parameters_.BackBufferWidth, parameters_.BackBufferHeight,
                                parameters_.BackBufferFormat, depth, why))
        return D3DERR_NOTAVAILABLE;
    const UINT interval =
        parameters_.Windowed ? D3DPRESENT_INTERVAL_DEFAULT : parameters_.FullScreen_PresentationInterval;
    // DEFAULT, like ONE, waits for the vertical retrace.
    backend_.SetSwapInterval(interval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    fullScreen_ = !parameters_.Windowed;
    ApplyWindowMode();
    win::AddEventListener(OnEvent, this);
    static const bool atExit = std::atexit(CaptureAtExit) == 0;
    (void)atExit;
    LiveDevices().push_back(this);
    return D3D_OK;
}

Device::~Device() {
    if (backend_.Ready()) {
        WriteCapture();
        win::RemoveEventListener(OnEvent, this);
        // Give back what the bindings and state blocks hold while the
        // context is still there, then take down the GL objects of every
        // resource that outlives the device.
        tracker_.Reset(false, parameters_.BackBufferWidth, parameters_.BackBufferHeight);
        const std::vector<DeviceChild*> children = children_;
        for (DeviceChild* child : children) child->DetachFromDevice();
        children_.clear();
        if (fullScreen_ && !win::Headless())
            if (SDL_Window* sdl = win::SdlWindowOf(window_)) SDL_SetWindowFullscreen(sdl, 0);
    }
    auto& live = LiveDevices();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    parent_->Release();
}

void Device::RemoveChild(DeviceChild* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

HRESULT Device::ApplyWindowMode() {
    // Without a display there is no desktop to fill; the mode is only
    // remembered (and Present letterboxes into the window as it is).
    if (win::Headless()) return D3D_OK;
    SDL_Window* sdl = win::SdlWindowOf(window_);
    if (!sdl) return D3DERR_DEVICELOST;
    // Full screen on the desktop, never a mode switch: the back buffer is
    // scaled into whatever the desktop is.
    if (SDL_SetWindowFullscreen(sdl, fullScreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        std::fprintf(stderr, "tarvona: cannot switch the window %s: %s\n", fullScreen_ ? "to full screen" : "back",
                     SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

void Device::ToggleFullScreen() {
    fullScreen_ = !fullScreen_;
    ApplyWindowMode();
}

void Device::WriteCapture() {
    if (captured_ || !backend_.Ready() || !backend_.HasPresented()) return;
    const std::string path = CapturePath();
    if (path.empty()) return;
    captured_ = true;
    std::vector<std::uint8_t> rgba;
    if (backend_.ReadColor(true, rgba))
        WriteCapturePng(path, static_cast<int>(backend_.TargetWidth()), static_cast<int>(backend_.TargetHeight()),
                        rgba.data());
}

// ---- IUnknown -----------------------------------------------------------------------

HRESULT Device::QueryInterface(REFIID, void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

// ---- device ------------------------------------------------------------------------

HRESULT Device::TestCooperativeLevel() { return D3D_OK; }

HRESULT Device::GetDirect3D(IDirect3D8** ppD3D8) {
    if (!ppD3D8) return D3DERR_INVALIDCALL;
    parent_->AddRef();
    *ppD3D8 = parent_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    FillCaps(caps, static_cast<DWORD>(std::min<GLint>(backend_.MaxTextureSize(), 4096)), backend_.MaxPointSize());
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* mode) { return DesktopDisplayMode(mode); }

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS p = *pp;
    if (p.Windowed) {
        RECT client;
        GetClientRect(window_, &client);
        if (p.BackBufferWidth == 0) p.BackBufferWidth = static_cast<UINT>(client.right);
        if (p.BackBufferHeight == 0) p.BackBufferHeight = static_cast<UINT>(client.bottom);
        if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = parameters_.BackBufferFormat;
    }
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || !GlColorBufferFormatOf(p.BackBufferFormat).internalFormat)
        return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && !GlDepthBufferFormatOf(p.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    std::string why;
    const D3DFORMAT depth = p.EnableAutoDepthStencil ? p.AutoDepthStencilFormat : D3DFMT_UNKNOWN;
    if (!backend_.CreateTargets(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat, depth, &why)) {
        std::fprintf(stderr, "tarvona: cannot reset the Direct3D device: %s\n", why.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    parameters_ = p;
    *pp = p;
    tracker_.Reset(p.EnableAutoDepthStencil != FALSE, p.BackBufferWidth, p.BackBufferHeight);
    inScene_ = false;
    fullScreen_ = !p.Windowed;
    ApplyWindowMode();
    return D3D_OK;
}

HRESULT Device::Present(CONST RECT* source, CONST RECT*, HWND, CONST RGNDATA*) {
    // A window that is gone leaves nothing to show: the device is lost.
    if (win::SdlWindowOf(window_) != backend_.Window()) return D3DERR_DEVICELOST;
    const bool letterbox = fullScreen_ || !parameters_.Windowed;
    backend_.Present(source, letterbox, parameters_.SwapEffect != D3DSWAPEFFECT_COPY);
    platform::CountPresentedFrame();
    // The program reads no messages; the window stays responsive (and
    // Alt+Enter works) because every frame passes through here.
    win::PumpEvents();
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    const GlTextureFormat f = GlTextureFormatOf(format);
    const auto maxSize = static_cast<UINT>(std::min<GLint>(backend_.MaxTextureSize(), 4096));
    if (!f.internalFormat || width == 0 || height == 0 || width > maxSize || height > maxSize) return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;  // not offered
    if (pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    try {
        *out = new Texture(this, width, height, levels, usage, format, pool, f);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > kMaxBufferBytes || pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if (fvf) {
        const VertexLayout l = DecodeFvf(fvf);
        if (!l.valid || length < static_cast<UINT>(l.size)) return D3DERR_INVALIDCALL;
    }
    try {
        *out = new VertexBuffer(this, length, usage, fvf, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if (length < (format == D3DFMT_INDEX32 ? 4u : 2u) || length > kMaxBufferBytes || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    try {
        *out = new IndexBuffer(this, length, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD count, CONST D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if (flags & ~static_cast<DWORD>(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    return backend_.Clear(tracker_, count, rects, flags, color, z, stencil);
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE s, CONST D3DMATRIX* m) { return tracker_.SetTransform(s, m); }
HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE s, D3DMATRIX* m) { return tracker_.GetTransform(s, m); }
HRESULT Device::SetViewport(CONST D3DVIEWPORT8* v) { return tracker_.SetViewport(v); }
HRESULT Device::GetViewport(D3DVIEWPORT8* v) { return tracker_.GetViewport(v); }
HRESULT Device::SetMaterial(CONST D3DMATERIAL8* m) { return tracker_.SetMaterial(m); }
HRESULT Device::GetMaterial(D3DMATERIAL8* m) { return tracker_.GetMaterial(m); }
HRESULT Device::SetLight(DWORD i, CONST D3DLIGHT8* l) { return tracker_.SetLight(i, l); }
HRESULT Device::GetLight(DWORD i, D3DLIGHT8* l) { return tracker_.GetLight(i, l); }
HRESULT Device::LightEnable(DWORD i, BOOL e) { return tracker_.LightEnable(i, e); }
HRESULT Device::GetLightEnable(DWORD i, BOOL* e) { return tracker_.GetLightEnable(i, e); }
HRESULT Device::SetRenderState(D3DRENDERSTATETYPE s, DWORD v) { return tracker_.SetRenderState(s, v); }
HRESULT Device::GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) { return tracker_.GetRenderState(s, v); }
HRESULT Device::BeginStateBlock() { return tracker_.BeginStateBlock(); }
HRESULT Device::EndStateBlock(DWORD* t) { return tracker_.EndStateBlock(t); }
HRESULT Device::ApplyStateBlock(DWORD t) { return tracker_.ApplyStateBlock(t); }
HRESULT Device::CaptureStateBlock(DWORD t) { return tracker_.CaptureStateBlock(t); }
HRESULT Device::DeleteStateBlock(DWORD t) { return tracker_.DeleteStateBlock(t); }
HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** t) { return tracker_.GetTexture(stage, t); }

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    // Only this device's own textures can be drawn with.
    if (texture) {
        auto* own = dynamic_cast<Texture*>(texture);
        if (!own || !own->Owner(this)) return D3DERR_INVALIDCALL;
    }
    return tracker_.SetTexture(stage, texture);
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* v) {
    return tracker_.GetTextureStageState(stage, type, v);
}
HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD v) {
    return tracker_.SetTextureStageState(stage, type, v);
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
    return backend_.DrawPrimitive(tracker_, type, start, count);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                     UINT count) {
    return backend_.DrawIndexedPrimitive(tracker_, type, minIndex, numVertices, startIndex, count);
}

HRESULT Device::SetVertexShader(DWORD handle) { return tracker_.SetVertexShader(handle); }
HRESULT Device::GetVertexShader(DWORD* handle) { return tracker_.GetVertexShader(handle); }

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (buffer) {
        auto* own = dynamic_cast<VertexBuffer*>(buffer);
        if (!own || !own->Owner(this)) return D3DERR_INVALIDCALL;
    }
    return tracker_.SetStreamSource(stream, buffer, stride);
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* indices, UINT baseVertexIndex) {
    if (indices) {
        auto* own = dynamic_cast<IndexBuffer*>(indices);
        if (!own || !own->Owner(this)) return D3DERR_INVALIDCALL;
    }
    return tracker_.SetIndices(indices, baseVertexIndex);
}

}  // namespace tarvona::d3d8
