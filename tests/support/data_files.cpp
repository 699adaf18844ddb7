#include "support/data_files.h"

#include <stb_image_write.h>

#include <fstream>
#include <vector>

namespace tarvona::testing {

void WriteTriangleModel(const std::string& path, int faces, const std::string& textureName) {
    std::string x = "xof 0302txt 0032\nMesh {\n" + std::to_string(faces * 3) + ";\n";
    for (int f = 0; f < faces; ++f)
        for (int v = 0; v < 3; ++v) {
            const bool last = f == faces - 1 && v == 2;
            x += std::to_string(f) + ".0;" + (v == 1 ? "1.0" : "0.0") + ";" + (v == 2 ? "1.0" : "0.0") + ";" +
                 (last ? ";\n" : ",\n");
        }
    x += std::to_string(faces) + ";\n";
    for (int f = 0; f < faces; ++f)
        x += "3;" + std::to_string(f * 3) + "," + std::to_string(f * 3 + 1) + "," + std::to_string(f * 3 + 2) +
             (f == faces - 1 ? ";;\n" : ";,\n");
    x += "MeshMaterialList {\n1;\n" + std::to_string(faces) + ";\n";
    for (int f = 0; f < faces; ++f) x += f == faces - 1 ? "0;;\n" : "0,\n";
    x += "Material {\n0.8;0.2;0.2;1.0;;\n10.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\nTextureFilename {\"" + textureName +
         "\";}\n}\n}\n}\n";
    std::ofstream(path) << x;
}

bool WriteSolidBmp(const std::string& path, int width, int height, std::uint8_t red, std::uint8_t green,
                   std::uint8_t blue) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int i = 0; i < width * height; ++i) rgb.insert(rgb.end(), {red, green, blue});
    return stbi_write_bmp(path.c_str(), width, height, 3, rgb.data()) != 0;
}

}  // namespace tarvona::testing
