// The generator's procedural textures, written as 24-bit BMP files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes per pixel, rows top to bottom
};

bool WriteBmp(const Image& image, const std::string& path);

// Spheres' textures, laid out as the sphere's u (east) and v (south).
Image EarthTexture(int width, int height);
Image MoonTexture(int width, int height);
Image SunTexture(int width, int height);
Image PanelTexture(int size);   // panelled metal
Image BorgTexture(int size);    // dark green hull plating with conduits
Image Glow(int size);           // soft round glow on black, for the additive sprite

}  // namespace datagen
