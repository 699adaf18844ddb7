#include "support/image.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdlib>

namespace tarvona::testing {

Image LoadPng(const std::string& path) {
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
    if (!data) return Image{};
    image.rgb.assign(data, data + static_cast<size_t>(image.width) * image.height * 3);
    stbi_image_free(data);
    return image;
}

bool WritePng(const std::string& path, const Image& image) {
    if (image.Empty()) return false;
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(), image.width * 3) != 0;
}

Comparison CompareImages(const Image& actual, const Image& expected, int tolerance, const std::string& diffPath) {
    Comparison result;
    result.sizesMatch = actual.width == expected.width && actual.height == expected.height && !actual.Empty();
    if (!result.sizesMatch) return result;
    Image diff = actual;
    for (size_t i = 0; i < actual.rgb.size(); i += 3) {
        int worst = 0;
        for (size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(actual.rgb[i + c] - expected.rgb[i + c]));
        result.maxDifference = std::max(result.maxDifference, worst);
        if (worst > tolerance) {
            ++result.differingPixels;
            diff.rgb[i] = 255;
            diff.rgb[i + 1] = 0;
            diff.rgb[i + 2] = 0;
        } else {
            for (size_t c = 0; c < 3; ++c) diff.rgb[i + c] = static_cast<std::uint8_t>(diff.rgb[i + c] / 4);
        }
    }
    if (result.differingPixels > 0 && !diffPath.empty()) WritePng(diffPath, diff);
    return result;
}

}  // namespace tarvona::testing
