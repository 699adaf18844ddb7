// D3DXCreateTextureFromFileA on the recording device: image formats, the
// texture's size, format, pool and mip chain, the texels of each level,
// Windows file names, and the refusals with their line on stderr.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <filesystem>

#include "models/x_test_support.h"
#include "support/data_files.h"

namespace tarvona::testing::models {
namespace {

// A 5×3 image (odd sizes on purpose) with an alpha ramp.
std::vector<std::uint8_t> TestPixels() {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            rgba.push_back(static_cast<std::uint8_t>(40 * x + 10));
            rgba.push_back(static_cast<std::uint8_t>(100 * y + 5));
            rgba.push_back(static_cast<std::uint8_t>(200 - 30 * x));
            rgba.push_back(static_cast<std::uint8_t>(255 - 20 * (x + y)));
        }
    return rgba;
}

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

std::vector<std::uint8_t> Rgb(const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), rgba.begin() + i, rgba.begin() + i + 3);
    return rgb;
}

struct FormatCase {
    const char* name;
    bool alpha;       // the file has an alpha channel
    int tolerance;    // lossy formats differ a little
    Bytes (*encode)(const std::vector<std::uint8_t>& rgba);
};

const FormatCase kFormats[] = {
    {"bmp_rgb", false, 0,
     [](const std::vector<std::uint8_t>& p) {
         Bytes out;
         stbi_write_bmp_to_func(Append, &out, 5, 3, 3, Rgb(p).data());
         return out;
     }},
    {"tga_rgba", true, 0,
     [](const std::vector<std::uint8_t>& p) {
         Bytes out;
         stbi_write_tga_to_func(Append, &out, 5, 3, 4, p.data());
         return out;
     }},
    {"png_rgba", true, 0,
     [](const std::vector<std::uint8_t>& p) {
         Bytes out;
         stbi_write_png_to_func(Append, &out, 5, 3, 4, p.data(), 20);
         return out;
     }},
    {"png_rgb", false, 0,
     [](const std::vector<std::uint8_t>& p) {
         Bytes out;
         stbi_write_png_to_func(Append, &out, 5, 3, 3, Rgb(p).data(), 15);
         return out;
     }},
    {"jpeg_rgb", false, 40,
     [](const std::vector<std::uint8_t>& p) {
         Bytes out;
         stbi_write_jpg_to_func(Append, &out, 5, 3, 3, Rgb(p).data(), 100);
         return out;
     }},
};

class TextureFormats : public ::testing::TestWithParam<FormatCase> {
protected:
    ScratchDir dir;
    RecordingDevice device;
};

// The texel at (x, y) of a locked A8R8G8B8/X8R8G8B8 level: B, G, R, A.
const std::uint8_t* Texel(const RecordingTexture::Level& level, int x, int y) {
    return level.bytes.data() + static_cast<size_t>(level.pitch) * y + x * 4;
}

