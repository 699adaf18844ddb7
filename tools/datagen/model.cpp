#include "datagen/model.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

namespace datagen {

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

}  // namespace

double Random::Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
}

std::uint32_t Model::AddMaterial(const Material& m) {
    materials.push_back(m);
    return static_cast<std::uint32_t>(materials.size() - 1);
}

void Model::AddBox(Vec3 c, Vec3 h, std::uint32_t material, bool shared, double tile) {
    // Per face: the outward axis n and two axes u, v with u × v = n.
    struct Face {
        Vec3 n, u, v;
    };
    const Face sides[6] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    auto scale = [&](Vec3 a) { return Vec3{a.x * h.x, a.y * h.y, a.z * h.z}; };
    const std::uint32_t base = static_cast<std::uint32_t>(positions.size());
    if (shared) {
        for (int i = 0; i < 8; ++i) {
            positions.push_back(c + Vec3{(i & 1) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 4) ? h.z : -h.z});
            uv.push_back((i & 1) ? 1.0 : 0.0);
            uv.push_back((i & 2) ? 0.0 : 1.0);
        }
    }
    for (const Face& f : sides) {
        const std::uint32_t normal = static_cast<std::uint32_t>(normals.size());
        normals.push_back(f.n);
        Vec3 corner[4] = {f.n - f.u - f.v, f.n + f.u - f.v, f.n + f.u + f.v, f.n - f.u + f.v};
        std::vector<std::uint32_t> face;
        for (int k = 0; k < 4; ++k) {
            Vec3 p = c + scale(corner[k]);
            if (shared) {
                int index = (corner[k].x > 0 ? 1 : 0) | (corner[k].y > 0 ? 2 : 0) | (corner[k].z > 0 ? 4 : 0);
                face.push_back(base + static_cast<std::uint32_t>(index));
            } else {
                face.push_back(static_cast<std::uint32_t>(positions.size()));
                positions.push_back(p);
                double su = 2 * std::fabs(f.u.x * h.x + f.u.y * h.y + f.u.z * h.z);
                double sv = 2 * std::fabs(f.v.x * h.x + f.v.y * h.y + f.v.z * h.z);
                uv.push_back((k == 1 || k == 2) ? su * tile : 0.0);
                uv.push_back((k >= 2) ? 0.0 : sv * tile);
            }
        }
        faces.push_back(face);
        faceNormals.push_back(std::vector<std::uint32_t>(4, normal));
        faceMaterials.push_back(material);
    }
}

void Model::AddSphere(double radius, int slices, int stacks, std::uint32_t material) {
    const std::uint32_t base = static_cast<std::uint32_t>(positions.size());
    const std::uint32_t normalBase = static_cast<std::uint32_t>(normals.size());
    const int row = slices + 1;  // the seam column is doubled for its texture coordinates
    for (int j = 0; j <= stacks; ++j) {
        double theta = kPi * j / stacks;
        for (int i = 0; i <= slices; ++i) {
            double phi = 2 * kPi * i / slices;
            Vec3 n = {std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi)};
            positions.push_back(n * radius);
            normals.push_back(n);
            uv.push_back(static_cast<double>(i) / slices);
            uv.push_back(static_cast<double>(j) / stacks);
        }
    }
    auto at = [&](int i, int j) { return static_cast<std::uint32_t>(j * row + i); };
    for (int j = 0; j < stacks; ++j) {
        for (int i = 0; i < slices; ++i) {
            std::vector<std::uint32_t> face;
            if (j == 0) {
                face = {at(i, 0), at(i + 1, 1), at(i, 1)};  // the north pole's corners coincide
            } else if (j == stacks - 1) {
                face = {at(i, j), at(i + 1, j), at(i, j + 1)};
            } else {
                face = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            }
            std::vector<std::uint32_t> normalFace;
            for (std::uint32_t& k : face) {
                normalFace.push_back(normalBase + k);
                k += base;
            }
            faces.push_back(face);
            faceNormals.push_back(normalFace);
            faceMaterials.push_back(material);
        }
    }
}

