// The DirectInput 8 subset the program calls: DirectInput8Create, the
// IDirectInput8A object, the IDirectInputDevice8A device, the system
// keyboard and mouse with their standard data formats, the cooperative
// levels, the result codes and the full set of DIK_ keyboard scan codes.
// Written for this project from the published names, values and
// signatures; implemented on SDL2 in platform/src/dinput. Methods the program
// does not call are left out, so the interfaces are smaller than the real
// ones, but every method present has the real name and signature.
#pragma once

#include "windows.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#define DIRECTINPUT_HEADER_VERSION 0x0800

// ---- identifiers --------------------------------------------------------------
extern const GUID IID_IDirectInput8A;
extern const GUID IID_IDirectInputDevice8A;
extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;
extern const GUID GUID_XAxis;
extern const GUID GUID_YAxis;
extern const GUID GUID_ZAxis;
extern const GUID GUID_Button;
extern const GUID GUID_Key;

// ---- results --------------------------------------------------------------------
#ifndef E_HANDLE
#define E_HANDLE static_cast<HRESULT>(0x80070006u)
#endif
#define DI_OK S_OK
#define DI_NOEFFECT S_FALSE
#define DI_PROPNOEFFECT S_FALSE
#define DI_BUFFEROVERFLOW S_FALSE
#define DIERR_GENERIC E_FAIL
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_UNSUPPORTED E_NOTIMPL
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_OTHERAPPHASPRIO static_cast<HRESULT>(0x80070005u)     // E_ACCESSDENIED
#define DIERR_READONLY static_cast<HRESULT>(0x80070005u)            // E_ACCESSDENIED
#define DIERR_HANDLEEXISTS static_cast<HRESULT>(0x80070005u)        // E_ACCESSDENIED
#define DIERR_NOTACQUIRED static_cast<HRESULT>(0x8007000Cu)         // ERROR_INVALID_ACCESS
#define DIERR_NOTINITIALIZED static_cast<HRESULT>(0x80070015u)      // ERROR_NOT_READY
#define DIERR_INPUTLOST static_cast<HRESULT>(0x8007001Eu)           // ERROR_READ_FAULT
#define DIERR_BADDRIVERVER static_cast<HRESULT>(0x80070077u)        // ERROR_BAD_DRIVER_LEVEL
#define DIERR_ACQUIRED static_cast<HRESULT>(0x800700AAu)            // ERROR_BUSY
#define DIERR_OLDDIRECTINPUTVERSION static_cast<HRESULT>(0x8007047Eu)
#define DIERR_BETADIRECTINPUTVERSION static_cast<HRESULT>(0x80070481u)
#define DIERR_ALREADYINITIALIZED static_cast<HRESULT>(0x800704DFu)
#define DIERR_DEVICENOTREG static_cast<HRESULT>(0x80040154u)        // REGDB_E_CLASSNOTREG
#define DIERR_NOAGGREGATION static_cast<HRESULT>(0x80040110u)       // CLASS_E_NOAGGREGATION

// ---- cooperative levels -----------------------------------------------------------
#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008
#define DISCL_NOWINKEY 0x00000010

// ---- data formats -----------------------------------------------------------------
#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002

#define DIDFT_ALL 0x00000000
#define DIDFT_RELAXIS 0x00000001
#define DIDFT_ABSAXIS 0x00000002
#define DIDFT_AXIS 0x00000003
#define DIDFT_PSHBUTTON 0x00000004
#define DIDFT_TGLBUTTON 0x00000008
#define DIDFT_BUTTON 0x0000000C
#define DIDFT_ANYINSTANCE 0x00FFFF00
#define DIDFT_INSTANCEMASK DIDFT_ANYINSTANCE
#define DIDFT_MAKEINSTANCE(n) (static_cast<DWORD>(static_cast<WORD>(n)) << 8)
#define DIDFT_OPTIONAL 0x80000000

struct DIOBJECTDATAFORMAT {
    const GUID* pguid;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
};
using LPDIOBJECTDATAFORMAT = DIOBJECTDATAFORMAT*;
using LPCDIOBJECTDATAFORMAT = const DIOBJECTDATAFORMAT*;

