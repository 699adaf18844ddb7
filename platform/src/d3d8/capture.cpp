#include "d3d8/capture.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

// The implementation is compiled here, private to this file, so it can
// never clash with another copy linked into the program.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wnull-dereference"
#pragma GCC diagnostic ignored "-Wcast-align"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace tarvona::d3d8 {

std::string CapturePath() {
    const char* v = std::getenv("TARVONA_CAPTURE");
    return v ? std::string(v) : std::string();
}

bool WriteCapturePng(const std::string& path, int width, int height, const std::uint8_t* rgba) {
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        rgb[i * 3 + 0] = rgba[i * 4 + 0];
        rgb[i * 3 + 1] = rgba[i * 4 + 1];
        rgb[i * 3 + 2] = rgba[i * 4 + 2];
    }
    if (!stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3)) {
        std::fprintf(stderr, "tarvona: cannot write the capture %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace tarvona::d3d8
