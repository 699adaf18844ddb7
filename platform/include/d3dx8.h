// The D3DX 8 subset the program calls: the value types, the matrix and
// vector helpers, .x mesh loading and texture loading from image files.
// Written for this project from the published documentation; implemented in
// platform/src/d3dx.
#pragma once

#include "d3d8.h"

// ---- value types ---------------------------------------------------------------
struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float vx, float vy, float vz) : D3DVECTOR{vx, vy, vz} {}
    explicit D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
};

struct D3DXVECTOR4 {
    float x, y, z, w;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float vx, float vy, float vz, float vw) : x(vx), y(vy), z(vz), w(vw) {}
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}  // NOLINT: implicit, as in D3DX
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
               float f32, float f33, float f34, float f41, float f42, float f43, float f44);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
};

// Four floats r, g, b, a; converts to and from packed 0xAARRGGBB.
struct D3DXCOLOR {
    float r, g, b, a;
    D3DXCOLOR() = default;
    D3DXCOLOR(DWORD argb);  // NOLINT: implicit, as in D3DX
    D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}
    operator DWORD() const;  // NOLINT: implicit, as in D3DX
};

// ---- math -----------------------------------------------------------------------
D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, CONST D3DXMATRIX* pM1, CONST D3DXMATRIX* pM2);
D3DXMATRIX* WINAPI D3DXMatrixRotationAxis(D3DXMATRIX* pOut, CONST D3DXVECTOR3* pV, FLOAT Angle);
// Null (and pOut untouched) when the matrix is singular.
D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, CONST D3DXMATRIX* pM);
D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, CONST D3DXVECTOR3* pV);
D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, CONST D3DXVECTOR3* pEye, CONST D3DXVECTOR3* pAt,
                                      CONST D3DXVECTOR3* pUp);
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf);

// ---- buffers, meshes, textures ----------------------------------------------------
struct ID3DXBuffer : IUnknown {
    virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
    virtual DWORD STDMETHODCALLTYPE GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};
using LPD3DXBUFFER = ID3DXBuffer*;

struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};

struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880

struct ID3DXMesh : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrawSubset(DWORD AttribId) = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumFaces() = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumVertices() = 0;
    virtual DWORD STDMETHODCALLTYPE GetFVF() = 0;
    virtual DWORD STDMETHODCALLTYPE GetOptions() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable,
                                                        DWORD* pAttribTableSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() = 0;

protected:
    ~ID3DXMesh() = default;
};
using LPD3DXMESH = ID3DXMesh*;

// The file name is a plain LPSTR in D3DX 8 (not const).
HRESULT WINAPI D3DXLoadMeshFromX(LPSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                                 LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, PDWORD pNumMaterials,
                                 LPD3DXMESH* ppMesh);
HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE8* ppTexture);
