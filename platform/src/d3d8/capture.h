// TARVONA_CAPTURE=FILE.png: the last presented frame, written when the
// device goes away (or at process end if it never does).
#pragma once

#include <cstdint>
#include <string>

namespace tarvona::d3d8 {

// The file TARVONA_CAPTURE names, or empty.
std::string CapturePath();
// Writes RGBA pixels (rows top to bottom) as an RGB PNG; false with a line
// on stderr when it cannot.
bool WriteCapturePng(const std::string& path, int width, int height, const std::uint8_t* rgba);

}  // namespace tarvona::d3d8
