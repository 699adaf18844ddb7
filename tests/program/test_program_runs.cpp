// Whole-program runs of the real executable, headless on llvmpipe, flying
// scripted paths. Each captured frame is compared with a reference image
// kept in tests/program/reference (regenerate with
// TARVONA_UPDATE_REFERENCES=1 after an intended change, and look at them),
// and checked for facts that do not depend on any reference: the counter's
// yellow text in its corner, the earth's limb where the projection puts it,
// and a round trip that must reproduce the first frame exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "program/program_runner.h"

namespace {

using tarvona::testing::ExpectMatchesReference;
using tarvona::testing::Image;
using tarvona::testing::ProgramRun;
using tarvona::testing::RunProgram;
using tarvona::testing::YellowPixels;

bool IsBlack(const std::uint8_t* p) { return p[0] < 12 && p[1] < 12 && p[2] < 12; }

void ExpectRanCleanly(const ProgramRun& run) {
    EXPECT_TRUE(run.exited) << "the program did not end by itself";
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.frame.Empty()) << "no frame captured; stderr:\n" << run.stderrText;
    EXPECT_EQ(run.frame.width, 640);
    EXPECT_EQ(run.frame.height, 480);
}

// The column where the earth's limb crosses row y, scanning from the right
// edge leftwards past the earth's pixels.
int EarthLimbColumn(const Image& image, int y) {
    int x = image.width - 1;
    while (x > 0 && !IsBlack(image.At(x, y))) --x;
    return x + 1;
}

TEST(ProgramRun, FirstFrameShowsTheCounterTheEarthAndTheStation) {
    const ProgramRun run = RunProgram("first_frame", "", 1);
    ExpectRanCleanly(run);
    if (run.frame.Empty()) return;
    // "FPS: 1" (the clock is frozen) in opaque yellow at the top left, and
    // nothing yellow elsewhere along the top.
    EXPECT_GT(YellowPixels(run.frame, 0, 0, 64, 16), 20);
    EXPECT_EQ(YellowPixels(run.frame, 100, 0, 640, 16), 0);
    // The earth (radius 637100 at 700160 along +x) seen from the start,
    // looking along +z: its limb lies asin(637100 / 700160) = 65.5 degrees
    // from its centre, 24.5 degrees right of the view axis, which the
    // projection (x scale 1.8107) puts at x = 320 * (1 + 1.8107 tan 24.5°) = 584.
    const int limb = EarthLimbColumn(run.frame, 240);
    EXPECT_GE(limb, 572);
    EXPECT_LE(limb, 606);
    EXPECT_TRUE(IsBlack(run.frame.At(320, 200)));  // deep space ahead
    ExpectMatchesReference(run, "first_frame");
}

TEST(ProgramRun, YawingRightBringsTheEarthAndTheAlienShipIntoView) {
    // 31 frames of 10 counts and one of 4: 314 counts, 1.57 radians.
    const ProgramRun run = RunProgram("yaw_right", "mouse=10,0 repeat=31\nmouse=4,0\n", 34);
    ExpectRanCleanly(run);
    if (run.frame.Empty()) return;
    // Facing +x the earth fills the view: its angular radius (65.5 degrees)
    // exceeds half the field of view in every direction.
    int black = 0;
    for (int y = 100; y < 400; y += 10)
        for (int x = 20; x < 620; x += 10) black += IsBlack(run.frame.At(x, y));
    EXPECT_EQ(black, 0);
    ExpectMatchesReference(run, "yaw_right");
}

TEST(ProgramRun, LeavingTheStationsRadiusAndFlyingBackReproducesTheFirstFrame) {
    // Backwards 100, 200, 300 units (out to z = -500, beyond the radius of
    // 500), stop, forwards 100, 200, 300 (back to the start), stop.
    const std::string outAndBack = "keys=S repeat=3\nkeys=SPACE\nkeys=W repeat=3\nkeys=SPACE\n";
    const ProgramRun outside = RunProgram("outside_station", "keys=S repeat=3\nkeys=SPACE\n", 5);
    ExpectRanCleanly(outside);
    const ProgramRun back = RunProgram("back_inside", outAndBack, 9);
    ExpectRanCleanly(back);
    const ProgramRun first = RunProgram("first_frame_again", "", 1);
    ExpectRanCleanly(first);
    if (outside.frame.Empty() || back.frame.Empty() || first.frame.Empty()) return;
    // Every position on the way is exact in single precision, so the view
    // from the start is drawn again, pixel for pixel.
    EXPECT_EQ(CompareImages(back.frame, first.frame, 0).differingPixels, 0);
    // From outside, the station is drawn in its own pass and looks different.
    EXPECT_GT(CompareImages(outside.frame, first.frame, 24).differingPixels, 1000);
    ExpectMatchesReference(outside, "outside_station");
}

TEST(ProgramRun, ALongFlightEndsByEscapeWithExitCodeZero) {
    const std::string script =
        "keys=W repeat=100\nmouse=3,-2,120 buttons=L repeat=200\nkeys=A,X repeat=50\nkeys=D,DOWN repeat=50\n"
        "keys=SPACE mouse=-5,5 repeat=100\nkeys=ESCAPE\n";
    const ProgramRun run = RunProgram("long_flight", script, 0);
    ExpectRanCleanly(run);
    EXPECT_EQ(run.stderrText, "");
}

TEST(ProgramRun, WithoutItsDataFilesShowsTheDirect3DMessageAndExitsWithZero) {
    const std::string empty = tarvona::testing::ArtifactDirectory() + "/empty-folder";
    mkdir(empty.c_str(), 0755);
    const ProgramRun run = RunProgram("no_data", "", 1, {}, 90, empty);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0);
    // Headless, the box is written to stderr, converted to UTF-8.
    EXPECT_NE(run.stderrText.find("Test 2: Nepoda\xC5\x99ilo se inicializovat Direct 3D"), std::string::npos)
        << run.stderrText;
    EXPECT_TRUE(run.frame.Empty());  // nothing was ever presented
}

}  // namespace
