// tarvona_early's scene: three plain models placed by world matrices. Its
// InitScene, SetupLights, UpdateView and RenderFrame take the place of
// tarvona's at link time; the declarations are the shared ones.
#pragma once

#include "early/MeshObject.h"

namespace early {

extern MeshObject* g_shipMesh;      // loaded, never drawn
extern MeshObject* g_stardockMesh;  // at the world origin
extern MeshObject* g_earthMesh;     // at (700000, 0, 0)

}  // namespace early
