// The sprite's one-vertex buffer with its packed colour, and the fixed call
// sequence of Render as the device receives it.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "scene/PointSprite.h"
#include "support/recording_device.h"

namespace {

using tarvona::testing::RecordingDevice;

std::string Ptr(const void* p) { return std::to_string(reinterpret_cast<std::uintptr_t>(p)); }

SpriteVertex VertexIn(const RecordingDevice& device) {
    SpriteVertex v;
    EXPECT_EQ(device.vertexBuffers.size(), 1u);
    EXPECT_EQ(device.vertexBuffers[0]->bytes.size(), sizeof v);
    std::memcpy(&v, device.vertexBuffers[0]->bytes.data(), sizeof v);
    return v;
}

struct PackingCase {
    const char* name;
    D3DXCOLOR colour;
    D3DCOLOR packed;
};

void PrintTo(const PackingCase& c, std::ostream* os) { *os << c.name; }

class Packing : public ::testing::TestWithParam<PackingCase> {};

TEST_P(Packing, PrepareWritesTheColourPackedAsArgb) {
    RecordingDevice device;
    PointSprite sprite(nullptr);
    sprite.SetColor(GetParam().colour);
    sprite.Prepare(&device);
    const SpriteVertex v = VertexIn(device);
    EXPECT_EQ(v.colour, GetParam().packed) << std::hex << v.colour;
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Channels, Packing,
    ::testing::Values(PackingCase{"WhiteRoundTrips", D3DXCOLOR(0xFFFFFFFF), 0xFFFFFFFF},
                      PackingCase{"HalfRoundsUp", D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.5f), 0x80808080},
                      PackingCase{"OneTwoZeroNegative", D3DXCOLOR(1.0f, 0.0f, -0.5f, 2.0f), 0xFFFF0000},
                      PackingCase{"NaNIsZero", D3DXCOLOR(kNaN, 1.0f, kNaN, 1.0f), 0xFF00FF00},
                      // Each channel in its own byte: a 0x12, r 0x34, g 0x56, b 0x78.
                      PackingCase{"ByteOrder", D3DXCOLOR(0x12345678), 0x12345678}),
    [](const ::testing::TestParamInfo<PackingCase>& info) { return info.param.name; });

TEST(PointSpritePrepare, CreatesAndFillsOneVertexOnce) {
    RecordingDevice device;
    PointSprite sprite(nullptr);
    sprite.SetColor(D3DXCOLOR(0xFF204080));
    sprite.Prepare(&device);
    ASSERT_EQ(device.vertexBuffers.size(), 1u);
    EXPECT_EQ(device.Texts(), (std::vector<std::string>{"CreateVertexBuffer(16, 0, 66, 0)", "Lock(0, 0, 0)",
                                                        "Unlock()"}));
    EXPECT_EQ(sprite.vertexBuffer, device.vertexBuffers[0]);
    EXPECT_EQ(sprite.device, &device);
}

TEST(PointSpritePrepare, ALaterColourDoesNotChangeTheDrawnVertex) {
    RecordingDevice device;
    PointSprite sprite(nullptr);
    sprite.SetColor(D3DXCOLOR(0xFF204080));
    sprite.Prepare(&device);
    sprite.SetColor(D3DXCOLOR(0xFF000000));
    sprite.Render();
    EXPECT_EQ(VertexIn(device).colour, 0xFF204080u);
    EXPECT_EQ(device.Texts("Lock").size(), 1u) << "Render never writes the buffer";
    EXPECT_EQ(sprite.colour->r, 0.0f) << "the new colour is kept";
}

TEST(PointSpriteColour, ValueFormCopiesAndPointerFormFollows) {
    PointSprite sprite(nullptr);
    D3DXCOLOR mine(0.25f, 0.5f, 0.75f, 1.0f);
    sprite.SetColor(mine);
    ASSERT_NE(sprite.colour, nullptr);
    EXPECT_NE(sprite.colour, &mine);
    mine.r = 0.0f;
    EXPECT_EQ(sprite.colour->r, 0.25f);
    sprite.SetColor(&mine);
    EXPECT_EQ(sprite.colour, &mine);
}

