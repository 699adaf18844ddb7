// Fills the scene once at start-up: the marker sprite, the ship and the five
// bodies from their files, the bodies' placements, the ship's frame, an
// initial camera and two lights.
//
// Distances are at ten metres to the unit: the sun lies at the mean
// earth-sun distance from the origin, the moon at the mean earth-moon one.
// The earth, the sun and the moon have radius 0, so the camera is always
// outside them and they are drawn in the deep pass; the station and the
// alien ship get a near pass of their own when the camera comes close.
#include "scene/Scene.h"

#include <cstring>
#include <new>

#include "input/Flight.h"
#include "render/Direct3D.h"
#include "render/MeshObject.h"

PointSprite* g_sprite = nullptr;
MeshObject* g_shipMesh = nullptr;
CelestialBody g_stardock;
CelestialBody g_borg;
CelestialBody g_earth;
CelestialBody g_sun;
CelestialBody g_moon;

namespace {
// The float nearest 1e12: beyond it even the sun is culled.
constexpr float kFarCullDistance = 999999995904.0f;
}  // namespace

HRESULT InitScene() {
    IDirect3DTexture8* spriteTexture = nullptr;
    if (D3DXCreateTextureFromFileA(g_device, "particle1.bmp", &spriteTexture) < 0) return E_FAIL;

    g_sprite = new (std::nothrow) PointSprite(spriteTexture);
    if (!g_sprite) {
        // Nothing would draw the marker: fail start-up as a load would.
        spriteTexture->Release();
        return E_FAIL;
    }
    g_sprite->SetColor(D3DXCOLOR(0xFFFFFFFF));
    g_sprite->SetPointSize(1.0f, 0.0f);
    g_sprite->SetPointScale(0.0f, 0.0f, 0.1f);
    g_sprite->Prepare(g_device);

    if (LoadMeshObject("ship.x", g_device, &g_shipMesh) < 0) return E_FAIL;

    D3DXMatrixIdentity(&g_shipMatrix);
    g_shipRight = D3DXVECTOR3(g_shipMatrix._11, g_shipMatrix._12, g_shipMatrix._13);
    g_shipUp = D3DXVECTOR3(g_shipMatrix._21, g_shipMatrix._22, g_shipMatrix._23);
    g_shipForward = D3DXVECTOR3(g_shipMatrix._31, g_shipMatrix._32, g_shipMatrix._33);

    if (LoadMeshObject("stardock.x", g_device, &g_stardock.mesh) < 0) return E_FAIL;
    g_stardock.SetRadius(500.0f);
    g_stardock.SetCullDistance(100000.0f);
    g_stardock.SetPosition(0.0, 0.0, 0.0);
    g_stardock.boundingRadius = 500.0f;

    // Its radius (750) and its bounding radius (500) differ.
    if (LoadMeshObject("borg.x", g_device, &g_borg.mesh) < 0) return E_FAIL;
    g_borg.SetRadius(750.0f);
    g_borg.SetCullDistance(1000000.0f);
    g_borg.boundingRadius = 500.0f;
    g_borg.SetPosition(1000.0, 500.0, 100.0);

    if (LoadMeshObject("earth.x", g_device, &g_earth.mesh) < 0) return E_FAIL;
    g_earth.SetPosition(700000.0, 0.0, 0.0);
    g_earth.SetRadius(0.0f);
    g_earth.SetCullDistance(kFarCullDistance);

    if (LoadMeshObject("sun.x", g_device, &g_sun.mesh) < 0) return E_FAIL;
    g_sun.SetPosition(-14960000000.0, 0.0, 0.0);
    g_sun.SetRadius(0.0f);
    g_sun.SetCullDistance(kFarCullDistance);

    if (LoadMeshObject("moon.x", g_device, &g_moon.mesh) < 0) return E_FAIL;
    g_moon.SetPosition(0.0, -38440000.0, 0.0);
    g_moon.SetRadius(0.0f);
    g_moon.SetCullDistance(kFarCullDistance);

    SetupCamera();
    SetupLights();
    return S_OK;
}

namespace {
void EnableLight(DWORD index, const D3DLIGHT8& light) {
    g_device->SetLight(index, &light);
    g_device->LightEnable(index, TRUE);
    g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
    g_device->SetRenderState(D3DRS_AMBIENT, 0x00808080);
}
}  // namespace

// A yellowish-white directional light travelling along +x, away from the
// sun; and a blue point light at the device's world origin, which is the
// camera, so it travels with the ship.
void SetupLights() {
    D3DLIGHT8 sunlight;
    std::memset(&sunlight, 0, sizeof sunlight);
    sunlight.Type = D3DLIGHT_DIRECTIONAL;
    sunlight.Diffuse = {1.0f, 1.0f, 0.8f, 0.0f};
    const D3DXVECTOR3 along(1.0f, 0.0f, 0.0f);
    D3DXVECTOR3 direction;
    D3DXVec3Normalize(&direction, &along);
    sunlight.Direction = direction;
    sunlight.Range = 1000.0f;
    EnableLight(0, sunlight);

    D3DLIGHT8 shipLight;
    std::memset(&shipLight, 0, sizeof shipLight);
    shipLight.Type = D3DLIGHT_POINT;
    shipLight.Diffuse = {0.0f, 0.0f, 1.0f, 0.0f};
    shipLight.Range = 400.0f;
    shipLight.Attenuation1 = 0.02f;
    EnableLight(1, shipLight);
}
