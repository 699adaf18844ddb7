#include "d3d8/ffp_shader.h"

#include <cstring>

namespace tarvona::d3d8 {

bool operator==(const ShaderKey& a, const ShaderKey& b) { return std::memcmp(&a, &b, sizeof(ShaderKey)) == 0; }

std::uint64_t HashOf(const ShaderKey& key) {
    // FNV-1a over the key's bytes.
    const auto* p = reinterpret_cast<const unsigned char*>(&key);
    std::uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof key; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

namespace {

constexpr DWORD kArgMask = D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE;

std::uint8_t Op(DWORD op) {
    return static_cast<std::uint8_t>(op >= D3DTOP_DISABLE && op <= 26 ? op : static_cast<DWORD>(D3DTOP_DISABLE));
}

// A material colour source as the shader reads it: COLOR1 and COLOR2 only
// when the vertex has that colour, else the material ("if the vertex
// colour is not provided, the material colour is used").
std::uint8_t Source(const DeviceState& s, DWORD state, const VertexLayout& l) {
    if (!s.renderStates[D3DRS_COLORVERTEX]) return 0;
    const DWORD v = s.renderStates[state];
    if (v == D3DMCS_COLOR1 && l.diffuseOffset >= 0) return 1;
    if (v == D3DMCS_COLOR2 && l.specularOffset >= 0) return 2;
    return 0;
}

bool UsesArg(DWORD op, int which) {
    if (op == D3DTOP_SELECTARG1) return which == 1;
    if (op == D3DTOP_SELECTARG2) return which == 2;
    return true;
}

bool ReadsTexture(const StageKey& st) {
    auto texArg = [](std::uint8_t a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    return texArg(st.colorArg1) || texArg(st.colorArg2) || texArg(st.alphaArg1) || texArg(st.alphaArg2) ||
           st.colorOp == D3DTOP_BLENDTEXTUREALPHA || st.colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
           st.alphaOp == D3DTOP_BLENDTEXTUREALPHA || st.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM;
}

}  // namespace

ShaderKey MakeShaderKey(const DeviceState& s, const VertexLayout& l, D3DPRIMITIVETYPE primitive) {
    ShaderKey k;
    std::memset(&k, 0, sizeof k);
    const DWORD* rs = s.renderStates;
    k.pretransformed = l.pretransformed;
    k.hasNormal = l.normalOffset >= 0;
    k.hasDiffuse = l.diffuseOffset >= 0;
    k.hasSpecular = l.specularOffset >= 0;
    k.hasPointSize = l.pointSizeOffset >= 0;
    // Pre-transformed vertices are never lit, whatever D3DRS_LIGHTING says.
    k.lighting = rs[D3DRS_LIGHTING] && !l.pretransformed;
    k.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    if (k.lighting) {
        k.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        k.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
        k.diffuseSource = Source(s, D3DRS_DIFFUSEMATERIALSOURCE, l);
        k.ambientSource = Source(s, D3DRS_AMBIENTMATERIALSOURCE, l);
        k.specularSource = Source(s, D3DRS_SPECULARMATERIALSOURCE, l);
        k.emissiveSource = Source(s, D3DRS_EMISSIVEMATERIALSOURCE, l);
    }
    k.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    // Sprite texture coordinates and point scaling exist only for points:
    // the states stay set while triangles are drawn.
    k.points = primitive == D3DPT_POINTLIST;
    k.pointSprite = k.points && rs[D3DRS_POINTSPRITEENABLE];
    k.pointScale = k.points && rs[D3DRS_POINTSCALEENABLE] && !l.pretransformed;
    if (rs[D3DRS_ALPHATESTENABLE]) {
        const DWORD f = rs[D3DRS_ALPHAFUNC];
        if (f >= D3DCMP_NEVER && f < D3DCMP_ALWAYS) k.alphaFunc = static_cast<std::uint8_t>(f);
    }
    for (int i = 0; i < kShaderStages; ++i) {
        const DWORD* ts = s.stageStates[i];
        StageKey& st = k.stages[i];
        st.colorOp = Op(ts[D3DTSS_COLOROP]);
        if (st.colorOp == D3DTOP_DISABLE) break;  // this stage and all later ones are off
        st.colorArg1 = UsesArg(st.colorOp, 1) ? static_cast<std::uint8_t>(ts[D3DTSS_COLORARG1] & kArgMask) : 0;
        st.colorArg2 = UsesArg(st.colorOp, 2) ? static_cast<std::uint8_t>(ts[D3DTSS_COLORARG2] & kArgMask) : 0;
        st.alphaOp = Op(ts[D3DTSS_ALPHAOP]);
        st.alphaArg1 = UsesArg(st.alphaOp, 1) ? static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG1] & kArgMask) : 0;
        st.alphaArg2 = UsesArg(st.alphaOp, 2) ? static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG2] & kArgMask) : 0;
        if (st.alphaOp == D3DTOP_DISABLE) st.alphaArg1 = st.alphaArg2 = 0;
        st.hasTexture = s.textures[i] != nullptr;
        st.texCoordSet = 0xFF;
        if (st.hasTexture && ReadsTexture(st) && !k.pointSprite) {
            const DWORD index = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;  // the high bits are generation flags
            if (index < static_cast<DWORD>(l.texCoordCount)) {
                st.texCoordSet = static_cast<std::uint8_t>(index);
            }
        }
    }
    return k;
}

