#include "scene/CelestialBody.h"

#include <cmath>
#include <new>

#include "render/MeshObject.h"

CelestialBody::CelestialBody()
    : offset{0.0f, 0.0f, 0.0f},
      distanceSquared(0.0f),
      position{nullptr, nullptr, nullptr},
      distance(0.0f),
      boundingRadius(0.0f),
      mesh(nullptr),
      drawn(0),
      radiusSquared(0.0f),
      cullDistanceSquared(0.0f) {}

void CelestialBody::SetPosition(double x, double y, double z) {
    // Earlier storage is not freed: it may be the caller's (pointer form).
    double* px = new (std::nothrow) double(x);
    double* py = new (std::nothrow) double(y);
    double* pz = new (std::nothrow) double(z);
    if (!px || !py || !pz) {
        // A body without a whole position is never updated (see
        // UpdateRelative), rather than updated from a stale one.
        delete px;
        delete py;
        delete pz;
        position = {nullptr, nullptr, nullptr};
        return;
    }
    position = {px, py, pz};
}

void CelestialBody::SetPosition(double* x, double* y, double* z) { position = {x, y, z}; }

// Squared, so the sign of the argument is lost.
void CelestialBody::SetRadius(float radius) { radiusSquared = radius * radius; }

void CelestialBody::SetCullDistance(float cullDistance) { cullDistanceSquared = cullDistance * cullDistance; }

void CelestialBody::UpdateRelative(double cameraX, double cameraY, double cameraZ) {
    if (!position.x || !position.y || !position.z) {
        // No position to measure from: done for the frame, drawn nowhere.
        drawn = 1;
        return;
    }
    // The difference of two doubles, rounded once: near the sun the camera's
    // own coordinates vanish in it, but near the origin they are kept.
    offset.x = static_cast<float>(*position.x - cameraX);
    offset.y = static_cast<float>(*position.y - cameraY);
    offset.z = static_cast<float>(*position.z - cameraZ);
    // From the stored floats, each product and each sum rounded to float,
    // left to right (the build forbids contraction into fused multiply-adds).
    const float xx = offset.x * offset.x;
    const float yy = offset.y * offset.y;
    const float zz = offset.z * offset.z;
    const float xxPlusYy = xx + yy;
    distanceSquared = xxPlusYy + zz;
    distance = std::sqrt(distanceSquared);
    drawn = 0;
}

// Comparisons with NaN are false: a NaN distance is neither culled here nor
// drawn by DrawIfOutside.
void CelestialBody::CullIfBeyond() {
    if (drawn == 0 && distanceSquared > cullDistanceSquared) drawn = 1;
}

void CelestialBody::DrawIfOutside() {
    if (drawn == 0 && distanceSquared > radiusSquared) {
        drawn = 1;
        Draw();
    }
}

void CelestialBody::DrawIfPending() {
    if (drawn == 0) {
        drawn = 1;
        Draw();
    }
}

void CelestialBody::Draw() {
    // The matrix need live only until Render returns: the device copies it,
    // and the next Draw points the mesh at a new one first.
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, offset.x, offset.y, offset.z);
    mesh->SetWorldMatrix(&world);
    mesh->Render();
}
