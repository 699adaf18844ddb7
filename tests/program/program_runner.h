// Runs the real `tarvona` executable as a child process from the generated
// data folder, with platform variables set, and collects its exit status,
// its stderr and the captured last frame.
#pragma once

#include <map>
#include <string>

#include "support/image.h"

namespace tarvona::testing {

struct ProgramRun {
    bool exited = false;  // false: killed after the time limit, or could not start
    int exitCode = -1;
    std::string stderrText;
    Image frame;  // the capture, empty when none was written
};

// `script` (may be empty) becomes the TARVONA_INPUT file. The run is
// headless, with the clock frozen so the counter text is reproducible.
ProgramRun RunProgram(const std::string& name, const std::string& script, int frames,
                      const std::map<std::string, std::string>& extraEnvironment = {}, int timeLimitSeconds = 90,
                      const std::string& workingDirectory = TARVONA_DATA_DIR);

// Where failed comparisons leave their images.
std::string ArtifactDirectory();

// Pixels of the counter's opaque yellow in the rectangle [x0, x1) x [y0, y1).
int YellowPixels(const Image& image, int x0, int y0, int x1, int y1);

// Compares the run's frame with tests/program/reference/<name>.png, allowing
// a handful of edge pixels that may round differently on another Mesa; with
// TARVONA_UPDATE_REFERENCES=1 writes the reference instead and skips.
void ExpectMatchesReference(const ProgramRun& run, const std::string& name);

}  // namespace tarvona::testing
