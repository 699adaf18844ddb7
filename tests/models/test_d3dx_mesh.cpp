// ID3DXMesh on the recording device: the buffers it creates for each set of
// options, what DrawSubset issues, failures of the device, references, and
// the adjacency and attribute buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "models/x_test_support.h"

namespace tarvona::testing::models {
namespace {

// Five triangles over six positions, their materials interleaved: 2, 0, 1, 0, 2.
const char* kInterleaved = R"(xof 0303txt 0032
Mesh {
 6; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;, 2;0;0;, 2;1;0;;
 5; 3;0,2,1;, 3;1,2,3;, 3;1,3,4;, 3;4,3,5;, 3;0,1,4;;
 MeshMaterialList { 3; 5; 2, 0, 1, 0, 2;;
  Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; } }
}
)";
using Triangle = std::array<std::uint32_t, 3>;
const Triangle kFileTriangles[5] = {{0, 2, 1}, {1, 2, 3}, {1, 3, 4}, {4, 3, 5}, {0, 1, 4}};
const DWORD kFileMaterials[5] = {2, 0, 1, 0, 2};

class MeshOnDevice : public ::testing::Test {
protected:
    void SetUp() override { WriteText("mesh.x", kInterleaved); }
    void TearDown() override {
        if (mesh) mesh->Release();
        if (materials) materials->Release();
    }
    HRESULT LoadMesh(DWORD options = D3DXMESH_SYSTEMMEM, const char* file = "mesh.x") {
        return D3DXLoadMeshFromX(const_cast<LPSTR>(file), options, &device, nullptr, &materials, &count, &mesh);
    }
    std::uint32_t IndexAt(size_t i) const {
        const auto& bytes = device.indexBuffers.at(0)->bytes;
        if (device.indexBuffers[0]->format == D3DFMT_INDEX32) {
            std::uint32_t v;
            std::memcpy(&v, bytes.data() + i * 4, 4);
            return v;
        }
        std::uint16_t v;
        std::memcpy(&v, bytes.data() + i * 2, 2);
        return v;
    }

    ScratchDir dir;
    RecordingDevice device;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
};

TEST_F(MeshOnDevice, DrawSubsetDrawsExactlyTheTrianglesOfItsMaterialInOneCall) {
    ASSERT_GE(LoadMesh(), 0);
    ASSERT_EQ(count, 3u);
    for (DWORD subset = 0; subset < 3; ++subset) {
        device.Clear();
        EXPECT_GE(mesh->DrawSubset(subset), 0);
        const std::string vb = std::to_string(reinterpret_cast<std::uintptr_t>(device.vertexBuffers.at(0)));
        const std::string ib = std::to_string(reinterpret_cast<std::uintptr_t>(device.indexBuffers.at(0)));
        ASSERT_EQ(device.calls.size(), 4u);
        EXPECT_EQ(device.calls[0].text, "SetStreamSource(0, " + vb + ", 12)");
        EXPECT_EQ(device.calls[1].text, "SetIndices(" + ib + ", 0)");
        EXPECT_EQ(device.calls[2].text, "SetVertexShader(2)");  // D3DFVF_XYZ
        const Call& draw = device.calls[3];
        ASSERT_EQ(draw.name, "DrawIndexedPrimitive");
        EXPECT_EQ(draw.args[0], static_cast<std::uint64_t>(D3DPT_TRIANGLELIST));
        const std::uint64_t minIndex = draw.args[1], vertexCount = draw.args[2], start = draw.args[3],
                            triangles = draw.args[4];

        std::multiset<Triangle> drawn, expected;
        for (std::uint64_t t = 0; t < triangles; ++t) {
            Triangle tri;
            for (int k = 0; k < 3; ++k) {
                tri[k] = IndexAt(start + t * 3 + k);
                EXPECT_GE(tri[k], minIndex);
                EXPECT_LT(tri[k], minIndex + vertexCount);
            }
            drawn.insert(tri);
        }
        for (int f = 0; f < 5; ++f)
            if (kFileMaterials[f] == subset) expected.insert(kFileTriangles[f]);
        EXPECT_EQ(drawn, expected) << "subset " << subset;
    }
}

