// What the device knows of the objects it created: when the device goes
// away first, each is told to drop its OpenGL objects (the context is about
// to go) and to stop calling back. The program keeps meshes, buffers and
// textures alive past the device's release, so this happens in every run.
#pragma once

namespace tarvona::d3d8 {

struct DeviceChild {
    virtual void DetachFromDevice() = 0;

protected:
    ~DeviceChild() = default;
};

}  // namespace tarvona::d3d8
