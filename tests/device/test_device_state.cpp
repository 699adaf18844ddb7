// The device's state tracking on its own, with no OpenGL: documented
// defaults, change marks, argument checks, state blocks (recorded, captured,
// applied, the references they hold), vertex-format decoding and the shader
// key that picks a fixed-function variant.
#include <gtest/gtest.h>

#include <cstring>

#include "src/d3d8/ffp_shader.h"
#include "src/d3d8/state_tracker.h"
#include "src/d3d8/vertex_format.h"
#include "support/recording_device.h"

namespace tarvona::d3d8 {
namespace {

class Tracker : public ::testing::Test {
protected:
    StateTracker t{true, 640, 480};
};

struct RenderDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

class RenderStateDefaults : public Tracker, public ::testing::WithParamInterface<RenderDefault> {};

TEST_P(RenderStateDefaults, AreDirect3DsDocumentedOnes) {
    DWORD v = 0xDEADBEEF;
    ASSERT_EQ(t.GetRenderState(GetParam().state, &v), D3D_OK);
    EXPECT_EQ(v, GetParam().value) << "state " << GetParam().state;
}

INSTANTIATE_TEST_SUITE_P(
    States, RenderStateDefaults,
    ::testing::Values(RenderDefault{D3DRS_ZENABLE, D3DZB_TRUE},  // the device has an automatic depth buffer
                      RenderDefault{D3DRS_FILLMODE, D3DFILL_SOLID}, RenderDefault{D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
                      RenderDefault{D3DRS_ZWRITEENABLE, TRUE}, RenderDefault{D3DRS_ALPHATESTENABLE, FALSE},
                      RenderDefault{D3DRS_SRCBLEND, D3DBLEND_ONE}, RenderDefault{D3DRS_DESTBLEND, D3DBLEND_ZERO},
                      RenderDefault{D3DRS_CULLMODE, D3DCULL_CCW}, RenderDefault{D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                      RenderDefault{D3DRS_ALPHAFUNC, D3DCMP_ALWAYS}, RenderDefault{D3DRS_DITHERENABLE, FALSE},
                      RenderDefault{D3DRS_LIGHTING, TRUE}, RenderDefault{D3DRS_AMBIENT, 0},
                      RenderDefault{D3DRS_COLORVERTEX, TRUE},
                      RenderDefault{D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                      RenderDefault{D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
                      RenderDefault{D3DRS_POINTSIZE, 0x3F800000}, RenderDefault{D3DRS_POINTSIZE_MIN, 0x3F800000},
                      RenderDefault{D3DRS_POINTSIZE_MAX, 0x42800000}, RenderDefault{D3DRS_POINTSCALE_A, 0x3F800000},
                      RenderDefault{D3DRS_POINTSCALE_C, 0}, RenderDefault{D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
                      RenderDefault{D3DRS_COLORWRITEENABLE, 0xF}));

TEST(TrackerDefaults, DepthIsOffWithoutAnAutomaticDepthBufferAndStagesFollowTheirIndex) {
    StateTracker t(false, 64, 64);
    DWORD v = 99;
    t.GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_FALSE));
    const DeviceState& s = t.State();
    EXPECT_EQ(s.stageStates[0][D3DTSS_COLOROP], static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(s.stageStates[0][D3DTSS_ALPHAOP], static_cast<DWORD>(D3DTOP_SELECTARG1));
    EXPECT_EQ(s.stageStates[1][D3DTSS_COLOROP], static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(s.stageStates[3][D3DTSS_TEXCOORDINDEX], 3u);
    EXPECT_EQ(s.stageStates[0][D3DTSS_MAGFILTER], static_cast<DWORD>(D3DTEXF_POINT));
    EXPECT_EQ(s.stageStates[0][D3DTSS_MIPFILTER], static_cast<DWORD>(D3DTEXF_NONE));
    EXPECT_EQ(s.stageStates[0][D3DTSS_ADDRESSU], static_cast<DWORD>(D3DTADDRESS_WRAP));
    const D3DVIEWPORT8 vp = s.viewport;
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 64u);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    // The light a LightEnable without SetLight turns on.
    EXPECT_EQ(s.lights[5].light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(s.lights[5].light.Direction.z, 1.0f);
    EXPECT_EQ(s.lights[5].light.Diffuse.r, 1.0f);
}

TEST_F(Tracker, MarksAGroupOnlyWhenAValueChanges) {
    t.ClearDirty();
    t.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);  // the value it already has
    EXPECT_EQ(t.dirty, 0u);
    t.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(t.dirty, static_cast<std::uint32_t>(kDirtyRaster));
    t.ClearDirty();
    t.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    t.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    EXPECT_EQ(t.dirty, static_cast<std::uint32_t>(kDirtyBlend));
    t.ClearDirty();
    t.SetTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(t.dirty, static_cast<std::uint32_t>(kDirtySamplers));
    EXPECT_EQ(t.dirtySamplerStages, 1u << 1);
    t.ClearDirty();
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    t.SetTransform(D3DTS_WORLD, &m);  // the identity it starts with
    EXPECT_EQ(t.dirty, 0u);
    m._41 = 5.0f;
    t.SetTransform(D3DTS_VIEW, &m);  // the view moves the lights, too
    EXPECT_EQ(t.dirty, static_cast<std::uint32_t>(kDirtyTransforms | kDirtyLighting));
    t.ClearDirty();
    t.SetRenderState(D3DRS_FOGENABLE, TRUE);  // stored, nothing to flush
    EXPECT_EQ(t.dirty, 0u);
    DWORD v = 0;
    t.GetRenderState(D3DRS_FOGENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(TRUE));
}

TEST_F(Tracker, RefusesOutOfRangeArgumentsAndNullPointers) {
    DWORD v;
    D3DMATRIX m{};
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 10.0f;
    EXPECT_EQ(t.SetRenderState(static_cast<D3DRENDERSTATETYPE>(256), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetRenderState(static_cast<D3DRENDERSTATETYPE>(0xFFFFFFFF), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(40), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.GetTextureStageState(0, D3DTSS_COLOROP, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetTexture(8, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1000), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetMaterial(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetLight(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetLight(kLightSlots, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.LightEnable(kLightSlots, TRUE), D3DERR_INVALIDCALL);
    light.Type = static_cast<D3DLIGHTTYPE>(9);
    EXPECT_EQ(t.SetLight(0, &light), D3DERR_INVALIDCALL);
    light.Type = D3DLIGHT_POINT;
    light.Range = -1.0f;
    EXPECT_EQ(t.SetLight(0, &light), D3DERR_INVALIDCALL);
    const D3DVIEWPORT8 outside{600, 0, 100, 100, 0, 1}, empty{0, 0, 0, 10, 0, 1};
    EXPECT_EQ(t.SetViewport(&outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetViewport(&empty), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetViewport(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.SetStreamSource(kStreamCount, nullptr, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.GetVertexShader(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.EndStateBlock(&v), D3DERR_INVALIDCALL);  // nothing recording
    EXPECT_EQ(t.ApplyStateBlock(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.CaptureStateBlock(77), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.DeleteStateBlock(77), D3DERR_INVALIDCALL);
    // Nothing above changed anything.
    t.GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_TRUE));
}

// The font's pattern: record, capture the current values, apply others,
// apply the captured ones again.
TEST_F(Tracker, StateBlockRecordsCapturesAndAppliesExactlyItsStates) {
    DWORD saved = 0;
    ASSERT_EQ(t.BeginStateBlock(), D3D_OK);
    t.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    t.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    t.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVSRCALPHA);  // the last value wins
    t.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    t.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    ASSERT_EQ(t.EndStateBlock(&saved), D3D_OK);
    ASSERT_NE(saved, 0u);
    // Recording did not touch the device's state.
    DWORD v = 0;
    t.GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(FALSE));
    t.GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    // Applying the recorded block sets the recorded values.
    ASSERT_EQ(t.ApplyStateBlock(saved), D3D_OK);
    t.GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    // Capture takes the current values of exactly those states.
    t.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    t.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    t.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(t.CaptureStateBlock(saved), D3D_OK);
    t.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    t.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    t.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_NONE);
    t.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // not in the block
    t.ClearDirty();
    ASSERT_EQ(t.ApplyStateBlock(saved), D3D_OK);
    t.GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(FALSE));
    t.GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    t.GetTextureStageState(0, D3DTSS_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
    t.GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_NONE)) << "a state outside the block is left alone";
    // Applying marks what it changed, like any setter.
    EXPECT_EQ(t.dirty, static_cast<std::uint32_t>(kDirtyBlend | kDirtySamplers));
    // A deleted block's token is dead, and no later block reuses it.
    ASSERT_EQ(t.DeleteStateBlock(saved), D3D_OK);
    EXPECT_EQ(t.ApplyStateBlock(saved), D3DERR_INVALIDCALL);
    DWORD next = 0;
    t.BeginStateBlock();
    t.EndStateBlock(&next);
    EXPECT_NE(next, saved);
}

TEST_F(Tracker, StateBlockCarriesTransformsLightsMaterialViewportAndVertexFormat) {
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 2.0f;
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 400.0f;
    light.Attenuation1 = 0.02f;
    D3DMATERIAL8 mat{};
    mat.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    const D3DVIEWPORT8 vp{10, 20, 100, 200, 0.25f, 0.75f};
    DWORD token = 0;
    t.BeginStateBlock();
    t.SetTransform(D3DTS_VIEW, &view);
    t.SetLight(3, &light);
    t.LightEnable(3, TRUE);
    t.SetMaterial(&mat);
    t.SetViewport(&vp);
    t.SetVertexShader(0x144);
    t.EndStateBlock(&token);
    const StateBlock* block = t.Block(token);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Mask().transforms, 1u << kTransformView);
    EXPECT_EQ(block->Mask().lights, 1u << 3);
    EXPECT_EQ(block->Mask().lightEnables, 1u << 3);
    EXPECT_TRUE(block->Mask().material && block->Mask().viewport && block->Mask().vertexShader);
    EXPECT_FALSE(block->Mask().indices);
    t.ApplyStateBlock(token);
    D3DMATRIX got{};
    t.GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(got._11, 2.0f);
    D3DLIGHT8 gotLight{};
    t.GetLight(3, &gotLight);
    EXPECT_EQ(gotLight.Attenuation1, 0.02f);
    BOOL on = FALSE;
    t.GetLightEnable(3, &on);
    EXPECT_TRUE(on);
    D3DVIEWPORT8 gotVp{};
    t.GetViewport(&gotVp);
    EXPECT_EQ(gotVp.Y, 20u);
    EXPECT_EQ(gotVp.MinZ, 0.25f);
    DWORD fvf = 0;
    t.GetVertexShader(&fvf);
    EXPECT_EQ(fvf, 0x144u);
}

TEST(TrackerReferences, BindingsAndStateBlocksHoldTheirTextures) {
    testing::RecordingDevice rec;
    IDirect3DTexture8* tex = nullptr;
    rec.CreateTexture(4, 4, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex);
    auto* texture = rec.textures.at(0);
    {
        StateTracker t(true, 64, 64);
        t.SetTexture(0, tex);
        EXPECT_EQ(texture->refCount, 2u);
        t.SetTexture(0, tex);  // the same again holds no second reference
        EXPECT_EQ(texture->refCount, 2u);
        DWORD token = 0;
        t.BeginStateBlock();
        t.SetTexture(0, tex);
        t.EndStateBlock(&token);
        EXPECT_EQ(texture->refCount, 3u);
        t.SetTexture(0, nullptr);
        EXPECT_EQ(texture->refCount, 2u);
        t.CaptureStateBlock(token);  // captures the empty stage: the block lets go
        EXPECT_EQ(texture->refCount, 1u);
        t.SetTexture(1, tex);
        EXPECT_EQ(texture->refCount, 2u);
    }
    // The tracker's end gives back what it held.
    EXPECT_EQ(texture->refCount, 1u);
}

// ---- vertex formats ----------------------------------------------------------------

struct FvfCase {
    DWORD fvf;
    int size;
    bool pretransformed;
    int diffuseOffset;
    int texCoordCount;
};

class FvfDecoding : public ::testing::TestWithParam<FvfCase> {};

TEST_P(FvfDecoding, GivesDirect3DsLayout) {
    const FvfCase c = GetParam();
    const VertexLayout l = DecodeFvf(c.fvf);
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.size, c.size);
    EXPECT_EQ(l.pretransformed, c.pretransformed);
    EXPECT_EQ(l.diffuseOffset, c.diffuseOffset);
    EXPECT_EQ(l.texCoordCount, c.texCoordCount);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FvfDecoding,
    ::testing::Values(FvfCase{0x42, 16, false, 12, 0},    // the sprite's vertex
                      FvfCase{0x144, 28, true, 16, 1},    // the font's screen vertex
                      FvfCase{0x112, 32, false, -1, 1},   // the font's world vertex
                      FvfCase{D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2, 48, false,
                              24, 2},
                      FvfCase{D3DFVF_XYZB1 | D3DFVF_DIFFUSE, 20, false, 16, 0},
                      // One set of three coordinates (D3DFVF_TEXCOORDSIZE3(0)).
                      FvfCase{D3DFVF_XYZ | D3DFVF_TEX1 | (1u << 16), 24, false, -1, 1}));

TEST(FvfRejection, ShadersAndImpossibleFormatsAreNotDrawable) {
    EXPECT_FALSE(DecodeFvf(0).valid);                                  // no position
    EXPECT_FALSE(DecodeFvf(0x145).valid);                              // a shader handle
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZRHW | D3DFVF_NORMAL).valid);      // normals with screen positions
    EXPECT_FALSE(DecodeFvf(D3DFVF_XYZ | (9u << D3DFVF_TEXCOUNT_SHIFT)).valid);
}

TEST(PrimitiveCounts, GiveTheVerticesEachTypeNeeds) {
    EXPECT_EQ(VertexCountOf(D3DPT_POINTLIST, 1), 1u);
    EXPECT_EQ(VertexCountOf(D3DPT_LINELIST, 3), 6u);
    EXPECT_EQ(VertexCountOf(D3DPT_LINESTRIP, 3), 4u);
    EXPECT_EQ(VertexCountOf(D3DPT_TRIANGLELIST, 100), 300u);
    EXPECT_EQ(VertexCountOf(D3DPT_TRIANGLESTRIP, 2), 4u);
    EXPECT_EQ(VertexCountOf(D3DPT_TRIANGLEFAN, 4), 6u);
    EXPECT_EQ(VertexCountOf(static_cast<D3DPRIMITIVETYPE>(9), 4), 0u);
    EXPECT_EQ(VertexCountOf(D3DPT_TRIANGLELIST, 0x60000000u), 0u);  // would overflow
}

// ---- shader keys ------------------------------------------------------------------

TEST(ShaderKeys, PointOnlyFeaturesFollowThePrimitiveNotJustTheStates) {
    StateTracker t(true, 640, 480);
    t.SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    t.SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    const VertexLayout sprite = DecodeFvf(0x42);
    const ShaderKey points = MakeShaderKey(t.State(), sprite, D3DPT_POINTLIST);
    const ShaderKey triangles = MakeShaderKey(t.State(), sprite, D3DPT_TRIANGLELIST);
    EXPECT_TRUE(points.pointSprite && points.pointScale);
    // The sprite leaves both states on; the meshes drawn next must not get
    // sprite coordinates.
    EXPECT_FALSE(triangles.pointSprite || triangles.pointScale);
    EXPECT_FALSE(points == triangles);
}

TEST(ShaderKeys, LightingIgnoresScreenVerticesAndMaterialSourcesNeedTheVertexColour) {
    StateTracker t(true, 640, 480);
    const ShaderKey screen = MakeShaderKey(t.State(), DecodeFvf(0x144), D3DPT_TRIANGLELIST);
    EXPECT_FALSE(screen.lighting);
    const ShaderKey withColour = MakeShaderKey(t.State(), DecodeFvf(0x52), D3DPT_TRIANGLELIST);
    EXPECT_TRUE(withColour.lighting);
    EXPECT_EQ(withColour.diffuseSource, 1) << "COLOR1 with a diffuse vertex colour";
    const ShaderKey withoutColour = MakeShaderKey(t.State(), DecodeFvf(0x12), D3DPT_TRIANGLELIST);
    EXPECT_EQ(withoutColour.diffuseSource, 0) << "no vertex colour: the material's";
    t.SetRenderState(D3DRS_COLORVERTEX, FALSE);
    EXPECT_EQ(MakeShaderKey(t.State(), DecodeFvf(0x52), D3DPT_TRIANGLELIST).diffuseSource, 0);
}

TEST(ShaderKeys, StagesAfterADisabledOneAndUnusedArgumentsDoNotMultiplyVariants) {
    StateTracker t(true, 640, 480);
    const VertexLayout l = DecodeFvf(0x144);
    const ShaderKey base = MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST);
    t.SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);  // stage 1 is disabled, so this is dead
    t.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);  // still read by MODULATE
    ShaderKey k = MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST);
    EXPECT_FALSE(k == base);
    t.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    const ShaderKey a = MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST);
    t.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_SPECULAR);  // ignored by SELECTARG1
    EXPECT_TRUE(MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST) == a);
    t.SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);  // with ALPHAFUNC ALWAYS nothing is tested
    EXPECT_TRUE(MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST) == a);
    t.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    EXPECT_EQ(MakeShaderKey(t.State(), l, D3DPT_TRIANGLELIST).alphaFunc, D3DCMP_GREATEREQUAL);
}

TEST(ShaderSources, DeclareWhatTheKeyAsksFor) {
    StateTracker t(true, 640, 480);
    t.SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    t.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    t.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const ShaderKey k = MakeShaderKey(t.State(), DecodeFvf(0x144), D3DPT_TRIANGLELIST);
    const std::string vs = VertexShaderSource(k), fs = FragmentShaderSource(k);
    EXPECT_NE(vs.find("flat out vec4 vDiffuse"), std::string::npos);
    EXPECT_NE(fs.find("flat in vec4 vDiffuse"), std::string::npos);
    EXPECT_NE(fs.find("a >= ref"), std::string::npos);
    EXPECT_NE(vs.find("1.0 / aPosition.w"), std::string::npos) << "screen vertices use rhw";
    EXPECT_EQ(vs.find("uLights"), vs.find("uLights[8]")) << "no lighting code for screen vertices";
}

}  // namespace
}  // namespace tarvona::d3d8
