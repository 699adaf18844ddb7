#include "d3d8/gl_backend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "d3d8/index_buffer.h"
#include "d3d8/texture.h"
#include "d3d8/vertex_buffer.h"
#include "win/window_internal.h"

// Every GL call goes through here, so the count is complete.
#define TGL(call) (++stats.glCalls, call)

namespace tarvona::d3d8 {

namespace {

constexpr GLuint kDrawBinding = 0;
constexpr GLuint kLightingBinding = 1;
constexpr GLuint kFrameBinding = 2;

void ColorOf(D3DCOLOR c, float out[4]) {
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

void Copy4(const D3DCOLORVALUE& c, float out[4]) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

// Direct3D's row-vector product a * b, in single precision.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

// The inverse transpose of the upper 3x3, for normals; the matrix itself
// when it cannot be inverted.
void NormalMatrix(const D3DMATRIX& m, float out[16]) {
    const float a = m._11, b = m._12, c = m._13;
    const float d = m._21, e = m._22, f = m._23;
    const float g = m._31, h = m._32, i = m._33;
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
    const float G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
    const float det = a * A + b * B + c * C;
    std::memset(out, 0, 16 * sizeof(float));
    out[15] = 1.0f;
    if (std::fabs(det) < 1e-30f || !std::isfinite(det)) {
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col) out[r * 4 + col] = m.m[r][col];
        return;
    }
    // inverse = adjugate / det, and the adjugate's transpose is the cofactor
    // matrix: so the inverse transpose is cofactors / det.
    const float cof[9] = {A, B, C, D, E, F, G, H, I};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) out[r * 4 + col] = cof[r * 3 + col] / det;
}

void TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
}

void TransformDirection(const D3DVECTOR& p, const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c];
}

void Normalize3(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0.0f)
        for (int i = 0; i < 3; ++i) v[i] /= len;
}

GLuint CompileStage(GlStats& stats, GLenum type, const std::string& source) {
    const GLuint s = TGL(glCreateShader(type));
    const char* text = source.c_str();
    TGL(glShaderSource(s, 1, &text, nullptr));
    TGL(glCompileShader(s));
    GLint ok = 0;
    TGL(glGetShaderiv(s, GL_COMPILE_STATUS, &ok));
    if (!ok) {
        char log[2048];
        TGL(glGetShaderInfoLog(s, sizeof log, nullptr, log));
        std::fprintf(stderr, "tarvona: a fixed-function shader does not compile: %s\n", log);
        TGL(glDeleteShader(s));
        return 0;
    }
    return s;
}

}  // namespace

GlBackend::~GlBackend() {
    if (!context_) return;
    MakeCurrent();
    for (const Program& p : programs_)
        if (p.name) glDeleteProgram(p.name);
    glDeleteSamplers(static_cast<GLsizei>(kStageCount), samplers_);
    glDeleteBuffers(3, ubo_);
    glDeleteVertexArrays(1, &vao_);
    glDeleteFramebuffers(2, fbo_);
    glDeleteRenderbuffers(2, colorRb_);
    if (depthRb_) glDeleteRenderbuffers(1, &depthRb_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
}

bool GlBackend::Init(SDL_Window* window, std::string* why) {
    window_ = window;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context_ = SDL_GL_CreateContext(window);
    if (!context_) {
        *why = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
        return false;
    }
    if (SDL_GL_MakeCurrent(window, context_) != 0 || epoxy_gl_version() < 33) {
        *why = "the OpenGL context is older than 3.3";
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
        return false;
    }
    TGL(glGenVertexArrays(1, &vao_));
    TGL(glBindVertexArray(vao_));
    TGL(glGenBuffers(3, ubo_));
    const GLsizeiptr sizes[3] = {sizeof(DrawBlock), sizeof(LightingBlock), sizeof(FrameBlock)};
    for (int i = 0; i < 3; ++i) {
        TGL(glBindBuffer(GL_UNIFORM_BUFFER, ubo_[i]));
        TGL(glBufferData(GL_UNIFORM_BUFFER, sizes[i], nullptr, GL_DYNAMIC_DRAW));
        TGL(glBindBufferBase(GL_UNIFORM_BUFFER, static_cast<GLuint>(i), ubo_[i]));
    }
    TGL(glGenSamplers(static_cast<GLsizei>(kStageCount), samplers_));
    for (GLuint unit = 0; unit < kStageCount; ++unit) TGL(glBindSampler(unit, samplers_[unit]));
    // Direct3D's defaults where OpenGL's differ: no dithering, clockwise
    // front faces, the first vertex's colour for flat shading.
    Enable(GL_DITHER, false, gl_.dither);
    TGL(glFrontFace(GL_CW));
    TGL(glProvokingVertex(GL_FIRST_VERTEX_CONVENTION));
    TGL(glEnable(GL_PROGRAM_POINT_SIZE));
    TGL(glPixelStorei(GL_PACK_ALIGNMENT, 1));
    TGL(glPixelStorei(GL_UNPACK_ALIGNMENT, 1));
    GLfloat range[2] = {1.0f, 64.0f};
    TGL(glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range));
    maxPointSize_ = std::min(range[1], 256.0f);
    TGL(glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_));
    return true;
}

