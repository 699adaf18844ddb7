// Noise is value noise on an integer lattice with a fixed hash, summed over
// octaves; the spheres sample it at the 3D point each texel maps to, so the
// textures have no seam at u = 0 and no pinching at the poles.
#include "datagen/images.h"

#include <cmath>
#include <cstdio>

#include "datagen/model.h"

namespace datagen {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Hash(int x, int y, int z, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(z) * 2147483647u + static_cast<std::uint32_t>(seed) * 144665u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double Noise(double x, double y, double z, int seed) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y)), iz = static_cast<int>(std::floor(z));
    double fx = Smooth(x - ix), fy = Smooth(y - iy), fz = Smooth(z - iz);
    double c[2][2][2];
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int d = 0; d < 2; ++d) c[a][b][d] = Hash(ix + a, iy + b, iz + d, seed);
    auto lerp = [](double p, double q, double t) { return p + (q - p) * t; };
    double x00 = lerp(c[0][0][0], c[1][0][0], fx), x10 = lerp(c[0][1][0], c[1][1][0], fx);
    double x01 = lerp(c[0][0][1], c[1][0][1], fx), x11 = lerp(c[0][1][1], c[1][1][1], fx);
    return lerp(lerp(x00, x10, fy), lerp(x01, x11, fy), fz);
}

double Fbm(Vec3 p, int octaves, int seed) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * Noise(p.x, p.y, p.z, seed + i);
        total += amplitude;
        p = p * 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

Vec3 SpherePoint(int x, int y, int width, int height) {
    double phi = 2 * kPi * (x + 0.5) / width, theta = kPi * (y + 0.5) / height;
    return {std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi)};
}

std::uint8_t Byte(double v) {
    v = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<std::uint8_t>(v * 255 + 0.5);
}

void Put(Image& image, int x, int y, double r, double g, double b) {
    std::uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
    p[0] = Byte(r);
    p[1] = Byte(g);
    p[2] = Byte(b);
}

Image Blank(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    return image;
}

double Mix(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace

bool WriteBmp(const Image& image, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const int rowBytes = (image.width * 3 + 3) & ~3;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(rowBytes * image.height);
    std::uint8_t header[54] = {'B', 'M'};
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(2, 54 + dataBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(image.width));
    put32(22, static_cast<std::uint32_t>(image.height));  // positive: rows bottom to top
    header[26] = 1;
    header[28] = 24;
    put32(34, dataBytes);
    put32(38, 2835);
    put32(42, 2835);
    std::fwrite(header, 1, sizeof header, f);
    std::vector<std::uint8_t> row(static_cast<size_t>(rowBytes), 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
            row[static_cast<size_t>(x) * 3] = p[2];
            row[static_cast<size_t>(x) * 3 + 1] = p[1];
            row[static_cast<size_t>(x) * 3 + 2] = p[0];
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

Image EarthTexture(int width, int height) {
    Image image = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Vec3 p = SpherePoint(x, y, width, height);
            double land = Fbm(p * 1.6, 6, 11);
            double detail = Fbm(p * 6, 4, 23);
            double cloud = Fbm(p * 3 + Vec3{5, 1, 3}, 6, 37);
            double latitude = std::fabs(p.y);
            double r, g, b;
            if (land < 0.5) {  // ocean, darker where deep
                double depth = (0.5 - land) * 4;
                r = Mix(0.08, 0.02, depth);
                g = Mix(0.25, 0.08, depth);
                b = Mix(0.55, 0.32, depth);
            } else {  // green lowlands, brown and tan highlands and deserts
                double height = (land - 0.5) * 4 + (detail - 0.5) * 0.4;
                double dry = Fbm(p * 2.5, 4, 51) * (1.0 - latitude);
                r = Mix(Mix(0.15, 0.55, dry), 0.45, height);
                g = Mix(Mix(0.38, 0.45, dry), 0.35, height);
                b = Mix(Mix(0.10, 0.25, dry), 0.25, height);
            }
            if (latitude > 0.965 - detail * 0.05) r = g = b = 0.93;  // polar ice
            double c = (cloud - 0.52) * 5;
            c = c < 0 ? 0 : (c > 1 ? 1 : c);
            Put(image, x, y, Mix(r, 1, c * 0.9), Mix(g, 1, c * 0.9), Mix(b, 1, c * 0.9));
        }
    }
    return image;
}

Image MoonTexture(int width, int height) {
    // Grey regolith, darker maria, and craters with bright rims.
    struct Crater {
        Vec3 centre;
        double radius;
    };
    std::vector<Crater> craters;
    Random random(0x3007);
    for (int i = 0; i < 90; ++i) {
        double z = random.Range(-1, 1), a = random.Range(0, 2 * kPi), s = std::sqrt(1 - z * z);
        double size = random.Next();
        craters.push_back({{s * std::cos(a), z, s * std::sin(a)}, 0.03 + 0.15 * size * size * size});
    }
    Image image = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Vec3 p = SpherePoint(x, y, width, height);
            double v = 0.55 + (Fbm(p * 8, 5, 71) - 0.5) * 0.35;
            double maria = Fbm(p * 1.4, 4, 83);
            if (maria > 0.55) v -= (maria - 0.55) * 1.2;
            for (const Crater& c : craters) {
                Vec3 d = p - c.centre;
                double t = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) / c.radius;
                if (t < 0.85) v -= 0.16 * (1 - (t / 0.85) * (t / 0.85));  // the bowl
                else if (t < 1.15) v += 0.07 * (1 - std::fabs(t - 0.95) / 0.2);  // the rim
            }
            Put(image, x, y, v, v, v * 0.98);
        }
    }
    return image;
}