TEST_P(TextureFormats, GiveTheFilesSizeAFormatFromItsChannelsAndTheFullMipChain) {
    const FormatCase& c = GetParam();
    const std::vector<std::uint8_t> pixels = TestPixels();
    WriteBytes("image.img", c.encode(pixels));
    device.texturePitchPadding = 12;  // rows are read through the pitch
    IDirect3DTexture8* texture = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(&device, "image.img", &texture), 0);
    ASSERT_EQ(device.textures.size(), 1u);
    EXPECT_EQ(texture, device.textures[0]);
    const D3DFORMAT format = c.alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    // 5×3, 2×1, 1×1, in the managed pool.
    EXPECT_EQ(device.Texts("CreateTexture").at(0),
              "CreateTexture(5, 3, 3, 0, " + std::to_string(format) + ", " + std::to_string(D3DPOOL_MANAGED) + ")");
    const RecordingTexture& t = *device.textures[0];
    ASSERT_EQ(t.levels.size(), 3u);
    EXPECT_EQ(t.lockCount, 3);
    EXPECT_EQ(t.unlockCount, 3);

    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* in = &pixels[(y * 5 + x) * 4];
            const std::uint8_t* out = Texel(t.levels[0], x, y);
            EXPECT_NEAR(out[2], in[0], c.tolerance) << x << "," << y;
            EXPECT_NEAR(out[1], in[1], c.tolerance) << x << "," << y;
            EXPECT_NEAR(out[0], in[2], c.tolerance) << x << "," << y;
            EXPECT_EQ(out[3], c.alpha ? in[3] : 0xFF) << x << "," << y;
        }
    // Level 1 texel 0 is the rounded average of level 0's top-left 2×2.
    for (int k = 0; k < 4; ++k) {
        int sum = Texel(t.levels[0], 0, 0)[k] + Texel(t.levels[0], 1, 0)[k] + Texel(t.levels[0], 0, 1)[k] +
                  Texel(t.levels[0], 1, 1)[k];
        EXPECT_EQ(Texel(t.levels[1], 0, 0)[k], (sum + 2) / 4) << "channel " << k;
    }
    EXPECT_EQ(texture->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(, TextureFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

class TextureFiles : public ::testing::Test {
protected:
    void WriteBmp(const std::string& path, int w, int h) { tarvona::testing::WriteSolidBmp(path, w, h); }
    // Result, texture and what was said on stderr.
    HRESULT Create(const char* name, std::string& said) {
        ::testing::internal::CaptureStderr();
        HRESULT hr = D3DXCreateTextureFromFileA(&device, name, &texture);
        said = ::testing::internal::GetCapturedStderr();
        return hr;
    }

    ScratchDir dir;
    RecordingDevice device;
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x20);
};

TEST_F(TextureFiles, NamesAreOpenedWithBackslashesAndAnyLetterCase) {
    std::filesystem::create_directories("Textures/Hull");
    WriteBmp("Textures/Hull/Plate.bmp", 4, 4);
    std::string said;
    for (const char* name : {R"(Textures\Hull\Plate.bmp)", R"(textures\HULL\plate.BMP)", R"(.\Textures\\hull/PLATE.bmp)"}) {
        EXPECT_GE(Create(name, said), 0) << name;
        EXPECT_EQ(said, "");
    }
    EXPECT_EQ(device.textures.size(), 3u);
}

TEST_F(TextureFiles, ExactNameWinsOverOneThatDiffersInCase) {
    WriteBmp("a.bmp", 4, 4);
    WriteBmp("A.bmp", 8, 8);
    std::string said;
    ASSERT_GE(Create("A.bmp", said), 0);
    EXPECT_EQ(device.textures.at(0)->levels[0].width, 8u);
}

TEST_F(TextureFiles, ImageLargerThanTheDeviceAllowsIsHalvedUntilItFits) {
    WriteBmp("wide.bmp", 16, 4);
    device.caps.MaxTextureWidth = 4;
    device.caps.MaxTextureHeight = 4;
    std::string said;
    ASSERT_GE(Create("wide.bmp", said), 0);
    EXPECT_EQ(device.Texts("CreateTexture").at(0).substr(0, 22), "CreateTexture(4, 1, 3,");
}

struct Refusal {
    const char* name;
    const char* file;      // passed to the loader
    const char* contents;  // written to "broken.img" first, when not null
    size_t size;           // of contents; 0: up to its first NUL
    bool saysALine;
};

const Refusal kRefusals[] = {
    {"missing_file", "missing.bmp", nullptr, 0, true},
    {"null_name", nullptr, nullptr, 0, false},  // a material without a texture passes one on purpose
    {"empty_name", "", nullptr, 0, true},
    {"not_an_image", "broken.img", "this is not an image at all", 0, true},
    {"truncated_png", "broken.img", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16, true},
    {"directory", "adir", nullptr, 0, true},
    {"absolute_windows_path", R"(C:\code\data\top.tga)", nullptr, 0, true},
};

class TextureRefusals : public TextureFiles, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TextureRefusals, GiveANegativeResultAndLeaveThePointer) {
    const Refusal& r = GetParam();
    std::filesystem::create_directory("adir");
    if (r.contents) WriteText("broken.img", std::string(r.contents, r.size ? r.size : std::strlen(r.contents)));
    std::string said;
    EXPECT_LT(Create(r.file, said), 0);
    EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x20));
    EXPECT_TRUE(device.textures.empty());
    if (r.saysALine) {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(std::string("'") + r.file + "'"), std::string::npos) << said;
    } else {
        EXPECT_EQ(said, "");
    }
}

INSTANTIATE_TEST_SUITE_P(, TextureRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextureFiles, DeviceRefusalsAreReturnedAndTheTextureIsReleased) {
    WriteBmp("ok.bmp", 4, 4);
    std::string said;
    device.createTextureResult = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(Create("ok.bmp", said), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_NE(said.find("ok.bmp"), std::string::npos);

    device.createTextureResult = S_OK;
    device.failLocks = true;
    EXPECT_LT(Create("ok.bmp", said), 0);
    ASSERT_EQ(device.textures.size(), 1u);
    EXPECT_EQ(device.textures[0]->refCount, 0u);
    EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x20));
}

TEST_F(TextureFiles, TheSharedTgaTexturesLoad) {
    std::string said;
    for (const char* name : {"top.tga", "bottom.tga", "updown.tga"}) {
        ASSERT_GE(Create(SharedX(std::string("X/") + name).c_str(), said), 0) << said;
        EXPECT_GE(device.textures.back()->levels.size(), 2u);
    }
}

}  // namespace
}  // namespace tarvona::testing::models
