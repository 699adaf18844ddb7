// Steering and motion, once per frame and not scaled by time. The view is
// each program's own (input/View.cpp for tarvona).
//
// The three turns of a frame are about the ship's axes as they stood at the
// start of the frame, and the matrix is never re-orthonormalised: rounding
// drifts over a long flight, as it always has in this program.
#include "input/Flight.h"

#include "app/Test18.h"
#include "input/InputDevices.h"

D3DXMATRIX g_shipMatrix{};
D3DXVECTOR3 g_shipRight{};
D3DXVECTOR3 g_shipUp{};
D3DXVECTOR3 g_shipForward{};
float g_shipSpeed = 0.0f;
float g_cameraPosition[3] = {-160.0f, 100.0f, 100.0f};
D3DXMATRIX g_viewMatrix{};
BYTE g_keyState[256] = {};
DIMOUSESTATE g_mouseState{};

namespace {

bool KeyDown(BYTE scanCode) { return (g_keyState[scanCode] & 0x80) != 0; }

// A device that lost the focus stays lost unless someone acquires it again;
// without this, Escape would no longer reach the program after the window
// had been left once. The state read this frame stands as it is.
void Recover(IDirectInputDevice8A* device, HRESULT readResult) {
    if (readResult == DIERR_INPUTLOST || readResult == DIERR_NOTACQUIRED) device->Acquire();
}

void Turn(const D3DXVECTOR3& axis, float angle) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, &axis, angle);
    D3DXMatrixMultiply(&g_shipMatrix, &g_shipMatrix, &rotation);
}

}  // namespace

void ProcessInput() {
    Recover(g_mouse, g_mouse->GetDeviceState(sizeof(DIMOUSESTATE), &g_mouseState));
    const float pitch = static_cast<float>(g_mouseState.lY) * 0.005f;
    const float yaw = static_cast<float>(g_mouseState.lX) * 0.005f;
    float roll = static_cast<float>(g_mouseState.lZ) * 0.0005f;

    Recover(g_keyboard, g_keyboard->GetDeviceState(sizeof(g_keyState), g_keyState));

    if (KeyDown(DIK_UP)) g_shipSpeed += 1.0f;
    if (KeyDown(DIK_DOWN)) g_shipSpeed -= 1.0f;
    if (KeyDown(DIK_SPACE)) g_shipSpeed = 0.0f;
    if (KeyDown(DIK_W)) g_shipSpeed += 100.0f;
    if (KeyDown(DIK_S)) g_shipSpeed -= 100.0f;
    if (KeyDown(DIK_A)) roll = g_flightControls.keyRoll;
    if (KeyDown(DIK_D)) roll = -g_flightControls.keyRoll;
    if (g_flightControls.xDoublesSpeed && KeyDown(DIK_X)) g_shipSpeed = g_shipSpeed + g_shipSpeed;
    if (KeyDown(DIK_ESCAPE)) g_quitRequested = 1;
    if (g_mouseState.rgbButtons[1] != 0) g_shipSpeed -= 0.01f;
    if (g_mouseState.rgbButtons[0] != 0) g_shipSpeed += 0.01f;

    // The axes are refreshed only after all three turns.
    Turn(g_shipForward, roll);
    Turn(g_shipUp, yaw);
    Turn(g_shipRight, pitch);

    g_shipRight = D3DXVECTOR3(g_shipMatrix._11, g_shipMatrix._12, g_shipMatrix._13);
    g_shipUp = D3DXVECTOR3(g_shipMatrix._21, g_shipMatrix._22, g_shipMatrix._23);
    g_shipForward = D3DXVECTOR3(g_shipMatrix._31, g_shipMatrix._32, g_shipMatrix._33);
}

void MoveShip() {
    g_cameraPosition[0] = g_shipForward.x * g_shipSpeed + g_cameraPosition[0];
    g_cameraPosition[1] = g_shipForward.y * g_shipSpeed + g_cameraPosition[1];
    g_cameraPosition[2] = g_shipForward.z * g_shipSpeed + g_cameraPosition[2];
}
