// InitScene against a working directory of small generated data files: the
// order of the loads, every failure path, and the state after success.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "input/Flight.h"
#include "render/Direct3D.h"
#include "render/MeshObject.h"
#include "scene/Scene.h"
#include "support/data_files.h"
#include "support/recording_device.h"

namespace {

using tarvona::testing::RecordingDevice;
namespace fs = std::filesystem;

struct DataFile {
    const char* name;
    int faces;         // models only
    int textureWidth;  // the width of the texture its load creates
};
// In the order InitScene reads them.
const DataFile kFiles[] = {
    {"particle1.bmp", 0, 2}, {"ship.x", 1, 4}, {"stardock.x", 2, 8}, {"borg.x", 3, 16},
    {"earth.x", 4, 32},      {"sun.x", 5, 64}, {"moon.x", 6, 128},
};
constexpr int kFileCount = 7;

class SceneSetup : public ::testing::Test {
protected:
    RecordingDevice device;
    fs::path previousDirectory;
    fs::path directory;

    void SetUp() override {
        previousDirectory = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tarvona-scene-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        fs::current_path(directory);
        for (const DataFile& f : kFiles) {
            if (f.faces == 0) {
                tarvona::testing::WriteSolidBmp(f.name, f.textureWidth, 2, 0xC0, 0x80, 0x40);
            } else {
                const std::string texture = std::string("tex_") + f.name + ".bmp";
                tarvona::testing::WriteTriangleModel(f.name, f.faces, texture);
                tarvona::testing::WriteSolidBmp(texture, f.textureWidth, 1, 0xC0, 0x80, 0x40);
            }
        }

        g_device = &device;
        g_sprite = nullptr;
        g_shipMesh = nullptr;
        for (CelestialBody* body : Bodies()) *body = CelestialBody();
        g_shipMatrix = D3DXMATRIX();
        std::memset(&g_shipMatrix, 0, sizeof g_shipMatrix);
        g_shipRight = g_shipUp = g_shipForward = D3DXVECTOR3(0, 0, 0);
    }
    void TearDown() override {
        g_device = nullptr;
        g_sprite = nullptr;
        g_shipMesh = nullptr;
        for (CelestialBody* body : Bodies()) *body = CelestialBody();
        fs::current_path(previousDirectory);
        fs::remove_all(directory);
    }

    static std::vector<CelestialBody*> Bodies() { return {&g_stardock, &g_borg, &g_earth, &g_sun, &g_moon}; }
    // The model slot each file fills, in file order (the texture has none).
    static std::vector<MeshObject**> Slots() {
        return {nullptr,     &g_shipMesh, &g_stardock.mesh, &g_borg.mesh,
                &g_earth.mesh, &g_sun.mesh, &g_moon.mesh};
    }