void GlBackend::MakeCurrent() {
    if (context_ && SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
}

void GlBackend::SetSwapInterval(int interval) {
    // Not every display has a retrace to wait for (Xvfb, pbuffers): a
    // refusal is fine.
    SDL_GL_SetSwapInterval(interval);
}

bool GlBackend::CreateTargets(UINT width, UINT height, D3DFORMAT colorFormat, D3DFORMAT depthFormat,
                              std::string* why) {
    MakeCurrent();
    colorFormat_ = GlColorBufferFormatOf(colorFormat);
    if (!colorFormat_.internalFormat) {
        *why = "unsupported back-buffer format";
        return false;
    }
    const GLenum depthInternal = depthFormat == D3DFMT_UNKNOWN ? 0 : GlDepthBufferFormatOf(depthFormat);
    if (depthFormat != D3DFMT_UNKNOWN && !depthInternal) {
        *why = "unsupported depth-buffer format";
        return false;
    }
    if (static_cast<GLint>(width) > maxTextureSize_ || static_cast<GLint>(height) > maxTextureSize_) {
        *why = "back buffer larger than the GL allows";
        return false;
    }
    if (fbo_[0]) {
        TGL(glDeleteFramebuffers(2, fbo_));
        TGL(glDeleteRenderbuffers(2, colorRb_));
        if (depthRb_) TGL(glDeleteRenderbuffers(1, &depthRb_));
        depthRb_ = 0;
        gl_.drawFramebuffer = gl_.readFramebuffer = 0;
        TGL(glBindFramebuffer(GL_FRAMEBUFFER, 0));
    }
    width_ = width;
    height_ = height;
    is565_ = colorFormat == D3DFMT_R5G6B5;
    stencil_ = d3d8::HasStencil(depthFormat);
    TGL(glGenRenderbuffers(2, colorRb_));
    TGL(glGenFramebuffers(2, fbo_));
    if (depthInternal) {
        TGL(glGenRenderbuffers(1, &depthRb_));
        TGL(glBindRenderbuffer(GL_RENDERBUFFER, depthRb_));
        TGL(glRenderbufferStorage(GL_RENDERBUFFER, depthInternal, static_cast<GLsizei>(width),
                                  static_cast<GLsizei>(height)));
    }
    for (int i = 0; i < 2; ++i) {
        TGL(glBindRenderbuffer(GL_RENDERBUFFER, colorRb_[i]));
        TGL(glRenderbufferStorage(GL_RENDERBUFFER, colorFormat_.internalFormat, static_cast<GLsizei>(width),
                                  static_cast<GLsizei>(height)));
        BindDrawFramebuffer(fbo_[i]);
        TGL(glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorRb_[i]));
        if (depthRb_)
            TGL(glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER,
                                          stencil_ ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                          GL_RENDERBUFFER, depthRb_));
        if (TGL(glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER)) != GL_FRAMEBUFFER_COMPLETE) {
            *why = "the back buffer cannot be made";
            return false;
        }
        // A fresh back buffer is black and its depth at the far plane, as
        // if cleared, rather than whatever the memory held.
        SetColorMask(true, true, true, true);
        SetDepthMask(true);
        SetStencilWriteMask(0xFFFFFFFFu);
        SetScissor(false, 0, 0, 0, 0);
        TGL(glClearColor(0, 0, 0, 1));
        TGL(glClearDepth(1.0));
        TGL(glClearStencil(0));
        TGL(glClear(GL_COLOR_BUFFER_BIT | (depthRb_ ? GL_DEPTH_BUFFER_BIT : 0u) |
                    (stencil_ ? GL_STENCIL_BUFFER_BIT : 0u)));
        gl_.clearDepth = 1.0f;
        gl_.clearStencil = 0;
        std::fill(std::begin(gl_.clearColor), std::end(gl_.clearColor), 0.0f);
        gl_.clearColor[3] = 1.0f;
    }
    back_ = 0;
    lastPresented_ = 0;
    presentedOnce_ = false;
    BindDrawFramebuffer(BackFbo());
    return true;
}

// ---- shadowed state ---------------------------------------------------------------

void GlBackend::UseProgram(GLuint p) {
    if (gl_.program == p) return;
    gl_.program = p;
    ++stats.programBinds;
    TGL(glUseProgram(p));
}
void GlBackend::BindArrayBuffer(GLuint b) {
    if (gl_.arrayBuffer == b) return;
    gl_.arrayBuffer = b;
    TGL(glBindBuffer(GL_ARRAY_BUFFER, b));
}
void GlBackend::BindElementBuffer(GLuint b) {
    if (gl_.elementBuffer == b) return;
    gl_.elementBuffer = b;
    TGL(glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b));
}
void GlBackend::BindCopyWriteBuffer(GLuint b) {
    if (gl_.copyWriteBuffer == b) return;
    gl_.copyWriteBuffer = b;
    TGL(glBindBuffer(GL_COPY_WRITE_BUFFER, b));
}
void GlBackend::BindDrawFramebuffer(GLuint f) {
    if (gl_.drawFramebuffer == f) return;
    gl_.drawFramebuffer = f;
    TGL(glBindFramebuffer(GL_DRAW_FRAMEBUFFER, f));
}
void GlBackend::BindReadFramebuffer(GLuint f) {
    if (gl_.readFramebuffer == f) return;
    gl_.readFramebuffer = f;
    TGL(glBindFramebuffer(GL_READ_FRAMEBUFFER, f));
}
void GlBackend::BindTextureUnit(GLuint unit, GLuint name) {
    if (gl_.textures[unit] == name) return;
    if (gl_.activeUnit != unit) {
        gl_.activeUnit = unit;
        TGL(glActiveTexture(GL_TEXTURE0 + unit));
    }
    gl_.textures[unit] = name;
    TGL(glBindTexture(GL_TEXTURE_2D, name));
}
void GlBackend::Enable(GLenum cap, bool on, bool& shadow) {
    if (shadow == on) return;
    shadow = on;
    if (on)
        TGL(glEnable(cap));
    else
        TGL(glDisable(cap));
}
void GlBackend::SetDepthMask(bool on) {
    if (gl_.depthMask == on) return;
    gl_.depthMask = on;
    TGL(glDepthMask(on ? GL_TRUE : GL_FALSE));
}
void GlBackend::SetColorMask(bool r, bool g, bool b, bool a) {
    if (gl_.colorMask[0] == r && gl_.colorMask[1] == g && gl_.colorMask[2] == b && gl_.colorMask[3] == a) return;
    gl_.colorMask[0] = r;
    gl_.colorMask[1] = g;
    gl_.colorMask[2] = b;
    gl_.colorMask[3] = a;
    TGL(glColorMask(r, g, b, a));
}
void GlBackend::SetStencilWriteMask(GLuint mask) {
    if (gl_.stencilWriteMask == mask) return;
    gl_.stencilWriteMask = mask;
    TGL(glStencilMask(mask));
}
void GlBackend::SetScissor(bool on, GLint x, GLint y, GLsizei w, GLsizei h) {
    Enable(GL_SCISSOR_TEST, on, gl_.scissor);
    if (!on) return;
    if (gl_.scissorBox[0] == x && gl_.scissorBox[1] == y && gl_.scissorBox[2] == w && gl_.scissorBox[3] == h) return;
    gl_.scissorBox[0] = x;
    gl_.scissorBox[1] = y;
    gl_.scissorBox[2] = w;
    gl_.scissorBox[3] = h;
    TGL(glScissor(x, y, w, h));
}
void GlBackend::SetViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (gl_.viewport[0] == x && gl_.viewport[1] == y && gl_.viewport[2] == w && gl_.viewport[3] == h) return;
    gl_.viewport[0] = x;
    gl_.viewport[1] = y;
    gl_.viewport[2] = w;
    gl_.viewport[3] = h;
    TGL(glViewport(x, y, w, h));
}
void GlBackend::SetDepthRange(float n, float f) {
    if (gl_.depthRange[0] == n && gl_.depthRange[1] == f) return;
    gl_.depthRange[0] = n;
    gl_.depthRange[1] = f;
    TGL(glDepthRange(n, f));
}

