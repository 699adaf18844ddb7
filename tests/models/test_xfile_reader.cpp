// D3DXLoadMeshFromX on real third-party files and on small files written
// here: encodings, frames, materials, vertex splitting, merging, and that
// every malformed or truncated file is refused without a read past its data.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "models/x_test_support.h"

namespace tarvona::testing::models {
namespace {

// ---- the encodings of one cube ------------------------------------------------------

struct EncodingCase {
    const char* name;
    std::function<Bytes()> make;
};

Bytes Shared(const char* name) { return ReadBytes(SharedX(std::string("X/") + name)); }

const EncodingCase kEncodings[] = {
    {"binary", [] { return Shared("test_cube_binary.x"); }},
    {"bzip_from_assimp", [] { return Shared("test_cube_compressed.x"); }},
    {"binary_64bit_floats", [] { return WidenFloats(Shared("test_cube_binary.x")); }},
    {"bzip_64bit_floats", [] { return Compress(WidenFloats(Shared("test_cube_binary.x")), "bzip", 32768); }},
    {"bzip_in_small_blocks", [] { return Compress(Shared("test_cube_binary.x"), "bzip", 300); }},
    {"tzip", [] { return Compress(Shared("test_cube_text.x"), "tzip", 32768); }},
    {"tzip_in_small_blocks", [] { return Compress(Shared("test_cube_text.x"), "tzip", 700); }},
};

class CubeEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CubeEncodings, GiveTheSameMeshAsTheTextFile) {
    ScratchDir dir;
    Snapshot text, other;
    ASSERT_GE(Load(SharedX("X/test_cube_text.x"), text), 0);
    WriteBytes("cube.x", GetParam().make());
    ASSERT_GE(Load("cube.x", other), 0);

    EXPECT_EQ(other.fvf, text.fvf);
    EXPECT_EQ(other.indices, text.indices);
    EXPECT_EQ(other.attributes, text.attributes);
    EXPECT_EQ(other.table, text.table);
    ASSERT_EQ(other.vertices.size(), text.vertices.size());
    // The text file prints six decimals of the binary file's floats.
    for (size_t i = 0; i < text.vertices.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(other.vertices[i].position[k], text.vertices[i].position[k], 1e-6) << "vertex " << i;
            EXPECT_NEAR(other.vertices[i].normal[k], text.vertices[i].normal[k], 1e-6) << "vertex " << i;
        }
        for (int k = 0; k < 2; ++k) EXPECT_NEAR(other.vertices[i].uv[k], text.vertices[i].uv[k], 1e-6);
    }
    ASSERT_EQ(other.materials.size(), 1u);
    EXPECT_NEAR(other.materials[0].material.Diffuse.r, text.materials[0].material.Diffuse.r, 1e-6);
    EXPECT_NEAR(other.materials[0].material.Power, text.materials[0].material.Power, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(, CubeEncodings, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CubeBinaryForms, AreBitIdenticalToTheBinaryFile) {
    ScratchDir dir;
    Snapshot binary, compressed, wide;
    ASSERT_GE(Load(SharedX("X/test_cube_binary.x"), binary), 0);
    ASSERT_GE(Load(SharedX("X/test_cube_compressed.x"), compressed), 0);
    WriteBytes("wide.x", WidenFloats(ReadBytes(SharedX("X/test_cube_binary.x"))));
    ASSERT_GE(Load("wide.x", wide), 0);
    EXPECT_EQ(compressed.vertices, binary.vertices);
    EXPECT_EQ(wide.vertices, binary.vertices);  // float → double → float is exact
    EXPECT_EQ(compressed.materials, binary.materials);
}

// ---- what the real files hold -----------------------------------------------------

TEST(RealFiles, FrameTransformIsAppliedToPositionsAndNormals) {
    // Root's matrix swaps y and z (rows 1,0,0 / 0,0,1 / 0,1,0); the file's
    // vertex 0 is (-1, -1, 1) with normal (0, -1, 0).
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/test_cube_text.x"), s), 0);
    ASSERT_EQ(s.vertices.size(), 24u);
    EXPECT_FLOAT_EQ(s.vertices[0].position[0], -1.0f);
    EXPECT_FLOAT_EQ(s.vertices[0].position[1], 1.0f);
    EXPECT_FLOAT_EQ(s.vertices[0].position[2], -1.0f);
    EXPECT_FLOAT_EQ(s.vertices[0].normal[0], 0.0f);
    EXPECT_FLOAT_EQ(s.vertices[0].normal[1], 0.0f);
    EXPECT_FLOAT_EQ(s.vertices[0].normal[2], -1.0f);
    // Winding and indices as the file gives them: face 0 is 3;0,2,1.
    EXPECT_EQ(std::vector<std::uint32_t>(s.indices.begin(), s.indices.begin() + 3),
              (std::vector<std::uint32_t>{0, 2, 1}));
}

TEST(RealFiles, MaterialReferencedByNameIsTheTopLevelMaterial) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/test_cube_text.x"), s), 0);
    ASSERT_EQ(s.materials.size(), 1u);
    const D3DMATERIAL8& m = s.materials[0].material;
    EXPECT_FLOAT_EQ(m.Diffuse.r, 0.639216f);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(m.Power, 96.078430f);
    EXPECT_FLOAT_EQ(m.Specular.g, 0.498039f);
    EXPECT_FALSE(s.materials[0].hasTexture);
    EXPECT_EQ(s.attributes, std::vector<DWORD>(12, 0));
}

TEST(RealFiles, VertexColoursBecomeTheDiffuseComponent) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/kwxport_test_cubewithvcolors.x"), s), 0);
    EXPECT_EQ(s.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    ASSERT_EQ(s.vertices.size(), 24u);
    EXPECT_EQ(s.vertices[0].color, 0xFFFF0000u);  // 0;1;0;0;1
    EXPECT_EQ(s.vertices[1].color, 0xFFFFFFFFu);
    EXPECT_EQ(s.vertices[6].color, 0xFF00FF00u);
    // "FrameTransformMatrix relative" moves the box down by 0.492126.
    EXPECT_NEAR(s.vertices[4].position[1], 0.984252f - 0.492126f, 1e-6);
}

TEST(RealFiles, AbsoluteWindowsTextureNamesAreKeptAsStored) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/kwxport_test_cubewithvcolors.x"), s), 0);
    ASSERT_EQ(s.materials.size(), 3u);
    const char* names[] = {
        R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\bottom.tga)",
        R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\top.tga)",
        R"(C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\updown.tga)",
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.materials[i].hasTexture);
        EXPECT_EQ(s.materials[i].texture, names[i]);
    }
    ASSERT_EQ(s.table.size(), 3u);
    EXPECT_EQ(s.table[0].FaceCount + s.table[1].FaceCount + s.table[2].FaceCount, 12u);
}

