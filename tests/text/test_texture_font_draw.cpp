// TextureFont's draw resources and its text drawing on the recording device:
// the recorded state blocks, the call sequence of each draw, the vertices
// (positions, texture coordinates, order), batching, newlines, skipped bytes,
// the flags and the missing-resource paths.
//
// Most cases use a made-up glyph table with exact binary fractions, so every
// expected coordinate is exact: glyph i sits at ((i % 16) * 16, (i / 16) * 20)
// in a 256 x 256 atlas, 4 + i % 7 texels wide and 18 high (L = 18).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/recording_device.h"
#include "text/d3dfont.h"

namespace {

using tarvona::testing::RecordingDevice;
using tarvona::testing::RecordingVertexBuffer;

constexpr float kLine = 18.0f;
float GlyphLeft(int i) { return static_cast<float>((i % 16) * 16); }
float GlyphTop(int i) { return static_cast<float>((i / 16) * 20); }
float GlyphWidth(int i) { return static_cast<float>(4 + i % 7); }
int Index(char ch) { return ch - 32; }

std::string Num(DWORD v) { return std::to_string(v); }

class FontDraw : public ::testing::Test {
protected:
    void SetUp() override {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device.CreateTexture(256, 256, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture), S_OK);
        font.device = &device;
        font.atlas = texture;
        font.atlasWidth = font.atlasHeight = 256;
        font.atlasScale = 1.0f;
        for (int i = 0; i < 95; ++i) {
            font.glyphRects[i][0] = GlyphLeft(i) / 256.0f;
            font.glyphRects[i][1] = GlyphTop(i) / 256.0f;
            font.glyphRects[i][2] = (GlyphLeft(i) + GlyphWidth(i)) / 256.0f;
            font.glyphRects[i][3] = (GlyphTop(i) + kLine) / 256.0f;
        }
        ASSERT_EQ(font.CreateDrawResources(), S_OK);
        buffer = device.vertexBuffers.at(0);
        device.Clear();
    }

    std::vector<FontVertex2D> Vertices2D(size_t count) const {
        std::vector<FontVertex2D> v(count);
        std::memcpy(v.data(), buffer->bytes.data(), count * sizeof(FontVertex2D));
        return v;
    }
    std::vector<FontVertex3D> Vertices3D(size_t count) const {
        std::vector<FontVertex3D> v(count);
        std::memcpy(v.data(), buffer->bytes.data(), count * sizeof(FontVertex3D));
        return v;
    }
    std::vector<UINT> DrawCounts() const {
        std::vector<UINT> counts;
        for (const auto* call : device.Named("DrawPrimitive")) {
            EXPECT_EQ(call->args[0], static_cast<std::uint64_t>(D3DPT_TRIANGLELIST));
            EXPECT_EQ(call->args[1], 0u);
            counts.push_back(static_cast<UINT>(call->args[2]));
        }
        return counts;
    }
    std::string StreamText(UINT stride) const {
        return "SetStreamSource(0, " + std::to_string(reinterpret_cast<std::uintptr_t>(font.quadBuffer)) + ", " +
               std::to_string(stride) + ")";
    }

    RecordingDevice device;
    TextureFont font{"Arial", 12, FontBold};
    RecordingVertexBuffer* buffer = nullptr;
};

// The expected pre-transformed quad of glyph i with its pen at (x, y) and
// its size w x h on the screen.
void ExpectScreenQuad(const FontVertex2D* v, int i, float x, float y, float w, float h, float z, DWORD colour) {
    const float l = GlyphLeft(i) / 256.0f, t = GlyphTop(i) / 256.0f;
    const float r = (GlyphLeft(i) + GlyphWidth(i)) / 256.0f, b = (GlyphTop(i) + kLine) / 256.0f;
    const float xs[6] = {x - 0.5f, x - 0.5f, x + w - 0.5f, x + w - 0.5f, x + w - 0.5f, x - 0.5f};
    const float ys[6] = {y + h - 0.5f, y - 0.5f, y + h - 0.5f, y - 0.5f, y + h - 0.5f, y - 0.5f};
    const float us[6] = {l, l, r, r, r, l};
    const float vs[6] = {b, t, b, t, b, t};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k + 1));
        EXPECT_EQ(v[k].position.x, xs[k]);
        EXPECT_EQ(v[k].position.y, ys[k]);
        EXPECT_EQ(v[k].position.z, z);
        EXPECT_EQ(v[k].position.w, 1.0f);
        EXPECT_EQ(v[k].colour, colour);
        EXPECT_EQ(v[k].u, us[k]);
        EXPECT_EQ(v[k].v, vs[k]);
    }
}

