// Fills tarvona_early's scene once at start-up: the ship, the station and
// the earth from their files, the ship's frame, the earth's placement, the
// initial camera and one light.
#include "early/Scene.h"

#include <cstring>

#include "input/Flight.h"
#include "render/Direct3D.h"
#include "scene/Scene.h"

namespace early {
MeshObject* g_shipMesh = nullptr;
MeshObject* g_stardockMesh = nullptr;
MeshObject* g_earthMesh = nullptr;
}  // namespace early

// E_FAIL at the first file that cannot be loaded; what was made before it
// stays, and nothing after it runs.
HRESULT InitScene() {
    if (early::LoadMeshObject("ship.x", g_device, &early::g_shipMesh) < 0) return E_FAIL;

    D3DXMatrixIdentity(&g_shipMatrix);
    g_shipRight = D3DXVECTOR3(g_shipMatrix._11, g_shipMatrix._12, g_shipMatrix._13);
    g_shipUp = D3DXVECTOR3(g_shipMatrix._21, g_shipMatrix._22, g_shipMatrix._23);
    g_shipForward = D3DXVECTOR3(g_shipMatrix._31, g_shipMatrix._32, g_shipMatrix._33);

    // The station keeps its identity world matrix.
    if (early::LoadMeshObject("stardock.x", g_device, &early::g_stardockMesh) < 0) return E_FAIL;

    if (early::LoadMeshObject("earth.x", g_device, &early::g_earthMesh) < 0) return E_FAIL;
    D3DXMATRIX earthWorld;
    D3DXMatrixTranslation(&earthWorld, 700000.0f, 0.0f, 0.0f);
    early::g_earthMesh->SetWorldMatrix(&earthWorld);

    SetupCamera();
    SetupLights();
    return S_OK;
}

// A white directional light travelling along +x, and a dim ambient.
void SetupLights() {
    D3DLIGHT8 light;
    std::memset(&light, 0, sizeof light);
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    const D3DXVECTOR3 along(1.0f, 0.0f, 0.0f);
    D3DXVECTOR3 direction;
    D3DXVec3Normalize(&direction, &along);
    light.Direction = direction;
    light.Range = 1000.0f;
    g_device->SetLight(0, &light);
    g_device->LightEnable(0, TRUE);
    g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
    g_device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
}
