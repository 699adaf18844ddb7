// The scene's contents, the initial camera and the lights.
#pragma once

#include <windows.h>

#include "scene/CelestialBody.h"
#include "scene/PointSprite.h"

class MeshObject;

extern PointSprite* g_sprite;    // the marker at the world point (0, 160, 0)
extern MeshObject* g_shipMesh;   // loaded, never drawn
extern CelestialBody g_stardock;
extern CelestialBody g_borg;
extern CelestialBody g_earth;
extern CelestialBody g_sun;
extern CelestialBody g_moon;

// S_OK, or E_FAIL at the first file that cannot be loaded; what was made
// before it stays, and nothing after it runs.
HRESULT InitScene();
void SetupCamera();
void SetupLights();
