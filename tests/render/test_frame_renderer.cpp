// One frame as the device receives it: the four projection passes, which
// body is drawn in which pass and lit or not, the sprite after every body,
// and the counter text refreshed at most once a second.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "input/Flight.h"
#include "testing/window_testing.h"
#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "scene/Scene.h"
#include "scene/recording_mesh.h"
#include "support/recording_device.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::MatrixText;
using tarvona::testing::RecordedModel;
using tarvona::testing::RecordingDevice;

std::string Ptr(const void* p) { return std::to_string(reinterpret_cast<std::uintptr_t>(p)); }
std::string Num(DWORD v) { return std::to_string(v); }

std::string Projection(float nearPlane, float farPlane) {
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, 0.7853982f, 1.3333334f, nearPlane, farPlane);
    return "SetTransform(3, " + MatrixText(m) + ")";
}
std::string World(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return "SetTransform(256, " + MatrixText(m) + ")";
}

// The scene as InitScene leaves it, with recorded models in place of the
// loaded ones, and the sprite prepared on the same device.
class FrameTest : public ::testing::Test {
protected:
    RecordingDevice device;
    RecordedModel stardock{&device, "stardock"}, borg{&device, "borg"}, earth{&device, "earth"},
        sun{&device, "sun"}, moon{&device, "moon"};
    RecordingDevice textureOwner;
    IDirect3DTexture8* spriteTexture = nullptr;
    PointSprite sprite{nullptr};

    void SetUp() override {
        g_device = &device;
        g_font = nullptr;

        struct Placement {
            CelestialBody* body;
            RecordedModel* model;
            double x, y, z;
            float radius, cullDistance, boundingRadius;
        };
        const Placement placements[] = {
            {&g_stardock, &stardock, 0, 0, 0, 500, 100000, 500},
            {&g_borg, &borg, 1000, 500, 100, 750, 1000000, 500},
            {&g_earth, &earth, 700000, 0, 0, 0, 999999995904.0f, 0},
            {&g_sun, &sun, -14960000000.0, 0, 0, 0, 999999995904.0f, 0},
            {&g_moon, &moon, 0, -38440000, 0, 0, 999999995904.0f, 0},
        };
        for (const Placement& p : placements) {
            *p.body = CelestialBody();
            p.body->mesh = &p.model->object;
            p.body->SetPosition(p.x, p.y, p.z);
            p.body->SetRadius(p.radius);
            p.body->SetCullDistance(p.cullDistance);
            p.body->boundingRadius = p.boundingRadius;
        }

        textureOwner.CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &spriteTexture);
        sprite = PointSprite(spriteTexture);
        sprite.SetColor(D3DXCOLOR(0xFFFFFFFF));
        sprite.SetPointSize(1.0f, 0.0f);
        sprite.SetPointScale(0.0f, 0.0f, 0.1f);
        sprite.Prepare(&device);
        g_sprite = &sprite;

        D3DXMatrixIdentity(&g_shipMatrix);
        g_shipRight = D3DXVECTOR3(1, 0, 0);
        g_shipUp = D3DXVECTOR3(0, 1, 0);
        g_shipForward = D3DXVECTOR3(0, 0, 1);
        g_shipSpeed = 0.0f;
        SetCamera(-160.0f, 100.0f, 100.0f);

