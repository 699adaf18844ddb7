// D3DX value helpers and matrix math: row vectors, left-handed, single
// precision. Expected values come from the documented formulas worked out
// independently (by hand or in double precision), not from the code.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <d3dx8.h>

#include "render/Direct3D.h"

namespace {

void ExpectMatrixNear(const D3DXMATRIX& actual, const double (&expected)[4][4], double tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "element _" << r + 1 << c + 1;
}

TEST(FloatBits, GivesTheBitPatternUnchanged) {
    EXPECT_EQ(FloatBits(-2.5f), 0xC0200000u);
    EXPECT_EQ(FloatBits(0.0f), 0u);
    EXPECT_EQ(FloatBits(1.0f), 0x3F800000u);
    EXPECT_EQ(FloatBits(0.1f), 0x3DCCCCCDu);
    EXPECT_EQ(FloatBits(-0.0f), 0x80000000u);
}

TEST(D3DXColor, FromPackedUsesOneOver255PerChannel) {
    const D3DXCOLOR white(0xFFFFFFFFu);
    EXPECT_EQ(white.r, 1.0f);
    EXPECT_EQ(white.g, 1.0f);
    EXPECT_EQ(white.b, 1.0f);
    EXPECT_EQ(white.a, 1.0f);
    const D3DXCOLOR c(0x80402001u);
    EXPECT_EQ(c.a, 128.0f * 0.0039215688593685627f);
    EXPECT_EQ(c.r, 64.0f * 0.0039215688593685627f);
    EXPECT_EQ(c.g, 32.0f * 0.0039215688593685627f);
    EXPECT_EQ(c.b, 1.0f * 0.0039215688593685627f);
}

struct PackCase {
    float r, g, b, a;
    DWORD packed;
};
class D3DXColorPack : public ::testing::TestWithParam<PackCase> {};

TEST_P(D3DXColorPack, ClampsRoundsAndTruncates) {
    const PackCase& p = GetParam();
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(p.r, p.g, p.b, p.a)), p.packed);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Cases, D3DXColorPack,
    ::testing::Values(PackCase{1.0f, 1.0f, 1.0f, 1.0f, 0xFFFFFFFFu},
                      PackCase{0.5f, 0.5f, 0.5f, 0.5f, 0x80808080u},  // 127.5 + 0.5 truncated
                      PackCase{2.0f, 1.0f, 0.0f, 0.0f, 0x00FFFF00u},
                      PackCase{0.0f, -0.5f, kNaN, 1.0f, 0xFF000000u},
                      PackCase{1.0f, 0.0f, -0.5f, 2.0f, 0xFFFF0000u},
                      // 0.2 * 255 = 51.0000008 -> 51; 0.998 * 255 + 0.5 = 254.99 -> 254
                      PackCase{0.2f, 0.998f, 0.0f, 0.0f, 0x0033FE00u}));

TEST(D3DXColor, WhiteRoundTrips) { EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(0xFFFFFFFFu)), 0xFFFFFFFFu); }

TEST(D3DXMatrix, IdentityAndTranslationPutTheOffsetInTheFourthRow) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1.5f, -2.0f, 3.25f);
    const double expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1.5, -2.0, 3.25, 1}};
    ExpectMatrixNear(m, expected, 0.0);
    D3DXMatrixIdentity(&m);
    const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ExpectMatrixNear(m, identity, 0.0);
}

TEST(D3DXMatrix, MultiplyIntoItsFirstOperandUsesTheOldValues) {
    // Row vectors: translating then scaling moves the offset too.
    D3DXMATRIX a, b;
    D3DXMatrixTranslation(&a, 1, 2, 3);
    b = D3DXMATRIX(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1);
    D3DXMatrixMultiply(&a, &a, &b);
    const double expected[4][4] = {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {2, 6, 12, 1}};
    ExpectMatrixNear(a, expected, 0.0);
}

TEST(D3DXMatrix, RotationAxisNormalisesTheAxis) {
    // Axis (0, 0, 2) is the z axis: rows (c, s, 0), (-s, c, 0).
    const float angle = 0.3f;
    D3DXMATRIX m;
    const D3DXVECTOR3 axis(0.0f, 0.0f, 2.0f);
    D3DXMatrixRotationAxis(&m, &axis, angle);
    const double c = std::cos(0.3), s = std::sin(0.3);
    const double expected[4][4] = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ExpectMatrixNear(m, expected, 1e-7);

    // A general axis, checked against the Rodrigues formula in double.
    const D3DXVECTOR3 general(1.0f, 2.0f, 2.0f);  // length 3
    D3DXMatrixRotationAxis(&m, &general, 1.1f);
    const double x = 1.0 / 3, y = 2.0 / 3, z = 2.0 / 3, k = std::cos(1.1f), sn = std::sin(1.1f), t = 1 - k;
    const double g[4][4] = {{t * x * x + k, t * x * y + sn * z, t * x * z - sn * y, 0},
                            {t * x * y - sn * z, t * y * y + k, t * y * z + sn * x, 0},
                            {t * x * z + sn * y, t * y * z - sn * x, t * z * z + k, 0},
                            {0, 0, 0, 1}};
    ExpectMatrixNear(m, g, 1e-6);
}

