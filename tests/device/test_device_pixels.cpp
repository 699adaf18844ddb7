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


// ---- point sprites -------------------------------------------------------------------

struct SpriteVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE, as the scene's sprite
    float x, y, z;
    D3DCOLOR colour;
};

class PointSprite : public PixelTest, public ::testing::WithParamInterface<float> {};

TEST_P(PointSprite, ShrinksWithDistanceByThePointScaleRule) {
    Open(640, 480);
    SetUpCamera();
    const float distance = GetParam();
    IDirect3DTexture8* white = Texture(2, 2, std::vector<std::uint32_t>(4, 0xFFFFFFFF));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetTexture(0, white);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    const float one = 1.0f, zero = 0.0f, c = 0.1f;
    DWORD bits;
    std::memcpy(&bits, &one, 4);
    device->SetRenderState(D3DRS_POINTSIZE, bits);
    std::memcpy(&bits, &zero, 4);
    device->SetRenderState(D3DRS_POINTSIZE_MIN, bits);
    device->SetRenderState(D3DRS_POINTSCALE_A, bits);
    device->SetRenderState(D3DRS_POINTSCALE_B, bits);
    std::memcpy(&bits, &c, 4);
    device->SetRenderState(D3DRS_POINTSCALE_C, bits);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const std::vector<SpriteVertex> point = {{0.0f, 0.0f, distance, 0xFFFFFFFF}};
    ASSERT_EQ(Draw(D3DPT_POINTLIST, point, D3DFVF_XYZ | D3DFVF_DIFFUSE, 1), D3D_OK);
    Read();
    // Size = viewport height * size * sqrt(1 / (A + B*d + C*d*d)), clamped
    // to [POINTSIZE_MIN, POINTSIZE_MAX = 64]. Centred on the pixel centre
    // (320, 240), the square covers the pixel centres from 320 - size/2 up
    // to, but not including, 320 + size/2 (the top-left fill rule).
    const float size = std::min(480.0f * 1.0f * std::sqrt(1.0f / (c * distance * distance)), 64.0f);
    const int expected = static_cast<int>(std::ceil(320.0f + size / 2) - std::ceil(320.0f - size / 2));
    EXPECT_EQ(LitInRow(240), expected) << "size " << size;
    EXPECT_EQ(LitInColumn(320), expected) << "size " << size;
    ExpectNear(At(320, 240), {255, 255, 255}, 0, "sprite centre");
}

// 15.2 and 5.1 pixels; the nearest one reaches the default maximum of 64.
INSTANTIATE_TEST_SUITE_P(Distances, PointSprite, ::testing::Values(100.0f, 300.0f, 20.0f));

// ---- texture stages, blending, alpha test -----------------------------------------------

TEST_F(PixelTest, ModulateMultipliesTextureAndDiffuse) {
    Open();
    IDirect3DTexture8* t = Texture(1, 1, {0xFFC86432});  // (200, 100, 50)
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(8, 8, 24, 24, 0xFF80FF40), kScreenFvf, 2), D3D_OK);
    Read();
    const Rgb expected{Byte(200 / 255.0f * 128 / 255.0f), Byte(100 / 255.0f), Byte(50 / 255.0f * 64 / 255.0f)};
    ExpectNear(At(16, 16), expected, 1, "texture times diffuse");
}

struct StageCase {
    const char* name;
    DWORD colorOp, arg1, arg2;
    bool bindTexture;
    Rgb expected;
};

