// The device's speed on this machine's OpenGL (llvmpipe when headless):
// frames per second of a clear and present alone and of a frame of 200
// small lit draws at 640 by 480 in R5G6B5, with the GL calls each frame
// makes and the heap allocations each draw makes (a counting operator new).
//
//   TARVONA_HEADLESS=1 LP_NUM_THREADS=0 build/<dir>/bench/bench_device
#include <benchmark/benchmark.h>
#include <d3d8.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "testing/device_testing.h"

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

// The replacements pair malloc with free themselves; GCC cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND Window() {
    static HWND window = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "tarvona bench";
        RegisterClassA(&wc);
        return CreateWindowExA(0, "tarvona bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                               nullptr, nullptr);
    }();
    return window;
}

struct Device {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    Device() {
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = 640;
        p.BackBufferHeight = 480;
        p.BackBufferFormat = D3DFMT_R5G6B5;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D16;
        if (d3d) d3d->CreateDevice(0, D3DDEVTYPE_HAL, Window(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
    }
    ~Device() {
        if (device) device->Release();
        if (d3d) d3d->Release();
    }
};

void ReportGl(benchmark::State& state, IDirect3DDevice8* device, const tarvona::testing::DeviceGlStats& before,
              std::uint64_t frames, std::uint64_t draws, std::uint64_t allocations) {
    tarvona::testing::DeviceGlStats after{};
    tarvona::testing::ReadGlStats(device, &after);
    state.counters["gl_calls_per_frame"] = static_cast<double>(after.glCalls - before.glCalls) / frames;
    state.counters["shader_compiles"] = static_cast<double>(after.shaderCompiles - before.shaderCompiles);
    state.counters["allocations_per_frame"] = static_cast<double>(allocations) / frames;
    if (draws) state.counters["allocations_per_draw"] = static_cast<double>(allocations) / draws;
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_ClearPresent(benchmark::State& state) {
    Device d;
    if (!d.device) {
        state.SkipWithError("no device");
        return;
    }
    d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d.device->Present(nullptr, nullptr, nullptr, nullptr);
    tarvona::testing::DeviceGlStats before{};
    tarvona::testing::ReadGlStats(d.device, &before);
    const std::uint64_t allocationsBefore = g_allocations;
    std::uint64_t frames = 0;
    for (auto _ : state) {
        d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d.device->BeginScene();
        d.device->EndScene();
        d.device->Present(nullptr, nullptr, nullptr, nullptr);
        ++frames;
    }
    ReportGl(state, d.device, before, frames, 0, g_allocations - allocationsBefore);
}
BENCHMARK(BM_ClearPresent)->Unit(benchmark::kMillisecond)->MinTime(2.0);

struct LitVertex {
    float x, y, z, nx, ny, nz;
};

// 200 small lit triangles, each with its own world matrix and material, as
// meshes are drawn: a directional and a point light, ambient on.
void BM_LitDraws(benchmark::State& state) {
    Device d;
    if (!d.device) {
        state.SkipWithError("no device");
        return;
    }
    IDirect3DDevice8* dev = d.device;
    const int drawsPerFrame = static_cast<int>(state.range(0));
    std::vector<LitVertex> tri = {{0, 1, 0, 0, 0, -1}, {0.9f, -0.5f, 0, 0, 0, -1}, {-0.9f, -0.5f, 0, 0, 0, -1}};
    IDirect3DVertexBuffer8* vb = nullptr;
    dev->CreateVertexBuffer(static_cast<UINT>(tri.size() * sizeof(LitVertex)), 0, D3DFVF_XYZ | D3DFVF_NORMAL,
                            D3DPOOL_MANAGED, &vb);
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, tri.data(), tri.size() * sizeof(LitVertex));
    vb->Unlock();
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1, 1, 0.8f, 0};
    sun.Direction = {1, 0, 0};
    sun.Range = 1000;
    D3DLIGHT8 blue{};
    blue.Type = D3DLIGHT_POINT;
    blue.Diffuse = {0, 0, 1, 0};
    blue.Range = 400;
    blue.Attenuation1 = 0.02f;
    dev->SetLight(0, &sun);
    dev->LightEnable(0, TRUE);
    dev->SetLight(1, &blue);
    dev->LightEnable(1, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0x00808080);
    D3DMATRIX proj{};
    proj._11 = 1.81066f / 1.3333334f;
    proj._22 = 1.81066f;
    proj._33 = 1000.0f / 999.0f;
    proj._34 = 1.0f;
    proj._43 = -1000.0f / 999.0f;
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    D3DMATERIAL8 materials[2]{};
    materials[0].Diffuse = materials[0].Ambient = {0.8f, 0.2f, 0.2f, 1};
    materials[1].Diffuse = materials[1].Ambient = {0.2f, 0.8f, 0.2f, 1};
    auto frame = [&] {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        dev->SetStreamSource(0, vb, sizeof(LitVertex));
        dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        for (int i = 0; i < drawsPerFrame; ++i) {
            D3DMATRIX world = view;
            world._41 = static_cast<float>(i % 20) - 9.5f;
            world._42 = static_cast<float>(i / 20) - 4.5f;
            world._43 = 12.0f;
            dev->SetTransform(D3DTS_WORLD, &world);
            dev->SetMaterial(&materials[i & 1]);
            dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        }
        dev->EndScene();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
    };
    frame();
    tarvona::testing::DeviceGlStats before{};
    tarvona::testing::ReadGlStats(dev, &before);
    const std::uint64_t allocationsBefore = g_allocations;
    std::uint64_t frames = 0;
    for (auto _ : state) {
        frame();
        ++frames;
    }
    ReportGl(state, dev, before, frames, frames * static_cast<std::uint64_t>(drawsPerFrame),
             g_allocations - allocationsBefore);
    vb->Release();
}
BENCHMARK(BM_LitDraws)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    // Without a display, run headless rather than not at all.
    if (!std::getenv("DISPLAY") && !std::getenv("TARVONA_HEADLESS")) setenv("TARVONA_HEADLESS", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