        std::strcpy(g_fpsText, "");
        g_frameCounter = 0;
        g_lastFpsTime = 0;
        tarvona::testing::SetFakeTime(5000);
        device.Clear();
    }
    void TearDown() override {
        g_device = nullptr;
        g_font = nullptr;
        g_sprite = nullptr;
        tarvona::testing::SetFakeTime(std::nullopt);
    }
    static void SetCamera(float x, float y, float z) {
        g_cameraPosition[0] = x;
        g_cameraPosition[1] = y;
        g_cameraPosition[2] = z;
    }

    std::vector<std::string> BodyDraw(const char* name, float x, float y, float z, bool lit) const {
        return {World(x, y, z), std::string("SetRenderState(137, ") + (lit ? "1" : "0") + ")", "SetMaterial()",
                "SetTexture(0, 0)", std::string("DrawSubset(") + name + ", 0)"};
    }
    std::vector<std::string> SpriteDraw() const {
        return {"SetRenderState(14, 0)",
                "SetRenderState(137, 0)",
                "SetRenderState(27, 1)",
                "SetRenderState(19, 2)",
                "SetRenderState(20, 2)",
                "SetTexture(0, " + Ptr(spriteTexture) + ")",
                "SetTextureStageState(0, 17, 2)",
                "SetTextureStageState(0, 16, 2)",
                "SetTextureStageState(0, 1, 4)",
                "SetTextureStageState(0, 4, 4)",
                "SetRenderState(156, 1)",
                "SetRenderState(157, 1)",
                "SetRenderState(154, 1065353216)",
                "SetRenderState(155, 0)",
                "SetRenderState(158, 0)",
                "SetRenderState(159, 0)",
                "SetRenderState(160, 1036831949)",
                "SetStreamSource(0, " + Ptr(device.vertexBuffers.at(0)) + ", 16)",
                "SetVertexShader(66)",
                "DrawPrimitive(1, 0, 1)",
                "SetRenderState(14, 1)",
                "SetRenderState(27, 0)"};
    }
};

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

TEST_F(FrameTest, CompleteCallSequenceAtTheStartPosition) {
    RenderFrame();

    // The view is the inverse of the identity orientation: compare it by value,
    // then by position in the sequence below.
    const auto views = device.Named("SetTransform");
    ASSERT_FALSE(views.empty());
    ASSERT_EQ(views[0]->args[0], static_cast<std::uint64_t>(D3DTS_VIEW)) << "UpdateView runs before any pass";
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(views[0]->matrix.m[r][c], r == c ? 1.0f : 0.0f);

    // The borg's own pass reaches just past it: its distance, rounded to
    // float, plus its bounding radius of 500, in float.
    volatile float borgDistance = std::sqrt(1160.0f * 1160.0f + 400.0f * 400.0f);
    volatile float borgFar = borgDistance + 500.0f;
    volatile float stardockDistance = std::sqrt(160.0f * 160.0f + 100.0f * 100.0f + 100.0f * 100.0f);
    volatile float stardockFar = stardockDistance + 500.0f;

    std::vector<std::string> expected = {
        "Clear(0, 0, 3, 4278190080, 1065353216, 0)",
        "BeginScene()",
        "SetRenderState(26, 1)",
        views[0]->text,
        "SetTextureStageState(0, 16, 2)",
        "SetTextureStageState(0, 17, 2)",
        "SetTextureStageState(0, 18, 2)",
        "SetTextureStageState(0, 19, " + Num(0xC0200000u) + ")",
        // Far pass: depth off; the sun, the moon and the earth in that order.
        "SetRenderState(7, 0)",
        Projection(0.01f, 10000000.0f),
    };
    Append(expected, BodyDraw("sun", static_cast<float>(-14960000000.0 + 160.0), -100, -100, false));
    Append(expected, BodyDraw("moon", 160, -38440100.0f, -100, true));
    Append(expected, BodyDraw("earth", 700160, -100, -100, true));
    // The stardock pass draws nothing: the camera is inside the station.
    Append(expected, {"SetRenderState(7, 1)", Projection(100.0f, stardockFar)});
    Append(expected, {Projection(100.0f, borgFar)});
    Append(expected, BodyDraw("borg", 1160, 400, 0, false));
    Append(expected, {"Clear(0, 0, 2, 4278190080, 1065353216, 0)", "SetRenderState(7, 1)", Projection(1.0f, 1000.0f)});
    Append(expected, BodyDraw("stardock", 160, -100, -100, true));
    Append(expected, {"SetRenderState(28, 0)", World(160, 60, -100)});
    Append(expected, SpriteDraw());
    Append(expected, {"SetTextureStageState(0, 16, 0)", "SetTextureStageState(0, 17, 0)",
                      "SetTextureStageState(0, 18, 0)", "SetTextureStageState(0, 19, 0)", "EndScene()",
                      "Present(0, 0, 0, 0)"});

    const std::vector<std::string> actual = device.Texts();
    ASSERT_EQ(actual.size(), expected.size()) << ::testing::PrintToString(actual);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "call " << i;
}