struct DIDATAFORMAT {
    DWORD dwSize;     // sizeof(DIDATAFORMAT)
    DWORD dwObjSize;  // sizeof(DIOBJECTDATAFORMAT)
    DWORD dwFlags;    // DIDF_ABSAXIS or DIDF_RELAXIS
    DWORD dwDataSize;  // bytes one GetDeviceState delivers
    DWORD dwNumObjs;
    LPDIOBJECTDATAFORMAT rgodf;
};
using LPDIDATAFORMAT = DIDATAFORMAT*;
using LPCDIDATAFORMAT = const DIDATAFORMAT*;

// 256 bytes, one per DIK_ scan code; relative axes, 256 objects.
extern const DIDATAFORMAT c_dfDIKeyboard;
// DIMOUSESTATE, 16 bytes; relative axes, 7 objects.
extern const DIDATAFORMAT c_dfDIMouse;

struct DIMOUSESTATE {
    LONG lX;  // movement since the previous read; + is to the right
    LONG lY;  // + is towards the user
    LONG lZ;  // the wheel; + is away from the user, 120 per notch here
    BYTE rgbButtons[4];  // 0x80 while down: left, right, middle, fourth
};
using LPDIMOUSESTATE = DIMOUSESTATE*;

#define DIMOFS_X 0
#define DIMOFS_Y 4
#define DIMOFS_Z 8
#define DIMOFS_BUTTON0 12
#define DIMOFS_BUTTON1 13
#define DIMOFS_BUTTON2 14
#define DIMOFS_BUTTON3 15

// ---- interfaces -------------------------------------------------------------------
struct IDirectInputDevice8A : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) = 0;

protected:
    ~IDirectInputDevice8A() = default;
};
using LPDIRECTINPUTDEVICE8A = IDirectInputDevice8A*;
using IDirectInputDevice8 = IDirectInputDevice8A;
using LPDIRECTINPUTDEVICE8 = IDirectInputDevice8A*;

struct IDirectInput8A : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                                   LPUNKNOWN pUnkOuter) = 0;

protected:
    ~IDirectInput8A() = default;
};
using LPDIRECTINPUT8A = IDirectInput8A*;
using IDirectInput8 = IDirectInput8A;
using LPDIRECTINPUT8 = IDirectInput8A*;

#define IID_IDirectInput8 IID_IDirectInput8A
#define IID_IDirectInputDevice8 IID_IDirectInputDevice8A

HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                  LPUNKNOWN punkOuter);

