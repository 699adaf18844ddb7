// A placed object of the scene. Its position is kept in double precision
// because the scene spans some 1.5e10 units; once a frame it is turned into
// a single-precision offset from the camera, and only that offset ever
// reaches the device (the device's world space is centred on the camera).
//
// Each frame a body is first made pending by UpdateRelative; the first of
// CullIfBeyond / DrawIfOutside / DrawIfPending that acts on it makes it done,
// so it is drawn at most once per frame and a culled body not at all.
#pragma once

#include <d3dx8.h>

class MeshObject;

class CelestialBody {
public:
    CelestialBody();

    // Allocates one double per coordinate (x, then y, then z).
    void SetPosition(double x, double y, double z);
    // Follows caller-owned storage without copying it.
    void SetPosition(double* x, double* y, double* z);
    void SetRadius(float radius);
    void SetCullDistance(float cullDistance);

    void UpdateRelative(double cameraX, double cameraY, double cameraZ);
    void CullIfBeyond();
    void DrawIfOutside();
    void DrawIfPending();
    void Draw();

    struct {
        float x, y, z;
    } offset;
    float distanceSquared;
    struct {
        double* x;
        double* y;
        double* z;
    } position;
    float distance;
    float boundingRadius;  // far clip of the body's own pass lies at distance + boundingRadius
    MeshObject* mesh;
    int drawn;  // non-zero: done for this frame, drawn or culled
    float radiusSquared;
    float cullDistanceSquared;
};
