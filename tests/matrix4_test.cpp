#include "scene/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::expectNear;

TEST(Matrix4, rotationTakesDegreesAndTurnsRightHandedForRowVectors) {
    expectNear(transformPoint(Matrix4::rotation({0, 0, 5}, 90), {1, 0, 0}), {0, 1, 0}, 1e-12);
    // An axis below single-precision 1e-6 in every component means y; one
    // component at 1e-6 is enough to keep it.
    EXPECT_EQ(Matrix4::rotation({1e-7, 0, -5e-7}, 90), Matrix4::rotation({0, 1, 0}, 90));
    expectNear(transformPoint(Matrix4::rotation({0, 0, 1e-6}, 90), {1, 0, 0}), {0, 1, 0});
}

TEST(Matrix4, productsApplyTheLeftMatrixFirstAndInverseUndoesThem) {
    expectNear(transformPoint(multiply(Matrix4::translation(1, 0, 0), Matrix4::scaling(2, 2, 2)), {1, 1, 1}), {4, 2, 2});
    const Matrix4 m = multiply(Matrix4::rotation({1, 2, 3}, 37), Matrix4::translation(4, -5, 6));
    const Matrix4 product = multiply(m, inverse(m));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product[i], Matrix4::identity()[i], 1e-12) << "element " << i;
}

TEST(Matrix4, normalMatrixWorksWhereEliminationFails) {
    // An exact quarter turn starts with a zero pivot, which elimination
    // without row exchanges cannot get past.
    Matrix4 turn;
    turn.m = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    EXPECT_FALSE(std::isfinite(inverse(turn)[0]));
    expectNear(transformDirection(normalMatrix(turn), {1, 0, 0}), {0, 1, 0});
}

}  // namespace
}  // namespace glowpond
