#include "d3d8/gl_enums.h"

namespace tarvona::d3d8 {

GLenum GlBlendFactor(DWORD blend, bool forDestination) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        // BOTH* set the source factor and make the destination its inverse;
        // the backend resolves them before it gets here, so this is only
        // reached for a destination factor given on its own.
        case D3DBLEND_BOTHSRCALPHA: return forDestination ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
        case D3DBLEND_BOTHINVSRCALPHA: return forDestination ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
        default: return forDestination ? GL_ZERO : GL_ONE;  // unknown: the defaults
    }
}

GLenum GlBlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN: return GL_MIN;
        case D3DBLENDOP_MAX: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

GLenum GlCompare(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum GlStencilOp(DWORD op) {
    switch (op) {
        case 2: return GL_ZERO;       // D3DSTENCILOP_ZERO
        case 3: return GL_REPLACE;    // REPLACE
        case 4: return GL_INCR;       // INCRSAT
        case 5: return GL_DECR;       // DECRSAT
        case 6: return GL_INVERT;     // INVERT
        case 7: return GL_INCR_WRAP;  // INCR
        case 8: return GL_DECR_WRAP;  // DECR
        default: return GL_KEEP;
    }
}

GLenum GlPrimitive(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
    }
}

GLenum GlAddress(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;  // no core equivalent; closest
        default: return GL_REPEAT;
    }
}

GLenum GlMinFilter(DWORD minFilter, DWORD mipFilter) {
    const bool linear = minFilter == D3DTEXF_LINEAR || minFilter == D3DTEXF_ANISOTROPIC;
    switch (mipFilter) {
        case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        case D3DTEXF_LINEAR:
        case D3DTEXF_ANISOTROPIC: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLenum GlMagFilter(DWORD magFilter) {
    return (magFilter == D3DTEXF_LINEAR || magFilter == D3DTEXF_ANISOTROPIC) ? GL_LINEAR : GL_NEAREST;
}

GlTextureFormat GlTextureFormatOf(D3DFORMAT format) {
    GlTextureFormat f;
    // Direct3D's packed formats name the channels from the high bit down
    // (A8R8G8B8 is the 32-bit value 0xAARRGGBB), which in little-endian
    // memory is OpenGL's BGRA with the reversed packed types.
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 4};
            break;
        case D3DFMT_R8G8B8:
            f = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, 3};
            break;
        case D3DFMT_R5G6B5:
            f = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, 2};
            break;
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5:
            f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 2};
            break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            f = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 2};
            break;
        case D3DFMT_R3G3B2:
            f = {GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, 1};
            break;
        case D3DFMT_L8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, 1};
            break;
        case D3DFMT_A8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, 1};
            break;
        default:
            return f;
    }
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X4R4G4B4) f.swizzle[3] = GL_ONE;
    return f;
}

GlColorBufferFormat GlColorBufferFormatOf(D3DFORMAT format) {
    switch (format) {
        // A GL_RGB565 renderbuffer is really stored in 5, 6 and 5 bits.
        case D3DFMT_R5G6B5: return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: return {GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_BYTE};
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8: return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};
        default: return {};
    }
}

GLenum GlDepthBufferFormatOf(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE: return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24X8: return GL_DEPTH_COMPONENT24;
        case D3DFMT_D24S8: return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32: return GL_DEPTH_COMPONENT32;
        default: return 0;
    }
}

bool HasStencil(D3DFORMAT format) { return format == D3DFMT_D24S8; }

}  // namespace tarvona::d3d8
