#include "render/FrameSteps.h"

#include <d3dx8.h>

#include "render/Direct3D.h"

namespace {
constexpr float kFieldOfView = 0.7853982f;  // pi / 4 in single precision
}

void SetPassProjection(float aspect, float nearPlane, float farPlane) {
    D3DXMATRIX projection;  // local: the frame allocates nothing
    D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, nearPlane, farPlane);
    g_device->SetTransform(D3DTS_PROJECTION, &projection);
}

void SetStageZeroFilters(DWORD filter, float lodBias) {
    g_device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
    g_device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
    g_device->SetTextureStageState(0, D3DTSS_MIPFILTER, filter);
    g_device->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, FloatBits(lodBias));
}