// ---- keyboard scan codes (offsets into the 256-byte keyboard state) ---------------
#define DIK_ESCAPE 0x01
#define DIK_1 0x02
#define DIK_2 0x03
#define DIK_3 0x04
#define DIK_4 0x05
#define DIK_5 0x06
#define DIK_6 0x07
#define DIK_7 0x08
#define DIK_8 0x09
#define DIK_9 0x0A
#define DIK_0 0x0B
#define DIK_MINUS 0x0C
#define DIK_EQUALS 0x0D
#define DIK_BACK 0x0E
#define DIK_TAB 0x0F
#define DIK_Q 0x10
#define DIK_W 0x11
#define DIK_E 0x12
#define DIK_R 0x13
#define DIK_T 0x14
#define DIK_Y 0x15
#define DIK_U 0x16
#define DIK_I 0x17
#define DIK_O 0x18
#define DIK_P 0x19
#define DIK_LBRACKET 0x1A
#define DIK_RBRACKET 0x1B
#define DIK_RETURN 0x1C
#define DIK_LCONTROL 0x1D
#define DIK_A 0x1E
#define DIK_S 0x1F
#define DIK_D 0x20
#define DIK_F 0x21
#define DIK_G 0x22
#define DIK_H 0x23
#define DIK_J 0x24
#define DIK_K 0x25
#define DIK_L 0x26
#define DIK_SEMICOLON 0x27
#define DIK_APOSTROPHE 0x28
#define DIK_GRAVE 0x29
#define DIK_LSHIFT 0x2A
#define DIK_BACKSLASH 0x2B
#define DIK_Z 0x2C
#define DIK_X 0x2D
#define DIK_C 0x2E
#define DIK_V 0x2F
#define DIK_B 0x30
#define DIK_N 0x31
#define DIK_M 0x32
#define DIK_COMMA 0x33
#define DIK_PERIOD 0x34
#define DIK_SLASH 0x35
#define DIK_RSHIFT 0x36
#define DIK_MULTIPLY 0x37
#define DIK_LMENU 0x38
#define DIK_SPACE 0x39
#define DIK_CAPITAL 0x3A
#define DIK_F1 0x3B
#define DIK_F2 0x3C
#define DIK_F3 0x3D
#define DIK_F4 0x3E
#define DIK_F5 0x3F
#define DIK_F6 0x40
#define DIK_F7 0x41
#define DIK_F8 0x42
#define DIK_F9 0x43
#define DIK_F10 0x44
#define DIK_NUMLOCK 0x45
#define DIK_SCROLL 0x46
#define DIK_NUMPAD7 0x47
#define DIK_NUMPAD8 0x48
#define DIK_NUMPAD9 0x49
#define DIK_SUBTRACT 0x4A
#define DIK_NUMPAD4 0x4B
#define DIK_NUMPAD5 0x4C
#define DIK_NUMPAD6 0x4D
#define DIK_ADD 0x4E
#define DIK_NUMPAD1 0x4F
#define DIK_NUMPAD2 0x50
#define DIK_NUMPAD3 0x51
#define DIK_NUMPAD0 0x52
#define DIK_DECIMAL 0x53
#define DIK_OEM_102 0x56
#define DIK_F11 0x57
#define DIK_F12 0x58
#define DIK_F13 0x64
#define DIK_F14 0x65
#define DIK_F15 0x66
#define DIK_KANA 0x70
#define DIK_ABNT_C1 0x73
#define DIK_CONVERT 0x79
#define DIK_NOCONVERT 0x7B
#define DIK_YEN 0x7D
#define DIK_ABNT_C2 0x7E
#define DIK_NUMPADEQUALS 0x8D
#define DIK_PREVTRACK 0x90
#define DIK_CIRCUMFLEX 0x90
#define DIK_AT 0x91
#define DIK_COLON 0x92
#define DIK_UNDERLINE 0x93
#define DIK_KANJI 0x94
#define DIK_STOP 0x95
#define DIK_AX 0x96
#define DIK_UNLABELED 0x97
#define DIK_NEXTTRACK 0x99
#define DIK_NUMPADENTER 0x9C
#define DIK_RCONTROL 0x9D
#define DIK_MUTE 0xA0
#define DIK_CALCULATOR 0xA1
#define DIK_PLAYPAUSE 0xA2
#define DIK_MEDIASTOP 0xA4
#define DIK_VOLUMEDOWN 0xAE
#define DIK_VOLUMEUP 0xB0
#define DIK_WEBHOME 0xB2
#define DIK_NUMPADCOMMA 0xB3
#define DIK_DIVIDE 0xB5
#define DIK_SYSRQ 0xB7
#define DIK_RMENU 0xB8
#define DIK_PAUSE 0xC5
#define DIK_HOME 0xC7
#define DIK_UP 0xC8
#define DIK_PRIOR 0xC9
#define DIK_LEFT 0xCB
#define DIK_RIGHT 0xCD
#define DIK_END 0xCF
#define DIK_DOWN 0xD0
#define DIK_NEXT 0xD1
#define DIK_INSERT 0xD2
#define DIK_DELETE 0xD3
#define DIK_LWIN 0xDB
#define DIK_RWIN 0xDC
#define DIK_APPS 0xDD
#define DIK_POWER 0xDE
#define DIK_SLEEP 0xDF
#define DIK_WAKE 0xE3
#define DIK_WEBSEARCH 0xE5
#define DIK_WEBFAVORITES 0xE6
#define DIK_WEBREFRESH 0xE7
#define DIK_WEBSTOP 0xE8
#define DIK_WEBFORWARD 0xE9
#define DIK_WEBBACK 0xEA
#define DIK_MYCOMPUTER 0xEB
#define DIK_MAIL 0xEC
#define DIK_MEDIASELECT 0xED

// Aliases with the same values.
#define DIK_BACKSPACE DIK_BACK
#define DIK_NUMPADSTAR DIK_MULTIPLY
#define DIK_LALT DIK_LMENU
#define DIK_CAPSLOCK DIK_CAPITAL
#define DIK_NUMPADMINUS DIK_SUBTRACT
#define DIK_NUMPADPLUS DIK_ADD
#define DIK_NUMPADPERIOD DIK_DECIMAL
#define DIK_NUMPADSLASH DIK_DIVIDE
#define DIK_RALT DIK_RMENU
#define DIK_UPARROW DIK_UP
#define DIK_PGUP DIK_PRIOR
#define DIK_LEFTARROW DIK_LEFT
#define DIK_RIGHTARROW DIK_RIGHT
#define DIK_DOWNARROW DIK_DOWN
#define DIK_PGDN DIK_NEXT
