// Small model and texture files written by tests.
#pragma once

#include <cstdint>
#include <string>

namespace tarvona::testing {

// A text .x file with `faces` separate triangles and one material that names
// `textureName`, so each model is told apart by its face count and its load
// is seen on the device as the creation of its texture.
void WriteTriangleModel(const std::string& path, int faces, const std::string& textureName);

// A 24-bit BMP of one colour. False when it could not be written.
bool WriteSolidBmp(const std::string& path, int width, int height, std::uint8_t red = 0x80,
                   std::uint8_t green = 0x80, std::uint8_t blue = 0x80);

}  // namespace tarvona::testing
