// Direct3D enumerators to their OpenGL counterparts, in one place.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

namespace tarvona::d3d8 {

GLenum GlBlendFactor(DWORD blend, bool forDestination);
GLenum GlBlendEquation(DWORD op);
GLenum GlCompare(DWORD func);
GLenum GlStencilOp(DWORD op);
GLenum GlPrimitive(D3DPRIMITIVETYPE type);
GLenum GlAddress(DWORD address);
// Minification filter from the MINFILTER and MIPFILTER stage states.
GLenum GlMinFilter(DWORD minFilter, DWORD mipFilter);
GLenum GlMagFilter(DWORD magFilter);

// How a texture format is stored and uploaded; internalFormat 0 when the
// format is not supported. `swizzle` forces alpha (X formats) or spreads
// luminance; `bytesPerTexel` is the pitch unit of a locked level.
struct GlTextureFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    UINT bytesPerTexel = 0;
};
GlTextureFormat GlTextureFormatOf(D3DFORMAT format);

// Render-target colour formats the back buffer supports.
struct GlColorBufferFormat {
    GLenum internalFormat = 0;  // 0: unsupported
    GLenum readFormat = 0;
    GLenum readType = 0;
};
GlColorBufferFormat GlColorBufferFormatOf(D3DFORMAT format);
GLenum GlDepthBufferFormatOf(D3DFORMAT format);  // 0: unsupported
bool HasStencil(D3DFORMAT format);

}  // namespace tarvona::d3d8
