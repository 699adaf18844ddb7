// LoadMeshObject and MeshObject on the recording device: what a load keeps,
// the calls Render makes, and the load's failures.
#include <gtest/gtest.h>

#include "models/x_test_support.h"
#include "render/MeshObject.h"
#include "support/data_files.h"

namespace tarvona::testing::models {
namespace {

// Three materials on three triangles; the second names a texture that is
// not there, the third one that is, in another letter case and with a
// backslash.
const char* kThreeMaterials = R"(xof 0303txt 0032
Mesh {
 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;;
 3; 3;0,2,1;, 3;1,2,3;, 3;0,1,3;;
 MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 1;1;; }
 MeshMaterialList { 3; 3; 0, 1, 2;;
  Material { 0.8;0.2;0.2;1;; 10; 0.5;0.5;0.5;; 0;0;0;; TextureFilename { "red.bmp"; } }
  Material { 0.2;0.8;0.2;1;; 20; 0;0;0;; 0;0;0;; TextureFilename { "missing.bmp"; } }
  Material { 0.2;0.2;0.8;0.5;; 30; 0;0;0;; 0.1;0.1;0.1;; TextureFilename { "tex\\Blue.BMP"; } } }
}
)";

void WriteBmp(const std::string& path) { tarvona::testing::WriteSolidBmp(path, 4, 4, 0x40, 0x40, 0x40); }

class MeshObjects : public ::testing::Test {
protected:
    void SetUp() override {
        WriteText("model.x", kThreeMaterials);
        WriteBmp("red.bmp");
        std::filesystem::create_directory("tex");
        WriteBmp("tex/blue.bmp");
    }
    MeshObject* Load(const char* file = "model.x") {
        MeshObject* object = nullptr;
        ::testing::internal::CaptureStderr();
        HRESULT hr = LoadMeshObject(file, &device, &object);
        said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(hr, S_OK);
        return object;
    }

    ScratchDir dir;
    RecordingDevice device;
    std::string said;
};

std::vector<float> Color(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

TEST_F(MeshObjects, LoadKeepsOneMaterialPerSubsetWithAmbientReplacedByDiffuse) {
    MeshObject* object = Load();
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->subsetCount, 3u);
    EXPECT_EQ(object->device, &device);
    EXPECT_EQ(object->worldMatrix, nullptr);
    EXPECT_EQ(object->unlit, 0);
    const float diffuse[3][4] = {{0.8f, 0.2f, 0.2f, 1}, {0.2f, 0.8f, 0.2f, 1}, {0.2f, 0.2f, 0.8f, 0.5f}};
    for (int i = 0; i < 3; ++i) {
        std::vector<float> d(diffuse[i], diffuse[i] + 4);
        EXPECT_EQ(Color(object->materials[i].Diffuse), d) << i;
        EXPECT_EQ(Color(object->materials[i].Ambient), d) << i;  // the file's (black) ambient is not used
    }
    EXPECT_FLOAT_EQ(object->materials[0].Specular.r, 0.5f);
    EXPECT_FLOAT_EQ(object->materials[1].Power, 20.0f);
    EXPECT_FLOAT_EQ(object->materials[2].Emissive.g, 0.1f);
}

TEST_F(MeshObjects, MissingTextureLeavesItsSlotNullAndTheOthersTextured) {
    MeshObject* object = Load();
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(device.textures.size(), 2u);
    EXPECT_EQ(object->textures[0], device.textures[0]);
    EXPECT_EQ(object->textures[1], nullptr);
    EXPECT_EQ(object->textures[2], device.textures[1]);
    EXPECT_NE(said.find("missing.bmp"), std::string::npos);  // the platform says which file failed
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1, 2, 3);
    object->SetWorldMatrix(&world);
    device.Clear();
    object->Render();
    auto textures = device.Texts("SetTexture");
    ASSERT_EQ(textures.size(), 3u);
    EXPECT_NE(textures[0], "SetTexture(0, 0)");
    EXPECT_EQ(textures[1], "SetTexture(0, 0)");
    EXPECT_NE(textures[2], "SetTexture(0, 0)");
}

