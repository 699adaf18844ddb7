// The body's per-frame decisions (cull, draw outside the radius, draw if
// pending) and its single-precision offsets from the camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "scene/CelestialBody.h"
#include "scene/recording_mesh.h"

namespace {

using tarvona::testing::RecordedModel;
using tarvona::testing::RecordingDevice;

std::uint32_t Bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

int Draws(const RecordingDevice& device) { return static_cast<int>(device.Named("DrawSubset").size()); }

class CelestialBodyTest : public ::testing::Test {
protected:
    RecordingDevice device;
    RecordedModel model{&device, "body"};
    CelestialBody body;
    void SetUp() override { body.mesh = &model.object; }
};

// Which of the frame's three steps acts on a body, for a camera at the
// origin and a body placed so that its squared distance is known exactly.
struct DecisionCase {
    const char* name;
    double x, y, z;
    float radius, cullDistance;
    const char* actedBy;  // "cull", "outside", "pending"
};

void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }

class FrameDecision : public CelestialBodyTest, public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(FrameDecision, FirstStepThatAppliesWinsAndTheBodyIsDrawnAtMostOnce) {
    const DecisionCase& c = GetParam();
    body.SetPosition(c.x, c.y, c.z);
    body.SetRadius(c.radius);
    body.SetCullDistance(c.cullDistance);
    body.UpdateRelative(0.0, 0.0, 0.0);

    body.CullIfBeyond();
    const int afterCull = Draws(device);
    const bool culled = body.drawn != 0;
    body.DrawIfOutside();
    const int afterOutside = Draws(device);
    body.DrawIfPending();
    const int afterPending = Draws(device);
    body.DrawIfOutside();
    body.DrawIfPending();

    const std::string actedBy = c.actedBy;
    EXPECT_EQ(afterCull, 0);
    EXPECT_EQ(culled, actedBy == "cull");
    EXPECT_EQ(afterOutside, actedBy == "outside" ? 1 : 0);
    EXPECT_EQ(afterPending - afterOutside, actedBy == "pending" ? 1 : 0);
    EXPECT_EQ(Draws(device), actedBy == "cull" ? 0 : 1) << "drawn at most once, a culled body never";
    EXPECT_NE(body.drawn, 0);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Thresholds, FrameDecision,
    ::testing::Values(
        // 3-4-5: distanceSquared is exactly 25.
        DecisionCase{"OutsideTheRadius", 3, 4, 0, 4.9f, 100, "outside"},
        DecisionCase{"ExactlyAtTheRadiusIsInside", 3, 4, 0, 5, 100, "pending"},
        DecisionCase{"InsideTheRadius", 3, 4, 0, 6, 100, "pending"},
        DecisionCase{"ExactlyAtTheCullDistanceIsKept", 3, 4, 0, 1, 5, "outside"},
        DecisionCase{"BeyondTheCullDistance", 3, 4, 0, 1, 4.999f, "cull"},
        DecisionCase{"CulledEvenInsideTheRadius", 3, 4, 0, 10, 4, "cull"},
        DecisionCase{"RadiusZeroOffCentre", 0, 0, 0.001, 0, 100, "outside"},
        DecisionCase{"RadiusZeroAtTheCentre", 0, 0, 0, 0, 100, "pending"},
        DecisionCase{"NaNDistanceIsOnlyPending", kNaN, 0, 0, 1, 100, "pending"}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) { return info.param.name; });

TEST_F(CelestialBodyTest, UpdateRelativeMakesADoneBodyPendingForTheNextFrame) {
    body.SetPosition(100, 0, 0);
    body.SetCullDistance(50);
    body.UpdateRelative(0, 0, 0);
    body.CullIfBeyond();
    body.DrawIfOutside();
    body.DrawIfPending();
    EXPECT_EQ(Draws(device), 0);

    body.UpdateRelative(90, 0, 0);  // now 10 away, inside the cull distance
    EXPECT_EQ(body.drawn, 0);
    body.CullIfBeyond();
    body.DrawIfOutside();
    body.DrawIfPending();
    EXPECT_EQ(Draws(device), 1);
}

TEST_F(CelestialBodyTest, DrawsItsMeshTranslatedByTheOffset) {
    body.SetPosition(10.5, -20.25, 30.0);
    body.UpdateRelative(0.5, 0.25, -1.0);
    body.DrawIfPending();

    const auto worlds = device.Named("SetTransform");
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_EQ(worlds[0]->args[0], static_cast<std::uint64_t>(D3DTS_WORLD));
    const D3DMATRIX& m = worlds[0]->matrix;
    const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {10.0f, -20.5f, 31.0f, 1}};
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) EXPECT_EQ(m.m[r][col], expected[r][col]) << r << "," << col;
    EXPECT_EQ(device.Texts("DrawSubset"), std::vector<std::string>{"DrawSubset(body, 0)"});
}