// ---- resources -----------------------------------------------------------------------

GLuint GlBackend::CreateBuffer(GLsizeiptr size) {
    MakeCurrent();
    GLuint name = 0;
    TGL(glGenBuffers(1, &name));
    BindCopyWriteBuffer(name);
    TGL(glBufferData(GL_COPY_WRITE_BUFFER, size, nullptr, GL_DYNAMIC_DRAW));
    return name;
}

void GlBackend::DeleteBuffer(GLuint name) {
    if (!name) return;
    MakeCurrent();
    if (gl_.arrayBuffer == name) gl_.arrayBuffer = 0;
    if (gl_.elementBuffer == name) gl_.elementBuffer = 0;
    if (gl_.copyWriteBuffer == name) gl_.copyWriteBuffer = 0;
    if (gl_.inputBuffer == name) gl_.inputBuffer = 0, gl_.inputFvf = 0xFFFFFFFFu;
    TGL(glDeleteBuffers(1, &name));
}

void GlBackend::UploadBuffer(GLuint name, GLsizeiptr totalSize, GLintptr offset, GLsizeiptr size, const void* data,
                             bool orphan) {
    if (!name || size <= 0) return;
    MakeCurrent();
    BindCopyWriteBuffer(name);
    ++stats.bufferUploads;
    if (orphan && offset == 0 && size == totalSize) {
        TGL(glBufferData(GL_COPY_WRITE_BUFFER, totalSize, data, GL_DYNAMIC_DRAW));
        return;
    }
    if (orphan) TGL(glBufferData(GL_COPY_WRITE_BUFFER, totalSize, nullptr, GL_DYNAMIC_DRAW));
    TGL(glBufferSubData(GL_COPY_WRITE_BUFFER, offset, size, static_cast<const std::uint8_t*>(data) + offset));
}

GLuint GlBackend::CreateTexture(UINT width, UINT height, UINT levels, const GlTextureFormat& f) {
    MakeCurrent();
    GLuint name = 0;
    TGL(glGenTextures(1, &name));
    BindTextureUnit(kScratchUnit, name);
    for (UINT level = 0; level < levels; ++level) {
        const GLsizei w = static_cast<GLsizei>(std::max(1u, width >> level));
        const GLsizei h = static_cast<GLsizei>(std::max(1u, height >> level));
        TGL(glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), static_cast<GLint>(f.internalFormat), w, h, 0,
                         f.format, f.type, nullptr));
    }
    TGL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0));
    TGL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1)));
    TGL(glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle));
    return name;
}

void GlBackend::DeleteTexture(GLuint name) {
    if (!name) return;
    MakeCurrent();
    for (GLuint& t : gl_.textures)
        if (t == name) t = 0;
    TGL(glDeleteTextures(1, &name));
}

void GlBackend::UploadTextureLevel(GLuint name, UINT level, UINT width, UINT height, INT pitch,
                                   const GlTextureFormat& f, const void* data) {
    MakeCurrent();
    BindTextureUnit(gl_.activeUnit, name);
    ++stats.textureUploads;
    TGL(glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(static_cast<UINT>(pitch) / f.bytesPerTexel)));
    TGL(glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), f.format, f.type, data));
    TGL(glPixelStorei(GL_UNPACK_ROW_LENGTH, 0));
}

// ---- programs --------------------------------------------------------------------

GLuint GlBackend::Compile(const ShaderKey& key) {
    ++stats.shaderCompiles;
    const GLuint vs = CompileStage(stats, GL_VERTEX_SHADER, VertexShaderSource(key));
    const GLuint fs = CompileStage(stats, GL_FRAGMENT_SHADER, FragmentShaderSource(key));
    if (!vs || !fs) {
        if (vs) TGL(glDeleteShader(vs));
        if (fs) TGL(glDeleteShader(fs));
        return 0;
    }
    const GLuint p = TGL(glCreateProgram());
    TGL(glAttachShader(p, vs));
    TGL(glAttachShader(p, fs));
    TGL(glLinkProgram(p));
    TGL(glDeleteShader(vs));
    TGL(glDeleteShader(fs));
    GLint ok = 0;
    TGL(glGetProgramiv(p, GL_LINK_STATUS, &ok));
    if (!ok) {
        char log[2048];
        TGL(glGetProgramInfoLog(p, sizeof log, nullptr, log));
        std::fprintf(stderr, "tarvona: a fixed-function shader does not link: %s\n", log);
        TGL(glDeleteProgram(p));
        return 0;
    }
    const char* blocks[3] = {"Draw", "Lighting", "Frame"};
    const GLuint bindings[3] = {kDrawBinding, kLightingBinding, kFrameBinding};
    for (int i = 0; i < 3; ++i) {
        const GLuint index = TGL(glGetUniformBlockIndex(p, blocks[i]));
        if (index != GL_INVALID_INDEX) TGL(glUniformBlockBinding(p, index, bindings[i]));
    }
    UseProgram(p);
    for (int i = 0; i < kShaderStages; ++i) {
        const std::string name = "uTexture" + std::to_string(i);
        const GLint loc = TGL(glGetUniformLocation(p, name.c_str()));
        if (loc >= 0) TGL(glUniform1i(loc, i));
    }
    return p;
}

