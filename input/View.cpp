// tarvona's view. The camera's position reaches the scene through the
// camera-relative placement of the bodies, so the view is the orientation
// alone. tarvona_early has its own, which carries the translation too.
#include "input/Flight.h"
#include "render/Direct3D.h"

void UpdateView() {
    D3DXMatrixInverse(&g_viewMatrix, nullptr, &g_shipMatrix);
    g_device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
}