namespace {

const char* kBlocks = R"(
layout(std140) uniform Draw {
    mat4 uWorldView;
    mat4 uNormalMatrix;
    vec4 uMaterialDiffuse;
    vec4 uMaterialAmbient;
    vec4 uMaterialSpecular;
    vec4 uMaterialEmissive;
    vec4 uMaterialPower;
};
struct Light {
    vec4 diffuse;
    vec4 specular;
    vec4 ambient;
    vec4 position;
    vec4 direction;
    vec4 attenuation;
    vec4 spot;
};
layout(std140) uniform Lighting {
    vec4 uGlobalAmbient;
    ivec4 uLightCount;
    Light uLights[8];
};
layout(std140) uniform Frame {
    mat4 uProjection;
    vec4 uViewport;
    vec4 uDepthRange;
    vec4 uTextureFactor;
    vec4 uAlphaRef;
    vec4 uPointSize;
    vec4 uPointScale;
};
)";

std::string SourceExpr(std::uint8_t source, const char* material) {
    if (source == 1) return "aDiffuse";
    if (source == 2) return "aSpecular";
    return material;
}

}  // namespace

std::string VertexShaderSource(const ShaderKey& k) {
    std::string s = "#version 330 core\n";
    s += kBlocks;
    s += "layout(location = 0) in vec4 aPosition;\n"
         "layout(location = 1) in vec3 aNormal;\n"
         "layout(location = 2) in float aPointSize;\n"
         "layout(location = 3) in vec4 aDiffuse;\n"
         "layout(location = 4) in vec4 aSpecular;\n";
    for (int i = 0; i < 8; ++i) s += "layout(location = " + std::to_string(5 + i) + ") in vec4 aTex" + std::to_string(i) + ";\n";
    const char* interp = k.flatShading ? "flat " : "";
    s += std::string(interp) + "out vec4 vDiffuse;\n";
    s += std::string(interp) + "out vec4 vSpecular;\n";
    for (int i = 0; i < kShaderStages; ++i) s += "out vec2 vTex" + std::to_string(i) + ";\n";
    s += "void main() {\n";
    s += "    vec3 eye = vec3(0.0);\n";
    if (k.pretransformed) {
        // Screen pixels with Direct3D's pixel centres on integers; rhw is
        // 1/w, kept for perspective-correct interpolation. z is the depth
        // value itself, so it is mapped back through the depth range.
        s += R"(    float w = aPosition.w > 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = vec2(2.0 * (aPosition.x - uViewport.x + 0.5) / uViewport.z - 1.0,
                    1.0 - 2.0 * (aPosition.y - uViewport.y + 0.5) / uViewport.w);
    float span = uDepthRange.y - uDepthRange.x;
    float z = span > 0.0 ? 2.0 * (aPosition.z - uDepthRange.x) / span - 1.0 : 2.0 * aPosition.z - 1.0;
    gl_Position = vec4(ndc * w, z * w, w);
)";
    } else {
        // Direct3D's clip-space z runs from 0 to w, OpenGL's from -w to w;
        // and Direct3D puts pixel centres half a pixel up and left of
        // OpenGL's, which the shift by 1/W and 1/H in clip space undoes.
        s += R"(    vec4 eyePos = uWorldView * vec4(aPosition.xyz, 1.0);
    eye = eyePos.xyz;
    vec4 clip = uProjection * eyePos;
    clip.z = 2.0 * clip.z - clip.w;
    clip.x += clip.w / uViewport.z;
    clip.y -= clip.w / uViewport.w;
    gl_Position = clip;
)";
    }
    if (k.lighting) {
        s += k.hasNormal ? "    vec3 N = mat3(uNormalMatrix) * aNormal;\n" : "    vec3 N = vec3(0.0);\n";
        if (k.normalizeNormals && k.hasNormal) s += "    if (dot(N, N) > 0.0) N = normalize(N);\n";
        s += R"(    vec3 sumDiffuse = vec3(0.0);
    vec3 sumAmbient = vec3(0.0);
    vec3 sumSpecular = vec3(0.0);
    for (int i = 0; i < uLightCount.x; ++i) {
        int type = int(uLights[i].position.w);
        vec3 toLight;
        float atten = 1.0;
        float spot = 1.0;
        if (type == 3) {
            toLight = uLights[i].direction.xyz;
        } else {
            vec3 d = uLights[i].position.xyz - eye;
            float dist = length(d);
            // Beyond its range a light adds nothing at all.
            if (dist > uLights[i].direction.w) continue;
            toLight = dist > 0.0 ? d / dist : vec3(0.0);
            vec3 a = uLights[i].attenuation.xyz;
            float denom = a.x + a.y * dist + a.z * dist * dist;
            atten = denom > 0.0 ? 1.0 / denom : 1.0;
            if (type == 2) {
                float rho = dot(uLights[i].direction.xyz, -toLight);
                float cosHalfTheta = uLights[i].spot.x;
                float cosHalfPhi = uLights[i].spot.y;
                if (rho <= cosHalfPhi) spot = 0.0;
                else if (rho <= cosHalfTheta)
                    spot = pow((rho - cosHalfPhi) / max(cosHalfTheta - cosHalfPhi, 1e-6), uLights[i].attenuation.w);
            }
        }
        float factor = atten * spot;
        sumDiffuse += uLights[i].diffuse.rgb * max(dot(N, toLight), 0.0) * factor;
        sumAmbient += uLights[i].ambient.rgb * factor;
)";
        if (k.specularEnable) {
            s += k.localViewer ? "        vec3 toEye = dot(eye, eye) > 0.0 ? normalize(-eye) : vec3(0.0, 0.0, -1.0);\n"
                               : "        vec3 toEye = vec3(0.0, 0.0, -1.0);\n";
            s += R"(        vec3 h = toEye + toLight;
        h = dot(h, h) > 0.0 ? normalize(h) : h;
        float nh = max(dot(N, h), 0.0);
        float p = uMaterialPower.x;
        sumSpecular += uLights[i].specular.rgb * (p > 0.0 ? (nh > 0.0 ? pow(nh, p) : 0.0) : 1.0) * factor;
)";
        }
        s += "    }\n";
        s += "    vec4 cd = " + SourceExpr(k.diffuseSource, "uMaterialDiffuse") + ";\n";
        s += "    vec4 ca = " + SourceExpr(k.ambientSource, "uMaterialAmbient") + ";\n";
        s += "    vec4 cs = " + SourceExpr(k.specularSource, "uMaterialSpecular") + ";\n";
        s += "    vec4 ce = " + SourceExpr(k.emissiveSource, "uMaterialEmissive") + ";\n";
        // Sums are clamped once, after all lights.
        s += R"(    vDiffuse.rgb = clamp(ce.rgb + ca.rgb * uGlobalAmbient.rgb + ca.rgb * sumAmbient + cd.rgb * sumDiffuse, 0.0, 1.0);
    vDiffuse.a = clamp(cd.a, 0.0, 1.0);
    vSpecular = vec4(clamp(cs.rgb * sumSpecular, 0.0, 1.0), 0.0);
)";
    } else {
        s += k.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
        s += k.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    }
    for (int i = 0; i < kShaderStages; ++i) {
        const StageKey& st = k.stages[i];
        const std::string out = "vTex" + std::to_string(i);
        if (st.texCoordSet != 0xFF)
            s += "    " + out + " = aTex" + std::to_string(st.texCoordSet) + ".xy;\n";
        else
            s += "    " + out + " = vec2(0.0);\n";
    }
    // Point size: D3DRS_POINTSIZE (or the vertex's own), scaled by distance
    // as Direct3D does, then clamped to the minimum and maximum.
    s += k.hasPointSize ? "    float size = aPointSize;\n" : "    float size = uPointSize.x;\n";
    if (k.pointScale)
        s += R"(    float de = length(eye);
    float q = uPointScale.x + uPointScale.y * de + uPointScale.z * de * de;
    size = q > 0.0 ? uViewport.w * size * sqrt(1.0 / q) : uPointSize.z;
)";
    s += "    gl_PointSize = clamp(size, uPointSize.y, uPointSize.z);\n";
    s += "}\n";
    return s;
}