GLuint GlBackend::ProgramFor(const ShaderKey& key) {
    if (keyValid_ && key == lastKey_) return lastProgram_;
    const std::uint64_t hash = HashOf(key);
    GLuint program = 0;
    bool found = false;
    for (const Program& p : programs_) {
        if (p.hash == hash && p.key == key) {
            program = p.name;
            found = true;
            break;
        }
    }
    if (!found) {
        program = Compile(key);
        programs_.push_back(Program{key, hash, program});  // a failed one too, so it is not retried
    }
    lastKey_ = key;
    lastProgram_ = program;
    keyValid_ = true;
    return program;
}

// ---- flushing ----------------------------------------------------------------------

void GlBackend::UploadBlock(GLuint ubo, const void* data, size_t size, void* shadow) {
    if (blocksValid_ && std::memcmp(data, shadow, size) == 0) return;
    std::memcpy(shadow, data, size);
    BindCopyWriteBuffer(ubo);
    ++stats.bufferUploads;
    TGL(glBufferSubData(GL_COPY_WRITE_BUFFER, 0, static_cast<GLsizeiptr>(size), data));
}

void GlBackend::FlushDepth(const DeviceState& s) {
    // D3DZB_USEW asks for a w-buffer, which OpenGL does not have; it is
    // treated as z-buffering (the program replaces it before its first draw).
    const bool test = s.renderStates[D3DRS_ZENABLE] != D3DZB_FALSE && depthRb_ != 0;
    Enable(GL_DEPTH_TEST, test, gl_.depthTest);
    SetDepthMask(s.renderStates[D3DRS_ZWRITEENABLE] != FALSE);
    const GLenum func = GlCompare(s.renderStates[D3DRS_ZFUNC]);
    if (gl_.depthFunc != func) {
        gl_.depthFunc = func;
        TGL(glDepthFunc(func));
    }
}

void GlBackend::FlushBlend(const DeviceState& s) {
    const DWORD* rs = s.renderStates;
    Enable(GL_BLEND, rs[D3DRS_ALPHABLENDENABLE] != FALSE, gl_.blend);
    GLenum src = GlBlendFactor(rs[D3DRS_SRCBLEND], false);
    GLenum dst = GlBlendFactor(rs[D3DRS_DESTBLEND], true);
    // The BOTH factors set the destination as well, overriding DESTBLEND.
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) src = GL_SRC_ALPHA, dst = GL_ONE_MINUS_SRC_ALPHA;
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) src = GL_ONE_MINUS_SRC_ALPHA, dst = GL_SRC_ALPHA;
    if (gl_.blendSrc != src || gl_.blendDst != dst) {
        gl_.blendSrc = src;
        gl_.blendDst = dst;
        TGL(glBlendFunc(src, dst));
    }
    const GLenum eq = GlBlendEquation(rs[D3DRS_BLENDOP]);
    if (gl_.blendEquation != eq) {
        gl_.blendEquation = eq;
        TGL(glBlendEquation(eq));
    }
    const DWORD w = rs[D3DRS_COLORWRITEENABLE];
    SetColorMask(w & 1, w & 2, w & 4, w & 8);
}

void GlBackend::FlushRaster(const DeviceState& s) {
    const DWORD* rs = s.renderStates;
    // Front faces are clockwise on screen (glFrontFace(GL_CW) above), and
    // the back buffer is not drawn upside down, so the winding carries over.
    const DWORD cull = rs[D3DRS_CULLMODE];
    Enable(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW, gl_.cull);
    const GLenum face = cull == D3DCULL_CW ? GL_FRONT : GL_BACK;
    if (gl_.cull && gl_.cullFace != face) {
        gl_.cullFace = face;
        TGL(glCullFace(face));
    }
    const DWORD fill = rs[D3DRS_FILLMODE];
    const GLenum mode = fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
    if (gl_.polygonMode != mode) {
        gl_.polygonMode = mode;
        TGL(glPolygonMode(GL_FRONT_AND_BACK, mode));
    }
    // llvmpipe does not dither at all; a GPU driver may.
    Enable(GL_DITHER, rs[D3DRS_DITHERENABLE] != FALSE, gl_.dither);
    // ZBIAS 0..16 pulls geometry towards the viewer by that many steps.
    const float units = -static_cast<float>(std::min<DWORD>(rs[D3DRS_ZBIAS], 16));
    Enable(GL_POLYGON_OFFSET_FILL, units != 0.0f, gl_.polygonOffset);
    if (units != 0.0f && gl_.offsetUnits != units) {
        gl_.offsetUnits = units;
        TGL(glPolygonOffset(0.0f, units));
    }
}