TEST_F(CelestialBodyTest, ABodyWithoutAPositionIsNeitherUpdatedNorDrawn) {
    body.UpdateRelative(1, 2, 3);
    body.DrawIfOutside();
    body.DrawIfPending();
    EXPECT_EQ(Draws(device), 0);
    EXPECT_EQ(body.distanceSquared, 0.0f);
}

TEST(CelestialBodySquares, TheSignOfRadiusAndCullDistanceIsLost) {
    CelestialBody negative, positive;
    negative.SetRadius(-750.0f);
    positive.SetRadius(750.0f);
    EXPECT_EQ(negative.radiusSquared, positive.radiusSquared);
    EXPECT_EQ(negative.radiusSquared, 562500.0f);
    negative.SetCullDistance(-3.0f);
    EXPECT_EQ(negative.cullDistanceSquared, 9.0f);
}

TEST(CelestialBodySquares, TheFarCullDistanceSquaresToTheFloatNearestTheExactSquare) {
    const float farCull = 999999995904.0f;
    ASSERT_EQ(farCull, 1e12f);
    CelestialBody body;
    body.SetCullDistance(farCull);
    // 999999995904 = 2^12 * 244140624: its square fits the 64-bit mantissa of
    // long double exactly, so one conversion gives the correctly rounded float.
    const long double exact = static_cast<long double>(farCull) * static_cast<long double>(farCull);
    ASSERT_EQ(exact, 999999991808000016777216.0L);
    EXPECT_EQ(body.cullDistanceSquared, static_cast<float>(exact));
    EXPECT_EQ(body.cullDistanceSquared, 1.0000000138484279e24f);
}

// The bodies of the scene seen from the camera's start position.
class FromTheStartPosition : public ::testing::Test {
protected:
    const double cx = -160.0f, cy = 100.0f, cz = 100.0f;  // g_cameraPosition widened
    CelestialBody body;
};

TEST_F(FromTheStartPosition, EarthSquaredDistanceIsRoundedStepByStep) {
    body.SetPosition(700000, 0, 0);
    body.UpdateRelative(cx, cy, cz);

    EXPECT_EQ(body.offset.x, 700160.0f);
    EXPECT_EQ(body.offset.y, -100.0f);
    EXPECT_EQ(body.offset.z, -100.0f);

    // Formed independently, each step forced through a float variable.
    volatile float xx = body.offset.x * body.offset.x;
    volatile float yy = body.offset.y * body.offset.y;
    volatile float zz = body.offset.z * body.offset.z;
    volatile float sum = xx + yy;
    volatile float stepByStep = sum + zz;
    EXPECT_EQ(Bits(body.distanceSquared), Bits(stepByStep));
    // 700160^2 is a float; each 10000 added is below half its spacing of
    // 32768 and is lost, while their sum 20000 formed in double is not.
    EXPECT_EQ(body.distanceSquared, 490224025600.0f);
    EXPECT_EQ(Bits(body.distanceSquared), 0x52E44742u);
    const float roundedOnce = static_cast<float>(700160.0 * 700160.0 + 10000.0 + 10000.0);
    EXPECT_EQ(Bits(roundedOnce), 0x52E44743u);
    EXPECT_NE(Bits(body.distanceSquared), Bits(roundedOnce));

    EXPECT_EQ(body.distance, body.offset.x);
}

TEST_F(FromTheStartPosition, SunLosesTheCameraOffsetAlongX) {
    body.SetPosition(-14960000000.0, 0, 0);
    body.UpdateRelative(cx, cy, cz);

    EXPECT_EQ(body.offset.x, static_cast<float>(-14960000000.0));
    EXPECT_EQ(static_cast<float>(-14960000000.0 + 160.0), static_cast<float>(-14960000000.0));
    EXPECT_EQ(body.offset.y, -100.0f);
    EXPECT_EQ(body.offset.z, -100.0f);
    EXPECT_EQ(body.distance, std::fabs(body.offset.x));
}

TEST_F(FromTheStartPosition, NearTheOriginTheCameraOffsetIsKept) {
    body.SetPosition(1000, 500, 100);  // the alien ship
    body.UpdateRelative(cx, cy, cz);
    EXPECT_EQ(body.offset.x, 1160.0f);
    EXPECT_EQ(body.offset.y, 400.0f);
    EXPECT_EQ(body.offset.z, 0.0f);
    EXPECT_EQ(body.distanceSquared, 1505600.0f);
}

TEST(CelestialBodyPosition, PointerFormFollowsTheCallersStorage) {
    double x = 10, y = 0, z = 0;
    CelestialBody body;
    body.SetPosition(&x, &y, &z);
    body.UpdateRelative(0, 0, 0);
    EXPECT_EQ(body.offset.x, 10.0f);
    x = 20;
    body.UpdateRelative(0, 0, 0);
    EXPECT_EQ(body.offset.x, 20.0f);
}

}  // namespace