namespace {

std::string ArgExpr(std::uint8_t arg, bool alpha, int stage, bool hasTexture) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: base = "diffuse"; break;
        case D3DTA_CURRENT: base = stage == 0 ? "diffuse" : "current"; break;
        case D3DTA_TEXTURE:
            // No texture on the stage: colour reads opaque white; as an
            // alpha argument Direct3D falls back to the diffuse alpha.
            if (hasTexture)
                base = "texel" + std::to_string(stage);
            else
                base = alpha ? "vec4(1.0, 1.0, 1.0, diffuse.a)" : "vec4(1.0)";
            break;
        case D3DTA_TFACTOR: base = "uTextureFactor"; break;
        case D3DTA_SPECULAR: base = "specular"; break;
        case D3DTA_TEMP: base = "temp"; break;
        default: base = "diffuse"; break;
    }
    if (arg & D3DTA_ALPHAREPLICATE) base = "vec4((" + base + ").a)";
    if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    return base + (alpha ? ".a" : ".rgb");
}

std::string OpExpr(std::uint8_t op, const std::string& a1, const std::string& a2, bool alpha, int stage,
                   bool hasTexture) {
    const std::string texel = hasTexture ? "texel" + std::to_string(stage) : "vec4(1.0)";
    const std::string current = stage == 0 ? "diffuse" : "current";
    switch (op) {
        case D3DTOP_SELECTARG1: return a1;
        case D3DTOP_SELECTARG2: return a2;
        case D3DTOP_MODULATE: return a1 + " * " + a2;
        case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
        case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
        case D3DTOP_ADD: return a1 + " + " + a2;
        case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - 0.5";
        case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a1 + " + " + a2 + " - 0.5)";
        case D3DTOP_SUBTRACT: return a1 + " - " + a2;
        case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " * (1.0 - " + a1 + ")";
        case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
        case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + texel + ".a)";
        case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTextureFactor.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + texel + ".a)";
        case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", " + current + ".a)";
        case 24:  // D3DTOP_DOTPRODUCT3, replicated into every channel
            return alpha ? "clamp(4.0 * dot(" + a1 + " - 0.5, " + a2 + " - 0.5), 0.0, 1.0)"
                         : "vec3(clamp(4.0 * dot(" + a1 + " - vec3(0.5), " + a2 + " - vec3(0.5)), 0.0, 1.0))";
        default:
            // Operations outside this device's set (bump mapping, the
            // three-argument ones): the first argument stands in.
            return a1;
    }
}