class StageOps : public PixelTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StageOps, CombineTheirArguments) {
    Open();
    const StageCase c = GetParam();
    if (c.bindTexture) device->SetTexture(0, Texture(1, 1, {0xFF204060}));
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 64, 64, 0xFF808080), kScreenFvf, 2), D3D_OK);
    Read();
    ExpectNear(At(32, 32), c.expected, 1, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StageOps,
    ::testing::Values(StageCase{"select texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, {0x20, 0x40, 0x60}},
                      StageCase{"select diffuse", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, {128, 128, 128}},
                      // Stage 0's CURRENT is the diffuse colour.
                      StageCase{"current", D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE, true, {128, 128, 128}},
                      // No texture on the stage reads as opaque white.
                      StageCase{"no texture", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, false, {128, 128, 128}},
                      StageCase{"no texture selected", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, false,
                                {255, 255, 255}},
                      // DISABLE on stage 0: the diffuse colour passes through.
                      StageCase{"disabled", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, {128, 128, 128}}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST_F(PixelTest, SecondStageWorksOnTheFirstStagesResult) {
    Open();
    IDirect3DTexture8* a = Texture(1, 1, {0xFF808080});
    IDirect3DTexture8* b = Texture(1, 1, {0xFF4080FF});
    device->SetTexture(0, a);
    device->SetTexture(1, b);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 64, 64, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
    Read();
    const float half = 128 / 255.0f;
    ExpectNear(At(32, 32), {Byte(half * 64 / 255.0f), Byte(half * 128 / 255.0f), Byte(half)}, 1, "two stages");
}

struct BlendCase {
    const char* name;
    DWORD src, dst;
    D3DCOLOR source;
    Rgb expected;  // over a background of (0x40, 0x20, 0x10)
};

class Blending : public PixelTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(Blending, MixesSourceAndDestination) {
    Open();
    const BlendCase c = GetParam();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, c.src);
    device->SetRenderState(D3DRS_DESTBLEND, c.dst);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF402010, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 64, 64, c.source), kScreenFvf, 2), D3D_OK);
    Read();
    ExpectNear(At(32, 32), c.expected, 1, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Factors, Blending,
    ::testing::Values(BlendCase{"additive", D3DBLEND_ONE, D3DBLEND_ONE, 0xFF305070, {0x70, 0x70, 0x80}},
                      BlendCase{"additive saturates", D3DBLEND_ONE, D3DBLEND_ONE, 0xFFF0F0F0, {255, 255, 255}},
                      BlendCase{"source alpha", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x80FFFFFF,
                                {Byte((255 * 128 + 0x40 * 127) / 255.0f / 255.0f),
                                 Byte((255 * 128 + 0x20 * 127) / 255.0f / 255.0f),
                                 Byte((255 * 128 + 0x10 * 127) / 255.0f / 255.0f)}},
                      BlendCase{"off: zero and one keep the frame", D3DBLEND_ZERO, D3DBLEND_ONE, 0xFFFFFFFF,
                                {0x40, 0x20, 0x10}}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST_F(PixelTest, AlphaTestKeepsTexelsAtOrAboveTheReference) {
    Open();
    // Three texels of alpha 7, 8 and 9, each on its own pixel.
    IDirect3DTexture8* t = Texture(4, 1, {0x07FFFFFF, 0x08FFFFFF, 0x09FFFFFF, 0x00FFFFFF});
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(10, 10, 14, 11, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
    Read();
    EXPECT_EQ(At(10, 10).r, 0) << "alpha 7 is discarded";
    EXPECT_EQ(At(11, 10).r, 255) << "alpha 8 passes";
    EXPECT_EQ(At(12, 10).r, 255) << "alpha 9 passes";
    EXPECT_EQ(At(13, 10).r, 0) << "alpha 0 is discarded";
}

// ---- culling, fill, depth --------------------------------------------------------------

struct CullCase {
    DWORD mode;
    bool clockwiseDrawn, counterClockwiseDrawn;
};

class Culling : public PixelTest, public ::testing::WithParamInterface<CullCase> {};

TEST_P(Culling, FrontFacesAreClockwiseOnScreen) {
    Open();
    const CullCase c = GetParam();
    device->SetRenderState(D3DRS_CULLMODE, c.mode);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DCOLOR w = 0xFFFFFFFF;
    // Left: clockwise on screen (y grows downwards). Right: the same
    // triangle wound the other way.
    const std::vector<ScreenVertex> tris = {{2, 2, 0.5f, 1, w, 0, 0},  {30, 2, 0.5f, 1, w, 0, 0},
                                            {2, 30, 0.5f, 1, w, 0, 0},  {34, 2, 0.5f, 1, w, 0, 0},
                                            {34, 30, 0.5f, 1, w, 0, 0}, {62, 2, 0.5f, 1, w, 0, 0}};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, tris, kScreenFvf, 2), D3D_OK);
    Read();
    EXPECT_EQ(At(8, 8).r == 255, c.clockwiseDrawn);
    EXPECT_EQ(At(40, 8).r == 255, c.counterClockwiseDrawn);
}

INSTANTIATE_TEST_SUITE_P(Modes, Culling,
                         ::testing::Values(CullCase{D3DCULL_CCW, true, false}, CullCase{D3DCULL_CW, false, true},
                                           CullCase{D3DCULL_NONE, true, true}));

TEST_F(PixelTest, WireframeLeavesTheInsideEmpty) {
    Open();
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(8, 8, 56, 56, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
    Read();
    EXPECT_EQ(At(20, 40).r, 0);
    EXPECT_GT(LitInRow(8), 40);
}

struct DepthCase {
    float viewDepth;
    float minZ, maxZ;
};

class DepthRange : public PixelTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(DepthRange, StoresZOverWFromZeroAtNearToOneAtFar) {
    Open();
    const DepthCase c = GetParam();
    const float zn = 10.0f, zf = 1000.0f;
    SetUpCamera(zn, zf);
    D3DVIEWPORT8 vp{0, 0, 64, 64, c.minZ, c.maxZ};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const float z = c.viewDepth, e = z * 2.0f;
    const std::vector<ColourVertex> quad = {{-e, -e, z, 0xFFFFFFFF}, {-e, e, z, 0xFFFFFFFF}, {e, -e, z, 0xFFFFFFFF},
                                            {e, e, z, 0xFFFFFFFF}};
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, quad, kColourFvf, 2), D3D_OK);
    std::vector<float> depth;
    ASSERT_TRUE(ReadDepthBuffer(device, depth));
    const float ndc = zf * (z - zn) / (z * (zf - zn));
    EXPECT_NEAR(depth[32 * 64 + 32], c.minZ + ndc * (c.maxZ - c.minZ), 2.0f / 65535.0f);
}

