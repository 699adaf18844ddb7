// The demo's data files as the build writes them (TARVONA_DATA_DIR): each
// model loads back with the counts its generator wrote into generated.txt,
// at the size the scene needs, with faces wound to match their normals, and
// every texture it names loads, as do the sprite's glow.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "models/x_test_support.h"

namespace tarvona::testing::models {
namespace {

struct SubsetLine {
    DWORD faces;
    std::string texture;
};
struct ModelLine {
    DWORD vertices = 0, faces = 0, materials = 0;
    std::vector<SubsetLine> subsets;
};
struct Manifest {
    std::map<std::string, ModelLine> models;
    std::map<std::string, std::pair<UINT, UINT>> images;
};

std::string DataDir() {
    const char* dir = std::getenv("TARVONA_DATA_DIR");
    return dir ? dir : "data";
}

Manifest ReadManifest() {
    Manifest m;
    std::istringstream in(std::string([] {
        Bytes b = ReadBytes(DataDir() + "/generated.txt");
        return std::string(b.begin(), b.end());
    }()));
    std::string kind, file, word;
    while (in >> kind >> file) {
        if (kind == "model") {
            ModelLine& line = m.models[file];
            double radius;
            in >> word >> line.vertices >> word >> line.faces >> word >> line.materials >> word >> radius;
        } else if (kind == "subset") {
            size_t index;
            SubsetLine s;
            in >> index >> word >> s.faces >> word >> s.texture;
            m.models[file].subsets.push_back(s);
        } else if (kind == "image") {
            in >> m.images[file].first >> m.images[file].second;
        }
    }
    return m;
}

class GeneratedData : public ::testing::Test {
protected:
    void SetUp() override {
        manifest = ReadManifest();
        ASSERT_EQ(manifest.models.size(), 6u) << "no data files in " << DataDir() << "; build the tarvona_data target";
    }
    Manifest manifest;
};

float Radius(const Snapshot& s) {
    float r = 0;
    for (const Vertex& v : s.vertices)
        r = std::fmax(r, std::sqrt(v.position[0] * v.position[0] + v.position[1] * v.position[1] +
                                   v.position[2] * v.position[2]));
    return r;
}

TEST_F(GeneratedData, ModelsLoadBackWithTheCountsTheGeneratorWrote) {
    for (const char* file : {"ship.x", "stardock.x", "borg.x", "earth.x", "sun.x", "moon.x"}) {
        SCOPED_TRACE(file);
        ASSERT_EQ(manifest.models.count(file), 1u);
        const ModelLine& line = manifest.models[file];
        Snapshot s;
        ASSERT_GE(Load(DataDir() + "/" + file, s), 0);
        EXPECT_EQ(s.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
        EXPECT_EQ(s.vertices.size(), line.vertices);
        EXPECT_EQ(s.attributes.size(), line.faces);
        ASSERT_EQ(s.materials.size(), line.materials);
        ASSERT_EQ(line.subsets.size(), line.materials);
        for (size_t i = 0; i < s.materials.size(); ++i) {
            DWORD faces = 0;
            for (const auto& r : s.table)
                if (r.AttribId == i) faces += r.FaceCount;
            EXPECT_EQ(faces, line.subsets[i].faces) << "subset " << i;
            EXPECT_EQ(s.materials[i].hasTexture ? s.materials[i].texture : "none", line.subsets[i].texture);
        }
        EXPECT_LT(line.faces, 4000u);  // the software rasteriser draws every frame
    }
}

TEST_F(GeneratedData, ModelsHaveTheSizesOfTheScene) {
    struct Size {
        const char* file;
        float low, high;  // world units, ten metres each
    };
    const Size sizes[] = {{"earth.x", 636000, 638000},    {"moon.x", 173000, 174500},
                          {"sun.x", 69.5e6f, 69.7e6f},     {"stardock.x", 300, 500},
                          {"borg.x", 300, 500},            {"ship.x", 2, 20}};
    for (const Size& size : sizes) {
        Snapshot s;
        ASSERT_GE(Load(DataDir() + "/" + size.file, s), 0) << size.file;
        EXPECT_GE(Radius(s), size.low) << size.file;
        EXPECT_LE(Radius(s), size.high) << size.file;
    }
}

// Direct3D culls counter-clockwise triangles: seen from outside, a face runs
// clockwise, so in left-handed coordinates cross(b − a, c − a) points along
// the outward normal the file gives its corners.
TEST_F(GeneratedData, FacesAreWoundClockwiseAroundTheirOutwardNormals) {
    for (const char* file : {"ship.x", "stardock.x", "borg.x", "earth.x", "sun.x", "moon.x"}) {
        Snapshot s;
        ASSERT_GE(Load(DataDir() + "/" + file, s), 0) << file;
        int wrong = 0;
        for (size_t t = 0; t < s.attributes.size(); ++t) {
            const Vertex& a = s.vertices[s.indices[t * 3]];
            const Vertex& b = s.vertices[s.indices[t * 3 + 1]];
            const Vertex& c = s.vertices[s.indices[t * 3 + 2]];
            float e1[3], e2[3];
            for (int k = 0; k < 3; ++k) {
                e1[k] = b.position[k] - a.position[k];
                e2[k] = c.position[k] - a.position[k];
            }
            float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
            float dot = 0;
            for (const Vertex* v : {&a, &b, &c})
                dot += n[0] * v->normal[0] + n[1] * v->normal[1] + n[2] * v->normal[2];
            if (!(dot > 0)) ++wrong;
        }
        EXPECT_EQ(wrong, 0) << file;
    }
}

// Level 0 of a generated image loaded through the texture loader, as BGRA.
struct Loaded {
    UINT width = 0, height = 0;
    std::vector<std::uint8_t> bgra;
    const std::uint8_t* At(UINT x, UINT y) const { return &bgra[(size_t{y} * width + x) * 4]; }
};

Loaded LoadImage(RecordingDevice& device, const std::string& name) {
    Loaded out;
    IDirect3DTexture8* texture = nullptr;
    EXPECT_GE(D3DXCreateTextureFromFileA(&device, name.c_str(), &texture), 0) << name;
    if (!texture) return out;
    const auto& level = device.textures.back()->levels.at(0);
    out.width = level.width;
    out.height = level.height;
    for (UINT y = 0; y < level.height; ++y)
        out.bgra.insert(out.bgra.end(), level.bytes.begin() + static_cast<long>(level.pitch) * y,
                        level.bytes.begin() + static_cast<long>(level.pitch) * y + level.width * 4);
    return out;
}

TEST_F(GeneratedData, EveryNamedTextureLoadsFromTheDataFolder) {
    ScratchDir scratch;  // restores the working directory afterwards
    std::filesystem::current_path(DataDir());
    RecordingDevice device;
    for (const auto& [file, line] : manifest.models)
        for (const SubsetLine& s : line.subsets) {
            if (s.texture == "none") continue;
            Loaded image = LoadImage(device, s.texture);
            ASSERT_EQ(manifest.images.count(s.texture), 1u) << s.texture;
            EXPECT_EQ(image.width, manifest.images[s.texture].first) << s.texture;
            EXPECT_EQ(image.height, manifest.images[s.texture].second) << s.texture;
        }
}

TEST_F(GeneratedData, ParticleIsASoftRoundGlowOnBlack) {
    RecordingDevice device;
    Loaded glow = LoadImage(device, DataDir() + "/particle1.bmp");
    ASSERT_EQ(glow.width, 64u);
    const UINT c = glow.width / 2;
    EXPECT_GT(glow.At(c, c)[1], 200);
    EXPECT_EQ(glow.At(0, 0)[1], 0);
    EXPECT_EQ(glow.At(c, 0)[1], 0);
    // Falling off smoothly from the centre along a radius.
    for (UINT x = c; x + 1 < glow.width; ++x) EXPECT_GE(glow.At(x, c)[1], glow.At(x + 1, c)[1]) << x;
    EXPECT_GT(glow.At(c + c / 2, c)[1], 10);
}

TEST_F(GeneratedData, EarthHasOceansLandAndCloudsMoonIsGreySunIsBright) {
    RecordingDevice device;
    Loaded earth = LoadImage(device, DataDir() + "/earth.bmp");
    size_t ocean = 0, land = 0, white = 0, n = earth.bgra.size() / 4;
    for (size_t i = 0; i < n; ++i) {
        int b = earth.bgra[i * 4], g = earth.bgra[i * 4 + 1], r = earth.bgra[i * 4 + 2];
        if (r > 200 && g > 200 && b > 200) ++white;
        else if (b > g && b > r) ++ocean;
        else if (g >= b) ++land;
    }
    EXPECT_GT(ocean, n * 3 / 10);
    EXPECT_GT(land, n / 10);
    EXPECT_GT(white, n / 20);

    Loaded moon = LoadImage(device, DataDir() + "/moon.bmp");
    for (size_t i = 0; i < moon.bgra.size(); i += 4)
        ASSERT_LE(std::abs(moon.bgra[i] - moon.bgra[i + 2]), 6) << "moon texel " << i / 4 << " is not grey";

    Loaded sun = LoadImage(device, DataDir() + "/sun.bmp");
    double sum = 0;
    for (size_t i = 0; i < sun.bgra.size(); i += 4) sum += sun.bgra[i + 2] + sun.bgra[i + 1];
    EXPECT_GT(sum / (sun.bgra.size() / 4) / 2, 170.0);
}

}  // namespace
}  // namespace tarvona::testing::models
