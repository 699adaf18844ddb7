// RGB images for tests that look at pixels: loading and writing PNG files and
// a tolerant comparison that writes a difference image when it fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvona::testing {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel

    bool Empty() const { return width == 0 || height == 0; }
    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Image LoadPng(const std::string& path);  // empty on failure
bool WritePng(const std::string& path, const Image& image);

struct Comparison {
    bool sizesMatch = false;
    int differingPixels = 0;  // pixels where a channel differs by more than the tolerance
    int maxDifference = 0;
};
// Compares per channel. When `diffPath` is given and any pixel differs, a
// difference image (differing pixels red over a dimmed copy) is written there.
Comparison CompareImages(const Image& actual, const Image& expected, int tolerance, const std::string& diffPath = "");

}  // namespace tarvona::testing