void Model::AddCylinder(double radius, double y0, double y1, int slices, std::uint32_t material, double tile) {
    const std::uint32_t base = static_cast<std::uint32_t>(positions.size());
    const std::uint32_t normalBase = static_cast<std::uint32_t>(normals.size());
    const double around = 2 * kPi * radius * tile, height = (y1 - y0) * tile;
    // Side: two rings (top, bottom) of slices + 1 positions, smooth normals.
    for (int ring = 0; ring < 2; ++ring) {
        for (int i = 0; i <= slices; ++i) {
            double phi = 2 * kPi * i / slices;
            Vec3 n = {std::sin(phi), 0, -std::cos(phi)};
            positions.push_back({n.x * radius, ring == 0 ? y1 : y0, n.z * radius});
            normals.push_back(n);
            uv.push_back(around * i / slices);
            uv.push_back(ring == 0 ? 0.0 : height);
        }
    }
    const std::uint32_t row = static_cast<std::uint32_t>(slices + 1);
    for (std::uint32_t i = 0; i < row - 1; ++i) {
        faces.push_back({base + i, base + i + 1, base + row + i + 1, base + row + i});
        faceNormals.push_back({normalBase + i, normalBase + i + 1, normalBase + row + i + 1, normalBase + row + i});
        faceMaterials.push_back(material);
    }
    // Caps: one polygon each, sharing the side's positions with their own
    // normal, so those corners are split as well.
    const std::uint32_t up = static_cast<std::uint32_t>(normals.size());
    normals.push_back({0, 1, 0});
    normals.push_back({0, -1, 0});
    std::vector<std::uint32_t> top, bottom;
    for (std::uint32_t i = 0; i < row - 1; ++i) {
        top.push_back(base + (row - 2 - i));  // clockwise from above: decreasing angle
        bottom.push_back(base + row + i);
    }
    faces.push_back(top);
    faceNormals.push_back(std::vector<std::uint32_t>(top.size(), up));
    faceMaterials.push_back(material);
    faces.push_back(bottom);
    faceNormals.push_back(std::vector<std::uint32_t>(bottom.size(), up + 1));
    faceMaterials.push_back(material);
}

void Model::AddTorus(double major, double minor, int slices, int sides, std::uint32_t material, double tile) {
    const std::uint32_t base = static_cast<std::uint32_t>(positions.size());
    const std::uint32_t normalBase = static_cast<std::uint32_t>(normals.size());
    const int row = sides + 1;
    for (int i = 0; i <= slices; ++i) {
        double phi = 2 * kPi * i / slices;
        Vec3 e = {std::sin(phi), 0, -std::cos(phi)};
        for (int j = 0; j <= sides; ++j) {
            double psi = 2 * kPi * j / sides;
            Vec3 n = e * std::cos(psi) + Vec3{0, std::sin(psi), 0};
            positions.push_back(e * major + n * minor);
            normals.push_back(n);
            uv.push_back(2 * kPi * major * tile * i / slices);
            uv.push_back(2 * kPi * minor * tile * j / sides);
        }
    }
    auto at = [&](int i, int j) { return static_cast<std::uint32_t>(i * row + j); };
    for (int i = 0; i < slices; ++i) {
        for (int j = 0; j < sides; ++j) {
            std::vector<std::uint32_t> face = {at(i, j + 1), at(i + 1, j + 1), at(i + 1, j), at(i, j)};
            std::vector<std::uint32_t> normalFace;
            for (std::uint32_t& k : face) {
                normalFace.push_back(normalBase + k);
                k += base;
            }
            faces.push_back(face);
            faceNormals.push_back(normalFace);
            faceMaterials.push_back(material);
        }
    }
}

std::uint32_t Model::TriangleCount() const {
    std::uint32_t n = 0;
    for (const auto& f : faces) n += static_cast<std::uint32_t>(f.size() - 2);
    return n;
}

std::uint32_t Model::CornerCount() const {
    std::set<std::pair<std::uint32_t, std::uint32_t>> pairs;
    std::set<std::uint32_t> used;
    for (size_t f = 0; f < faces.size(); ++f)
        for (size_t k = 0; k < faces[f].size(); ++k) {
            pairs.insert({faces[f][k], faceNormals[f][k]});
            used.insert(faces[f][k]);
        }
    // Positions no face uses are still vertices.
    return static_cast<std::uint32_t>(pairs.size() + positions.size() - used.size());
}

std::uint32_t Model::TrianglesOf(std::uint32_t material) const {
    std::uint32_t n = 0;
    for (size_t f = 0; f < faces.size(); ++f)
        if (faceMaterials[f] == material) n += static_cast<std::uint32_t>(faces[f].size() - 2);
    return n;
}

