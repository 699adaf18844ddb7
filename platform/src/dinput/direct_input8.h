// IDirectInput8A: creates the system keyboard and the system mouse. It reads
// the input platform variables when it is created and hands them to its
// devices.
#pragma once

#include <utility>

#include "dinput.h"
#include "dinput/input_environment.h"

namespace tarvona::dinput {

class DirectInput8 final : public IDirectInput8A {
public:
    explicit DirectInput8(InputEnvironment environment) : environment_(std::move(environment)) {}
    DirectInput8(const DirectInput8&) = delete;
    DirectInput8& operator=(const DirectInput8&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* lplpDirectInputDevice,
                                           LPUNKNOWN pUnkOuter) override;

private:
    ~DirectInput8() = default;
    ULONG refs_ = 1;
    const InputEnvironment environment_;
};

}  // namespace tarvona::dinput
