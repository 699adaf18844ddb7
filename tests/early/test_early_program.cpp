// tarvona_early's own steps: the three-model scene and its single light, the
// model object with its world matrix held by value, the view that carries
// the camera's translation, the two-pass frame, and the two controls that
// differ from tarvona's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Test18.h"
#include "early/MeshObject.h"
#include "early/Scene.h"
#include "input/Flight.h"
#include "input/InputDevices.h"
#include "input/fake_direct_input.h"
#include "models/x_test_support.h"
#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "scene/Scene.h"
#include "scene/recording_mesh.h"
#include "support/data_files.h"
#include "support/recording_device.h"
#include "testing/window_testing.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::FakeInputDevice;
using tarvona::testing::MatrixText;
using tarvona::testing::RecordingDevice;
using tarvona::testing::RecordingMesh;
using tarvona::testing::models::ScratchDir;

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}
D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}
bool SameBits(const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
// The row vector (p, 1) times m; m has no projection here.
D3DXVECTOR3 Transform(const D3DXVECTOR3& p, const D3DMATRIX& m) {
    return D3DXVECTOR3(p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                       p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43);
}

struct ModelFile {
    const char* name;
    int faces;
    int textureWidth;
    early::MeshObject** slot;
};
// In the order InitScene reads them.
const ModelFile kModels[] = {
    {"ship.x", 1, 4, &early::g_shipMesh},
    {"stardock.x", 2, 8, &early::g_stardockMesh},
    {"earth.x", 3, 16, &early::g_earthMesh},
};

// A working directory with the three models (and tarvona's other files
// absent), the recording device as g_device, and no input.
class EarlyScene : public ::testing::Test {
protected:
    ScratchDir directory;
    RecordingDevice device;
    std::vector<std::string> log;
    FakeInputDevice keyboard{"keyboard", 256, &log};
    FakeInputDevice mouse{"mouse", sizeof(DIMOUSESTATE), &log};

    void SetUp() override {
        for (const ModelFile& m : kModels) {
            const std::string texture = std::string("tex_") + m.name + ".bmp";
            tarvona::testing::WriteTriangleModel(m.name, m.faces, texture);
            tarvona::testing::WriteSolidBmp(texture, m.textureWidth, 1);
            *m.slot = nullptr;
        }
        g_device = &device;
        g_font = nullptr;
        g_keyboard = &keyboard;
        g_mouse = &mouse;
        std::memset(&g_shipMatrix, 0, sizeof g_shipMatrix);
        g_shipRight = g_shipUp = g_shipForward = D3DXVECTOR3(0, 0, 0);
        g_shipSpeed = 0.0f;
        g_cameraPosition[0] = -160.0f;
        g_cameraPosition[1] = 100.0f;
        g_cameraPosition[2] = 100.0f;
        g_quitRequested = 0;
        tarvona::testing::SetFakeTime(5000);
    }
    void TearDown() override {
        for (const ModelFile& m : kModels) *m.slot = nullptr;  // left to the process, as the program does
        g_device = nullptr;
        g_keyboard = nullptr;
        g_mouse = nullptr;
        tarvona::testing::SetFakeTime(std::nullopt);
    }

    std::vector<std::string> Steps() const {
        std::vector<std::string> out;
        for (const auto& c : device.calls) {
            if (c.name == "CreateTexture") out.push_back("texture " + std::to_string(c.args[0]));
            if (c.name == "SetTransform") out.push_back("SetTransform(" + std::to_string(c.args[0]) + ")");
            if (c.name == "SetLight" || c.name == "LightEnable" || c.name == "SetRenderState")
                out.push_back(c.text);
        }
        return out;
    }
};

TEST_F(EarlyScene, LoadsTheThreeModelsInOrderThenSetsTheCameraAndOneLight) {
    ASSERT_EQ(InitScene(), S_OK);
    const std::vector<std::string> expected = {
        "texture 4",         "texture 8",
        "texture 16",        "SetTransform(2)",
        "SetTransform(3)",   "SetLight(0)",
        "LightEnable(0, 1)", "SetRenderState(137, 1)",
        "SetRenderState(139, 4210752)",  // 0x00404040
    };
    EXPECT_EQ(Steps(), expected);

    for (const ModelFile& m : kModels) {
        ASSERT_NE(*m.slot, nullptr) << m.name;
        EXPECT_EQ((*m.slot)->geometry->GetNumFaces(), static_cast<DWORD>(m.faces)) << m.name;
        EXPECT_EQ((*m.slot)->device, &device) << m.name;
    }
    EXPECT_TRUE(SameBits(early::g_shipMesh->worldMatrix, Identity()));
    EXPECT_TRUE(SameBits(early::g_stardockMesh->worldMatrix, Identity())) << "the station stands at the origin";
    EXPECT_TRUE(SameBits(early::g_earthMesh->worldMatrix, Translation(700000.0f, 0.0f, 0.0f)))
        << MatrixText(early::g_earthMesh->worldMatrix);
    EXPECT_TRUE(SameBits(g_shipMatrix, Identity()));
    EXPECT_EQ(g_shipRight, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(g_shipUp, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(g_shipForward, D3DXVECTOR3(0, 0, 1));
}

TEST_F(EarlyScene, TheOneLightIsWhiteAlongXAndTheRestOfItZero) {
    SetupLights();
    const auto lights = device.Named("SetLight");
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0]->args[0], 0u);
    D3DLIGHT8 expected;
    std::memset(&expected, 0, sizeof expected);
    expected.Type = D3DLIGHT_DIRECTIONAL;
    expected.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    expected.Direction = {1.0f, 0.0f, 0.0f};
    expected.Range = 1000.0f;
    EXPECT_EQ(std::memcmp(&lights[0]->light, &expected, sizeof expected), 0);
    EXPECT_EQ(device.Texts("LightEnable"), std::vector<std::string>{"LightEnable(0, 1)"});
    EXPECT_EQ(device.Texts("SetRenderState"),
              (std::vector<std::string>{"SetRenderState(137, 1)", "SetRenderState(139, 4210752)"}));
}

// The first file that cannot be loaded ends the set-up: the ones after it
// are not tried, and nothing of the camera or the light is set.
class EarlySceneMissing : public EarlyScene, public ::testing::WithParamInterface<int> {};

TEST_P(EarlySceneMissing, FailsAtTheFirstMissingModel) {
    const int missing = GetParam();
    std::remove(kModels[missing].name);
    EXPECT_EQ(InitScene(), E_FAIL);

    std::vector<std::string> textures;
    for (int i = 0; i < missing; ++i) textures.push_back("texture " + std::to_string(kModels[i].textureWidth));
    EXPECT_EQ(Steps(), textures);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(*kModels[i].slot != nullptr, i < missing) << kModels[i].name;
}

INSTANTIATE_TEST_SUITE_P(EachModel, EarlySceneMissing, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 0 ? "Ship" : info.param == 1 ? "Stardock" : "Earth");
                         });

