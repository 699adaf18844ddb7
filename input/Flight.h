// The ship's frame: steering from the input, motion, and the view.
#pragma once

#include <d3dx8.h>
#include <dinput.h>

extern D3DXMATRIX g_shipMatrix;  // rows: right, up, forward; never a translation
extern D3DXVECTOR3 g_shipRight;
extern D3DXVECTOR3 g_shipUp;
extern D3DXVECTOR3 g_shipForward;
extern float g_shipSpeed;          // world units per frame
extern float g_cameraPosition[3];  // x, y, z
extern D3DXMATRIX g_viewMatrix;
extern BYTE g_keyState[256];       // by DirectInput scan code
extern DIMOUSESTATE g_mouseState;  // the last read: motion since the one before

// The two controls in which the programs differ; each program supplies its
// own record.
struct FlightControls {
    float keyRoll;       // A rolls by +keyRoll per frame, D by -keyRoll
    bool xDoublesSpeed;  // whether X doubles the speed each frame
};
extern const FlightControls g_flightControls;

void ProcessInput();
void MoveShip();
void UpdateView();