INSTANTIATE_TEST_SUITE_P(Depths, DepthRange,
                         ::testing::Values(DepthCase{10.5f, 0.0f, 1.0f}, DepthCase{20.0f, 0.0f, 1.0f},
                                           DepthCase{500.0f, 0.0f, 1.0f}, DepthCase{20.0f, 0.5f, 1.0f}));

TEST_F(PixelTest, DepthClearBetweenProjectionsPutsTheLaterPassInFront) {
    for (bool clearBetween : {false, true}) {
        Open();
        SetUpCamera(1.0f, 100.0f);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        // First pass: a red wall near the camera, filling the view.
        const std::vector<ColourVertex> wall = {{-100, -100, 10, 0xFFFF0000}, {-100, 100, 10, 0xFFFF0000},
                                                {100, -100, 10, 0xFFFF0000}, {100, 100, 10, 0xFFFF0000}};
        ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, wall, kColourFvf, 2), D3D_OK);
        if (clearBetween) device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        // Second pass, with a deeper projection: a green square far behind
        // the wall.
        const D3DMATRIX deep = Perspective(kPi / 2, 1.0f, 100.0f, 100000.0f);
        device->SetTransform(D3DTS_PROJECTION, &deep);
        const std::vector<ColourVertex> far = {{-500, -500, 5000, 0xFF00FF00}, {-500, 500, 5000, 0xFF00FF00},
                                               {500, -500, 5000, 0xFF00FF00}, {500, 500, 5000, 0xFF00FF00}};
        ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, far, kColourFvf, 2), D3D_OK);
        Read();
        if (clearBetween)
            ExpectNear(At(32, 32), {0, 255, 0}, 0, "after the depth clear the far pass draws over the wall");
        else
            ExpectNear(At(32, 32), {255, 0, 0}, 0, "without it the wall hides the far pass");
    }
}

// ---- pre-transformed vertices, filtering, 16-bit colour ---------------------------------

TEST_F(PixelTest, PretransformedQuadMapsTexelsOneToOne) {
    Open();
    std::vector<std::uint32_t> texels(16);
    for (int i = 0; i < 16; ++i)
        texels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 16) << 16 | static_cast<std::uint32_t>(255 - i * 16);
    device->SetTexture(0, Texture(4, 4, texels));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    // The font's way: a quad from x - 0.5 to x + w - 0.5.
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(20, 30, 24, 34, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
    Read();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int i = y * 4 + x;
            ExpectNear(At(20 + x, 30 + y), {i * 16, 0, 255 - i * 16}, 0, "texel on its pixel");
        }
    // Nothing outside the quad.
    ExpectNear(At(19, 30), {0, 255, 0}, 0, "left of the quad");
    ExpectNear(At(24, 33), {0, 255, 0}, 0, "right of the quad");
    ExpectNear(At(20, 29), {0, 255, 0}, 0, "above the quad");
    ExpectNear(At(23, 34), {0, 255, 0}, 0, "below the quad");
}

