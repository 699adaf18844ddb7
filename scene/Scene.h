// The scene's contents, the initial camera and the lights.
#pragma once

#include <windows.h>

HRESULT InitScene();
void SetupCamera();
void SetupLights();