TEST_F(MeshOnDevice, SubsetWithoutFacesDrawsNothing) {
    ASSERT_GE(LoadMesh(), 0);
    device.Clear();
    EXPECT_GE(mesh->DrawSubset(3), 0);
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(MeshOnDevice, VertexBufferHoldsPositionNormalColourAndTextureCoordinatesInFvfOrder) {
    ASSERT_GE(LoadMesh(D3DXMESH_SYSTEMMEM, SharedX("X/kwxport_test_cubewithvcolors.x").c_str()), 0);
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    ASSERT_EQ(device.vertexBuffers.size(), 1u);
    EXPECT_EQ(device.vertexBuffers[0]->fvf, fvf);
    EXPECT_EQ(device.vertexBuffers[0]->bytes.size(), 24u * 36u);
    device.Clear();
    mesh->DrawSubset(0);
    EXPECT_EQ(device.Named("SetStreamSource").at(0)->args[2], 36u);
    EXPECT_EQ(device.Texts("SetVertexShader").at(0), "SetVertexShader(" + std::to_string(fvf) + ")");
    // Vertex 1: (-0.492126, 0, 0.492126) moved down by the frame, normal
    // (0, -1, 0), white, uv (0, 1).
    const std::uint8_t* v = device.vertexBuffers[0]->bytes.data() + 36;
    float f[8];
    DWORD color;
    std::memcpy(f, v, 24);
    std::memcpy(&color, v + 24, 4);
    std::memcpy(f + 6, v + 28, 8);
    EXPECT_FLOAT_EQ(f[0], -0.492126f);
    EXPECT_FLOAT_EQ(f[1], -0.492126f);
    EXPECT_FLOAT_EQ(f[4], -1.0f);
    EXPECT_EQ(color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(f[6], -0.0f);
    EXPECT_FLOAT_EQ(f[7], 1.0f);
}

struct OptionsCase {
    const char* name;
    DWORD options;
    D3DPOOL vertexPool, indexPool;
    DWORD vertexUsage, indexUsage;
    D3DFORMAT indexFormat;
};

const OptionsCase kOptions[] = {
    {"systemmem", D3DXMESH_SYSTEMMEM, D3DPOOL_SYSTEMMEM, D3DPOOL_SYSTEMMEM, 0, 0, D3DFMT_INDEX16},
    {"managed", D3DXMESH_MANAGED, D3DPOOL_MANAGED, D3DPOOL_MANAGED, 0, 0, D3DFMT_INDEX16},
    {"default_pool", 0, D3DPOOL_DEFAULT, D3DPOOL_DEFAULT, 0, 0, D3DFMT_INDEX16},
    {"mixed_pools", D3DXMESH_VB_MANAGED | D3DXMESH_IB_SYSTEMMEM, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, 0, 0,
     D3DFMT_INDEX16},
    {"writeonly_dynamic", D3DXMESH_WRITEONLY | D3DXMESH_IB_DYNAMIC, D3DPOOL_DEFAULT, D3DPOOL_DEFAULT,
     D3DUSAGE_WRITEONLY, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, D3DFMT_INDEX16},
    {"wide_indices", D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DPOOL_SYSTEMMEM, D3DPOOL_SYSTEMMEM, 0, 0, D3DFMT_INDEX32},
};

class MeshOptions : public MeshOnDevice, public ::testing::WithParamInterface<OptionsCase> {};

TEST_P(MeshOptions, ChoosePoolsUsagesAndIndexFormat) {
    const OptionsCase& c = GetParam();
    ASSERT_GE(LoadMesh(c.options), 0);
    EXPECT_EQ(device.Texts("CreateVertexBuffer").at(0),
              "CreateVertexBuffer(72, " + std::to_string(c.vertexUsage) + ", 2, " + std::to_string(c.vertexPool) + ")");
    const DWORD indexBytes = c.indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    EXPECT_EQ(device.Texts("CreateIndexBuffer").at(0),
              "CreateIndexBuffer(" + std::to_string(15 * indexBytes) + ", " + std::to_string(c.indexUsage) + ", " +
                  std::to_string(c.indexFormat) + ", " + std::to_string(c.indexPool) + ")");
    EXPECT_EQ(mesh->GetOptions(), c.options);
    // Faces in attribute order: 1 and 3 (material 0), 2, then 0 and 4.
    const std::uint32_t expected[] = {1, 2, 3, 4, 3, 5, 1, 3, 4, 0, 2, 1, 0, 1, 4};
    for (size_t i = 0; i < 15; ++i) EXPECT_EQ(IndexAt(i), expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(, MeshOptions, ::testing::ValuesIn(kOptions),
                         [](const auto& info) { return std::string(info.param.name); });

struct DeviceFailure {
    const char* name;
    void (*arrange)(RecordingDevice&);
    HRESULT expected;  // 0: any negative result
};

const DeviceFailure kFailures[] = {
    {"vertex_buffer_refused", [](RecordingDevice& d) { d.createVertexBufferResult = D3DERR_OUTOFVIDEOMEMORY; },
     D3DERR_OUTOFVIDEOMEMORY},
    {"index_buffer_refused", [](RecordingDevice& d) { d.createIndexBufferResult = E_OUTOFMEMORY; }, E_OUTOFMEMORY},
    {"locks_refused", [](RecordingDevice& d) { d.failLocks = true; }, 0},
};

class MeshDeviceFailures : public MeshOnDevice, public ::testing::WithParamInterface<DeviceFailure> {};

TEST_P(MeshDeviceFailures, AreReturnedAndLeaveNothingBehind) {
    GetParam().arrange(device);
    mesh = reinterpret_cast<ID3DXMesh*>(0x10);
    ::testing::internal::CaptureStderr();
    HRESULT hr = LoadMesh();
    std::string said = ::testing::internal::GetCapturedStderr();
    if (GetParam().expected) {
        EXPECT_EQ(hr, GetParam().expected);
    } else {
        EXPECT_LT(hr, 0);
    }
    EXPECT_EQ(mesh, reinterpret_cast<ID3DXMesh*>(0x10));
    EXPECT_EQ(materials, nullptr);
    mesh = nullptr;
    for (auto* vb : device.vertexBuffers) EXPECT_EQ(vb->refCount, 0u);
    for (auto* ib : device.indexBuffers) EXPECT_EQ(ib->refCount, 0u);
    EXPECT_EQ(device.refCount, 1u);
    EXPECT_NE(said.find("mesh.x"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, MeshDeviceFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MeshOnDevice, HoldsTheDeviceAndItsBuffersUntilItsLastRelease) {
    ASSERT_GE(LoadMesh(), 0);
    EXPECT_EQ(device.refCount, 2u);
    IDirect3DDevice8* got = nullptr;
    ASSERT_GE(mesh->GetDevice(&got), 0);
    EXPECT_EQ(got, &device);
    got->Release();
    mesh->AddRef();
    EXPECT_EQ(mesh->Release(), 1u);
    EXPECT_EQ(device.vertexBuffers[0]->refCount, 1u);
    EXPECT_EQ(mesh->Release(), 0u);
    mesh = nullptr;
    EXPECT_EQ(device.refCount, 1u);
    EXPECT_EQ(device.vertexBuffers[0]->refCount, 0u);
    EXPECT_EQ(device.indexBuffers[0]->refCount, 0u);
}

TEST_F(MeshOnDevice, AdjacencyNamesTheFaceAcrossEachEdge) {
    WriteText("quad.x", "xof 0303txt 0032\nMesh { 4; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;; 1; 4;0,1,2,3;; }\n");
    ID3DXBuffer* adjacency = nullptr;
    ASSERT_GE(D3DXLoadMeshFromX(const_cast<LPSTR>("quad.x"), D3DXMESH_SYSTEMMEM, &device, &adjacency, &materials,
                                &count, &mesh),
              0);
    ASSERT_NE(adjacency, nullptr);
    ASSERT_EQ(adjacency->GetBufferSize(), 6 * sizeof(DWORD));
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    // (0,1,2) and (0,2,3) share the edge 2–0: edge 2 of the first, edge 0 of the second.
    const DWORD none = 0xFFFFFFFFu;
    EXPECT_EQ(std::vector<DWORD>(a, a + 6), (std::vector<DWORD>{none, none, 1, 0, none, none}));
    adjacency->Release();
}

TEST_F(MeshOnDevice, AdjacencyJoinsFacesSplitApartForTheirNormals) {
    WriteText("box.x", R"(xof 0303txt 0032
Mesh { 8; -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;
 6; 4;1,3,7,5;, 4;0,4,6,2;, 4;2,6,7,3;, 4;0,1,5,4;, 4;4,5,7,6;, 4;0,2,3,1;;
 MeshNormals { 6; 1;0;0;, -1;0;0;, 0;1;0;, 0;-1;0;, 0;0;1;, 0;0;-1;;
  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; } }
)");
    ID3DXBuffer* adjacency = nullptr;
    ASSERT_GE(D3DXLoadMeshFromX(const_cast<LPSTR>("box.x"), D3DXMESH_SYSTEMMEM, &device, &adjacency, &materials,
                                &count, &mesh),
              0);
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (DWORD f = 0; f < 12; ++f) {
        for (int k = 0; k < 3; ++k) {
            DWORD other = a[f * 3 + k];
            ASSERT_LT(other, 12u) << "face " << f << " edge " << k << " is open on a closed box";
            EXPECT_NE(std::find(a + other * 3, a + other * 3 + 3, f), a + other * 3 + 3);
        }
    }
    adjacency->Release();
}

TEST_F(MeshOnDevice, ChangedAttributesAreDrawnRunByRun) {
    ASSERT_GE(LoadMesh(), 0);
    DWORD* attributes = nullptr;
    ASSERT_GE(mesh->LockAttributeBuffer(0, &attributes), 0);
    attributes[0] = 1;  // faces now 1, 0, 1, 2, 2
    ASSERT_GE(mesh->UnlockAttributeBuffer(), 0);
    device.Clear();
    mesh->DrawSubset(1);
    auto draws = device.Named("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->text, "DrawIndexedPrimitive(4, 0, 6, 0, 1)");
    EXPECT_EQ(draws[1]->text, "DrawIndexedPrimitive(4, 0, 6, 6, 1)");
    DWORD entries = 0;
    mesh->GetAttributeTable(nullptr, &entries);
    EXPECT_EQ(entries, 4u);
}

TEST_F(MeshOnDevice, UnchangedAttributesKeepTheTable) {
    ASSERT_GE(LoadMesh(), 0);
    D3DXATTRIBUTERANGE before[3], after[3];
    DWORD n = 3;
    ASSERT_GE(mesh->GetAttributeTable(before, &n), 0);
    ASSERT_EQ(n, 3u);
    DWORD* attributes = nullptr;
    ASSERT_GE(mesh->LockAttributeBuffer(0, &attributes), 0);
    ASSERT_GE(mesh->UnlockAttributeBuffer(), 0);
    ASSERT_GE(mesh->GetAttributeTable(after, &n), 0);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    EXPECT_EQ(before[2].AttribId, 2u);
    EXPECT_EQ(before[2].FaceStart, 3u);
    EXPECT_EQ(before[2].FaceCount, 2u);
    EXPECT_EQ(before[2].VertexStart, 0u);
    EXPECT_EQ(before[2].VertexCount, 5u);  // vertices 0 to 4
}

}  // namespace
}  // namespace tarvona::testing::models