TEST_F(FrameTest, EveryFrameSetsTheLightingOfTheSunAndTheBorgOff) {
    sun.object.SetUnlit(0);
    borg.object.SetUnlit(0);
    moon.object.SetUnlit(0);
    RenderFrame();
    EXPECT_NE(sun.object.unlit, 0);
    EXPECT_NE(borg.object.unlit, 0);
    EXPECT_EQ(moon.object.unlit, 0);
    EXPECT_EQ(earth.object.unlit, 0);
    EXPECT_EQ(stardock.object.unlit, 0);
}

// Which pass draws which body, lit or not, from a given camera position. The
// pass is counted by projections: 0 far, 1 stardock, 2 borg, 3 near.
struct Drawn {
    std::string name;
    int pass;
    bool lit;
    bool operator==(const Drawn&) const = default;
};
void PrintTo(const Drawn& d, std::ostream* os) { *os << d.name << "@" << d.pass << (d.lit ? " lit" : " unlit"); }

struct CameraCase {
    const char* name;
    float x, y, z;
    std::vector<Drawn> drawn;
};

void PrintTo(const CameraCase& c, std::ostream* os) { *os << c.name; }

class FromCamera : public FrameTest, public ::testing::WithParamInterface<CameraCase> {};

TEST_P(FromCamera, DrawsEachBodyInItsPassAndTheSpriteLastUnderTheNearProjection) {
    const CameraCase& c = GetParam();
    SetCamera(c.x, c.y, c.z);
    RenderFrame();

    std::vector<Drawn> drawn;
    int projections = 0;
    bool lighting = true;
    size_t lastBody = 0, spriteDraw = 0;
    int spritePass = -1;
    for (size_t i = 0; i < device.calls.size(); ++i) {
        const auto& call = device.calls[i];
        if (call.name == "SetTransform" && call.args[0] == D3DTS_PROJECTION) ++projections;
        if (call.name == "SetRenderState" && call.args[0] == D3DRS_LIGHTING) lighting = call.args[1] != 0;
        if (call.name == "DrawSubset") {
            const std::string name = call.text.substr(11);  // after "DrawSubset("
            drawn.push_back({name.substr(0, name.find(',')), projections - 1, lighting});
            lastBody = i;
        }
        if (call.name == "DrawPrimitive" && call.args[0] == D3DPT_POINTLIST) {
            spriteDraw = i;
            spritePass = projections - 1;
        }
    }
    EXPECT_EQ(drawn, c.drawn);
    EXPECT_GT(spriteDraw, lastBody) << "the sprite follows every body";
    EXPECT_EQ(spritePass, 3);
    EXPECT_EQ(projections, 4);
}

const Drawn kFar[] = {{"sun", 0, false}, {"moon", 0, true}, {"earth", 0, true}};
std::vector<Drawn> FarThen(std::vector<Drawn> more) {
    std::vector<Drawn> all(std::begin(kFar), std::end(kFar));
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, FromCamera,
    ::testing::Values(
        CameraCase{"Start", -160, 100, 100, FarThen({{"borg", 2, false}, {"stardock", 3, true}})},
        // 201600 from the station (radius 500), 453600 from the borg (radius 750).
        CameraCase{"InsideBoth", 400, 200, 40, FarThen({{"stardock", 3, true}, {"borg", 3, false}})},
        CameraCase{"InsideTheBorgOnly", 1000, 500, 700, FarThen({{"stardock", 1, true}, {"borg", 3, false}})},
        CameraCase{"OutsideBoth", -2000, 0, 0, FarThen({{"stardock", 1, true}, {"borg", 2, false}})},
        // 200000 from the station, beyond its cull distance of 100000.
        CameraCase{"BeyondTheStationsCullDistance", 200000, 0, 0, FarThen({{"borg", 2, false}})},
        CameraCase{"BeyondBothCullDistances", 0, 0, 2000000, FarThen({})}),
    [](const ::testing::TestParamInfo<CameraCase>& info) { return info.param.name; });