double Model::BoundingRadius() const {
    double r = 0;
    for (const Vec3& p : positions) r = std::fmax(r, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    return r;
}

bool WriteX(const Model& model, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const char* n = model.name.c_str();
    std::fprintf(f, "xof 0303txt 0032\n// %s, written by the tarvona data generator.\n\n", n);
    std::fprintf(f, "Frame %s {\n FrameTransformMatrix {\n  1.000000,0.000000,0.000000,0.000000,"
                    "0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,"
                    "0.000000,0.000000,0.000000,1.000000;;\n }\n\n Mesh %sMesh {\n",
                 n, n);
    std::fprintf(f, "  %zu;\n", model.positions.size());
    for (size_t i = 0; i < model.positions.size(); ++i) {
        const Vec3& p = model.positions[i];
        std::fprintf(f, "  %.6f;%.6f;%.6f;%s\n", p.x, p.y, p.z, i + 1 < model.positions.size() ? "," : ";");
    }
    auto writeFaces = [&](const std::vector<std::vector<std::uint32_t>>& faces, const char* indent) {
        std::fprintf(f, "%s%zu;\n", indent, faces.size());
        for (size_t i = 0; i < faces.size(); ++i) {
            std::fprintf(f, "%s%zu;", indent, faces[i].size());
            for (size_t k = 0; k < faces[i].size(); ++k)
                std::fprintf(f, "%u%s", faces[i][k], k + 1 < faces[i].size() ? "," : "");
            std::fprintf(f, ";%s\n", i + 1 < faces.size() ? "," : ";");
        }
    };
    writeFaces(model.faces, "  ");

    std::fprintf(f, "\n  MeshNormals {\n   %zu;\n", model.normals.size());
    for (size_t i = 0; i < model.normals.size(); ++i) {
        const Vec3& v = model.normals[i];
        std::fprintf(f, "   %.6f;%.6f;%.6f;%s\n", v.x, v.y, v.z, i + 1 < model.normals.size() ? "," : ";");
    }
    writeFaces(model.faceNormals, "   ");
    std::fprintf(f, "  }\n\n  MeshTextureCoords {\n   %zu;\n", model.positions.size());
    for (size_t i = 0; i < model.positions.size(); ++i)
        std::fprintf(f, "   %.6f;%.6f;%s\n", model.uv[i * 2], model.uv[i * 2 + 1],
                     i + 1 < model.positions.size() ? "," : ";");

    std::fprintf(f, "  }\n\n  MeshMaterialList {\n   %zu;\n   %zu;\n", model.materials.size(),
                 model.faceMaterials.size());
    for (size_t i = 0; i < model.faceMaterials.size(); ++i)
        std::fprintf(f, "   %u%s\n", model.faceMaterials[i], i + 1 < model.faceMaterials.size() ? "," : ";");
    for (const Material& m : model.materials) {
        std::fprintf(f, "\n   Material %s {\n    %.6f;%.6f;%.6f;%.6f;;\n    %.6f;\n    %.6f;%.6f;%.6f;;\n"
                        "    %.6f;%.6f;%.6f;;\n",
                     m.name.c_str(), m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3], m.power, m.specular[0],
                     m.specular[1], m.specular[2], m.emissive[0], m.emissive[1], m.emissive[2]);
        if (!m.texture.empty()) std::fprintf(f, "\n    TextureFilename {\n     \"%s\";\n    }\n", m.texture.c_str());
        std::fprintf(f, "   }\n");
    }
    std::fprintf(f, "  }\n }\n}\n");
    return std::fclose(f) == 0;
}

// ---- the demo's models ------------------------------------------------------------
// Ten metres to the world unit.

Model Ship() {
    // A small fighter, about 14 units long, nose along +z.
    Model m;
    m.name = "Ship";
    std::uint32_t hull = m.AddMaterial({"Hull", {0.75, 0.75, 0.78, 1}, 20, {0.5, 0.5, 0.5}, {0, 0, 0}, "metal.bmp"});
    std::uint32_t glass = m.AddMaterial({"Canopy", {0.1, 0.2, 0.45, 1}, 40, {0.9, 0.9, 0.9}, {0, 0, 0}, ""});
    std::uint32_t engine = m.AddMaterial({"Engine", {1.0, 0.5, 0.1, 1}, 0, {0, 0, 0}, {1.0, 0.45, 0.1}, ""});
    m.AddBox({0, 0, 0}, {1.2, 0.8, 6}, hull, false, 0.25);          // fuselage
    m.AddBox({0, 0, 6.8}, {0.6, 0.5, 0.8}, hull, false, 0.25);      // nose
    m.AddBox({0, -0.1, -1}, {6.5, 0.15, 2}, hull, false, 0.25);     // wings
    m.AddBox({0, 1.3, -5}, {0.12, 1.2, 1}, hull, false, 0.25);      // fin
    m.AddBox({0, 1.0, 2}, {0.7, 0.35, 1.6}, glass, true);           // canopy
    m.AddBox({-2.2, -0.2, -5.6}, {0.5, 0.5, 0.6}, engine, true);    // engines
    m.AddBox({2.2, -0.2, -5.6}, {0.5, 0.5, 0.6}, engine, true);
    return m;
}

