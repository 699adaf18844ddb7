// D3DX matrix, vector and colour helpers. Row vectors (v' = v * M),
// left-handed coordinates, everything in single precision: each product and
// sum is rounded to float in the order written, which the build keeps by
// compiling with -ffp-contract=off.
#include <cmath>

#include "d3dx8.h"

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

namespace {
constexpr float kInv255 = 1.0f / 255.0f;

DWORD PackChannel(float value) {
    if (value >= 1.0f) return 255;
    if (!(value > 0.0f)) return 0;  // also NaN
    const float scaled = value * 255.0f;
    return static_cast<DWORD>(scaled + 0.5f);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const float xx = a.x * b.x;
    const float yy = a.y * b.y;
    const float zz = a.z * b.z;
    return xx + yy + zz;
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
}  // namespace

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(static_cast<float>((argb >> 16) & 0xff) * kInv255),
      g(static_cast<float>((argb >> 8) & 0xff) * kInv255),
      b(static_cast<float>(argb & 0xff) * kInv255),
      a(static_cast<float>((argb >> 24) & 0xff) * kInv255) {}

D3DXCOLOR::operator DWORD() const {
    return (PackChannel(a) << 24) | (PackChannel(r) << 16) | (PackChannel(g) << 8) | PackChannel(b);
}

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, CONST D3DXMATRIX* pM1, CONST D3DXMATRIX* pM2) {
    D3DXMATRIX product;  // pOut may alias either operand
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = pM1->m[row][0] * pM2->m[0][col];
            sum = sum + pM1->m[row][1] * pM2->m[1][col];
            sum = sum + pM1->m[row][2] * pM2->m[2][col];
            sum = sum + pM1->m[row][3] * pM2->m[3][col];
            product.m[row][col] = sum;
        }
    }
    *pOut = product;
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, CONST D3DXVECTOR3* pV) {
    const float length = std::sqrt(Dot(*pV, *pV));
    if (length == 0.0f) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);  // D3DX gives the zero vector, not NaN
        return pOut;
    }
    *pOut = D3DXVECTOR3(pV->x / length, pV->y / length, pV->z / length);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationAxis(D3DXMATRIX* pOut, CONST D3DXVECTOR3* pV, FLOAT Angle) {
    D3DXVECTOR3 axis;
    D3DXVec3Normalize(&axis, pV);
    const float x = axis.x, y = axis.y, z = axis.z;
    const float k = std::cos(Angle);
    const float s = std::sin(Angle);
    const float t = 1.0f - k;
    *pOut = D3DXMATRIX(t * x * x + k, t * x * y + s * z, t * x * z - s * y, 0.0f,  //
                       t * x * y - s * z, t * y * y + k, t * y * z + s * x, 0.0f,  //
                       t * x * z + s * y, t * y * z - s * x, t * z * z + k, 0.0f,  //
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, CONST D3DXMATRIX* pM) {
    // Cofactor expansion via the 2x2 sub-determinants of the top and bottom
    // row pairs.
    const float(&a)[4][4] = pM->m;
    const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (pDeterminant) *pDeterminant = det;
    if (det == 0.0f || !std::isfinite(det)) return nullptr;
    const float inv = 1.0f / det;
    D3DXMATRIX r;
    r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * inv;
    r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * inv;
    r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * inv;
    r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * inv;
    r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * inv;
    r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * inv;
    r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * inv;
    r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * inv;
    r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * inv;
    r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * inv;
    r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * inv;
    r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * inv;
    r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * inv;
    r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * inv;
    r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * inv;
    r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * inv;
    *pOut = r;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, CONST D3DXVECTOR3* pEye, CONST D3DXVECTOR3* pAt,
                                      CONST D3DXVECTOR3* pUp) {
    D3DXVECTOR3 zaxis, xaxis;
    const D3DXVECTOR3 forward = *pAt - *pEye;
    D3DXVec3Normalize(&zaxis, &forward);
    const D3DXVECTOR3 side = Cross(*pUp, zaxis);
    D3DXVec3Normalize(&xaxis, &side);
    const D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);
    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,  //
                       xaxis.y, yaxis.y, zaxis.y, 0.0f,  //
                       xaxis.z, yaxis.z, zaxis.z, 0.0f,  //
                       -Dot(xaxis, *pEye), -Dot(yaxis, *pEye), -Dot(zaxis, *pEye), 1.0f);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf) {
    const float h = 1.0f / std::tan(fovy / 2.0f);
    const float depth = zf - zn;
    const float q = zf / depth;
    *pOut = D3DXMATRIX(h / Aspect, 0, 0, 0,  //
                       0, h, 0, 0,           //
                       0, 0, q, 1,           //
                       0, 0, -zn * zf / depth, 0);
    return pOut;
}
