// The device's OpenGL side: the context, the back buffer, and everything a
// draw needs to reach the GL.
//
// The backend keeps a shadow of the GL state it has set (program, bound
// buffers and textures, samplers, depth, blend, raster, viewport, vertex
// attributes, uniform block contents) and skips every call that would not
// change it. Before a draw it looks only at the state groups the tracker
// marked dirty, flushes them in a fixed order, and clears the marks. Every
// GL call it makes is counted, so tests and benchmarks can see what a frame
// costs.
//
// The back buffer is a framebuffer object of the presentation size and
// format, with its own depth renderbuffer; Present blits it into the window
// (aspect-correct with black bars when full screen) and swaps. Two colour
// buffers take turns as back buffer, so the one last presented stays
// readable for the capture at shut-down.
#pragma once

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ffp_shader.h"
#include "gl_enums.h"
#include "state_tracker.h"
#include "vertex_format.h"

namespace tarvona::d3d8 {

struct GlStats {
    std::uint64_t glCalls = 0;         // every GL entry point called
    std::uint64_t drawCalls = 0;       // glDrawArrays / glDrawElementsBaseVertex
    std::uint64_t bufferUploads = 0;   // vertex, index and uniform data sent
    std::uint64_t textureUploads = 0;  // texture levels sent
    std::uint64_t programBinds = 0;
    std::uint64_t shaderCompiles = 0;  // programs linked
    std::uint64_t presents = 0;
};

class GlBackend {
public:
    GlBackend() = default;
    ~GlBackend();
    GlBackend(const GlBackend&) = delete;
    GlBackend& operator=(const GlBackend&) = delete;

    // Creates a 3.3 core context on the window; false with the reason.
    bool Init(SDL_Window* window, std::string* why);
    void MakeCurrent();
    bool Ready() const { return context_ != nullptr; }
    SDL_Window* Window() const { return window_; }

    // (Re)creates the back buffer. depthFormat 0: no depth buffer.
    bool CreateTargets(UINT width, UINT height, D3DFORMAT colorFormat, D3DFORMAT depthFormat, std::string* why);
    UINT TargetWidth() const { return width_; }
    UINT TargetHeight() const { return height_; }
    bool HasDepth() const { return depthRb_ != 0; }
    bool HasStencil() const { return stencil_; }
    void SetSwapInterval(int interval);
    float MaxPointSize() const { return maxPointSize_; }
    GLint MaxTextureSize() const { return maxTextureSize_; }

    // Resources. Buffers are uploaded through GL_COPY_WRITE_BUFFER so that
    // no draw binding is disturbed; textures through a spare unit.
    GLuint CreateBuffer(GLsizeiptr size);
    void DeleteBuffer(GLuint name);
    // `orphan`: give the buffer fresh storage first (a discarding lock), so
    // the upload never waits for draws still reading the old contents.
    void UploadBuffer(GLuint name, GLsizeiptr totalSize, GLintptr offset, GLsizeiptr size, const void* data,
                      bool orphan);
    GLuint CreateTexture(UINT width, UINT height, UINT levels, const GlTextureFormat& format);
    void DeleteTexture(GLuint name);
    void UploadTextureLevel(GLuint name, UINT level, UINT width, UINT height, INT pitch,
                            const GlTextureFormat& format, const void* data);