void GlBackend::FlushStencil(const DeviceState& s) {
    const DWORD* rs = s.renderStates;
    const bool on = rs[D3DRS_STENCILENABLE] != FALSE && stencil_;
    Enable(GL_STENCIL_TEST, on, gl_.stencilTest);
    if (!on) return;
    const GLenum func = GlCompare(rs[D3DRS_STENCILFUNC]);
    const GLint ref = static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF);
    const GLuint mask = rs[D3DRS_STENCILMASK];
    if (gl_.stencilFunc != func || gl_.stencilRef != ref || gl_.stencilMask != mask) {
        gl_.stencilFunc = func;
        gl_.stencilRef = ref;
        gl_.stencilMask = mask;
        TGL(glStencilFunc(func, ref, mask));
    }
    const GLenum ops[3] = {GlStencilOp(rs[D3DRS_STENCILFAIL]), GlStencilOp(rs[D3DRS_STENCILZFAIL]),
                           GlStencilOp(rs[D3DRS_STENCILPASS])};
    if (std::memcmp(ops, gl_.stencilOps, sizeof ops) != 0) {
        std::memcpy(gl_.stencilOps, ops, sizeof ops);
        TGL(glStencilOp(ops[0], ops[1], ops[2]));
    }
    SetStencilWriteMask(rs[D3DRS_STENCILWRITEMASK]);
}

void GlBackend::FlushViewport(const DeviceState& s) {
    const D3DVIEWPORT8& v = s.viewport;
    // OpenGL counts rows from the bottom.
    SetViewport(static_cast<GLint>(v.X), static_cast<GLint>(height_ - (v.Y + v.Height)),
                static_cast<GLsizei>(v.Width), static_cast<GLsizei>(v.Height));
    SetDepthRange(std::clamp(v.MinZ, 0.0f, 1.0f), std::clamp(v.MaxZ, 0.0f, 1.0f));
}

void GlBackend::FlushSamplers(const DeviceState& s, std::uint32_t stages) {
    for (DWORD stage = 0; stage < static_cast<DWORD>(kShaderStages); ++stage) {
        if (!(stages & (1u << stage))) continue;
        const DWORD* ts = s.stageStates[stage];
        Shadow::Sampler& sh = gl_.samplers[stage];
        const GLuint sampler = samplers_[stage];
        auto param = [&](GLenum name, GLint value, GLint& shadow) {
            if (shadow == value) return;
            shadow = value;
            TGL(glSamplerParameteri(sampler, name, value));
        };
        param(GL_TEXTURE_MIN_FILTER, static_cast<GLint>(GlMinFilter(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER])),
              sh.minFilter);
        param(GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GlMagFilter(ts[D3DTSS_MAGFILTER])), sh.magFilter);
        param(GL_TEXTURE_WRAP_S, static_cast<GLint>(GlAddress(ts[D3DTSS_ADDRESSU])), sh.wrapS);
        param(GL_TEXTURE_WRAP_T, static_cast<GLint>(GlAddress(ts[D3DTSS_ADDRESSV])), sh.wrapT);
        param(GL_TEXTURE_WRAP_R, static_cast<GLint>(GlAddress(ts[D3DTSS_ADDRESSW])), sh.wrapR);
        // MIPMAPLODBIAS is a float passed as its bit pattern, in mip levels.
        float bias = FloatOf(ts[D3DTSS_MIPMAPLODBIAS]);
        if (!std::isfinite(bias)) bias = 0.0f;
        if (sh.lodBias != bias) {
            sh.lodBias = bias;
            TGL(glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, bias));
        }
        // MAXMIPLEVEL names the largest level that may be used.
        const float minLod = static_cast<float>(std::min<DWORD>(ts[D3DTSS_MAXMIPLEVEL], 16));
        if (sh.minLod != minLod) {
            sh.minLod = minLod;
            TGL(glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, minLod));
        }
        if (sh.border != ts[D3DTSS_BORDERCOLOR]) {
            sh.border = ts[D3DTSS_BORDERCOLOR];
            float c[4];
            ColorOf(sh.border, c);
            TGL(glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, c));
        }
    }
}

void GlBackend::FlushTextures(const DeviceState& s) {
    for (int stage = 0; stage < kShaderStages; ++stage) {
        auto* texture = static_cast<Texture*>(s.textures[stage]);
        const GLuint unit = static_cast<GLuint>(stage);
        if (!texture) continue;  // the shader reads white; nothing is sampled
        // Prepare binds the texture to the unit, sending levels unlocked
        // since the last draw.
        texture->Prepare(unit);
    }
}

void GlBackend::FlushDraw(const DeviceState& s) {
    DrawBlock b;
    std::memset(&b, 0, sizeof b);
    const D3DMATRIX wv = Multiply(s.transforms[kTransformWorld0], s.transforms[kTransformView]);
    std::memcpy(b.worldView, &wv, sizeof b.worldView);
    NormalMatrix(wv, b.normalMatrix);
    Copy4(s.material.Diffuse, b.materialDiffuse);
    Copy4(s.material.Ambient, b.materialAmbient);
    Copy4(s.material.Specular, b.materialSpecular);
    Copy4(s.material.Emissive, b.materialEmissive);
    b.materialPower[0] = s.material.Power;
    UploadBlock(ubo_[0], &b, sizeof b, &drawShadow_);
}

void GlBackend::FlushLighting(const DeviceState& s) {
    LightingBlock b;
    std::memset(&b, 0, sizeof b);
    ColorOf(s.renderStates[D3DRS_AMBIENT], b.globalAmbient);
    const D3DMATRIX& view = s.transforms[kTransformView];
    int count = 0;
    for (DWORD i = 0; i < kLightSlots && count < kMaxShaderLights; ++i) {
        if (!s.lights[i].enabled) continue;
        const D3DLIGHT8& l = s.lights[i].light;
        ShaderLight& out = b.lights[count++];
        Copy4(l.Diffuse, out.diffuse);
        Copy4(l.Specular, out.specular);
        Copy4(l.Ambient, out.ambient);
        TransformPoint(l.Position, view, out.position);
        out.position[3] = static_cast<float>(l.Type);
        TransformDirection(l.Direction, view, out.direction);
        Normalize3(out.direction);
        if (l.Type == D3DLIGHT_DIRECTIONAL)
            for (int c = 0; c < 3; ++c) out.direction[c] = -out.direction[c];  // towards the light
        // Range does not apply to directional lights.
        out.direction[3] = l.Type == D3DLIGHT_DIRECTIONAL ? 3.0e38f : l.Range;
        out.attenuation[0] = l.Attenuation0;
        out.attenuation[1] = l.Attenuation1;
        out.attenuation[2] = l.Attenuation2;
        out.attenuation[3] = l.Falloff;
        out.spot[0] = std::cos(l.Theta * 0.5f);
        out.spot[1] = std::cos(l.Phi * 0.5f);
    }
    b.lightCount[0] = count;
    UploadBlock(ubo_[1], &b, sizeof b, &lightingShadow_);
}

