#include "d3d8/device_state.h"

#include <cstring>

namespace tarvona::d3d8 {

int TransformSlotOf(D3DTRANSFORMSTATETYPE type) {
    const DWORD t = type;
    if (t == D3DTS_VIEW) return kTransformView;
    if (t == D3DTS_PROJECTION) return kTransformProjection;
    if (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) return kTransformTexture0 + static_cast<int>(t - D3DTS_TEXTURE0);
    if (t >= 256 && t < 256 + kWorldMatrices) return kTransformWorld0 + static_cast<int>(t - 256);
    return -1;
}

float FloatOf(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

DWORD BitsOf(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void SetDefaults(DeviceState& s, bool autoDepth, UINT width, UINT height) {
    std::memset(&s, 0, sizeof s);
    DWORD* rs = s.renderStates;
    rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_DITHERENABLE] = FALSE;
    rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    rs[D3DRS_FOGENABLE] = FALSE;
    rs[D3DRS_SPECULARENABLE] = FALSE;
    rs[D3DRS_FOGCOLOR] = 0;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = BitsOf(0.0f);
    rs[D3DRS_FOGEND] = BitsOf(1.0f);
    rs[D3DRS_FOGDENSITY] = BitsOf(1.0f);
    rs[D3DRS_RANGEFOGENABLE] = FALSE;
    rs[D3DRS_STENCILENABLE] = FALSE;
    rs[D3DRS_STENCILFAIL] = 1;  // D3DSTENCILOP_KEEP
    rs[D3DRS_STENCILZFAIL] = 1;
    rs[D3DRS_STENCILPASS] = 1;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILREF] = 0;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
    rs[D3DRS_CLIPPLANEENABLE] = 0;
    rs[D3DRS_POINTSIZE] = BitsOf(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = BitsOf(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = BitsOf(64.0f);
    rs[D3DRS_POINTSPRITEENABLE] = FALSE;
    rs[D3DRS_POINTSCALEENABLE] = FALSE;
    rs[D3DRS_POINTSCALE_A] = BitsOf(1.0f);
    rs[D3DRS_POINTSCALE_B] = BitsOf(0.0f);
    rs[D3DRS_POINTSCALE_C] = BitsOf(0.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_COLORWRITEENABLE] = 0x0000000F;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] = TRUE;  // the program asks for software vertex processing

    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        DWORD* ts = s.stageStates[stage];
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
        ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ts[D3DTSS_BORDERCOLOR] = 0;
        ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ts[D3DTSS_MIPMAPLODBIAS] = 0;
        ts[D3DTSS_MAXMIPLEVEL] = 0;
        ts[D3DTSS_MAXANISOTROPY] = 1;
        ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    for (D3DMATRIX& m : s.transforms) {
        m._11 = m._22 = m._33 = m._44 = 1.0f;
    }

    // "The default material reflects all diffuse light (white), with no
    // ambient or specular reflection and no emissive colour"; its alpha is
    // not documented, opaque is the choice here.
    s.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};

    // A light enabled without SetLight is the documented default light.
    for (LightSlot& l : s.lights) {
        l.light.Type = D3DLIGHT_DIRECTIONAL;
        l.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        l.light.Direction = {0.0f, 0.0f, 1.0f};
    }

    s.viewport = D3DVIEWPORT8{0, 0, width, height, 0.0f, 1.0f};
    s.vertexShader = 0;
}

std::uint32_t DirtyOfRenderState(DWORD state) {
    switch (state) {
        case D3DRS_ZENABLE:
        case D3DRS_ZWRITEENABLE:
        case D3DRS_ZFUNC:
            return kDirtyDepth;
        case D3DRS_ALPHABLENDENABLE:
        case D3DRS_SRCBLEND:
        case D3DRS_DESTBLEND:
        case D3DRS_BLENDOP:
        case D3DRS_COLORWRITEENABLE:
            return kDirtyBlend;
        case D3DRS_CULLMODE:
        case D3DRS_FILLMODE:
        case D3DRS_DITHERENABLE:
        case D3DRS_ZBIAS:
            return kDirtyRaster;
        case D3DRS_STENCILENABLE:
        case D3DRS_STENCILFAIL:
        case D3DRS_STENCILZFAIL:
        case D3DRS_STENCILPASS:
        case D3DRS_STENCILFUNC:
        case D3DRS_STENCILREF:
        case D3DRS_STENCILMASK:
        case D3DRS_STENCILWRITEMASK:
            return kDirtyStencil;
        case D3DRS_SHADEMODE:
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAFUNC:
        case D3DRS_LIGHTING:
        case D3DRS_SPECULARENABLE:
        case D3DRS_COLORVERTEX:
        case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
        case D3DRS_POINTSPRITEENABLE:
        case D3DRS_POINTSCALEENABLE:
            return kDirtyShaderKey;
        case D3DRS_TEXTUREFACTOR:
        case D3DRS_ALPHAREF:
        case D3DRS_POINTSIZE:
        case D3DRS_POINTSIZE_MIN:
        case D3DRS_POINTSIZE_MAX:
        case D3DRS_POINTSCALE_A:
        case D3DRS_POINTSCALE_B:
        case D3DRS_POINTSCALE_C:
            return kDirtyMiscUniforms;
        case D3DRS_AMBIENT:
            return kDirtyLighting;
        default:
            return 0;
    }
}

std::uint32_t DirtyOfStageState(DWORD type) {
    switch (type) {
        case D3DTSS_COLOROP:
        case D3DTSS_COLORARG1:
        case D3DTSS_COLORARG2:
        case D3DTSS_ALPHAOP:
        case D3DTSS_ALPHAARG1:
        case D3DTSS_ALPHAARG2:
        case D3DTSS_TEXCOORDINDEX:
            return kDirtyShaderKey;
        case D3DTSS_ADDRESSU:
        case D3DTSS_ADDRESSV:
        case D3DTSS_ADDRESSW:
        case D3DTSS_BORDERCOLOR:
        case D3DTSS_MAGFILTER:
        case D3DTSS_MINFILTER:
        case D3DTSS_MIPFILTER:
        case D3DTSS_MIPMAPLODBIAS:
        case D3DTSS_MAXMIPLEVEL:
        case D3DTSS_MAXANISOTROPY:
            return kDirtySamplers;
        default:
            return 0;
    }
}

}  // namespace tarvona::d3d8