    // Frame operations. Clear and the draws work on the tracker's state;
    // they leave in its dirty marks whatever GL state they had to change.
    HRESULT Clear(StateTracker& tracker, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil);
    HRESULT DrawPrimitive(StateTracker& tracker, D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(StateTracker& tracker, D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);
    // letterbox: keep the aspect ratio with black bars; else stretch.
    // flip: the other colour buffer becomes the back buffer (any swap effect
    // but D3DSWAPEFFECT_COPY, which keeps the back buffer's contents).
    void Present(const RECT* source, bool letterbox, bool flip);

    // Reads a colour buffer, rows top to bottom: RGBA 8 bits a channel.
    // front: the buffer last presented.
    bool ReadColor(bool front, std::vector<std::uint8_t>& rgba);
    // The raw 16-bit texels of an R5G6B5 back buffer, rows top to bottom.
    bool ReadColor565(bool front, std::vector<std::uint16_t>& texels);
    bool HasPresented() const { return presentedOnce_; }
    bool ReadDepth(std::vector<float>& depth);

    GlStats stats;
    size_t ShaderVariants() const { return programs_.size(); }

    // Shadowed bindings, for the resources.
    void BindTextureUnit(GLuint unit, GLuint name);
    static constexpr GLuint kScratchUnit = kStageCount - 1;

private:
    struct Program {
        ShaderKey key;
        std::uint64_t hash;
        GLuint name;
    };

    // Shadowed GL state.
    void UseProgram(GLuint p);
    void BindArrayBuffer(GLuint b);
    void BindElementBuffer(GLuint b);
    void BindCopyWriteBuffer(GLuint b);
    void BindDrawFramebuffer(GLuint f);
    void BindReadFramebuffer(GLuint f);
    void Enable(GLenum cap, bool on, bool& shadow);
    void SetDepthMask(bool on);
    void SetColorMask(bool r, bool g, bool b, bool a);
    void SetStencilWriteMask(GLuint mask);
    void SetScissor(bool on, GLint x, GLint y, GLsizei w, GLsizei h);
    void SetViewport(GLint x, GLint y, GLsizei w, GLsizei h);
    void SetDepthRange(float n, float f);

    // The flush before a draw, group by group.
    HRESULT Flush(StateTracker& tracker, D3DPRIMITIVETYPE type, const VertexLayout*& layout, UINT& stride,
                  UINT& vertexCapacity);
    void FlushDepth(const DeviceState& s);
    void FlushBlend(const DeviceState& s);
    void FlushRaster(const DeviceState& s);
    void FlushStencil(const DeviceState& s);
    void FlushViewport(const DeviceState& s);
    void FlushSamplers(const DeviceState& s, std::uint32_t stages);
    void FlushTextures(const DeviceState& s);
    void FlushDraw(const DeviceState& s);
    void FlushLighting(const DeviceState& s);
    void FlushFrame(const DeviceState& s);
    bool FlushProgram(const DeviceState& s, const VertexLayout& layout, D3DPRIMITIVETYPE type);
    void FlushVertexInput(GLuint buffer, DWORD fvf, const VertexLayout& layout, UINT stride);
    GLuint ProgramFor(const ShaderKey& key);
    GLuint Compile(const ShaderKey& key);
    void UploadBlock(GLuint ubo, const void* data, size_t size, void* shadow);
    GLuint BackFbo() const { return fbo_[back_]; }

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    UINT width_ = 0;
    UINT height_ = 0;
    GlColorBufferFormat colorFormat_;
    bool is565_ = false;
    GLuint fbo_[2] = {};
    GLuint colorRb_[2] = {};
    GLuint depthRb_ = 0;
    bool stencil_ = false;
    int back_ = 0;
    int lastPresented_ = 0;
    bool presentedOnce_ = false;
    GLuint vao_ = 0;
    GLuint ubo_[3] = {};
    GLuint samplers_[kStageCount] = {};
    float maxPointSize_ = 64.0f;
    GLint maxTextureSize_ = 2048;

    std::vector<Program> programs_;
    ShaderKey lastKey_{};
    GLuint lastProgram_ = 0;
    bool keyValid_ = false;

    // The shadow.
    struct Shadow {
        GLuint program = 0;
        GLuint arrayBuffer = 0;
        GLuint elementBuffer = 0;
        GLuint copyWriteBuffer = 0;
        GLuint drawFramebuffer = 0;
        GLuint readFramebuffer = 0;
        GLuint activeUnit = 0;
        GLuint textures[kStageCount] = {};
        bool depthTest = false;
        bool depthMask = true;
        GLenum depthFunc = GL_LESS;
        bool blend = false;
        GLenum blendSrc = GL_ONE, blendDst = GL_ZERO, blendEquation = GL_FUNC_ADD;
        bool colorMask[4] = {true, true, true, true};
        bool cull = false;
        GLenum cullFace = GL_BACK;
        GLenum polygonMode = GL_FILL;
        bool dither = true;  // GL's default; turned off at start
        bool polygonOffset = false;
        float offsetUnits = 0.0f;
        bool stencilTest = false;
        GLenum stencilFunc = GL_ALWAYS;
        GLint stencilRef = 0;
        GLuint stencilMask = 0xFFFFFFFFu;
        GLuint stencilWriteMask = 0xFFFFFFFFu;
        GLenum stencilOps[3] = {GL_KEEP, GL_KEEP, GL_KEEP};
        bool scissor = false;
        GLint scissorBox[4] = {-1, -1, -1, -1};  // unknown until first set
        GLint viewport[4] = {-1, -1, -1, -1};
        float depthRange[2] = {0.0f, 1.0f};
        float clearColor[4] = {0, 0, 0, 0};
        float clearDepth = 1.0f;
        GLint clearStencil = 0;
        // Vertex input: what the attribute pointers were last set from.
        GLuint inputBuffer = 0;
        DWORD inputFvf = 0xFFFFFFFFu;
        UINT inputStride = 0;
        std::uint32_t enabledAttribs = 0;
        // Sampler parameters per unit.
        struct Sampler {
            GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1, wrapR = -1;
            float lodBias = 0.0f, minLod = -1000.0f;
            DWORD border = 0;
        } samplers[kStageCount];
    } gl_;

    // Last uploaded contents of the uniform blocks.
    DrawBlock drawShadow_{};
    LightingBlock lightingShadow_{};
    FrameBlock frameShadow_{};
    bool blocksValid_ = false;

    // The vertex format in force, decoded once per change.
    DWORD layoutFvf_ = 0xFFFFFFFFu;
    VertexLayout layout_;
};

}  // namespace tarvona::d3d8
