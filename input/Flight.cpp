#include "input/Flight.h"

D3DXMATRIX g_shipMatrix{};
D3DXVECTOR3 g_shipRight{};
D3DXVECTOR3 g_shipUp{};
D3DXVECTOR3 g_shipForward{};
float g_shipSpeed = 0.0f;
float g_cameraPosition[3] = {-160.0f, 100.0f, 100.0f};
D3DXMATRIX g_viewMatrix{};
BYTE g_keyState[256] = {};

// Placeholders until flight control exists.
void ProcessInput() {}
void MoveShip() {}
void UpdateView() {}
