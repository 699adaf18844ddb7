// A real device on the platform's OpenGL (llvmpipe when headless), for the
// device's tests: one hidden window for the whole process, a device per
// test, and helpers to fill buffers and read pixels back.
#pragma once

#include <d3d8.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "testing/device_testing.h"

namespace tarvona::testing {

inline LRESULT CALLBACK DeviceTestWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

inline HWND DeviceTestWindow() {
    static HWND window = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DeviceTestWindowProc;
        wc.lpszClassName = "tarvona device tests";
        RegisterClassA(&wc);
        return CreateWindowExA(0, "tarvona device tests", "device", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                               nullptr, nullptr, nullptr);
    }();
    return window;
}

struct Rgb {
    int r, g, b;
};

inline D3DPRESENT_PARAMETERS Parameters(UINT width, UINT height, D3DFORMAT format, bool windowed = false) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = format;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = windowed ? TRUE : FALSE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    return p;
}

class DeviceTest : public ::testing::Test {
protected:
    // Creates the device; tests that need another size or format call it
    // again before drawing.
    void Open(UINT width = 64, UINT height = 64, D3DFORMAT format = D3DFMT_X8R8G8B8) {
        Close();
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS p = Parameters(width, height, format);
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, DeviceTestWindow(),
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device),
                  D3D_OK);
        this->width = width;
        this->height = height;
    }
    void Close() {
        for (IUnknown* r : resources) r->Release();
        resources.clear();
        if (device) device->Release();
        if (d3d) d3d->Release();
        device = nullptr;
        d3d = nullptr;
    }
    void TearDown() override { Close(); }

    template <class Vertex>
    IDirect3DVertexBuffer8* Buffer(const std::vector<Vertex>& vertices, DWORD fvf) {
        IDirect3DVertexBuffer8* vb = nullptr;
        const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
        EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_MANAGED, &vb), D3D_OK);
        if (!vb) return nullptr;
        BYTE* data = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        if (data) std::memcpy(data, vertices.data(), bytes);
        vb->Unlock();
        resources.push_back(vb);
        return vb;
    }

    // Sets the stream and format and draws the buffer's vertices.
    template <class Vertex>
    HRESULT Draw(D3DPRIMITIVETYPE type, const std::vector<Vertex>& vertices, DWORD fvf, UINT primitives) {
        IDirect3DVertexBuffer8* vb = Buffer(vertices, fvf);
        device->SetStreamSource(0, vb, sizeof(Vertex));
        device->SetVertexShader(fvf);
        return device->DrawPrimitive(type, 0, primitives);
    }

    // A texture whose level 0 is filled with 32-bit ARGB texels, rows top down.
    IDirect3DTexture8* Texture(UINT w, UINT h, const std::vector<std::uint32_t>& argb, UINT levels = 1,
                               D3DFORMAT format = D3DFMT_A8R8G8B8) {
        IDirect3DTexture8* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, levels, 0, format, D3DPOOL_MANAGED, &t), D3D_OK);
        if (!t) return nullptr;
        FillLevel(t, 0, argb);
        resources.push_back(t);
        return t;
    }
    static void FillLevel(IDirect3DTexture8* t, UINT level, const std::vector<std::uint32_t>& argb) {
        D3DSURFACE_DESC desc;
        t->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT r;
        ASSERT_EQ(t->LockRect(level, &r, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(static_cast<std::uint8_t*>(r.pBits) + y * static_cast<UINT>(r.Pitch), &argb[y * desc.Width],
                        desc.Width * 4);
        t->UnlockRect(level);
    }

    void Read() {
        UINT w = 0, h = 0;
        ASSERT_TRUE(ReadBackBuffer(device, pixels, &w, &h));
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
    }
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2]};
    }
    // Pixels of row y (or column x) whose red exceeds a threshold.
    int LitInRow(int y, int threshold = 64) const {
        int n = 0;
        for (UINT x = 0; x < width; ++x) n += At(static_cast<int>(x), y).r > threshold;
        return n;
    }
    int LitInColumn(int x, int threshold = 64) const {
        int n = 0;
        for (UINT y = 0; y < height; ++y) n += At(x, static_cast<int>(y)).r > threshold;
        return n;
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::vector<IUnknown*> resources;
    std::vector<std::uint8_t> pixels;
    UINT width = 0, height = 0;
};

inline void ExpectNear(const Rgb& actual, const Rgb& expected, int tolerance, const char* what) {
    EXPECT_NEAR(actual.r, expected.r, tolerance) << what << " (red)";
    EXPECT_NEAR(actual.g, expected.g, tolerance) << what << " (green)";
    EXPECT_NEAR(actual.b, expected.b, tolerance) << what << " (blue)";
}

// A float colour channel as the 8-bit value a 32-bit back buffer stores.
inline int Byte(float v) { return static_cast<int>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)); }

inline D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Direct3D's left-handed perspective projection.
inline D3DMATRIX Perspective(float fovY, float aspect, float zn, float zf) {
    D3DMATRIX m{};
    const float h = 1.0f / std::tan(fovY / 2.0f);
    m._11 = h / aspect;
    m._22 = h;
    m._33 = zf / (zf - zn);
    m._34 = 1.0f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

struct ScreenVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Two clockwise triangles covering the pixels x0..x1-1, y0..y1-1 (edges on
// pixel borders, as Direct3D's integer pixel centres want).
inline std::vector<ScreenVertex> Quad(float x0, float y0, float x1, float y1, D3DCOLOR colour, float z = 0.5f) {
    const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
    return {{l, b, z, 1, colour, 0, 1}, {l, t, z, 1, colour, 0, 0}, {r, b, z, 1, colour, 1, 1},
            {r, t, z, 1, colour, 1, 0}, {r, b, z, 1, colour, 1, 1}, {l, t, z, 1, colour, 0, 0}};
}

}  // namespace tarvona::testing
