#include "d3d8/vertex_format.h"

namespace tarvona::d3d8 {

VertexLayout DecodeFvf(DWORD fvf) {
    VertexLayout l;
    // Bit 0 marks a programmable vertex shader handle, which this device
    // does not run.
    if (fvf & D3DFVF_RESERVED0) return l;
    int offset = 0;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    switch (position) {
        case D3DFVF_XYZ:
            l.positionComponents = 3;
            offset = 12;
            break;
        case D3DFVF_XYZRHW:
            l.positionComponents = 4;
            l.pretransformed = true;
            offset = 16;
            break;
        case 0x006:  // XYZB1 .. XYZB5: blend weights follow the position and are ignored
        case 0x008:
        case 0x00A:
        case 0x00C:
        case 0x00E:
            l.positionComponents = 3;
            offset = 12 + 4 * static_cast<int>((position - 0x004) / 2);
            break;
        default:
            return l;  // no position: nothing to draw
    }
    if (fvf & D3DFVF_NORMAL) {
        if (l.pretransformed) return l;  // not allowed with XYZRHW
        l.normalOffset = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSizeOffset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuseOffset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specularOffset = offset;
        offset += 4;
    }
    const int sets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (sets > 8) return l;
    l.texCoordCount = sets;
    for (int i = 0; i < sets; ++i) {
        // D3DFVF_TEXCOORDSIZEn: 0 two floats, 1 three, 2 four, 3 one.
        static constexpr int kComponents[4] = {2, 3, 4, 1};
        const int code = static_cast<int>((fvf >> TARVONA_FVF_TEXCOORDSIZE_SHIFT(i)) & 3);
        l.texCoordOffset[i] = offset;
        l.texCoordComponents[i] = kComponents[code];
        offset += 4 * kComponents[code];
    }
    l.size = offset;
    l.valid = true;
    return l;
}

UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT n) {
    if (n == 0) return 0;
    switch (type) {
        case D3DPT_POINTLIST: return n;
        case D3DPT_LINELIST: return n <= 0x7FFFFFFF ? 2 * n : 0;
        case D3DPT_LINESTRIP: return n + 1;
        case D3DPT_TRIANGLELIST: return n <= 0x55555555 ? 3 * n : 0;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return n <= 0xFFFFFFFD ? n + 2 : 0;
        default: return 0;
    }
}

}  // namespace tarvona::d3d8
