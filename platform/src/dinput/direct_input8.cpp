#include "dinput/direct_input8.h"

#include "dinput/direct_input_device8.h"
#include "testing/input_testing.h"

namespace {
tarvona::testing::DirectInput8CreateFunction g_createOverride = nullptr;
}

namespace tarvona::dinput {

HRESULT DirectInput8::QueryInterface(REFIID riid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (riid != IID_IDirectInput8A) return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IDirectInput8A*>(this);
    return S_OK;
}

ULONG DirectInput8::AddRef() { return ++refs_; }

ULONG DirectInput8::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT DirectInput8::CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                   LPUNKNOWN pUnkOuter) {
    if (!lplpDirectInputDevice) return DIERR_INVALIDPARAM;
    *lplpDirectInputDevice = nullptr;
    if (pUnkOuter) return DIERR_NOAGGREGATION;
    if (rguid == GUID_SysKeyboard)
        *lplpDirectInputDevice = new DirectInputDevice8(DeviceKind::Keyboard, environment_);
    else if (rguid == GUID_SysMouse)
        *lplpDirectInputDevice = new DirectInputDevice8(DeviceKind::Mouse, environment_);
    else
        return DIERR_DEVICENOTREG;
    return DI_OK;
}

}  // namespace tarvona::dinput

namespace tarvona::testing {
void SetDirectInput8CreateOverride(DirectInput8CreateFunction function) { g_createOverride = function; }
}  // namespace tarvona::testing

HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                  LPUNKNOWN punkOuter) {
    if (g_createOverride) return g_createOverride(hinst, dwVersion, riidltf, ppvOut, punkOuter);
    if (!ppvOut) return DIERR_INVALIDPARAM;
    *ppvOut = nullptr;
    if (punkOuter) return DIERR_NOAGGREGATION;
    if (!hinst) return DIERR_INVALIDPARAM;
    if (dwVersion < DIRECTINPUT_HEADER_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (dwVersion > DIRECTINPUT_HEADER_VERSION) return DIERR_BETADIRECTINPUTVERSION;
    if (riidltf != IID_IDirectInput8A) return DIERR_NOINTERFACE;
    tarvona::dinput::InputEnvironment environment;
    if (!tarvona::dinput::ReadInputEnvironment(&environment)) return DIERR_GENERIC;
    *ppvOut = static_cast<IDirectInput8A*>(new tarvona::dinput::DirectInput8(std::move(environment)));
    return DI_OK;
}