void GlBackend::FlushFrame(const DeviceState& s) {
    const DWORD* rs = s.renderStates;
    FrameBlock b;
    std::memset(&b, 0, sizeof b);
    std::memcpy(b.projection, &s.transforms[kTransformProjection], sizeof b.projection);
    const D3DVIEWPORT8& v = s.viewport;
    b.viewport[0] = static_cast<float>(v.X);
    b.viewport[1] = static_cast<float>(v.Y);
    b.viewport[2] = static_cast<float>(v.Width);
    b.viewport[3] = static_cast<float>(v.Height);
    b.depthRange[0] = v.MinZ;
    b.depthRange[1] = v.MaxZ;
    ColorOf(rs[D3DRS_TEXTUREFACTOR], b.textureFactor);
    b.alphaRef[0] = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF);
    auto finite = [](float value, float fallback) { return std::isfinite(value) ? value : fallback; };
    const float maxSize = std::min(finite(FloatOf(rs[D3DRS_POINTSIZE_MAX]), 64.0f), maxPointSize_);
    b.pointSize[0] = finite(FloatOf(rs[D3DRS_POINTSIZE]), 1.0f);
    b.pointSize[1] = std::min(std::max(finite(FloatOf(rs[D3DRS_POINTSIZE_MIN]), 1.0f), 0.0f), maxSize);
    b.pointSize[2] = std::max(maxSize, b.pointSize[1]);
    b.pointScale[0] = finite(FloatOf(rs[D3DRS_POINTSCALE_A]), 1.0f);
    b.pointScale[1] = finite(FloatOf(rs[D3DRS_POINTSCALE_B]), 0.0f);
    b.pointScale[2] = finite(FloatOf(rs[D3DRS_POINTSCALE_C]), 0.0f);
    UploadBlock(ubo_[2], &b, sizeof b, &frameShadow_);
}

bool GlBackend::FlushProgram(const DeviceState& s, const VertexLayout& layout, D3DPRIMITIVETYPE type) {
    const GLuint program = ProgramFor(MakeShaderKey(s, layout, type));
    if (!program) return false;
    UseProgram(program);
    return true;
}

void GlBackend::FlushVertexInput(GLuint buffer, DWORD fvf, const VertexLayout& l, UINT stride) {
    if (gl_.inputBuffer == buffer && gl_.inputFvf == fvf && gl_.inputStride == stride) return;
    gl_.inputBuffer = buffer;
    gl_.inputFvf = fvf;
    gl_.inputStride = stride;
    BindArrayBuffer(buffer);
    std::uint32_t wanted = 0;
    const auto stridei = static_cast<GLsizei>(stride);
    auto at = [](int offset) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset)); };
    auto pointer = [&](GLuint index, GLint size, GLenum type, bool normalized, int offset) {
        wanted |= 1u << index;
        TGL(glVertexAttribPointer(index, size, type, normalized ? GL_TRUE : GL_FALSE, stridei, at(offset)));
    };
    pointer(0, l.positionComponents, GL_FLOAT, false, l.positionOffset);
    if (l.normalOffset >= 0) pointer(1, 3, GL_FLOAT, false, l.normalOffset);
    if (l.pointSizeOffset >= 0) pointer(2, 1, GL_FLOAT, false, l.pointSizeOffset);
    // D3DCOLOR is 0xAARRGGBB: bytes B, G, R, A in memory.
    if (l.diffuseOffset >= 0) pointer(3, GL_BGRA, GL_UNSIGNED_BYTE, true, l.diffuseOffset);
    if (l.specularOffset >= 0) pointer(4, GL_BGRA, GL_UNSIGNED_BYTE, true, l.specularOffset);
    for (int i = 0; i < l.texCoordCount; ++i)
        pointer(5 + static_cast<GLuint>(i), l.texCoordComponents[i], GL_FLOAT, false, l.texCoordOffset[i]);
    const std::uint32_t change = wanted ^ gl_.enabledAttribs;
    for (GLuint i = 0; i < 13; ++i) {
        if (!(change & (1u << i))) continue;
        if (wanted & (1u << i))
            TGL(glEnableVertexAttribArray(i));
        else
            TGL(glDisableVertexAttribArray(i));
    }
    gl_.enabledAttribs = wanted;
}