    // The device calls that show the steps: textures by width, the sprite's
    // buffer, transforms, lights and lighting states.
    std::vector<std::string> Steps() const {
        std::vector<std::string> out;
        for (const auto& c : device.calls) {
            if (c.name == "CreateTexture") out.push_back("texture " + std::to_string(c.args[0]));
            if (c.name == "CreateVertexBuffer" && c.args[0] == sizeof(SpriteVertex) && c.args[2] == 0x42)
                out.push_back("sprite buffer");
            if (c.name == "SetTransform" || c.name == "SetLight" || c.name == "LightEnable" ||
                c.name == "SetRenderState")
                out.push_back(c.name == "SetTransform" ? "SetTransform(" + std::to_string(c.args[0]) + ")" : c.text);
        }
        return out;
    }
};

TEST_F(SceneSetup, LoadsInOrderThenSetsTheCameraAndTheLights) {
    ASSERT_EQ(InitScene(), S_OK);
    const std::vector<std::string> expected = {
        "texture 2",   "sprite buffer",           "texture 4",          "texture 8",
        "texture 16",  "texture 32",              "texture 64",         "texture 128",
        "SetTransform(2)", "SetTransform(3)",
        "SetLight(0)", "LightEnable(0, 1)", "SetRenderState(137, 1)", "SetRenderState(139, 8421504)",
        "SetLight(1)", "LightEnable(1, 1)", "SetRenderState(137, 1)", "SetRenderState(139, 8421504)",
    };
    EXPECT_EQ(Steps(), expected);
}

TEST_F(SceneSetup, EachModelGoesToItsBody) {
    ASSERT_EQ(InitScene(), S_OK);
    const auto slots = Slots();
    for (int i = 1; i < kFileCount; ++i) {
        ASSERT_NE(*slots[i], nullptr) << kFiles[i].name;
        EXPECT_EQ((*slots[i])->geometry->GetNumFaces(), static_cast<DWORD>(kFiles[i].faces)) << kFiles[i].name;
        EXPECT_EQ((*slots[i])->device, &device);
    }
}

TEST_F(SceneSetup, PlacesTheBodiesAndTheShipsFrame) {
    ASSERT_EQ(InitScene(), S_OK);
    EXPECT_EQ(g_shipRight, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(g_shipUp, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(g_shipForward, D3DXVECTOR3(0, 0, 1));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(g_shipMatrix.m[r][c], r == c ? 1.0f : 0.0f);

    struct Expected {
        const char* name;
        CelestialBody* body;
        double x, y, z;
        float radiusSquared, cullDistanceSquared, boundingRadius;
    };
    const float farCullSquared = 999999995904.0f * 999999995904.0f;
    const Expected table[] = {
        {"stardock", &g_stardock, 0, 0, 0, 250000.0f, 1e10f, 500},
        {"borg", &g_borg, 1000, 500, 100, 562500.0f, 1e12f, 500},
        {"earth", &g_earth, 700000, 0, 0, 0, farCullSquared, 0},
        {"sun", &g_sun, -14960000000.0, 0, 0, 0, farCullSquared, 0},
        {"moon", &g_moon, 0, -38440000, 0, 0, farCullSquared, 0},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.name);
        ASSERT_NE(e.body->position.x, nullptr);
        EXPECT_EQ(*e.body->position.x, e.x);
        EXPECT_EQ(*e.body->position.y, e.y);
        EXPECT_EQ(*e.body->position.z, e.z);
        EXPECT_EQ(e.body->radiusSquared, e.radiusSquared);
        EXPECT_EQ(e.body->cullDistanceSquared, e.cullDistanceSquared);
        EXPECT_EQ(e.body->boundingRadius, e.boundingRadius);
        EXPECT_EQ(e.body->drawn, 0);
    }
    EXPECT_EQ(farCullSquared, 1.0000000138484279e24f);
}

TEST_F(SceneSetup, ConfiguresTheSprite) {
    ASSERT_EQ(InitScene(), S_OK);
    ASSERT_NE(g_sprite, nullptr);
    ASSERT_FALSE(device.textures.empty());
    EXPECT_EQ(g_sprite->texture, device.textures.front());
    EXPECT_EQ(g_sprite->device, &device);
    ASSERT_NE(g_sprite->vertexBuffer, nullptr);
    ASSERT_NE(g_sprite->colour, nullptr);
    EXPECT_EQ(static_cast<DWORD>(*g_sprite->colour), 0xFFFFFFFFu);
    EXPECT_EQ(g_sprite->pointSize, 1.0f);
    EXPECT_EQ(g_sprite->pointSizeMin, 0.0f);
    EXPECT_EQ(g_sprite->scaleA, 0.0f);
    EXPECT_EQ(g_sprite->scaleB, 0.0f);
    EXPECT_EQ(g_sprite->scaleC, 0.1f);
}

TEST_F(SceneSetup, CameraLooksFromAboveAndBehindTheOriginWithAspectThreeQuarters) {
    ASSERT_EQ(InitScene(), S_OK);
    const auto transforms = device.Named("SetTransform");
    ASSERT_EQ(transforms.size(), 2u);
    const D3DMATRIX& view = transforms[0]->matrix;
    ASSERT_EQ(transforms[0]->args[0], static_cast<std::uint64_t>(D3DTS_VIEW));
    // The eye (0, 3, -5) goes to the origin; the look-at point lies straight
    // ahead on +z, tilted down: the view's z axis is (0, -3, 5) / sqrt(34).
    auto apply = [&](float x, float y, float z, int col) {
        return x * view.m[0][col] + y * view.m[1][col] + z * view.m[2][col] + view.m[3][col];
    };
    for (int col = 0; col < 3; ++col) EXPECT_NEAR(apply(0, 3, -5, col), 0.0f, 1e-5f);
    EXPECT_NEAR(apply(0, 0, 0, 0), 0.0f, 1e-5f);
    EXPECT_NEAR(apply(0, 0, 0, 1), 0.0f, 1e-5f);
    EXPECT_NEAR(apply(0, 0, 0, 2), std::sqrt(34.0f), 1e-5f);
    EXPECT_NEAR(view.m[1][2], -3.0f / std::sqrt(34.0f), 1e-6f);
    EXPECT_NEAR(view.m[2][2], 5.0f / std::sqrt(34.0f), 1e-6f);

    const D3DMATRIX& projection = transforms[1]->matrix;
    ASSERT_EQ(transforms[1]->args[0], static_cast<std::uint64_t>(D3DTS_PROJECTION));
    const float yScale = 1.0f / std::tan(0.785398185253143f / 2.0f);
    EXPECT_NEAR(projection.m[1][1], yScale, 1e-5f);
    EXPECT_NEAR(projection.m[0][0], yScale / 0.75f, 1e-5f);
    EXPECT_NEAR(-projection.m[3][2] / projection.m[2][2], 0.01f, 1e-6f) << "near plane";
    EXPECT_NEAR(projection.m[2][2], 10000.0f / (10000.0f - 0.01f), 1e-6f) << "far plane";
}

TEST_F(SceneSetup, LightsAreAYellowishSunAlongXAndABluePointLightAtTheCamera) {
    ASSERT_EQ(InitScene(), S_OK);
    const auto lights = device.Named("SetLight");
    ASSERT_EQ(lights.size(), 2u);
    D3DLIGHT8 sun, ship;
    std::memset(&sun, 0, sizeof sun);
    std::memset(&ship, 0, sizeof ship);
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1.0f, 1.0f, 0.8f, 0.0f};
    sun.Direction = {1.0f, 0.0f, 0.0f};
    sun.Range = 1000.0f;
    ship.Type = D3DLIGHT_POINT;
    ship.Diffuse = {0.0f, 0.0f, 1.0f, 0.0f};
    ship.Range = 400.0f;
    ship.Attenuation1 = 0.02f;
    EXPECT_EQ(lights[0]->args[0], 0u);
    EXPECT_EQ(std::memcmp(&lights[0]->light, &sun, sizeof sun), 0) << "every other field zero";
    EXPECT_EQ(lights[1]->args[0], 1u);
    EXPECT_EQ(std::memcmp(&lights[1]->light, &ship, sizeof ship), 0) << "every other field zero";
}

// With one file missing or unreadable, InitScene fails at that file's step:
// what came before stays, nothing after it runs.
struct BrokenFile {
    int index;  // into kFiles
    bool unreadable;  // present but not a valid file
};
void PrintTo(const BrokenFile& b, std::ostream* os) { *os << kFiles[b.index].name << (b.unreadable ? " unreadable" : " missing"); }
class SceneSetupWithout : public SceneSetup, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(SceneSetupWithout, FailsAtThatFilesStepAndRunsNothingLater) {
    const BrokenFile broken = GetParam();
    const DataFile& file = kFiles[broken.index];
    if (broken.unreadable)
        std::ofstream(file.name, std::ios::trunc) << "not a model or image\n";
    else
        fs::remove(file.name);