const char* CompareExpr(std::uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER: return "false";
        case D3DCMP_LESS: return "a < ref";
        case D3DCMP_EQUAL: return "a == ref";
        case D3DCMP_LESSEQUAL: return "a <= ref";
        case D3DCMP_GREATER: return "a > ref";
        case D3DCMP_NOTEQUAL: return "a != ref";
        case D3DCMP_GREATEREQUAL: return "a >= ref";
        default: return "true";
    }
}

}  // namespace

std::string FragmentShaderSource(const ShaderKey& k) {
    std::string s = "#version 330 core\n";
    s += kBlocks;
    const char* interp = k.flatShading ? "flat " : "";
    s += std::string(interp) + "in vec4 vDiffuse;\n";
    s += std::string(interp) + "in vec4 vSpecular;\n";
    for (int i = 0; i < kShaderStages; ++i) {
        s += "in vec2 vTex" + std::to_string(i) + ";\n";
        s += "uniform sampler2D uTexture" + std::to_string(i) + ";\n";
    }
    s += "out vec4 fragColor;\n";
    s += "void main() {\n";
    s += "    vec4 diffuse = vDiffuse;\n    vec4 specular = vSpecular;\n";
    s += "    vec4 current = diffuse;\n    vec4 temp = vec4(0.0);\n";
    for (int i = 0; i < kShaderStages; ++i) {
        const StageKey& st = k.stages[i];
        if (st.colorOp == D3DTOP_DISABLE) break;
        const std::string n = std::to_string(i);
        if (st.hasTexture) {
            const std::string uv = k.pointSprite ? "gl_PointCoord" : "vTex" + n;
            s += "    vec4 texel" + n + " = texture(uTexture" + n + ", " + uv + ");\n";
        }
        const std::string c1 = ArgExpr(st.colorArg1, false, i, st.hasTexture);
        const std::string c2 = ArgExpr(st.colorArg2, false, i, st.hasTexture);
        s += "    {\n";
        s += "        vec3 color = clamp(" + OpExpr(st.colorOp, c1, c2, false, i, st.hasTexture) + ", 0.0, 1.0);\n";
        if (st.alphaOp == D3DTOP_DISABLE) {
            // Alpha cannot really be disabled while colour runs; it
            // passes the previous alpha through.
            s += "        float alpha = " + std::string(i == 0 ? "diffuse" : "current") + ".a;\n";
        } else {
            const std::string a1 = ArgExpr(st.alphaArg1, true, i, st.hasTexture);
            const std::string a2 = ArgExpr(st.alphaArg2, true, i, st.hasTexture);
            s += "        float alpha = clamp(" + OpExpr(st.alphaOp, a1, a2, true, i, st.hasTexture) +
                 ", 0.0, 1.0);\n";
        }
        s += "        current = vec4(color, alpha);\n";
        s += "    }\n";
    }
    if (k.specularEnable) s += "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc) {
        // The reference is an 8-bit value, so the alpha is compared as one.
        s += "    float a = floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5);\n";
        s += "    float ref = uAlphaRef.x;\n";
        s += "    if (!(" + std::string(CompareExpr(k.alphaFunc)) + ")) discard;\n";
    }
    s += "    fragColor = current;\n";
    s += "}\n";
    return s;
}

}  // namespace tarvona::d3d8