struct MipCase {
    const char* name;
    DWORD mipFilter;
    float bias;
    Rgb expected;
};

class MipSelection : public PixelTest, public ::testing::WithParamInterface<MipCase> {};

TEST_P(MipSelection, FollowsTheMipFilterAndTheLodBias) {
    Open();
    const MipCase c = GetParam();
    // A 16x16 texture whose levels are red, green, blue, white, grey.
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    resources.push_back(t);
    ASSERT_EQ(t->GetLevelCount(), 5u);
    const std::uint32_t colours[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF808080};
    for (UINT level = 0; level < 5; ++level) {
        const UINT n = 16u >> level;
        FillLevel(t, level, std::vector<std::uint32_t>(n * n, colours[level]));
    }
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, c.mipFilter);
    DWORD bias;
    std::memcpy(&bias, &c.bias, 4);
    device->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, bias);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // 16 texels onto 4 pixels: level 2 by the texel-to-pixel ratio.
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(10, 10, 14, 14, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
    Read();
    ExpectNear(At(11, 11), c.expected, 0, c.name);
}

INSTANTIATE_TEST_SUITE_P(Levels, MipSelection,
                         ::testing::Values(MipCase{"no_mip_filter", D3DTEXF_NONE, 0.0f, {255, 0, 0}},
                                           MipCase{"point", D3DTEXF_POINT, 0.0f, {0, 0, 255}},
                                           MipCase{"bias_down", D3DTEXF_POINT, -1.0f, {0, 255, 0}},
                                           MipCase{"bias_far_down", D3DTEXF_POINT, -2.5f, {255, 0, 0}},
                                           MipCase{"bias_up", D3DTEXF_POINT, 1.0f, {255, 255, 255}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PixelTest, LinearMagnificationBlendsNeighbouringTexels) {
    Open();
    device->SetTexture(0, Texture(2, 1, {0xFF000000, 0xFFFFFFFF}));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 32, 4, 0xFFFFFFFF), kScreenFvf, 2), D3D_OK);
        Read();
        const int left = At(14, 1).r, right = At(17, 1).r;
        if (filter == D3DTEXF_POINT) {
            EXPECT_EQ(left, 0);
            EXPECT_EQ(right, 255);
        } else {
            // Between the two texel centres (u = 0.25 and 0.75) the colour ramps.
            EXPECT_GT(left, 60);
            EXPECT_LT(right, 195);
            EXPECT_LT(left, right);
        }
    }
}

TEST_F(PixelTest, R5G6B5BackBufferKeepsFiveSixFiveBits) {
    Open(256, 4, D3DFMT_R5G6B5);
    // One column per 8-bit value, cleared to exactly that grey.
    for (LONG x = 0; x < 256; ++x) {
        const D3DRECT r{x, 0, x + 1, 4};
        const auto v = static_cast<D3DCOLOR>(x);
        device->Clear(1, &r, D3DCLEAR_TARGET, 0xFF000000 | v << 16 | v << 8 | v, 1.0f, 0);
    }
    std::vector<std::uint16_t> texels;
    ASSERT_TRUE(ReadBackBuffer565(device, texels));
    std::set<int> reds, greens;
    for (int x = 0; x < 256; ++x) {
        const int r5 = texels[x] >> 11, g6 = (texels[x] >> 5) & 63, b5 = texels[x] & 31;
        // Each stored value is the nearest or next-nearest level below.
        EXPECT_NEAR(r5, x * 31 / 255.0, 1.0) << "x " << x;
        EXPECT_NEAR(g6, x * 63 / 255.0, 1.0) << "x " << x;
        EXPECT_EQ(b5, r5) << "x " << x;
        reds.insert(r5);
        greens.insert(g6);
    }
    EXPECT_EQ(reds.size(), 32u);
    EXPECT_EQ(greens.size(), 64u);
    // Read as 8 bits the gradient has only as many steps as were stored.
    Read();
    std::set<int> shown;
    for (int x = 0; x < 256; ++x) shown.insert(At(x, 2).r);
    EXPECT_EQ(shown.size(), 32u);
}

}  // namespace
}  // namespace tarvona::testing
