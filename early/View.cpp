// tarvona_early's view: the objects stand at their world positions, so the
// view carries the camera's translation as well as the ship's orientation.
// With row vectors a world point p reaches view space as (p - camera) x I.
#include "input/Flight.h"
#include "render/Direct3D.h"

void UpdateView() {
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &g_shipMatrix);
    const float x = -g_cameraPosition[0];
    const float y = -g_cameraPosition[1];
    const float z = -g_cameraPosition[2];
    D3DXMatrixTranslation(&g_viewMatrix, x, y, z);
    D3DXMatrixMultiply(&g_viewMatrix, &g_viewMatrix, &inverse);
    g_device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
}