TEST_F(FrameTest, InsideBothRadiiTheirOwnPassesStillReachJustPastThem) {
    SetCamera(400, 200, 40);
    RenderFrame();
    volatile float stardockDistance = std::sqrt(400.0f * 400.0f + 200.0f * 200.0f + 40.0f * 40.0f);
    volatile float borgDistance = std::sqrt(600.0f * 600.0f + 300.0f * 300.0f + 60.0f * 60.0f);
    const std::vector<std::string> projections = [&] {
        std::vector<std::string> out;
        for (const auto& call : device.calls)
            if (call.name == "SetTransform" && call.args[0] == D3DTS_PROJECTION) out.push_back(call.text);
        return out;
    }();
    EXPECT_EQ(projections, (std::vector<std::string>{Projection(0.01f, 10000000.0f),
                                                     Projection(100.0f, stardockDistance + 500.0f),
                                                     Projection(100.0f, borgDistance + 500.0f),
                                                     Projection(1.0f, 1000.0f)}));
}

TEST_F(FrameTest, WithoutADeviceNothingIsDrawnMovedOrCounted) {
    g_device = nullptr;
    g_shipSpeed = 250.0f;
    RenderFrame();
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(g_cameraPosition[0], -160.0f);
    EXPECT_EQ(g_cameraPosition[1], 100.0f);
    EXPECT_EQ(g_cameraPosition[2], 100.0f);
    EXPECT_EQ(g_frameCounter, 0);
    EXPECT_EQ(g_stardock.distance, 0.0f) << "no body was updated";
}

TEST_F(FrameTest, TheCameraMovesBeforeTheBodiesAreMeasured) {
    g_shipSpeed = 100.0f;
    RenderFrame();
    EXPECT_EQ(g_cameraPosition[2], 200.0f);
    EXPECT_EQ(g_stardock.offset.z, -200.0f);
}

// ---- the counter -----------------------------------------------------------

class FpsCounter : public FrameTest {
protected:
    void At(DWORD milliseconds) { tarvona::testing::SetFakeTime(milliseconds); }
};

TEST_F(FpsCounter, FirstCallFormatsTheCountOfOneAtOnce) {
    At(5000);
    DrawFpsCounter();
    EXPECT_STREQ(g_fpsText, "FPS: 1");
    EXPECT_EQ(g_frameCounter, 0);
    EXPECT_EQ(g_lastFpsTime, 5000u);
}

TEST_F(FpsCounter, SixtyCallsWithinASecondAndOneAfterCountSixtyOne) {
    At(10000);
    DrawFpsCounter();  // the refresh the second is measured from
    ASSERT_STREQ(g_fpsText, "FPS: 1");
    for (DWORD i = 0; i < 60; ++i) {
        At(10000 + i * 16);
        DrawFpsCounter();
        ASSERT_STREQ(g_fpsText, "FPS: 1") << "call " << i;
    }
    At(11000);
    DrawFpsCounter();
    EXPECT_STREQ(g_fpsText, "FPS: 61");
    EXPECT_EQ(g_frameCounter, 0);
    EXPECT_EQ(g_lastFpsTime, 11000u);
}

struct BoundaryCase {
    const char* name;
    DWORD last, now;
    bool refreshes;
};
void PrintTo(const BoundaryCase& c, std::ostream* os) { *os << c.name; }
class FpsBoundary : public FpsCounter, public ::testing::WithParamInterface<BoundaryCase> {};