TEST_F(EarlyScene, OneFrameWithoutInputLeavesTheViewAtTheCamerasStartPosition) {
    ASSERT_EQ(InitScene(), S_OK);
    ProcessInput();
    RenderFrame();
    D3DXMATRIX expected = Identity();
    expected._41 = 160.0f;
    expected._42 = -100.0f;
    expected._43 = -100.0f;
    EXPECT_TRUE(SameBits(g_viewMatrix, expected)) << MatrixText(g_viewMatrix);
    bool viewSet = false;
    for (const auto* c : device.Named("SetTransform"))
        if (c->args[0] == D3DTS_VIEW && SameBits(c->matrix, expected)) viewSet = true;
    EXPECT_TRUE(viewSet);
}

// ---- the model object ------------------------------------------------------------

struct OneSubsetModel {
    explicit OneSubsetModel(RecordingDevice* device, const char* name)
        : geometry(device, name), object(&geometry, &material, &texture, 1) {
        object.SetDevice(device);
    }
    RecordingMesh geometry;
    D3DMATERIAL8 material{};
    IDirect3DTexture8* texture = nullptr;
    early::MeshObject object;
};

TEST(EarlyMeshObject, HoldsACopyOfItsWorldMatrixAndLeavesLightingAlone) {
    RecordingDevice device;
    OneSubsetModel model(&device, "m");
    EXPECT_TRUE(SameBits(model.object.worldMatrix, Identity())) << "the identity until set";
    early::MeshObject empty;
    EXPECT_TRUE(SameBits(empty.worldMatrix, Identity()));
    EXPECT_EQ(empty.geometry, nullptr);
    EXPECT_EQ(empty.subsetCount, 0u);
    EXPECT_EQ(empty.device, nullptr);

    {
        D3DXMATRIX callers = Translation(1.0f, 2.0f, 3.0f);
        model.object.SetWorldMatrix(&callers);
        callers = Translation(9.0f, 9.0f, 9.0f);  // the caller's matrix changes afterwards
    }
    model.object.Render();
    const std::vector<std::string> expected = {
        "SetTransform(256, " + MatrixText(Translation(1.0f, 2.0f, 3.0f)) + ")",
        "SetMaterial()",
        "SetTexture(0, 0)",
        "DrawSubset(m, 0)",
    };
    EXPECT_EQ(device.Texts(), expected);
}