Model Stardock() {
    // Hub, ring and four spokes, within 440 units of its centre.
    Model m;
    m.name = "Stardock";
    std::uint32_t hull = m.AddMaterial({"Hull", {0.7, 0.7, 0.72, 1}, 25, {0.4, 0.4, 0.4}, {0, 0, 0}, "metal.bmp"});
    std::uint32_t ring = m.AddMaterial({"Ring", {0.85, 0.83, 0.8, 1}, 25, {0.4, 0.4, 0.4}, {0, 0, 0}, "metal.bmp"});
    std::uint32_t lights = m.AddMaterial({"Lights", {1.0, 0.9, 0.6, 1}, 0, {0, 0, 0}, {1.0, 0.85, 0.5}, ""});
    m.AddCylinder(70, -120, 120, 32, hull, 1.0 / 64);
    m.AddCylinder(30, 120, 170, 16, hull, 1.0 / 64);   // antenna mast
    m.AddCylinder(40, -160, -120, 16, hull, 1.0 / 64);  // docking port
    m.AddTorus(380, 35, 48, 12, ring, 1.0 / 96);
    m.AddBox({0, 0, -222.5}, {10, 10, 152.5}, hull, false, 1.0 / 32);
    m.AddBox({0, 0, 222.5}, {10, 10, 152.5}, hull, false, 1.0 / 32);
    m.AddBox({-222.5, 0, 0}, {152.5, 10, 10}, hull, false, 1.0 / 32);
    m.AddBox({222.5, 0, 0}, {152.5, 10, 10}, hull, false, 1.0 / 32);
    for (int i = 0; i < 12; ++i) {  // window lights around the ring
        double a = 2 * kPi * (i + 0.5) / 12;
        m.AddBox({std::sin(a) * 380, 36, -std::cos(a) * 380}, {6, 2, 6}, lights, true);
    }
    for (int i = 0; i < 8; ++i) {  // and around the hub
        double a = 2 * kPi * i / 8;
        m.AddBox({std::sin(a) * 71, 60, -std::cos(a) * 71}, {4, 8, 4}, lights, true);
    }
    return m;
}

Model Borg() {
    // A large cube-like hull covered with deterministic greebles, within
    // 450 units of its centre.
    Model m;
    m.name = "Borg";
    std::uint32_t hull = m.AddMaterial({"Hull", {0.55, 0.6, 0.55, 1}, 10, {0.2, 0.3, 0.2}, {0, 0, 0}, "borg.bmp"});
    std::uint32_t glow = m.AddMaterial({"Glow", {0.2, 1.0, 0.3, 1}, 0, {0, 0, 0}, {0.15, 0.9, 0.25}, ""});
    const double half = 240;
    m.AddBox({0, 0, 0}, {half, half, half}, hull, false, 1.0 / 80);
    Random random(0xB0B6);
    const Vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Vec3& n : axes) {
        Vec3 u = std::fabs(n.x) > 0 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
        Vec3 v = Cross(n, u);
        for (int k = 0; k < 40; ++k) {
            double w = random.Range(15, 60), d = random.Range(15, 60), h = random.Range(5, 35);
            double a = random.Range(-half + w, half - w), b = random.Range(-half + d, half - d);
            Vec3 centre = n * (half + h / 2) + u * a + v * b;
            Vec3 extent = Vec3{std::fabs(n.x) * h / 2 + std::fabs(u.x) * w + std::fabs(v.x) * d,
                               std::fabs(n.y) * h / 2 + std::fabs(u.y) * w + std::fabs(v.y) * d,
                               std::fabs(n.z) * h / 2 + std::fabs(u.z) * w + std::fabs(v.z) * d};
            bool lit = random.Next() < 0.15;
            m.AddBox(centre, extent, lit ? glow : hull, lit, 1.0 / 80);
        }
    }
    return m;
}

Model Earth() {
    Model m;
    m.name = "Earth";
    m.AddMaterial({"Earth", {1, 1, 1, 1}, 10, {0.15, 0.15, 0.15}, {0, 0, 0}, "earth.bmp"});
    m.AddSphere(637100, 48, 24, 0);
    return m;
}

Model Moon() {
    Model m;
    m.name = "Moon";
    m.AddMaterial({"Moon", {0.9, 0.9, 0.9, 1}, 0, {0, 0, 0}, {0, 0, 0}, "moon.bmp"});
    m.AddSphere(173700, 40, 20, 0);
    return m;
}

Model Sun() {
    Model m;
    m.name = "Sun";
    m.AddMaterial({"Sun", {1, 1, 1, 1}, 0, {0, 0, 0}, {1, 1, 1}, "sun.bmp"});
    m.AddSphere(69600000, 40, 20, 0);
    return m;
}

}  // namespace datagen
