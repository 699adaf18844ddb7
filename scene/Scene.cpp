#include "scene/Scene.h"

// Placeholder until the scene exists: start-up fails honestly here.
HRESULT InitScene() { return E_FAIL; }
void SetupCamera() {}
void SetupLights() {}