TEST(RealFiles, MeshWithoutMaterialListGetsOneWhiteMaterial) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/Testwuson.X"), s), 0);
    ASSERT_EQ(s.materials.size(), 1u);
    EXPECT_FALSE(s.materials[0].hasTexture);
    const D3DCOLORVALUE& d = s.materials[0].material.Diffuse;
    EXPECT_EQ((std::vector<float>{d.r, d.g, d.b, d.a}), (std::vector<float>{1, 1, 1, 1}));
    ASSERT_EQ(s.table.size(), 1u);
    EXPECT_EQ(s.table[0].FaceCount, s.attributes.size());
    for (std::uint32_t index : s.indices) ASSERT_LT(index, s.vertices.size());
}

TEST(RealFiles, MayaFileWithoutTemplatesLoadsWithItsTexture) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/test.x"), s), 0);
    EXPECT_EQ(s.vertices.size(), 24u);
    EXPECT_EQ(s.indices.size(), 36u);
    ASSERT_EQ(s.materials.size(), 1u);
    EXPECT_EQ(s.materials[0].texture, R"(.\\test.png)");
}

TEST(RealFiles, EmptyTextureNameIsStoredAsAnEmptyName) {
    Snapshot s;
    ASSERT_GE(Load(SharedX("X/anim_test.x"), s), 0);
    ASSERT_EQ(s.materials.size(), 1u);
    EXPECT_TRUE(s.materials[0].hasTexture);
    EXPECT_EQ(s.materials[0].texture, "");
}

// ---- small files written here --------------------------------------------------------

// A cube with eight shared positions and one normal per face: the corners
// must be split into 24 vertices, the first eight keeping their numbers.
const char* kSharedCornerCube = R"(xof 0303txt 0032
Mesh Box {
 8;
 -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;
 6;
 4;1,3,7,5;, 4;0,4,6,2;, 4;2,6,7,3;, 4;0,1,5,4;, 4;4,5,7,6;, 4;0,2,3,1;;
 MeshNormals {
  6;
  1;0;0;, -1;0;0;, 0;1;0;, 0;-1;0;, 0;0;1;, 0;0;-1;;
  6;
  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }
}
)";

