// One frame, drawn in four projection passes so that bodies millions of
// units apart share one depth buffer of 16 bits:
//
//   far pass       depth off, near 0.01, far 1e7: the sun, the moon and the
//                  earth, later draws covering earlier ones;
//   stardock pass  depth on, far plane just behind the station;
//   borg pass      the same for the alien ship, into the same depth buffer;
//   near pass      after a depth clear, near 1, far 1000: whichever of the
//                  station and the ship the camera is inside, in front of
//                  everything drawn before.
//
// Every body is placed at its offset from the camera, so the view carries
// only the ship's orientation. The marker sprite and the counter text follow.
#include "render/FrameRenderer.h"

#include "input/Flight.h"
#include "render/Direct3D.h"
#include "render/FrameSteps.h"
#include "render/MeshObject.h"
#include "scene/Scene.h"

namespace {
constexpr float kAspect = 1.3333334f;       // 640 / 480
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

    const double cameraX = g_cameraPosition[0];
    const double cameraY = g_cameraPosition[1];
    const double cameraZ = g_cameraPosition[2];
    g_stardock.UpdateRelative(cameraX, cameraY, cameraZ);
    g_earth.UpdateRelative(cameraX, cameraY, cameraZ);
    g_moon.UpdateRelative(cameraX, cameraY, cameraZ);
    g_sun.UpdateRelative(cameraX, cameraY, cameraZ);
    g_borg.UpdateRelative(cameraX, cameraY, cameraZ);

    g_sun.mesh->SetUnlit(1);
    g_borg.mesh->SetUnlit(1);

    SetStageZeroFilters(D3DTEXF_LINEAR, -2.5f);

    // Far pass.
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    SetProjection(0.01f, 10000000.0f);
    g_sun.CullIfBeyond();
    g_moon.CullIfBeyond();
    g_earth.CullIfBeyond();
    g_stardock.CullIfBeyond();
    g_borg.CullIfBeyond();
    g_sun.DrawIfOutside();
    g_moon.DrawIfOutside();
    g_earth.DrawIfOutside();

    // Stardock pass, then the borg pass into the same depth buffer.
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    const float stardockFar = g_stardock.distance + g_stardock.boundingRadius;
    SetProjection(100.0f, stardockFar);
    g_stardock.DrawIfOutside();
    const float borgFar = g_borg.distance + g_borg.boundingRadius;
    SetProjection(100.0f, borgFar);
    g_borg.DrawIfOutside();

    // Near pass, in front of everything so far.
    g_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    SetProjection(1.0f, 1000.0f);
    g_stardock.DrawIfPending();
    g_borg.DrawIfPending();

    // The marker at the world point (0, 160, 0), under the near projection.
    g_device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    D3DXMATRIX spriteWorld;
    const float spriteX = 0.0f - g_cameraPosition[0];
    const float spriteY = 160.0f - g_cameraPosition[1];
    const float spriteZ = -g_cameraPosition[2];
    D3DXMatrixTranslation(&spriteWorld, spriteX, spriteY, spriteZ);
    g_device->SetTransform(D3DTS_WORLD, &spriteWorld);
    g_sprite->Render();

    SetStageZeroFilters(D3DTEXF_NONE, 0.0f);

    DrawFpsCounter();
    g_device->EndScene();
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}