// The settings InitScene gives the scene's sprite.
class PointSpriteRender : public ::testing::Test {
protected:
    RecordingDevice device;
    RecordingDevice textureOwner;
    IDirect3DTexture8* texture = nullptr;
    void SetUp() override { textureOwner.CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture); }
    PointSprite Configured() {
        PointSprite sprite(texture);
        sprite.SetColor(D3DXCOLOR(0xFFFFFFFF));
        sprite.SetPointSize(1.0f, 0.0f);
        sprite.SetPointScale(0.0f, 0.0f, 0.1f);
        return sprite;
    }
};

TEST_F(PointSpriteRender, IssuesTheTwentyTwoStepsInOrderWithFloatBitPatterns) {
    PointSprite sprite = Configured();
    sprite.SetPointSize(1.0f, 0.5f);         // distinct minimum, to see it in its own slot
    sprite.SetPointScale(0.25f, 2.0f, 0.1f);  // distinct A and B likewise
    sprite.Prepare(&device);
    device.Clear();
    sprite.Render();
    const std::vector<std::string> expected = {
        "SetRenderState(14, 0)",
        "SetRenderState(137, 0)",
        "SetRenderState(27, 1)",
        "SetRenderState(19, 2)",
        "SetRenderState(20, 2)",
        "SetTexture(0, " + Ptr(texture) + ")",
        "SetTextureStageState(0, 17, 2)",
        "SetTextureStageState(0, 16, 2)",
        "SetTextureStageState(0, 1, 4)",
        "SetTextureStageState(0, 4, 4)",
        "SetRenderState(156, 1)",
        "SetRenderState(157, 1)",
        "SetRenderState(154, " + std::to_string(0x3F800000u) + ")",  // 1.0
        "SetRenderState(155, " + std::to_string(0x3F000000u) + ")",  // 0.5
        "SetRenderState(158, " + std::to_string(0x3E800000u) + ")",  // 0.25
        "SetRenderState(159, " + std::to_string(0x40000000u) + ")",  // 2.0
        "SetRenderState(160, " + std::to_string(0x3DCCCCCDu) + ")",  // 0.1
        "SetStreamSource(0, " + Ptr(device.vertexBuffers.at(0)) + ", 16)",
        "SetVertexShader(66)",
        "DrawPrimitive(1, 0, 1)",
        "SetRenderState(14, 1)",
        "SetRenderState(27, 0)",
    };
    EXPECT_EQ(device.Texts(), expected);
}

TEST_F(PointSpriteRender, SceneSettingsPassZeroMinimumAndScaleFactors) {
    PointSprite sprite = Configured();
    sprite.Prepare(&device);
    device.Clear();
    sprite.Render();
    const std::vector<std::string> states = device.Texts("SetRenderState");
    ASSERT_EQ(states.size(), 14u);
    EXPECT_EQ(states[7], "SetRenderState(154, 1065353216)");
    EXPECT_EQ(states[8], "SetRenderState(155, 0)");
    EXPECT_EQ(states[9], "SetRenderState(158, 0)");
    EXPECT_EQ(states[10], "SetRenderState(159, 0)");
    EXPECT_EQ(states[11], "SetRenderState(160, 1036831949)");
}

// A sprite whose buffer or colour could not be had is not drawn at all.
enum class Missing { Colour, Buffer, Lock };
class PointSpriteWithout : public PointSpriteRender, public ::testing::WithParamInterface<Missing> {};

TEST_P(PointSpriteWithout, DrawsNothing) {
    PointSprite sprite(texture);
    if (GetParam() != Missing::Colour) sprite.SetColor(D3DXCOLOR(0xFFFFFFFF));
    if (GetParam() == Missing::Buffer) device.createVertexBufferResult = D3DERR_OUTOFVIDEOMEMORY;
    if (GetParam() == Missing::Lock) device.failLocks = true;
    sprite.Prepare(&device);
    EXPECT_EQ(sprite.vertexBuffer, nullptr);
    device.Clear();
    sprite.Render();
    EXPECT_TRUE(device.calls.empty()) << ::testing::PrintToString(device.Texts());
}

INSTANTIATE_TEST_SUITE_P(Failures, PointSpriteWithout, ::testing::Values(Missing::Colour, Missing::Buffer, Missing::Lock));

TEST_F(PointSpriteRender, UnpreparedSpriteDrawsNothing) {
    PointSprite sprite = Configured();
    sprite.Render();
    EXPECT_TRUE(device.calls.empty());
}

}  // namespace