Image SunTexture(int width, int height) {
    Image image = Blank(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Vec3 p = SpherePoint(x, y, width, height);
            double granules = Fbm(p * 14, 4, 97), spots = Fbm(p * 2.2, 4, 101);
            double v = 0.85 + (granules - 0.5) * 0.4;
            if (spots > 0.7) v -= (spots - 0.7) * 2.5;
            Put(image, x, y, 1.0, Mix(0.55, 0.95, v), Mix(0.1, 0.55, v * v));
        }
    }
    return image;
}

Image PanelTexture(int size) {
    // Plates of a quarter of the texture, each a slightly different grey,
    // with dark seams and a rivet in every corner.
    Image image = Blank(size, size);
    const int plate = size / 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int px = x / plate, py = y / plate, lx = x % plate, ly = y % plate;
            double v = 0.55 + (Hash(px, py, 0, 5) - 0.5) * 0.16 + (Hash(x, y, 1, 6) - 0.5) * 0.05;
            if (lx == 0 || ly == 0) v = 0.25;
            else if (lx == 1 || ly == 1) v += 0.1;
            int rx = lx < plate / 2 ? lx : plate - lx, ry = ly < plate / 2 ? ly : plate - ly;
            if (rx >= 3 && rx <= 4 && ry >= 3 && ry <= 4) v = 0.8;
            Put(image, x, y, v, v, v * 1.03);
        }
    }
    return image;
}

Image BorgTexture(int size) {
    Image image = Blank(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double v = 0.22 + (Hash(x / 8, y / 8, 0, 7) - 0.5) * 0.12 + (Hash(x, y, 2, 8) - 0.5) * 0.06;
            double g = v * 1.15;
            // Conduits along a coarse grid, some of them faintly lit.
            bool conduitX = (y % 16) == 3 && Hash(x / 16, y / 16, 3, 9) > 0.3;
            bool conduitY = (x % 16) == 11 && Hash(x / 16, y / 16, 4, 10) > 0.4;
            if (conduitX || conduitY) {
                v = 0.12;
                g = Hash(x / 16, y / 16, 5, 11) > 0.7 ? 0.6 : 0.18;
            }
            Put(image, x, y, v * 0.8, g, v * 0.8);
        }
    }
    return image;
}

Image Glow(int size) {
    Image image = Blank(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = (x + 0.5) / size * 2 - 1, dy = (y + 0.5) / size * 2 - 1;
            double d = std::sqrt(dx * dx + dy * dy);
            double v = d >= 1 ? 0 : std::pow(1 - d, 2.2);
            Put(image, x, y, v, v, v);
        }
    }
    return image;
}

}  // namespace datagen
