#include "scene/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::expectNear;

TEST(Matrix4, rotationTakesDegreesAndNormalMatrixWorksWhereEliminationFails) {
    expectNear(transformPoint(Matrix4::rotation({0, 0, 5}, 90), {1, 0, 0}), {0, 1, 0});
    // An axis below single-precision 1e-6 in every component means y.
    EXPECT_EQ(Matrix4::rotation({1e-7, 0, -5e-7}, 90), Matrix4::rotation({0, 1, 0}, 90));
    expectNear(transformPoint(Matrix4::rotation({0, 0, 1e-6}, 90), {1, 0, 0}), {0, 1, 0});

    // An exact quarter turn starts with a zero pivot, which elimination
    // without row exchanges cannot get past.
    Matrix4 turn;
    turn.m = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    EXPECT_FALSE(std::isfinite(inverse(turn)[0]));
    expectNear(transformDirection(normalMatrix(turn), {1, 0, 0}), {0, 1, 0});
}

}  // namespace
}  // namespace glowpond
