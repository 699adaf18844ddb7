// Whole-program runs of the real tarvona_early executable, headless: from
// the generated data folder, from a folder that holds only its own three
// models, and without one of them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "program/program_runner.h"

namespace {

using tarvona::testing::ExpectMatchesReference;
using tarvona::testing::Image;
using tarvona::testing::ProgramRun;
using tarvona::testing::RunProgram;
using tarvona::testing::YellowPixels;

void ExpectRanCleanly(const ProgramRun& run) {
    EXPECT_TRUE(run.exited) << "the program did not end by itself";
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stderrText, "");
    ASSERT_FALSE(run.frame.Empty()) << "no frame captured; stderr:\n" << run.stderrText;
    EXPECT_EQ(run.frame.width, 1024);
    EXPECT_EQ(run.frame.height, 768);
}

// A folder with copies of the named files from the data folder.
std::string FolderWith(const std::string& name, std::initializer_list<const char*> files) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(tarvona::testing::ArtifactDirectory()) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* file : files)
        fs::copy_file(fs::path(TARVONA_DATA_DIR) / file, folder / file, fs::copy_options::overwrite_existing);
    return folder.string();
}

// The first frame from the start position: the station's hull across the
// lower part of the 1024 x 768 back buffer and the counter at the top left.
TEST(EarlyProgramRun, FirstFrameMatchesItsReference) {
    const ProgramRun run = RunProgram("early_first_frame", "", 1);
    ExpectRanCleanly(run);
    if (run.frame.Empty()) return;
    EXPECT_GT(YellowPixels(run.frame, 0, 0, 80, 20), 10);
    ExpectMatchesReference(run, "early_first_frame");
}

TEST(EarlyProgramRun, AFlightFromTheDataFolderEndsByEscapeWithExitCodeZero) {
    const std::string script =
        "keys=W repeat=20\nmouse=3,-2,120 buttons=L repeat=20\nkeys=A,X repeat=20\nkeys=D,DOWN repeat=20\n"
        "keys=SPACE mouse=-5,5 repeat=20\nkeys=ESCAPE\n";
    const ProgramRun run = RunProgram("early_flight", script, 0);
    ExpectRanCleanly(run);
    // The counter, in the top-left corner of the larger back buffer.
    EXPECT_GT(YellowPixels(run.frame, 0, 0, 80, 20), 10);
}

TEST(EarlyProgramRun, StartsWithOnlyItsThreeModelsAndTheirTextures) {
    const std::string folder =
        FolderWith("early-three-models", {"ship.x", "stardock.x", "earth.x", "metal.bmp", "earth.bmp"});
    const ProgramRun run = RunProgram("early_three_models", "", 3, {}, 90, folder);
    ExpectRanCleanly(run);
}

TEST(EarlyProgramRun, WithoutTheStationShowsTheDirect3DMessageAndExitsWithZero) {
    const std::string folder = FolderWith("early-no-stardock", {"ship.x", "earth.x", "metal.bmp", "earth.bmp"});
    const ProgramRun run = RunProgram("early_no_stardock", "", 1, {}, 90, folder);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0);
    // Headless, the box is written to stderr, converted to UTF-8.
    EXPECT_NE(run.stderrText.find("Test 2: Nepoda\xC5\x99ilo se inicializovat Direct 3D"), std::string::npos)
        << run.stderrText;
    EXPECT_TRUE(run.frame.Empty());  // nothing was ever presented
}

}  // namespace
