// The initial camera, the same in both programs.
#include "render/Direct3D.h"
#include "scene/Scene.h"

// Initial values only: the first frame sets the view and every projection
// again before it draws.
void SetupCamera() {
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0.0f, 3.0f, -5.0f);
    const D3DXVECTOR3 lookAt(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &lookAt, &up);
    g_device->SetTransform(D3DTS_VIEW, &view);

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.785398185253143f, 0.75f, 0.01f, 10000.0f);
    g_device->SetTransform(D3DTS_PROJECTION, &projection);
}