void ExpectWorldQuad(const FontVertex3D* v, int i, float x, float y, float w, float h) {
    const float l = GlyphLeft(i) / 256.0f, t = GlyphTop(i) / 256.0f;
    const float r = (GlyphLeft(i) + GlyphWidth(i)) / 256.0f, b = (GlyphTop(i) + kLine) / 256.0f;
    const float xs[6] = {x, x, x + w, x + w, x + w, x};
    const float ys[6] = {y, y + h, y, y + h, y, y + h};
    const float us[6] = {l, l, r, r, r, l};
    const float vs[6] = {b, t, b, t, b, t};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k + 1));
        EXPECT_EQ(v[k].position.x, xs[k]);
        EXPECT_EQ(v[k].position.y, ys[k]);
        EXPECT_EQ(v[k].position.z, 0.0f);
        EXPECT_EQ(v[k].normal.x, 0.0f);
        EXPECT_EQ(v[k].normal.y, 0.0f);
        EXPECT_EQ(v[k].normal.z, -1.0f);
        EXPECT_EQ(v[k].u, us[k]);
        EXPECT_EQ(v[k].v, vs[k]);
    }
}

// ---- draw resources ---------------------------------------------------------------

TEST(FontDrawResources, RecordsTwoIdenticalStateBlocksInOrder) {
    RecordingDevice device;
    TextureFont font("Arial", 12, FontBold);
    IDirect3DTexture8* texture = nullptr;
    device.CreateTexture(256, 256, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture);
    font.device = &device;
    font.atlas = texture;
    device.Clear();
    ASSERT_EQ(font.CreateDrawResources(), S_OK);

    const std::string atlas = std::to_string(reinterpret_cast<std::uintptr_t>(texture));
    std::vector<std::string> block = {"BeginStateBlock()", "SetTexture(0, " + atlas + ")"};
    const DWORD renderStates[][2] = {{27, 1}, {19, 5}, {20, 6}, {15, 1},  {24, 8},   {25, 7},   {8, 3},   {22, 3},
                                     {7, 0},  {52, 0}, {136, 1}, {40, 0}, {152, 0}, {151, 0}, {167, 0}, {28, 0}};
    for (const auto& rs : renderStates) block.push_back("SetRenderState(" + Num(rs[0]) + ", " + Num(rs[1]) + ")");
    const DWORD stageStates[][3] = {{0, 1, 4},  {0, 2, 2},  {0, 3, 0},  {0, 4, 4},  {0, 5, 2}, {0, 6, 0}, {0, 17, 1},
                                    {0, 16, 1}, {0, 18, 0}, {0, 11, 0}, {0, 24, 0}, {1, 1, 1}, {1, 4, 1}};
    for (const auto& ts : stageStates)
        block.push_back("SetTextureStageState(" + Num(ts[0]) + ", " + Num(ts[1]) + ", " + Num(ts[2]) + ")");
    block.push_back("EndStateBlock()");

    std::vector<std::string> expected = {"CreateVertexBuffer(8400, 520, 0, 0)"};
    expected.insert(expected.end(), block.begin(), block.end());
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(device.Texts(), expected);
    EXPECT_EQ(font.savedStates, 1u);  // the first block recorded
    EXPECT_EQ(font.textStates, 2u);
    EXPECT_EQ(font.quadBuffer, device.vertexBuffers.at(0));
}

