// The published identifiers of DirectInput 8 and its two standard data
// formats. The object lists say what each byte of the state is; this layer
// only checks a format's sizes, but keeps the lists as published so code
// that walks them sees what it expects.
#include <array>

#include "dinput.h"

namespace {
constexpr GUID MakeGuid(DWORD d1, WORD d2, WORD d3, BYTE b0, BYTE b1, BYTE b2, BYTE b3, BYTE b4, BYTE b5, BYTE b6,
                        BYTE b7) {
    return GUID{d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};
}
}  // namespace

const GUID IID_IDirectInput8A = MakeGuid(0xBF798030, 0x483A, 0x4DA2, 0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00);
const GUID IID_IDirectInputDevice8A =
    MakeGuid(0x54D41080, 0xDC15, 0x4833, 0xA4, 0x1B, 0x74, 0x8F, 0x73, 0xA3, 0x81, 0x79);
const GUID GUID_SysMouse = MakeGuid(0x6F1D2B60, 0xD5A0, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_SysKeyboard = MakeGuid(0x6F1D2B61, 0xD5A0, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_XAxis = MakeGuid(0xA36D02E0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_YAxis = MakeGuid(0xA36D02E1, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_ZAxis = MakeGuid(0xA36D02E2, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_Button = MakeGuid(0xA36D02F0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
const GUID GUID_Key = MakeGuid(0x55728220, 0xD33C, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);

namespace {

// One object per scan code; any of them may be missing on a given keyboard.
constexpr std::array<DIOBJECTDATAFORMAT, 256> MakeKeyboardObjects() {
    std::array<DIOBJECTDATAFORMAT, 256> objects{};
    for (DWORD i = 0; i < 256; ++i)
        objects[i] = {&GUID_Key, i, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i), 0};
    return objects;
}
std::array<DIOBJECTDATAFORMAT, 256> g_keyboardObjects = MakeKeyboardObjects();

// x and y are required, the wheel and all but the first two buttons optional.
DIOBJECTDATAFORMAT g_mouseObjects[7] = {
    {&GUID_XAxis, DIMOFS_X, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, DIMOFS_Y, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_ZAxis, DIMOFS_Z, DIDFT_OPTIONAL | DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON0, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON1, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON2, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, DIMOFS_BUTTON3, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
};

}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256,
                                     g_keyboardObjects.data()};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS,
                                  sizeof(DIMOUSESTATE), 7, g_mouseObjects};