TEST_F(MeshObjects, RenderSetsWorldAndLightingThenMaterialTextureAndDrawPerSubset) {
    MeshObject* object = Load();
    ASSERT_NE(object, nullptr);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 10, 20, 30);
    object->SetWorldMatrix(&world);
    device.Clear();
    object->Render();
    std::vector<std::string> names;
    for (const Call& c : device.calls) names.push_back(c.name);
    std::vector<std::string> expected = {"SetTransform", "SetRenderState"};
    for (int i = 0; i < 3; ++i)
        for (const char* n : {"SetMaterial", "SetTexture", "SetStreamSource", "SetIndices", "SetVertexShader",
                              "DrawIndexedPrimitive"})
            expected.push_back(n);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(device.calls[0].args[0], 256u);
    EXPECT_EQ(MatrixText(device.calls[0].matrix), MatrixText(world));
    EXPECT_EQ(device.calls[1].text, "SetRenderState(137, 1)");
    auto materials = device.Named("SetMaterial");
    EXPECT_EQ(Color(materials[2]->material.Ambient), (std::vector<float>{0.2f, 0.2f, 0.8f, 0.5f}));
    // Subset i draws the file's face i (one triangle each here).
    auto draws = device.Named("DrawIndexedPrimitive");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(draws[i]->args[3], static_cast<std::uint64_t>(i * 3));
        EXPECT_EQ(draws[i]->args[4], 1u);
    }
}

TEST_F(MeshObjects, UnlitModelFollowedByLitModelDrawsTheSecondWithLightingOn) {
    MeshObject* first = Load();
    MeshObject* second = Load();
    ASSERT_TRUE(first && second);
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    first->SetWorldMatrix(&world);
    second->SetWorldMatrix(&world);
    first->SetUnlit(1);
    device.Clear();
    first->Render();
    second->Render();
    EXPECT_EQ(device.Texts("SetRenderState"),
              (std::vector<std::string>{"SetRenderState(137, 0)", "SetRenderState(137, 1)"}));
}

TEST_F(MeshObjects, MissingFileFailsAndLeavesTheCallersPointer) {
    MeshObject* object = reinterpret_cast<MeshObject*>(0x30);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadMeshObject("nothere.x", &device, &object), E_FAIL);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(object, reinterpret_cast<MeshObject*>(0x30));
    EXPECT_TRUE(device.textures.empty());
}

TEST_F(MeshObjects, RefusedBufferFailsTheLoadAndLeavesTheCallersPointer) {
    device.createIndexBufferResult = D3DERR_OUTOFVIDEOMEMORY;
    MeshObject* object = reinterpret_cast<MeshObject*>(0x30);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadMeshObject("model.x", &device, &object), E_FAIL);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(object, reinterpret_cast<MeshObject*>(0x30));
    EXPECT_EQ(device.refCount, 1u);
}

TEST_F(MeshObjects, LoadAsksForSystemMemoryBuffers) {
    ASSERT_NE(Load(), nullptr);
    EXPECT_EQ(device.Named("CreateVertexBuffer").at(0)->args[3], static_cast<std::uint64_t>(D3DPOOL_SYSTEMMEM));
    EXPECT_EQ(device.Named("CreateIndexBuffer").at(0)->args[3], static_cast<std::uint64_t>(D3DPOOL_SYSTEMMEM));
}

TEST_F(MeshObjects, ReleaseResourcesGivesBackTexturesAndMeshAndForgetsTheDevice) {
    MeshObject* object = Load();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(device.refCount, 2u);  // the mesh holds the device
    object->ReleaseResources();
    EXPECT_EQ(object->device, nullptr);
    for (auto* t : device.textures) EXPECT_EQ(t->refCount, 0u);
    EXPECT_EQ(device.vertexBuffers.at(0)->refCount, 0u);
    EXPECT_EQ(device.refCount, 1u);
    delete object;
}

TEST_F(MeshObjects, SetWorldMatrixValuesKeepsACopy) {
    MeshObject object;
    EXPECT_EQ(object.geometry, nullptr);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 4, 5, 6);
    object.SetWorldMatrixValues(m);
    ASSERT_NE(object.worldMatrix, nullptr);
    EXPECT_NE(object.worldMatrix, &m);
    m._41 = 0;
    EXPECT_FLOAT_EQ(object.worldMatrix->_41, 4.0f);
    delete object.worldMatrix;
}

}  // namespace
}  // namespace tarvona::testing::models