TEST_P(FpsBoundary, RefreshesOnceAtLeastAThousandMillisecondsHavePassed) {
    const BoundaryCase& c = GetParam();
    std::strcpy(g_fpsText, "FPS: 7");
    g_frameCounter = 41;
    g_lastFpsTime = c.last;
    At(c.now);
    DrawFpsCounter();
    if (c.refreshes) {
        EXPECT_STREQ(g_fpsText, "FPS: 42");
        EXPECT_EQ(g_frameCounter, 0);
        EXPECT_EQ(g_lastFpsTime, c.now);
    } else {
        EXPECT_STREQ(g_fpsText, "FPS: 7");
        EXPECT_EQ(g_frameCounter, 42);
        EXPECT_EQ(g_lastFpsTime, c.last);
    }
}

INSTANTIATE_TEST_SUITE_P(Times, FpsBoundary,
                         ::testing::Values(BoundaryCase{"After999", 20000, 20999, false},
                                           BoundaryCase{"After1000", 20000, 21000, true},
                                           BoundaryCase{"After999AcrossTheWrap", 0xFFFFFE00u, 0x1E7u, false},
                                           BoundaryCase{"After1000AcrossTheWrap", 0xFFFFFE00u, 0x1E8u, true},
                                           // A clock behind the last refresh is a huge unsigned span.
                                           BoundaryCase{"ClockBehind", 20000, 19999, true}),
                         [](const ::testing::TestParamInfo<BoundaryCase>& info) { return info.param.name; });

TEST_F(FpsCounter, WithoutAFontTheCounterStillRuns) {
    g_font = nullptr;
    At(5000);
    DrawFpsCounter();
    DrawFpsCounter();
    EXPECT_STREQ(g_fpsText, "FPS: 1");
    EXPECT_EQ(g_frameCounter, 1);
    EXPECT_TRUE(device.calls.empty());
}

// A font bound to the recording device as CreateDrawResources leaves it:
// the frame's text is drawn through it between the filter reset and EndScene.
class FrameWithFont : public FrameTest {
protected:
    TextureFont font{"Arial", 12, 0};
    void SetUp() override {
        FrameTest::SetUp();
        IDirect3DVertexBuffer8* quads = nullptr;
        device.CreateVertexBuffer(300 * sizeof(FontVertex2D), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                  D3DPOOL_DEFAULT, &quads);
        IDirect3DTexture8* atlas = nullptr;
        device.CreateTexture(128, 128, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &atlas);
        font.device = &device;
        font.atlas = atlas;
        font.quadBuffer = quads;
        font.atlasWidth = font.atlasHeight = 128;
        font.atlasScale = 1.0f;
        for (auto& rect : font.glyphRects) {
            rect[0] = rect[1] = 0.0f;
            rect[2] = rect[3] = 0.0625f;  // 8 by 8 pixels
        }
        font.savedStates = 101;
        font.textStates = 102;
        g_font = &font;
        device.Clear();
    }
};

TEST_F(FrameWithFont, DrawsTheEarlierFramesTextInYellowAtTheTopLeft) {
    RenderFrame();  // draws the empty text, then formats "FPS: 1"
    ASSERT_STREQ(g_fpsText, "FPS: 1");
    device.Clear();
    RenderFrame();

    const auto texts = device.Texts();
    const auto begin = std::find(texts.begin(), texts.end(), "CaptureStateBlock(101)");
    const auto end = std::find(texts.begin(), texts.end(), "ApplyStateBlock(101)");
    ASSERT_NE(begin, texts.end());
    ASSERT_NE(end, texts.end());
    EXPECT_EQ(*(begin - 1), "SetTextureStageState(0, 19, 0)") << "after the filters are reset";
    EXPECT_EQ(*(end + 1), "EndScene()");
    EXPECT_EQ(std::count(begin, end, "DrawPrimitive(4, 0, 12)"), 1) << "six characters, two triangles each";

    FontVertex2D first;
    std::memcpy(&first, device.vertexBuffers.back()->bytes.data(), sizeof first);
    EXPECT_EQ(first.colour, 0xFFFFFF00u);
    EXPECT_EQ(first.position.x, 1.5f);  // x = 2, less the half-pixel
    EXPECT_EQ(first.position.y, 7.5f);  // y = 0, bottom-left corner of an 8-pixel glyph
}

}  // namespace
