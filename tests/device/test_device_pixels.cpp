// What the device draws, pixel by pixel, against values worked out from
// Direct3D's documented rules: lighting, texture stages, blending, the alpha
// test, culling, depth, pre-transformed pixel centres, point sprites and the
// 16-bit back buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "device/device_fixture.h"

namespace tarvona::testing {
namespace {

constexpr float kPi = 3.14159265358979f;

struct LitVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL
    float x, y, z;
    float nx, ny, nz;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

struct ColourVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE
    float x, y, z;
    D3DCOLOR colour;
};
constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// A triangle in the plane z = depth around the view axis, radius r,
// clockwise as the camera (at the origin, looking along +z) sees it, its
// normal facing the camera. All three vertices are the same distance from
// any point on the axis, so a light there lights them alike.
std::vector<LitVertex> FacingTriangle(float depth, float r) {
    const float s = r * std::sqrt(3.0f) / 2.0f;
    return {{0, r, depth, 0, 0, -1}, {s, -r / 2, depth, 0, 0, -1}, {-s, -r / 2, depth, 0, 0, -1}};
}

class PixelTest : public DeviceTest {
protected:
    void SetUpCamera(float zn = 1.0f, float zf = 1000.0f) {
        const D3DMATRIX id = Identity();
        const D3DMATRIX proj = Perspective(kPi / 2, static_cast<float>(width) / height, zn, zf);
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
};

// ---- lighting ----------------------------------------------------------------------

struct DirectionalCase {
    float angle;       // between the light's direction and the view axis
    DWORD ambient;     // D3DRS_AMBIENT
};

class DirectionalLight : public PixelTest, public ::testing::WithParamInterface<DirectionalCase> {};

TEST_P(DirectionalLight, LightsByTheCosineAndTheGlobalAmbient) {
    Open();
    SetUpCamera();
    const DirectionalCase c = GetParam();
    D3DMATERIAL8 m{};
    m.Diffuse = {0.6f, 0.4f, 0.9f, 1.0f};
    m.Ambient = m.Diffuse;  // as the program's meshes have it
    device->SetMaterial(&m);
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 0.8f, 0.0f};
    l.Direction = {std::sin(c.angle), 0.0f, std::cos(c.angle)};
    l.Range = 1000.0f;
    device->SetLight(0, &l);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, c.ambient);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, FacingTriangle(100, 60), kLitFvf, 1), D3D_OK);
    Read();
    const float ga = static_cast<float>(c.ambient & 0xFF) / 255.0f;
    const float ndotl = std::max(std::cos(c.angle), 0.0f);
    const Rgb expected{Byte(0.6f * ga + 0.6f * 1.0f * ndotl), Byte(0.4f * ga + 0.4f * 1.0f * ndotl),
                       Byte(0.9f * ga + 0.9f * 0.8f * ndotl)};
    ExpectNear(At(32, 32), expected, 1, "centre of the lit triangle");
}

INSTANTIATE_TEST_SUITE_P(Angles, DirectionalLight,
                         ::testing::Values(DirectionalCase{0.0f, 0x00808080}, DirectionalCase{kPi / 3, 0x00808080},
                                           DirectionalCase{kPi / 4, 0x00404040},
                                           DirectionalCase{2.0f, 0x00808080}));  // from behind: ambient only

struct PointCase {
    float distance;  // from the light to each vertex
    float height;    // of the light above the triangle's plane
};

class PointLight : public PixelTest, public ::testing::WithParamInterface<PointCase> {};

TEST_P(PointLight, AttenuatesLinearlyAndStopsAtItsRange) {
    Open();
    SetUpCamera();
    const PointCase c = GetParam();
    D3DMATERIAL8 m{};
    m.Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
    m.Ambient = m.Diffuse;
    device->SetMaterial(&m);
    // The scene's blue point light: range 400, linear attenuation 0.02.
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {0.0f, 0.0f, 1.0f, 0.0f};
    l.Range = 400.0f;
    l.Attenuation1 = 0.02f;
    const float depth = 500.0f;
    l.Position = {0.0f, 0.0f, depth - c.height};
    device->SetLight(1, &l);
    device->LightEnable(1, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const float r = std::sqrt(c.distance * c.distance - c.height * c.height);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, FacingTriangle(depth, r), kLitFvf, 1), D3D_OK);
    Read();
    const float ga = 32.0f / 255.0f;
    const float atten = c.distance > 400.0f ? 0.0f : 1.0f / (0.02f * c.distance);
    const float ndotl = c.height / c.distance;
    const Rgb expected{Byte(0.8f * ga), Byte(0.8f * ga), Byte(0.8f * ga + 0.8f * ndotl * atten)};
    ExpectNear(At(32, 32), expected, 1, "centre of the triangle");
}

INSTANTIATE_TEST_SUITE_P(Distances, PointLight,
                         ::testing::Values(PointCase{100.0f, 60.0f}, PointCase{200.0f, 160.0f},
                                           PointCase{390.0f, 300.0f}, PointCase{410.0f, 300.0f}));

TEST_F(PixelTest, UnlitDrawsShowTheVertexColour) {
    Open();
    SetUpCamera();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const D3DCOLOR c = 0xFF3366CC;
    const std::vector<ColourVertex> tri = {{0, 60, 100, c}, {52, -30, 100, c}, {-52, -30, 100, c}};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, tri, kColourFvf, 1), D3D_OK);
    Read();
    ExpectNear(At(32, 32), {0x33, 0x66, 0xCC}, 0, "unlit triangle");
}

}  // namespace
}  // namespace tarvona::testing