TEST(D3DXMatrix, PositiveYawSwingsForwardTowardsRight) {
    D3DXMATRIX m;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixRotationAxis(&m, &up, 0.1f);
    // Forward (0, 0, 1) times R is row 3: x grows, z shrinks.
    EXPECT_GT(m._31, 0.0f);
    EXPECT_LT(m._33, 1.0f);
}

TEST(D3DXMatrix, InverseOfARotationProductIsItsTranspose) {
    D3DXMATRIX a, b, product, inverse, check;
    const D3DXVECTOR3 axisA(1.0f, 0.0f, 0.0f), axisB(0.0f, 1.0f, 1.0f);
    D3DXMatrixRotationAxis(&a, &axisA, 0.7f);
    D3DXMatrixRotationAxis(&b, &axisB, -1.3f);
    D3DXMatrixMultiply(&product, &a, &b);
    float determinant = 0.0f;
    ASSERT_NE(D3DXMatrixInverse(&inverse, &determinant, &product), nullptr);
    EXPECT_NEAR(determinant, 1.0f, 1e-6);
    double transpose[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) transpose[r][c] = product.m[c][r];
    ExpectMatrixNear(inverse, transpose, 1e-6);
    D3DXMatrixMultiply(&check, &product, &inverse);
    const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ExpectMatrixNear(check, identity, 1e-6);
}

TEST(D3DXMatrix, InverseOfAGeneralMatrix) {
    const D3DXMATRIX m(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1);
    D3DXMATRIX inverse;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    const double expected[4][4] = {{0.5, 0, 0, 0}, {0, 0.25, 0, 0}, {0, 0, 0.125, 0}, {-0.5, -0.5, -0.375, 1}};
    ExpectMatrixNear(inverse, expected, 1e-7);
}

TEST(D3DXMatrix, InverseOfASingularMatrixFailsAndLeavesTheOutput) {
    const D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1);
    D3DXMATRIX out;
    D3DXMatrixTranslation(&out, 7, 7, 7);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &singular), nullptr);
    EXPECT_EQ(out._41, 7.0f);
}

TEST(D3DXVector, NormalizeGivesUnitLengthAndZeroForZero) {
    D3DXVECTOR3 v;
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f), long3(0.0f, 3.0f, 4.0f), zero(0.0f, 0.0f, 0.0f);
    D3DXVec3Normalize(&v, &x);
    EXPECT_EQ(v, x);
    D3DXVec3Normalize(&v, &long3);
    EXPECT_FLOAT_EQ(v.y, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    D3DXVec3Normalize(&v, &zero);
    EXPECT_EQ(v, zero);
}

TEST(D3DXMatrix, LookAtOfTheInitialCamera) {
    // eye (0, 3, -5), at the origin, up +y: z = (0, -3, 5)/sqrt(34),
    // x = (1, 0, 0), y = z cross x = (0, 5, 3)/sqrt(34); the fourth row is
    // (0, 0, sqrt(34)) since the eye lies on minus z of the view.
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0.0f, 3.0f, -5.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const double r = std::sqrt(34.0);
    const double expected[4][4] = {{1, 0, 0, 0}, {0, 5 / r, -3 / r, 0}, {0, 3 / r, 5 / r, 0}, {0, 0, r, 1}};
    ExpectMatrixNear(view, expected, 1e-6);
}

struct ProjectionCase {
    float nearPlane, farPlane, aspect;
};
class D3DXPerspective : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(D3DXPerspective, MapsNearToZeroAndFarToOne) {
    const ProjectionCase& p = GetParam();
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, 0.7853982f, p.aspect, p.nearPlane, p.farPlane);
    const double h = 1.0 / std::tan(0.7853982 / 2);
    const double n = p.nearPlane, f = p.farPlane;
    const double expected[4][4] = {
        {h / p.aspect, 0, 0, 0}, {0, h, 0, 0}, {0, 0, f / (f - n), 1}, {0, 0, -n * f / (f - n), 0}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.m[r][c], expected[r][c], 2e-6 * std::max(1.0, std::fabs(expected[r][c])));
    // z_clip / w_clip at the planes (row vector (0, 0, z, 1)).
    auto depthAt = [&](float z) { return (z * m._33 + m._43) / (z * m._34 + m._44); };
    EXPECT_NEAR(depthAt(p.nearPlane), 0.0f, 1e-5);
    EXPECT_NEAR(depthAt(p.farPlane), 1.0f, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(FramePasses, D3DXPerspective,
                         ::testing::Values(ProjectionCase{0.01f, 10000000.0f, 1.3333334f},  // far pass
                                           ProjectionCase{100.0f, 1616.0f, 1.3333334f},     // a body's own pass
                                           ProjectionCase{1.0f, 1000.0f, 1.3333334f},       // near pass
                                           ProjectionCase{0.01f, 10000.0f, 0.75f}));        // initial camera

}  // namespace