    EXPECT_EQ(InitScene(), E_FAIL);

    EXPECT_EQ(g_sprite != nullptr, broken.index > 0) << "the sprite is made right after its texture";
    const auto slots = Slots();
    for (int i = 1; i < kFileCount; ++i)
        EXPECT_EQ(*slots[i] != nullptr, i < broken.index) << kFiles[i].name;
    // The ship's frame is set right after the ship loads.
    EXPECT_EQ(g_shipForward == D3DXVECTOR3(0, 0, 1), broken.index > 1);
    // A body is placed right after its model loads; the later ones keep
    // their zero state.
    const std::vector<CelestialBody*> bodies = Bodies();
    for (int b = 0; b < 5; ++b) {
        const bool placed = b + 2 < broken.index;
        EXPECT_EQ(bodies[b]->position.x != nullptr, placed) << kFiles[b + 2].name;
        EXPECT_EQ(bodies[b]->cullDistanceSquared != 0.0f, placed) << kFiles[b + 2].name;
    }

    // The device saw the loads before the broken file and nothing after it.
    std::vector<std::string> expected;
    for (int i = 0; i < broken.index; ++i) {
        expected.push_back("texture " + std::to_string(kFiles[i].textureWidth));
        if (i == 0) expected.push_back("sprite buffer");
    }
    EXPECT_EQ(Steps(), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, SceneSetupWithout,
                         ::testing::Values(BrokenFile{0, false}, BrokenFile{1, false}, BrokenFile{2, false},
                                           BrokenFile{3, false}, BrokenFile{4, false}, BrokenFile{5, false},
                                           BrokenFile{6, false}, BrokenFile{0, true}, BrokenFile{6, true}),
                         [](const ::testing::TestParamInfo<BrokenFile>& info) {
                             std::string name = kFiles[info.param.index].name;
                             name = name.substr(0, name.find('.'));
                             return (info.param.unreadable ? "Unreadable_" : "Missing_") + name;
                         });

}  // namespace