TEST(SmallFiles, CornersWithSeveralNormalsAreSplitAndEveryFaceKeepsItsNormal) {
    ScratchDir dir;
    WriteText("box.x", kSharedCornerCube);
    Snapshot s;
    ASSERT_GE(Load("box.x", s), 0);
    EXPECT_EQ(s.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
    ASSERT_EQ(s.vertices.size(), 24u);
    ASSERT_EQ(s.indices.size(), 36u);
    const float normals[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                                 {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
    for (int v = 0; v < 8; ++v) EXPECT_TRUE(SameFloats(s.vertices[v].position, corners[v], 3)) << v;
    for (size_t t = 0; t < 12; ++t) {
        for (int k = 0; k < 3; ++k) {
            const Vertex& v = s.vertices[s.indices[t * 3 + k]];
            EXPECT_TRUE(SameFloats(v.normal, normals[t / 2], 3)) << "triangle " << t;
        }
    }
}

TEST(SmallFiles, PolygonsBecomeFansInTheFilesWinding) {
    ScratchDir dir;
    WriteText("poly.x", R"(xof 0303txt 0032
Mesh { 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;;
 2; 4;0,1,2,3;, 5;4,3,2,1,0;; }
)");
    Snapshot s;
    ASSERT_GE(Load("poly.x", s), 0);
    EXPECT_EQ(s.fvf, static_cast<DWORD>(D3DFVF_XYZ));  // no normals in the file, none invented
    EXPECT_EQ(s.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 3, 2, 4, 2, 1, 4, 1, 0}));
}

TEST(SmallFiles, MeshesAreMergedWithTheirMaterialListsConcatenated) {
    ScratchDir dir;
    WriteText("merge.x", R"(xof 0303txt 0032
Material Shared { 0;0;1;1;; 5; 0;0;0;; 0;0;0;; }
Mesh A {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 2; 3;0,1,2;, 3;2,1,0;;
 MeshMaterialList { 2; 2; 1, 0;
  Material { 1;0;0;1;; 1; 0;0;0;; 0;0;0;; TextureFilename { "red.bmp"; } }
  Material { 0;1;0;1;; 1; 0;0;0;; 0;0;0;; } }
}
Frame F {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; }
 Mesh B { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
 Mesh C { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; { Shared } } }
}
)");
    Snapshot s;
    ASSERT_GE(Load("merge.x", s), 0);
    ASSERT_EQ(s.materials.size(), 4u);  // A's two, B's default, C's one
    EXPECT_EQ(s.materials[0].texture, "red.bmp");
    EXPECT_FLOAT_EQ(s.materials[1].material.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(s.materials[2].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(s.materials[3].material.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(s.materials[3].material.Power, 5.0f);
    ASSERT_EQ(s.vertices.size(), 9u);
    EXPECT_FLOAT_EQ(s.vertices[3].position[0], 5.0f);  // B moved by its frame
    EXPECT_FLOAT_EQ(s.vertices[7].position[0], 6.0f);
    // Faces sorted by attribute: A's face 1 (material 0), A's face 0, B, C.
    EXPECT_EQ(s.attributes, (std::vector<DWORD>{0, 1, 2, 3}));
    EXPECT_EQ(std::vector<std::uint32_t>(s.indices.begin(), s.indices.begin() + 6),
              (std::vector<std::uint32_t>{2, 1, 0, 0, 1, 2}));
    ASSERT_EQ(s.table.size(), 4u);
    EXPECT_EQ(s.table[2].AttribId, 2u);
    EXPECT_EQ(s.table[2].FaceStart, 2u);
    EXPECT_EQ(s.table[2].VertexStart, 3u);
    EXPECT_EQ(s.table[2].VertexCount, 3u);
}

TEST(SmallFiles, NestedFramesComposeChildTimesParentWhereverTheMatrixStands) {
    ScratchDir dir;
    WriteText("frames.x", R"(xof 0303txt 0032
Frame Outer {
 Frame Inner {
  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; }
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
 }
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
}
Frame Sibling { Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; } }
)");
    Snapshot s;
    ASSERT_GE(Load("frames.x", s), 0);
    ASSERT_EQ(s.vertices.size(), 6u);
    EXPECT_FLOAT_EQ(s.vertices[0].position[0], 12.0f);  // (1,0,0) scaled by 2, then moved by 10
    EXPECT_FLOAT_EQ(s.vertices[1].position[1], 2.0f);
    EXPECT_FLOAT_EQ(s.vertices[1].position[0], 10.0f);
    EXPECT_FLOAT_EQ(s.vertices[3].position[0], 1.0f);  // the sibling is not moved
}

TEST(SmallFiles, ShortFaceIndexListRepeatsItsLastIndex) {
    ScratchDir dir;
    WriteText("short.x", R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,2,1;, 3;1,0,2;;
 MeshMaterialList { 2; 3; 1;
  Material { 1;0;0;1;; 1; 0;0;0;; 0;0;0;; }
  Material { 0;1;0;1;; 1; 0;0;0;; 0;0;0;; } } }
)");
    Snapshot s;
    ASSERT_GE(Load("short.x", s), 0);
    EXPECT_EQ(s.attributes, (std::vector<DWORD>{1, 1, 1}));
}