HRESULT GlBackend::Flush(StateTracker& t, D3DPRIMITIVETYPE type, const VertexLayout*& layout, UINT& stride,
                         UINT& vertexCapacity) {
    const DeviceState& s = t.State();
    if (s.vertexShader != layoutFvf_) {
        layoutFvf_ = s.vertexShader;
        layout_ = DecodeFvf(layoutFvf_);
    }
    auto* vb = static_cast<VertexBuffer*>(s.streams[0].buffer);
    if (!layout_.valid || !vb || vb->Store().Locked()) return D3DERR_INVALIDCALL;
    stride = s.streams[0].stride ? s.streams[0].stride : static_cast<UINT>(layout_.size);
    if (stride < static_cast<UINT>(layout_.size)) return D3DERR_INVALIDCALL;
    const UINT length = vb->Store().Length();
    vertexCapacity = length < static_cast<UINT>(layout_.size) ? 0 : (length - layout_.size) / stride + 1;
    layout = &layout_;

    BindDrawFramebuffer(BackFbo());
    const std::uint32_t d = t.dirty;
    if (!blocksValid_) {
        FlushDraw(s);
        FlushLighting(s);
        FlushFrame(s);
        blocksValid_ = true;
    } else {
        if (d & (kDirtyTransforms | kDirtyMaterial)) FlushDraw(s);
        if (d & kDirtyLighting) FlushLighting(s);
        // Each block is compared with what was sent last, so a projection
        // that did not change is not sent again with the world matrix.
        if (d & (kDirtyTransforms | kDirtyViewport | kDirtyMiscUniforms)) FlushFrame(s);
    }
    if (d & kDirtyDepth) FlushDepth(s);
    if (d & kDirtyBlend) FlushBlend(s);
    if (d & kDirtyRaster) FlushRaster(s);
    if (d & kDirtyStencil) FlushStencil(s);
    if (d & kDirtyViewport) FlushViewport(s);
    if (d & kDirtySamplers) FlushSamplers(s, t.dirtySamplerStages);
    // Textures are looked at on every draw: a bound texture may have been
    // locked and written since.
    FlushTextures(s);
    // The primitive type picks point-only shader features, so the key is
    // rebuilt whenever the type may make a difference.
    if (!FlushProgram(s, layout_, type)) return D3DERR_DRIVERINTERNALERROR;
    FlushVertexInput(vb->Store().Name(), s.vertexShader, layout_, stride);
    t.ClearDirty();
    return D3D_OK;
}

HRESULT GlBackend::DrawPrimitive(StateTracker& t, D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    const UINT vertices = VertexCountOf(type, count);
    if (!vertices) return D3DERR_INVALIDCALL;
    MakeCurrent();
    const VertexLayout* layout = nullptr;
    UINT stride = 0, capacity = 0;
    const HRESULT hr = Flush(t, type, layout, stride, capacity);
    if (hr < 0) return hr;
    if (static_cast<std::uint64_t>(startVertex) + vertices > capacity) return D3DERR_INVALIDCALL;
    ++stats.drawCalls;
    TGL(glDrawArrays(GlPrimitive(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices)));
    return D3D_OK;
}

HRESULT GlBackend::DrawIndexedPrimitive(StateTracker& t, D3DPRIMITIVETYPE type, UINT, UINT, UINT startIndex,
                                        UINT count) {
    const UINT indices = VertexCountOf(type, count);
    if (!indices) return D3DERR_INVALIDCALL;
    const DeviceState& s = t.State();
    auto* ib = static_cast<IndexBuffer*>(s.indices);
    if (!ib || ib->Store().Locked()) return D3DERR_INVALIDCALL;
    if (static_cast<std::uint64_t>(startIndex) + indices > ib->IndexCount()) return D3DERR_INVALIDCALL;
    MakeCurrent();
    const VertexLayout* layout = nullptr;
    UINT stride = 0, capacity = 0;
    const HRESULT hr = Flush(t, type, layout, stride, capacity);
    if (hr < 0) return hr;
    // An index past the vertex buffer would read outside it.
    const std::uint64_t base = s.baseVertexIndex;
    if (base + ib->WholeMaxIndex() >= capacity && base + ib->MaxIndex(startIndex, indices) >= capacity)
        return D3DERR_INVALIDCALL;
    BindElementBuffer(ib->Store().Name());
    const GLenum indexType = ib->IndexSize() == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const auto offset = static_cast<std::uintptr_t>(startIndex) * ib->IndexSize();
    ++stats.drawCalls;
    TGL(glDrawElementsBaseVertex(GlPrimitive(type), static_cast<GLsizei>(indices), indexType,
                                 reinterpret_cast<const void*>(offset), static_cast<GLint>(s.baseVertexIndex)));
    return D3D_OK;
}

// ---- clear and present ------------------------------------------------------------

HRESULT GlBackend::Clear(StateTracker& t, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                         DWORD stencil) {
    if ((flags & D3DCLEAR_ZBUFFER) && !depthRb_) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !stencil_) return D3DERR_INVALIDCALL;
    if (count && !rects) return D3DERR_INVALIDCALL;
    MakeCurrent();
    BindDrawFramebuffer(BackFbo());
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        float c[4];
        ColorOf(color, c);
        if (std::memcmp(c, gl_.clearColor, sizeof c) != 0) {
            std::memcpy(gl_.clearColor, c, sizeof c);
            TGL(glClearColor(c[0], c[1], c[2], c[3]));
        }
        // Clear writes every channel whatever COLORWRITEENABLE says.
        SetColorMask(true, true, true, true);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        mask |= GL_DEPTH_BUFFER_BIT;
        const float depth = std::clamp(std::isnan(z) ? 1.0f : z, 0.0f, 1.0f);
        if (gl_.clearDepth != depth) {
            gl_.clearDepth = depth;
            TGL(glClearDepth(depth));
        }
        SetDepthMask(true);
    }
    if (flags & D3DCLEAR_STENCIL) {
        mask |= GL_STENCIL_BUFFER_BIT;
        const auto value = static_cast<GLint>(stencil & 0xFF);
        if (gl_.clearStencil != value) {
            gl_.clearStencil = value;
            TGL(glClearStencil(value));
        }
        SetStencilWriteMask(0xFFFFFFFFu);
    }
    if (!mask) return D3D_OK;
    // Direct3D clears the viewport, or the given rectangles within it.
    const D3DVIEWPORT8& v = t.State().viewport;
    const LONG vx0 = static_cast<LONG>(v.X), vy0 = static_cast<LONG>(v.Y);
    const LONG vx1 = static_cast<LONG>(v.X + v.Width), vy1 = static_cast<LONG>(v.Y + v.Height);
    auto clearRect = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
        x0 = std::max(x0, vx0);
        y0 = std::max(y0, vy0);
        x1 = std::min(x1, vx1);
        y1 = std::min(y1, vy1);
        if (x0 >= x1 || y0 >= y1) return;
        const bool whole = x0 == 0 && y0 == 0 && x1 == static_cast<LONG>(width_) && y1 == static_cast<LONG>(height_);
        SetScissor(!whole, x0, static_cast<GLint>(height_) - y1, x1 - x0, y1 - y0);
        TGL(glClear(mask));
    };
    if (count == 0) {
        clearRect(vx0, vy0, vx1, vy1);
    } else {
        for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    }
    // The masks changed behind the tracker's back.
    t.dirty |= kDirtyDepth | kDirtyBlend | kDirtyStencil;
    return D3D_OK;
}

