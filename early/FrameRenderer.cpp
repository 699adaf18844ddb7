// tarvona_early's frame, in two projection passes over one depth buffer:
//
//   far pass   depth off, near 0.01, far 1e8: the earth, whole;
//   near pass  depth on, near 10, far 1e5, no depth clear: the station, then
//              the earth again where it lies within reach, so the far
//              pass's earth never hides the station.
//
// Both projections keep the aspect 0.75 although the back buffer is
// 1024 x 768, so the picture is stretched sideways as this build draws it.
#include "input/Flight.h"
#include "render/Direct3D.h"
#include "render/FrameRenderer.h"
#include "render/FrameSteps.h"
#include "early/Scene.h"

namespace {
constexpr float kAspect = 0.75f;
constexpr D3DCOLOR kBlack = 0xFF000000;

void SetProjection(float nearPlane, float farPlane) { SetPassProjection(kAspect, nearPlane, farPlane); }
}  // namespace

void RenderFrame() {
    if (!g_device) return;

    g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    g_device->BeginScene();
    g_device->SetRenderState(D3DRS_DITHERENABLE, TRUE);

    MoveShip();
    UpdateView();

    SetStageZeroFilters(D3DTEXF_LINEAR, -2.5f);
    g_device->SetRenderState(D3DRS_LIGHTING, TRUE);

    // Far pass.
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    SetProjection(0.01f, 100000000.0f);
    early::g_earthMesh->Render();

    // Near pass.
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    SetProjection(10.0f, 100000.0f);
    early::g_stardockMesh->Render();
    early::g_earthMesh->Render();

    SetStageZeroFilters(D3DTEXF_NONE, 0.0f);

    DrawFpsCounter();
    g_device->EndScene();
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}