TEST(EarlyMeshObject, LoadsAsTarvonasLoaderDoesAndFailsWithoutTouchingTheResult) {
    ScratchDir directory;
    RecordingDevice device;
    tarvona::testing::WriteTriangleModel("m.x", 2, "t.bmp");
    tarvona::testing::WriteSolidBmp("t.bmp", 8, 1);
    early::MeshObject* object = nullptr;
    ASSERT_EQ(early::LoadMeshObject("m.x", &device, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->subsetCount, 1u);
    EXPECT_EQ(object->device, &device);
    ASSERT_NE(object->textures[0], nullptr);
    EXPECT_EQ(object->materials[0].Ambient.r, object->materials[0].Diffuse.r) << "ambient follows diffuse";
    EXPECT_TRUE(SameBits(object->worldMatrix, Identity()));
    object->ReleaseResources();
    EXPECT_EQ(object->device, nullptr);
    delete object;

    early::MeshObject* untouched = reinterpret_cast<early::MeshObject*>(0x1);
    EXPECT_EQ(early::LoadMeshObject("absent.x", &device, &untouched), E_FAIL);
    EXPECT_EQ(untouched, reinterpret_cast<early::MeshObject*>(0x1));
}

// ---- the view -----------------------------------------------------------------------

// The camera itself reaches the view's origin, and a step along the ship's
// forward axis reaches the view's +z, whatever the orientation: the
// translation comes before the inverse orientation.
TEST_F(EarlyScene, TheViewPutsTheCameraAtTheOriginLookingAlongTheShipsForwardAxis) {
    D3DXMATRIX yaw, pitch;
    const D3DXVECTOR3 up(0, 1, 0), right(1, 0, 0);
    D3DXMatrixRotationAxis(&yaw, &up, 0.7f);
    D3DXMatrixRotationAxis(&pitch, &right, -0.4f);
    D3DXMatrixMultiply(&g_shipMatrix, &yaw, &pitch);
    g_cameraPosition[0] = 1234.0f;
    g_cameraPosition[1] = -50.0f;
    g_cameraPosition[2] = 800.0f;
    UpdateView();

    const D3DXVECTOR3 camera(g_cameraPosition[0], g_cameraPosition[1], g_cameraPosition[2]);
    const D3DXVECTOR3 ahead(camera.x + 10.0f * g_shipMatrix._31, camera.y + 10.0f * g_shipMatrix._32,
                            camera.z + 10.0f * g_shipMatrix._33);
    const D3DXVECTOR3 atCamera = Transform(camera, g_viewMatrix);
    const D3DXVECTOR3 atAhead = Transform(ahead, g_viewMatrix);
    EXPECT_NEAR(atCamera.x, 0.0f, 1e-3f);
    EXPECT_NEAR(atCamera.y, 0.0f, 1e-3f);
    EXPECT_NEAR(atCamera.z, 0.0f, 1e-3f);
    EXPECT_NEAR(atAhead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(atAhead.y, 0.0f, 1e-3f);
    EXPECT_NEAR(atAhead.z, 10.0f, 1e-3f);

    const auto views = device.Named("SetTransform");
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->args[0], static_cast<std::uint64_t>(D3DTS_VIEW));
    EXPECT_TRUE(SameBits(views[0]->matrix, g_viewMatrix));
}

// ---- the frame ----------------------------------------------------------------------

class EarlyFrame : public ::testing::Test {
protected:
    RecordingDevice device;
    OneSubsetModel stardock{&device, "stardock"};
    OneSubsetModel earth{&device, "earth"};

    void SetUp() override {
        g_device = &device;
        g_font = nullptr;
        early::g_stardockMesh = &stardock.object;
        early::g_earthMesh = &earth.object;
        D3DXMATRIX earthWorld = Translation(700000.0f, 0.0f, 0.0f);
        earth.object.SetWorldMatrix(&earthWorld);
        g_shipMatrix = Identity();
        g_shipRight = D3DXVECTOR3(1, 0, 0);
        g_shipUp = D3DXVECTOR3(0, 1, 0);
        g_shipForward = D3DXVECTOR3(0, 0, 1);
        g_shipSpeed = 0.0f;
        g_cameraPosition[0] = -160.0f;
        g_cameraPosition[1] = 100.0f;
        g_cameraPosition[2] = 100.0f;
        std::strcpy(g_fpsText, "");
        g_frameCounter = 0;
        g_lastFpsTime = 0;
        tarvona::testing::SetFakeTime(5000);
    }
    void TearDown() override {
        g_device = nullptr;
        early::g_stardockMesh = nullptr;
        early::g_earthMesh = nullptr;
        tarvona::testing::SetFakeTime(std::nullopt);
    }
    static std::string Projection(float nearPlane, float farPlane) {
        D3DXMATRIX m;
        D3DXMatrixPerspectiveFovLH(&m, 0.7853982f, 0.75f, nearPlane, farPlane);
        return "SetTransform(3, " + MatrixText(m) + ")";
    }
    static std::vector<std::string> Draw(const char* name, const D3DXMATRIX& world) {
        return {"SetTransform(256, " + MatrixText(world) + ")", "SetMaterial()", "SetTexture(0, 0)",
                std::string("DrawSubset(") + name + ", 0)"};
    }
};

TEST_F(EarlyFrame, TwoPassesWithoutADepthClearTheEarthInBoth) {
    g_shipSpeed = 3.0f;  // the frame moves the camera before it sets the view
    RenderFrame();

    D3DXMATRIX view = Identity();
    view._41 = 160.0f;
    view._42 = -100.0f;
    view._43 = -103.0f;
    const D3DXMATRIX earthWorld = Translation(700000.0f, 0.0f, 0.0f);
    std::vector<std::string> expected = {
        "Clear(0, 0, 3, 4278190080, 1065353216, 0)",
        "BeginScene()",
        "SetRenderState(26, 1)",
        "SetTransform(2, " + MatrixText(view) + ")",
        "SetTextureStageState(0, 16, 2)",
        "SetTextureStageState(0, 17, 2)",
        "SetTextureStageState(0, 18, 2)",
        "SetTextureStageState(0, 19, " + std::to_string(0xC0200000u) + ")",  // -2.5
        "SetRenderState(137, 1)",
        "SetRenderState(7, 0)",
        Projection(0.01f, 100000000.0f),
    };
    for (const auto& s : Draw("earth", earthWorld)) expected.push_back(s);
    expected.push_back("SetRenderState(7, 1)");
    expected.push_back(Projection(10.0f, 100000.0f));
    for (const auto& s : Draw("stardock", Identity())) expected.push_back(s);
    for (const auto& s : Draw("earth", earthWorld)) expected.push_back(s);
    for (const char* s : {"SetTextureStageState(0, 16, 0)", "SetTextureStageState(0, 17, 0)",
                          "SetTextureStageState(0, 18, 0)", "SetTextureStageState(0, 19, 0)", "EndScene()",
                          "Present(0, 0, 0, 0)"})
        expected.push_back(s);

    const std::vector<std::string> actual = device.Texts();
    ASSERT_EQ(actual.size(), expected.size()) << ::testing::PrintToString(actual);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "call " << i;
    EXPECT_EQ(g_cameraPosition[2], 103.0f);
}

// Read off the matrices themselves: x is scaled by 1/0.75 of y's scale, not
// by 0.75 of it as a 4:3 aspect would.
TEST_F(EarlyFrame, BothProjectionsHaveTheAspectThreeToFour) {
    RenderFrame();
    int projections = 0;
    for (const auto* c : device.Named("SetTransform")) {
        if (c->args[0] != D3DTS_PROJECTION) continue;
        ++projections;
        EXPECT_NEAR(c->matrix._22, 1.0f / std::tan(0.7853982f / 2.0f), 1e-5f);
        EXPECT_NEAR(c->matrix._11 * 0.75f, c->matrix._22, 1e-5f);
    }
    EXPECT_EQ(projections, 2);
}

TEST_F(EarlyFrame, WithoutADeviceNothingHappens) {
    g_device = nullptr;
    g_shipSpeed = 5.0f;
    RenderFrame();
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(g_cameraPosition[2], 100.0f) << "the ship does not move either";
}

// ---- the two controls ------------------------------------------------------------

class EarlyControls : public EarlyScene {
protected:
    void SetUp() override {
        EarlyScene::SetUp();
        g_shipMatrix = Identity();
        g_shipRight = D3DXVECTOR3(1, 0, 0);
        g_shipUp = D3DXVECTOR3(0, 1, 0);
        g_shipForward = D3DXVECTOR3(0, 0, 1);
    }
    void Frame(std::initializer_list<int> keys) {
        keyboard.SetKeys(keys);
        mouse.SetMouse(DIMOUSESTATE{});
        ProcessInput();
    }
};

struct RollCase {
    const char* name;
    int key;
    float angle;  // per frame
};
void PrintTo(const RollCase& c, std::ostream* os) { *os << c.name; }
class EarlyRoll : public EarlyControls, public ::testing::WithParamInterface<RollCase> {};

TEST_P(EarlyRoll, TenFramesAreTenTurnsOfAHundredthOfARadian) {
    const RollCase& c = GetParam();
    D3DXMATRIX expected = Identity();
    for (int frame = 0; frame < 10; ++frame) {
        // Each turn is about the forward axis as the frame found it.
        const D3DXVECTOR3 forward(expected._31, expected._32, expected._33);
        D3DXMATRIX turn;
        D3DXMatrixRotationAxis(&turn, &forward, c.angle);
        D3DXMatrixMultiply(&expected, &expected, &turn);
        Frame({c.key});
    }
    EXPECT_TRUE(SameBits(g_shipMatrix, expected)) << MatrixText(g_shipMatrix) << "\n" << MatrixText(expected);
    // A roll of 0.1 radians in all, about the forward axis, which stays put.
    EXPECT_NEAR(std::atan2(g_shipRight.y, g_shipRight.x), 10.0f * c.angle, 1e-5f);
    EXPECT_NEAR(g_shipForward.z, 1.0f, 1e-6f);
    EXPECT_EQ(g_shipSpeed, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Keys, EarlyRoll,
                         ::testing::Values(RollCase{"A", DIK_A, 0.01f}, RollCase{"D", DIK_D, -0.01f}),
                         [](const ::testing::TestParamInfo<RollCase>& info) { return info.param.name; });

struct SpeedCase {
    const char* name;
    float startSpeed;
    std::vector<int> keys;
    float speedAfterThreeFrames;
};
void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.name; }
class EarlyNoDoubling : public EarlyControls, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(EarlyNoDoubling, XNeverChangesTheSpeed) {
    const SpeedCase& c = GetParam();
    g_shipSpeed = c.startSpeed;
    for (int frame = 0; frame < 3; ++frame) {
        keyboard.state.assign(256, 0);
        for (int key : c.keys) keyboard.state[static_cast<size_t>(key)] = 0x80;
        mouse.SetMouse(DIMOUSESTATE{});
        ProcessInput();
    }
    EXPECT_EQ(g_shipSpeed, c.speedAfterThreeFrames);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, EarlyNoDoubling,
    ::testing::Values(SpeedCase{"Moving", 7.0f, {DIK_X}, 7.0f}, SpeedCase{"Reversing", -3.0f, {DIK_X}, -3.0f},
                      SpeedCase{"WithW", 0.0f, {DIK_W, DIK_X}, 300.0f},
                      SpeedCase{"WithUp", 1.0f, {DIK_UP, DIK_X}, 4.0f}),
    [](const ::testing::TestParamInfo<SpeedCase>& info) { return info.param.name; });

}  // namespace