void GlBackend::Present(const RECT* source, bool letterbox, bool flip) {
    MakeCurrent();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window_, &dw, &dh);
    GLint sx0 = 0, sy0 = 0, sx1 = static_cast<GLint>(width_), sy1 = static_cast<GLint>(height_);
    if (source) {
        sx0 = std::clamp<GLint>(source->left, 0, sx1);
        sx1 = std::clamp<GLint>(source->right, sx0, sx1);
        const GLint top = std::clamp<GLint>(source->top, 0, sy1);
        const GLint bottom = std::clamp<GLint>(source->bottom, top, sy1);
        sy0 = static_cast<GLint>(height_) - bottom;
        sy1 = static_cast<GLint>(height_) - top;
    }
    const GLint sw = sx1 - sx0, sh = sy1 - sy0;
    GLint dx0 = 0, dy0 = 0, dx1 = dw, dy1 = dh;
    if (letterbox && sw > 0 && sh > 0 && dw > 0 && dh > 0) {
        // The largest rectangle of the back buffer's shape that fits,
        // centred; the rest stays black.
        const double scale = std::min(static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
        const GLint w = static_cast<GLint>(std::lround(sw * scale));
        const GLint h = static_cast<GLint>(std::lround(sh * scale));
        dx0 = (dw - w) / 2;
        dy0 = (dh - h) / 2;
        dx1 = dx0 + w;
        dy1 = dy0 + h;
    }
    BindReadFramebuffer(BackFbo());
    BindDrawFramebuffer(0);
    SetScissor(false, 0, 0, 0, 0);  // the blit is scissored too
    SetColorMask(true, true, true, true);
    if (dx0 > 0 || dy0 > 0 || dx1 < dw || dy1 < dh) {
        if (gl_.clearColor[0] != 0 || gl_.clearColor[1] != 0 || gl_.clearColor[2] != 0 || gl_.clearColor[3] != 1) {
            gl_.clearColor[0] = gl_.clearColor[1] = gl_.clearColor[2] = 0.0f;
            gl_.clearColor[3] = 1.0f;
            TGL(glClearColor(0, 0, 0, 1));
        }
        TGL(glClear(GL_COLOR_BUFFER_BIT));
    }
    const bool same = (dx1 - dx0) == sw && (dy1 - dy0) == sh;
    if (sw > 0 && sh > 0)
        TGL(glBlitFramebuffer(sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, GL_COLOR_BUFFER_BIT,
                              same ? GL_NEAREST : GL_LINEAR));
    SDL_GL_SwapWindow(window_);
    // Without a display nothing throttles the swap, and queued frames
    // pile up; wait for each one.
    if (win::Headless()) TGL(glFinish());
    ++stats.presents;
    presentedOnce_ = true;
    lastPresented_ = back_;
    if (flip) back_ ^= 1;
    BindDrawFramebuffer(BackFbo());
}

bool GlBackend::ReadColor(bool front, std::vector<std::uint8_t>& rgba) {
    if (!context_ || !fbo_[0]) return false;
    MakeCurrent();
    const GLuint fbo = front ? fbo_[lastPresented_] : fbo_[back_];
    rgba.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    BindReadFramebuffer(fbo);
    TGL(glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA, GL_UNSIGNED_BYTE,
                     rgba.data()));
    // OpenGL's rows run bottom to top.
    const size_t row = static_cast<size_t>(width_) * 4;
    std::vector<std::uint8_t> tmp(row);
    for (UINT y = 0; y < height_ / 2; ++y) {
        std::uint8_t* a = rgba.data() + y * row;
        std::uint8_t* b = rgba.data() + (height_ - 1 - y) * row;
        std::memcpy(tmp.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, tmp.data(), row);
    }
    return true;
}

bool GlBackend::ReadColor565(bool front, std::vector<std::uint16_t>& texels) {
    if (!context_ || !fbo_[0] || !is565_) return false;
    MakeCurrent();
    const GLuint fbo = front ? fbo_[lastPresented_] : fbo_[back_];
    std::vector<std::uint16_t> raw(static_cast<size_t>(width_) * height_);
    BindReadFramebuffer(fbo);
    TGL(glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGB,
                     GL_UNSIGNED_SHORT_5_6_5, raw.data()));
    texels.resize(raw.size());
    for (UINT y = 0; y < height_; ++y)
        std::memcpy(&texels[static_cast<size_t>(y) * width_], &raw[static_cast<size_t>(height_ - 1 - y) * width_],
                    width_ * sizeof(std::uint16_t));
    return true;
}

bool GlBackend::ReadDepth(std::vector<float>& depth) {
    if (!context_ || !depthRb_) return false;
    MakeCurrent();
    std::vector<float> raw(static_cast<size_t>(width_) * height_);
    BindReadFramebuffer(BackFbo());
    TGL(glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_DEPTH_COMPONENT, GL_FLOAT,
                     raw.data()));
    depth.resize(raw.size());
    for (UINT y = 0; y < height_; ++y)
        std::memcpy(&depth[static_cast<size_t>(y) * width_], &raw[static_cast<size_t>(height_ - 1 - y) * width_],
                    width_ * sizeof(float));
    return true;
}

}  // namespace tarvona::d3d8