TEST(SmallFiles, TemplatesCommentsAndUnknownObjectsAreSkipped) {
    ScratchDir dir;
    WriteText("skip.x", R"(xof 0302txt 0032
# a comment { with a brace
template Odd { <11111111-2222-3333-4444-555555555555> STRING s; [...] }
Odd odd { "a } in a string"; Nested { 1; 2; { odd } } }
// another comment }
Header { 1; 0; 1; }
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
 AnimationSet { Animation { { odd } AnimationKey { 0; 1; 0; 4; 1;0;0;0;;; } } }
 meshtexturecoords { 3; 0;0;, 1;0;, 0;1;; }
 MeshMaterialList { 1; 1; 0;;
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFileName { "t.bmp"; } } } }
)");
    Snapshot s;
    ASSERT_GE(Load("skip.x", s), 0);
    EXPECT_EQ(s.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1));
    EXPECT_FLOAT_EQ(s.vertices[1].uv[0], 1.0f);
    EXPECT_EQ(s.materials.at(0).texture, "t.bmp");
}

TEST(SmallFiles, FileNameIsOpenedAsWindowsWouldOpenIt) {
    ScratchDir dir;
    std::filesystem::create_directories("Models/Ships");
    WriteText("Models/Ships/Box.x", kSharedCornerCube);
    Snapshot s;
    EXPECT_GE(Load(R"(models\SHIPS\box.X)", s), 0);
    EXPECT_GE(Load(R"(.\Models\\Ships\Box.x)", s), 0);
    EXPECT_LT(Load(R"(Models\Ships\Boxes.x)", s), 0);
}

// ---- refusals --------------------------------------------------------------------

struct BadCase {
    const char* name;
    std::string text;  // written as is; empty: `file` names a shared file
    const char* file;
};

const BadCase kBad[] = {
    {"shared_skinweights_out_of_range", "", "X/malformed_skinweights_oob.x"},
    {"shared_fuzzed_compressed", "", "X/OV_GetNextToken"},
    {"shared_fvfdata_too_short", "", "X/malformed_fvf_texcoord_oob.x"},
    {"shared_empty", "", "invalid/empty.x"},
    {"bad_magic", "xaf 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }", nullptr},
    {"unknown_format", "xof 0303abc 0032\nMesh { }", nullptr},
    {"unknown_float_size", "xof 0303txt 0016\nMesh { }", nullptr},
    {"no_mesh", "xof 0303txt 0032\nFrame { }", nullptr},
    {"no_faces", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }", nullptr},
    {"face_index_out_of_range", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }", nullptr},
    {"face_with_two_corners", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }", nullptr},
    {"vertex_count_beyond_data", "xof 0303txt 0032\nMesh { 4000000000; 0;0;0;; 1; 3;0,1,2;; }", nullptr},
    {"too_few_vertices", "xof 0303txt 0032\nMesh { 4; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }", nullptr},
    {"normal_faces_differ_in_count",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }",
     nullptr},
    {"normal_index_out_of_range",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshNormals { 1; 0;0;1;; 1; 3;0,1,0;; } }",
     nullptr},
    {"too_few_texture_coordinates",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshTextureCoords { 2; 0;0;, 1;1;; } }",
     nullptr},
    {"colour_index_out_of_range",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshVertexColors { 1; 3;1;1;1;1;;; } }",
     nullptr},
    {"material_index_out_of_range",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
     nullptr},
    {"fewer_materials_than_declared",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
     nullptr},
    {"reference_to_unknown_material",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;; { Nope } } }",
     nullptr},
    {"decldata_too_short",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n DeclData { 1; 2;0;3;0;; 2; 0,0; } }", nullptr},
    {"unterminated_string",
     "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
     " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"x; } } } }",
     nullptr},
    {"stray_number_in_mesh", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; 7; }", nullptr},
    {"frames_nested_too_deeply",
     "xof 0303txt 0032\n" + [] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "Frame {\n";
         s += "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
         for (int i = 0; i < 300; ++i) s += "}\n";
         return s;
     }(),
     nullptr},
};

