// A model as the data generator builds it and writes it as a text .x file:
// positions with their texture coordinates, normals indexed apart from the
// positions (as .x does), polygon faces, and one material per face.
//
// Winding: Direct3D culls counter-clockwise triangles by default, so a face
// is front-facing when its corners run clockwise as seen from outside. In
// left-handed coordinates that means cross(b − a, c − a) points outwards;
// every Add* below orders corners that way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct Vec3 {
    double x, y, z;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }

struct Material {
    std::string name;
    double diffuse[4];
    double power;
    double specular[3];
    double emissive[3];
    std::string texture;  // empty: untextured
};

struct Model {
    std::string name;
    std::vector<Vec3> positions;
    std::vector<double> uv;  // 2 per position
    std::vector<Vec3> normals;
    std::vector<std::vector<std::uint32_t>> faces;        // position indices
    std::vector<std::vector<std::uint32_t>> faceNormals;  // normal indices, same shape
    std::vector<std::uint32_t> faceMaterials;
    std::vector<Material> materials;

    std::uint32_t AddMaterial(const Material& m);
    // A box centred at `center` with half extents `half`, six quads. With
    // `shared` the eight corners are shared by three faces each, with a
    // normal per face, so a reader has to split them into 24 vertices;
    // otherwise each face has its own four corners with texture coordinates
    // `tile` repeats per unit of length.
    void AddBox(Vec3 center, Vec3 half, std::uint32_t material, bool shared, double tile = 0.0);
    // A UV sphere: slices around +y, stacks from the north pole (+y) down;
    // u runs east and v south, so the texture is not mirrored from outside.
    void AddSphere(double radius, int slices, int stacks, std::uint32_t material);
    // A capped cylinder around the y axis from y0 to y1.
    void AddCylinder(double radius, double y0, double y1, int slices, std::uint32_t material, double tile);
    // A torus around the y axis in the plane y = 0.
    void AddTorus(double major, double minor, int slices, int sides, std::uint32_t material, double tile);

    // What a reader must make of it.
    std::uint32_t TriangleCount() const;
    std::uint32_t CornerCount() const;  // distinct (position, normal) pairs
    std::uint32_t TrianglesOf(std::uint32_t material) const;
    double BoundingRadius() const;
};

// Writes the model as "xof 0303txt 0032" with template-free data objects:
// Frame { FrameTransformMatrix, Mesh { MeshNormals, MeshTextureCoords,
// MeshMaterialList { Material { TextureFilename } } } }.
bool WriteX(const Model& model, const std::string& path);

Model Ship();
Model Stardock();
Model Borg();
Model Earth();
Model Moon();
Model Sun();

// Deterministic pseudo-random numbers (no library generator, whose
// sequence may change between implementations).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
    double Next();  // [0, 1)
    double Range(double lo, double hi) { return lo + (hi - lo) * Next(); }

private:
    std::uint64_t state_;
};

}  // namespace datagen
