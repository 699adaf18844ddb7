// A fake DirectInput for the input tests: DirectInput8Create, the object and
// its two devices record every call in one log, return the results a test
// sets, and deliver the states a test sets. Installed through the platform's
// DirectInput8Create seam, or used directly as g_keyboard and g_mouse.
#pragma once

#include <dinput.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "testing/input_testing.h"

namespace tarvona::testing {

class FakeInputDevice final : public IDirectInputDevice8A {
public:
    FakeInputDevice(std::string name, DWORD stateSize, std::vector<std::string>* log)
        : name(std::move(name)), state(stateSize, 0), log_(log) {}

    const std::string name;
    // What the next calls return. A read that fails writes nothing.
    HRESULT acquireResult = DI_OK;
    HRESULT cooperativeLevelResult = DI_OK;
    HRESULT dataFormatResult = DI_OK;
    HRESULT readResult = DI_OK;
    std::vector<BYTE> state;  // what a successful read delivers

    // What was done to it.
    ULONG refs = 1;
    bool acquired = false;
    HWND window = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        Log("Release");
        return refs ? --refs : 0;
    }
    HRESULT STDMETHODCALLTYPE Acquire() override {
        Log("Acquire");
        if (acquireResult >= 0) acquired = true;
        return acquireResult;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override {
        Log("Unacquire");
        const bool was = acquired;
        acquired = false;
        return was ? DI_OK : DI_NOEFFECT;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) override {
        Log("GetDeviceState(" + std::to_string(cbData) + ")");
        if (readResult >= 0 && cbData == state.size()) std::memcpy(lpvData, state.data(), state.size());
        return readResult;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) override {
        Log(std::string("SetDataFormat(") +
            (lpdf == &c_dfDIKeyboard ? "c_dfDIKeyboard" : lpdf == &c_dfDIMouse ? "c_dfDIMouse" : "other") + ")");
        return dataFormatResult;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) override {
        Log("SetCooperativeLevel(" + std::to_string(dwFlags) + ")");
        window = hwnd;
        return cooperativeLevelResult;
    }

    void SetKeys(std::initializer_list<int> down) {
        std::fill(state.begin(), state.end(), BYTE{0});
        for (int key : down) state.at(static_cast<std::size_t>(key)) = 0x80;
    }
    void SetMouse(const DIMOUSESTATE& mouse) { std::memcpy(state.data(), &mouse, sizeof mouse); }

private:
    void Log(const std::string& what) {
        if (log_) log_->push_back(name + "." + what);
    }
    std::vector<std::string>* log_;
};

// The fake DirectInput object with its devices; one at a time, installed
// as the platform's DirectInput8Create for as long as it lives.
class FakeDirectInput final : public IDirectInput8A {
public:
    FakeDirectInput() {
        current_ = this;
        SetDirectInput8CreateOverride(&Create);
    }
    ~FakeDirectInput() {
        SetDirectInput8CreateOverride(nullptr);
        current_ = nullptr;
    }
    FakeDirectInput(const FakeDirectInput&) = delete;
    FakeDirectInput& operator=(const FakeDirectInput&) = delete;

    std::vector<std::string> log;
    FakeInputDevice keyboard{"keyboard", 256, &log};
    FakeInputDevice mouse{"mouse", sizeof(DIMOUSESTATE), &log};

    // What the next calls return.
    HRESULT createResult = DI_OK;
    HRESULT createKeyboardResult = DI_OK;
    HRESULT createMouseResult = DI_OK;

    // What DirectInput8Create was given.
    HINSTANCE instance = nullptr;
    DWORD version = 0;
    bool askedForDirectInput8A = false;
    LPVOID* out = nullptr;
    LPUNKNOWN outer = nullptr;
    ULONG refs = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        log.push_back("directInput.Release");
        return refs ? --refs : 0;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN) override {
        const bool isKeyboard = rguid == GUID_SysKeyboard;
        log.push_back(isKeyboard ? "CreateDevice(GUID_SysKeyboard)"
                      : rguid == GUID_SysMouse ? "CreateDevice(GUID_SysMouse)"
                                               : "CreateDevice(other)");
        *device = nullptr;
        const HRESULT result = isKeyboard ? createKeyboardResult : createMouseResult;
        if (result < 0) return result;
        *device = isKeyboard ? &keyboard : &mouse;
        return result;
    }

private:
    static HRESULT Create(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut, LPUNKNOWN punkOuter) {
        FakeDirectInput& self = *current_;
        self.log.push_back("DirectInput8Create");
        self.instance = hinst;
        self.version = dwVersion;
        self.askedForDirectInput8A = riidltf == IID_IDirectInput8A;
        self.out = ppvOut;
        self.outer = punkOuter;
        *ppvOut = nullptr;
        if (self.createResult < 0) return self.createResult;
        self.refs = 1;
        *ppvOut = static_cast<IDirectInput8A*>(&self);
        return self.createResult;
    }
    static inline FakeDirectInput* current_ = nullptr;
};

}  // namespace tarvona::testing