class RefusedFiles : public ::testing::TestWithParam<BadCase> {};

TEST_P(RefusedFiles, GiveANegativeResultAndOneLineOnStderr) {
    ScratchDir dir;
    std::string path = "bad.x";
    if (GetParam().file) {
        path = SharedX(GetParam().file);
    } else {
        WriteText(path, GetParam().text);
    }
    RecordingDevice device;
    ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(0x1);
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(0x1);
    DWORD count = 77;
    ::testing::internal::CaptureStderr();
    HRESULT hr =
        D3DXLoadMeshFromX(const_cast<LPSTR>(path.c_str()), D3DXMESH_SYSTEMMEM, &device, nullptr, &materials, &count, &mesh);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(hr, 0);
    EXPECT_EQ(mesh, reinterpret_cast<ID3DXMesh*>(0x1));  // out-values untouched
    EXPECT_EQ(materials, reinterpret_cast<ID3DXBuffer*>(0x1));
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(device.Named("CreateVertexBuffer").empty());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(, RefusedFiles, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MissingFiles, AreRefusedWithTheirNameOnStderr) {
    ScratchDir dir;
    Snapshot s;
    ::testing::internal::CaptureStderr();
    EXPECT_LT(Load("nothing-here.x", s), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("nothing-here.x"), std::string::npos);
}

// Every good file cut short before its last closing brace is refused. The
// small ones at every length, the large ones at a few hundred.
const char* kGoodFiles[] = {"X/test_cube_text.x",  "X/test_cube_binary.x", "X/test_cube_compressed.x",
                            "X/kwxport_test_cubewithvcolors.x", "X/test.x", "X/Testwuson.X", "X/anim_test.x"};

class TruncatedFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(TruncatedFiles, AreRefusedAtEveryLength) {
    ScratchDir dir;
    const Bytes whole = ReadBytes(SharedX(GetParam()));
    ASSERT_GT(whole.size(), 16u);
    Snapshot s;
    ::testing::internal::CaptureStderr();
    ASSERT_GE(Load(SharedX(GetParam()), s), 0);
    size_t end = whole.size();
    if (std::memcmp(whole.data() + 8, "txt ", 4) == 0)
        end = std::string(whole.begin(), whole.end()).rfind('}') + 1;  // trailing white space may go
    const size_t step = end > 20000 ? end / 300 : 1;
    for (size_t length = 0; length < end; length += step) {
        WriteBytes("cut.x", Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        ASSERT_LT(Load("cut.x", s), 0) << "cut at " << length << " of " << whole.size();
    }
    ::testing::internal::GetCapturedStderr();
}

INSTANTIATE_TEST_SUITE_P(, TruncatedFiles, ::testing::ValuesIn(kGoodFiles), [](const auto& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// Bytes changed at deterministic places: whatever the reader accepts must be
// a mesh that can be drawn, every index within its vertices and every
// attribute within its materials.
TEST(CorruptedFiles, AreRefusedOrGiveAConsistentMesh) {
    ScratchDir dir;
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    };
    ::testing::internal::CaptureStderr();
    int accepted = 0;
    for (const char* file : {"X/test_cube_text.x", "X/test_cube_binary.x", "X/test_cube_compressed.x",
                             "X/kwxport_test_cubewithvcolors.x"}) {
        const Bytes whole = ReadBytes(SharedX(file));
        for (int round = 0; round < 400; ++round) {
            Bytes bytes = whole;
            int changes = 1 + static_cast<int>(next() % 4);
            for (int k = 0; k < changes; ++k) {
                size_t at = 16 + next() % (bytes.size() - 16);
                bytes[at] = static_cast<std::uint8_t>(next());
            }
            WriteBytes("bent.x", bytes);
            Snapshot s;
            if (Load("bent.x", s) < 0) continue;
            ++accepted;
            ASSERT_EQ(s.indices.size(), s.attributes.size() * 3) << file << " round " << round;
            for (std::uint32_t index : s.indices) ASSERT_LT(index, s.vertices.size()) << file << " round " << round;
            for (DWORD a : s.attributes) ASSERT_LT(a, s.materials.size()) << file << " round " << round;
            DWORD covered = 0;
            for (const auto& r : s.table) covered += r.FaceCount;
            ASSERT_EQ(covered, s.attributes.size());
        }
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_GT(accepted, 0);  // some changes (inside numbers) leave a valid file
}

}  // namespace
}  // namespace tarvona::testing::models