TEST(FontDrawResources, FailedVertexBufferIsPassedOnWithoutStateBlocks) {
    RecordingDevice device;
    device.createVertexBufferResult = D3DERR_OUTOFVIDEOMEMORY;
    TextureFont font("Arial", 12, FontBold);
    font.device = &device;
    EXPECT_EQ(font.CreateDrawResources(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.quadBuffer, nullptr);
    EXPECT_EQ(device.Texts(), std::vector<std::string>{"CreateVertexBuffer(8400, 520, 0, 0)"});
    EXPECT_EQ(font.savedStates, 0u);
    EXPECT_EQ(font.textStates, 0u);
}

TEST_F(FontDraw, ReleaseDrawResourcesFreesTheBufferAndBothBlocks) {
    EXPECT_EQ(font.ReleaseDrawResources(), S_OK);
    EXPECT_EQ(buffer->refCount, 0u);
    EXPECT_EQ(font.quadBuffer, nullptr);
    EXPECT_EQ(device.Texts(), (std::vector<std::string>{"DeleteStateBlock(1)", "DeleteStateBlock(2)"}));
    EXPECT_EQ(font.savedStates, 0u);
    EXPECT_EQ(font.textStates, 0u);
    device.Clear();
    EXPECT_EQ(font.ReleaseDrawResources(), S_OK);
    EXPECT_TRUE(device.calls.empty());
}

// ---- DrawScreenText ------------------------------------------------------------------

TEST_F(FontDraw, EmptyStringLocksUnlocksDrawsNothingAndRestores) {
    ASSERT_EQ(font.DrawScreenText(2.0f, 0.0f, 0xFFFFFF00u, ""), S_OK);
    const std::vector<std::string> expected = {"CaptureStateBlock(1)", "ApplyStateBlock(2)", "SetVertexShader(324)",
                                               StreamText(28),         "Lock(0, 0, 8192)",   "Unlock()",
                                               "ApplyStateBlock(1)"};
    EXPECT_EQ(device.Texts(), expected);
}

TEST_F(FontDraw, CounterTextIsOneBatchOfPointSampledYellowQuads) {
    const char* text = "FPS: 60";
    ASSERT_EQ(font.DrawScreenText(2.0f, 0.0f, 0xFFFFFF00u, text), S_OK);
    const std::vector<std::string> expected = {"CaptureStateBlock(1)", "ApplyStateBlock(2)", "SetVertexShader(324)",
                                               StreamText(28),         "Lock(0, 0, 8192)",   "Unlock()",
                                               "DrawPrimitive(4, 0, 14)", "ApplyStateBlock(1)"};
    EXPECT_EQ(device.Texts(), expected);  // no filter states: the blocks' point sampling holds
    const auto v = Vertices2D(42);
    float x = 2.0f;
    for (int c = 0; c < 7; ++c) {
        SCOPED_TRACE(std::string("character ") + text[c]);
        const int i = Index(text[c]);
        ExpectScreenQuad(&v[6 * c], i, x, 0.0f, GlyphWidth(i), kLine, 0.9f, 0xFFFFFF00u);
        x += GlyphWidth(i);
    }
}

struct BatchCase {
    int characters;
    std::vector<UINT> draws;
};
class ScreenBatching : public FontDraw, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(ScreenBatching, FlushesEveryFiftyCharactersWithAFreshDiscardingLock) {
    const std::string text(static_cast<size_t>(GetParam().characters), 'M');
    ASSERT_EQ(font.DrawScreenText(0.0f, 0.0f, 0xFFFFFFFFu, text.c_str()), S_OK);
    EXPECT_EQ(DrawCounts(), GetParam().draws);
    // One lock per batch begun: the first, and one after each full batch.
    const size_t fullBatches = static_cast<size_t>(GetParam().characters / 50);
    EXPECT_EQ(device.Texts("Lock"), std::vector<std::string>(fullBatches + 1, "Lock(0, 0, 8192)"));
    EXPECT_EQ(device.Texts("Unlock").size(), fullBatches + 1);
    // Every draw follows its unlock, and the last call restores the states.
    const auto texts = device.Texts();
    for (size_t k = 0; k < texts.size(); ++k)
        if (texts[k].rfind("DrawPrimitive", 0) == 0) {
            EXPECT_EQ(texts[k - 1], "Unlock()");
        }
    EXPECT_EQ(texts.back(), "ApplyStateBlock(1)");
    if (GetParam().characters % 50) {
        // The first character of the last batch sits at the start of the buffer.
        const auto v = Vertices2D(6);
        const float w = GlyphWidth(Index('M'));
        ExpectScreenQuad(v.data(), Index('M'), w * static_cast<float>(fullBatches * 50), 0.0f, w, kLine, 0.9f,
                         0xFFFFFFFFu);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ScreenBatching,
                         ::testing::Values(BatchCase{1, {2}}, BatchCase{49, {98}}, BatchCase{50, {100}},
                                           BatchCase{51, {100, 2}}, BatchCase{100, {100, 100}},
                                           BatchCase{101, {100, 100, 2}}));

TEST_F(FontDraw, NewlineReturnsToTheStartOneLineLower) {
    ASSERT_EQ(font.DrawScreenText(7.0f, 3.0f, 0xFF00FF00u, "AB\nC"), S_OK);
    EXPECT_EQ(DrawCounts(), std::vector<UINT>{6});
    const auto v = Vertices2D(18);
    ExpectScreenQuad(&v[0], Index('A'), 7.0f, 3.0f, GlyphWidth(Index('A')), kLine, 0.9f, 0xFF00FF00u);
    ExpectScreenQuad(&v[6], Index('B'), 7.0f + GlyphWidth(Index('A')), 3.0f, GlyphWidth(Index('B')), kLine, 0.9f,
                     0xFF00FF00u);
    ExpectScreenQuad(&v[12], Index('C'), 7.0f, 3.0f + kLine, GlyphWidth(Index('C')), kLine, 0.9f, 0xFF00FF00u);
}

class SkippedBytes : public FontDraw, public ::testing::WithParamInterface<const char*> {};

TEST_P(SkippedBytes, NeitherDrawNorAdvance) {
    std::string text = "A";
    text += GetParam();
    text += "B";
    ASSERT_EQ(font.DrawScreenText(1.0f, 1.0f, 0xFFFFFFFFu, text.c_str()), S_OK);
    EXPECT_EQ(DrawCounts(), std::vector<UINT>{4});
    const auto v = Vertices2D(12);
    ExpectScreenQuad(&v[6], Index('B'), 1.0f + GlyphWidth(Index('A')), 1.0f, GlyphWidth(Index('B')), kLine, 0.9f,
                     0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Bytes, SkippedBytes,
                         ::testing::Values("\t", "\r", "\x01", "\x1f", "\x7f", "\x80", "\xa0", "\xe9", "\xff",
                                           "\t\r\x80\xff\x7f"));

TEST_F(FontDraw, ShrunkAtlasDrawsGlyphsLargerButKeepsTheLineStep) {
    font.atlasScale = 0.5f;
    ASSERT_EQ(font.DrawScreenText(0.0f, 0.0f, 0xFFFFFFFFu, "A\nA"), S_OK);
    const auto v = Vertices2D(12);
    const float w = GlyphWidth(Index('A'));
    ExpectScreenQuad(&v[0], Index('A'), 0.0f, 0.0f, 2.0f * w, 2.0f * kLine, 0.9f, 0xFFFFFFFFu);
    ExpectScreenQuad(&v[6], Index('A'), 0.0f, kLine, 2.0f * w, 2.0f * kLine, 0.9f, 0xFFFFFFFFu);
}

// ---- flags ----------------------------------------------------------------------------

enum class Op { Screen, Scaled, World };
class FilteredFlag : public FontDraw, public ::testing::WithParamInterface<Op> {
protected:
    HRESULT Draw(DWORD flags) {
        switch (GetParam()) {
            case Op::Screen:
                return font.DrawScreenText(0.0f, 0.0f, 0xFFFFFFFFu, "ab", flags);
            case Op::Scaled:
                return font.DrawScaledText(0.0f, 0.0f, 0.5f, 0.1f, 0.1f, 0xFFFFFFFFu, "ab", flags);
            default:
                return font.DrawWorldText("ab", flags);
        }
    }
};

TEST_P(FilteredFlag, SetsLinearFilteringAfterTheStreamAndBeforeTheLock) {
    ASSERT_EQ(Draw(TextFiltered), S_OK);
    const auto texts = device.Texts();
    const std::vector<std::string> filters(texts.begin() + 4, texts.begin() + 6);
    EXPECT_EQ(texts[3].rfind("SetStreamSource", 0), 0u);
    EXPECT_EQ(filters, (std::vector<std::string>{"SetTextureStageState(0, 17, 2)", "SetTextureStageState(0, 16, 2)"}));
    EXPECT_EQ(texts.back(), "ApplyStateBlock(1)");
    device.Clear();
    ASSERT_EQ(Draw(0), S_OK);
    EXPECT_TRUE(device.Texts("SetTextureStageState").empty());
}

INSTANTIATE_TEST_SUITE_P(Operations, FilteredFlag, ::testing::Values(Op::Screen, Op::Scaled, Op::World));

// ---- DrawScaledText --------------------------------------------------------------------

TEST_F(FontDraw, ScaledTextScalesWithTheViewportHeight) {
    device.viewport.Width = 800;
    device.viewport.Height = 400;
    ASSERT_EQ(font.DrawScaledText(-0.5f, 0.5f, 0.25f, 0.05f, 0.1f, 0xFF112233u, "A\nB"), S_OK);
    const auto texts = device.Texts();
    EXPECT_EQ(texts[4], "GetViewport()");
    EXPECT_EQ(texts[5], "Lock(0, 0, 8192)");
    const auto v = Vertices2D(12);
    // Pen: x' = (x + 1) * W / 2 = 200; y' = (1 - y) * H / 2 = 100.
    // Size: H * s / L * (texels), the same formula in single precision.
    const float unitsX = 400.0f * 0.05f / kLine, unitsY = 400.0f * 0.1f / kLine;
    const float wA = unitsX * GlyphWidth(Index('A')), wB = unitsX * GlyphWidth(Index('B')), h = unitsY * kLine;
    ExpectScreenQuad(&v[0], Index('A'), 200.0f, 100.0f, wA, h, 0.25f, 0xFF112233u);
    ExpectScreenQuad(&v[6], Index('B'), 200.0f, 100.0f + 400.0f * 0.1f, wB, h, 0.25f, 0xFF112233u);
}

// ---- DrawWorldText --------------------------------------------------------------------

TEST_F(FontDraw, WorldTextUsesTenTexelsPerUnitAndLinesRunDownwards) {
    ASSERT_EQ(font.DrawWorldText("AB\nC"), S_OK);
    const std::vector<std::string> expected = {"CaptureStateBlock(1)", "ApplyStateBlock(2)", "SetVertexShader(274)",
                                               StreamText(32),         "Lock(0, 0, 8192)",   "Unlock()",
                                               "DrawPrimitive(4, 0, 6)", "ApplyStateBlock(1)"};
    EXPECT_EQ(device.Texts(), expected);
    const auto v = Vertices3D(18);
    const float wA = GlyphWidth(Index('A')) / 10.0f, h = kLine / 10.0f;
    ExpectWorldQuad(&v[0], Index('A'), 0.0f, 0.0f, wA, h);
    ExpectWorldQuad(&v[6], Index('B'), wA, 0.0f, GlyphWidth(Index('B')) / 10.0f, h);
    ExpectWorldQuad(&v[12], Index('C'), 0.0f, -kLine / 10.0f, GlyphWidth(Index('C')) / 10.0f, h);
}

class WorldBatching : public FontDraw, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(WorldBatching, BatchesStayWithinTheBuffer) {
    const std::string text(static_cast<size_t>(GetParam().characters), 'W');
    ASSERT_EQ(font.DrawWorldText(text.c_str()), S_OK);
    const auto draws = DrawCounts();
    EXPECT_EQ(draws, GetParam().draws);
    for (UINT n : draws) EXPECT_LE(n * 3 * sizeof(FontVertex3D), 8400u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, WorldBatching,
                         ::testing::Values(BatchCase{42, {84}}, BatchCase{43, {86}}, BatchCase{44, {86, 2}},
                                           BatchCase{50, {86, 14}}, BatchCase{86, {86, 86}},
                                           BatchCase{87, {86, 86, 2}}));

TEST_F(FontDraw, WorldTextCentredAndTwoSided) {
    SIZE extent{};
    ASSERT_EQ(font.MeasureText("AB", &extent), S_OK);
    ASSERT_EQ(font.DrawWorldText("AB", TextCentered | TextTwoSided), S_OK);
    const auto texts = device.Texts();
    EXPECT_EQ(texts[4], "SetRenderState(22, 1)");
    EXPECT_EQ(texts[5], "Lock(0, 0, 8192)");
    EXPECT_EQ(texts.back(), "ApplyStateBlock(1)");  // which restores the cull mode
    const auto v = Vertices3D(12);
    const float x0 = -(static_cast<float>(extent.cx) / 10.0f) / 2.0f;
    const float y0 = -(static_cast<float>(extent.cy) / 10.0f) / 2.0f;
    ExpectWorldQuad(&v[0], Index('A'), x0, y0, GlyphWidth(Index('A')) / 10.0f, kLine / 10.0f);
    // A single line is centred: it spans -cy/20 .. +cy/20.
    EXPECT_EQ(v[1].position.y, static_cast<float>(extent.cy) / 20.0f);
    EXPECT_EQ(v[0].position.y, -static_cast<float>(extent.cy) / 20.0f);
}

// ---- MeasureText -------------------------------------------------------------------------

TEST_F(FontDraw, MeasuresTheWidestLineAndTheLineCount) {
    SIZE size{};
    ASSERT_EQ(font.MeasureText("AB", &size), S_OK);
    EXPECT_EQ(size.cx, static_cast<LONG>(GlyphWidth(Index('A')) + GlyphWidth(Index('B'))));
    EXPECT_EQ(size.cy, 18);
    ASSERT_EQ(font.MeasureText("A\nABC\x80\t", &size), S_OK);
    EXPECT_EQ(size.cx, static_cast<LONG>(GlyphWidth(Index('A')) + GlyphWidth(Index('B')) + GlyphWidth(Index('C'))));
    EXPECT_EQ(size.cy, 36);
    ASSERT_EQ(font.MeasureText("", &size), S_OK);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, 18);
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(FontDraw, MeasureTruncatesTowardsZero) {
    font.glyphRects[Index('A')][2] = font.glyphRects[Index('A')][0] + 9.75f / 256.0f;
    font.glyphRects[0][3] = font.glyphRects[0][1] + 17.5f / 256.0f;
    SIZE size{};
    ASSERT_EQ(font.MeasureText("A\nA", &size), S_OK);
    EXPECT_EQ(size.cx, 9);
    EXPECT_EQ(size.cy, 35);
}

TEST_F(FontDraw, MeasureRefusesNullArgumentsAndLeavesTheSizeAlone) {
    SIZE size{123, 456};
    EXPECT_EQ(font.MeasureText(nullptr, &size), E_FAIL);
    EXPECT_EQ(font.MeasureText("A", nullptr), E_FAIL);
    EXPECT_EQ(size.cx, 123);
    EXPECT_EQ(size.cy, 456);
}

// ---- missing resources ----------------------------------------------------------------------

class MissingResource : public FontDraw, public ::testing::WithParamInterface<int> {};

TEST_P(MissingResource, DrawsIssueNothingAndFail) {
    const char* text = "abc";
    switch (GetParam()) {
        case 0:
            font.device = nullptr;
            break;
        case 1:
            font.atlas = nullptr;
            break;
        case 2:
            font.quadBuffer = nullptr;
            break;
        default:
            text = nullptr;
            break;
    }
    EXPECT_EQ(font.DrawScreenText(0.0f, 0.0f, 0xFFFFFFFFu, text), E_FAIL);
    EXPECT_EQ(font.DrawScaledText(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFFu, text), E_FAIL);
    EXPECT_EQ(font.DrawWorldText(text, TextCentered | TextTwoSided | TextFiltered), E_FAIL);
    EXPECT_TRUE(device.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Resources, MissingResource, ::testing::Values(0, 1, 2, 3));

TEST_F(FontDraw, FailedLocksWriteNothingDrawNothingAndRestoreTheStates) {
    device.failLocks = true;
    const std::string text(120, 'x');
    EXPECT_EQ(font.DrawScreenText(0.0f, 0.0f, 0xFFFFFFFFu, text.c_str()), E_FAIL);
    EXPECT_EQ(font.DrawScaledText(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFFu, text.c_str()), E_FAIL);
    EXPECT_EQ(font.DrawWorldText(text.c_str()), E_FAIL);
    EXPECT_TRUE(device.Named("DrawPrimitive").empty());
    EXPECT_TRUE(device.Named("Unlock").empty());
    const std::vector<std::string> restored = {"ApplyStateBlock(2)", "ApplyStateBlock(1)", "ApplyStateBlock(2)",
                                               "ApplyStateBlock(1)", "ApplyStateBlock(2)", "ApplyStateBlock(1)"};
    EXPECT_EQ(device.Texts("ApplyStateBlock"), restored);
    for (auto b : buffer->bytes) ASSERT_EQ(b, 0u);
}

// ---- the real atlas ------------------------------------------------------------------------

TEST(FontOnRecordingDevice, ProgramFontDrawsTheCounterFromItsAtlas) {
    RecordingDevice device;
    TextureFont font("Arial", 12, FontBold);
    ASSERT_EQ(font.CreateAtlas(&device), S_OK);
    ASSERT_EQ(font.CreateDrawResources(), S_OK);
    device.Clear();
    ASSERT_EQ(font.DrawScreenText(2.0f, 0.0f, 0xFFFFFF00u, "FPS: 60"), S_OK);
    EXPECT_EQ(device.Texts("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(4, 0, 14)"});
    FontVertex2D first;
    std::memcpy(&first, device.vertexBuffers.at(0)->bytes.data(), sizeof first);
    EXPECT_EQ(first.position.x, 1.5f);
    EXPECT_EQ(first.u, font.glyphRects['F' - 32][0]);
    EXPECT_EQ(first.v, font.glyphRects['F' - 32][3]);
}

}  // namespace
