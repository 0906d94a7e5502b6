#include "scene/transforms.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/grouping.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::expectNear;

const double kQuarterTurn = std::acos(-1.0) / 2;

// Where `point` ends up after the transform nodes under `root`.
Vec3 placed(Node& root, const Vec3& point) {
    TraversalState state;
    NodeAction ignoring;
    root.apply(state, ignoring);
    return transformPoint(state.current().transform, point);
}

TEST(Transforms, laterNodesActOnTheShapeFirstAndRotationsTakeRadians) {
    Group root;
    addNode<Translation>(root)->setVec3("anything", {2, 0, 0});
    addNode<Scale>(root)->setVec3("scaleFactor", {3, 3, 3});
    Matrix4 matrix = Matrix4::scaling(2, 2, 2);
    matrix[12] = 5;  // row 3 translates
    addNode<MatrixTransform>(root)->setMatrix("matrix", matrix);
    EXPECT_EQ(placed(root, {1, 0, 0}), (Vec3{23, 0, 0}));

    Group turning;  // radians, and a zero axis means y
    auto* rotation = addNode<Rotation>(turning);
    rotation->setRotation("rotation", {{0, 0, 2}, kQuarterTurn});
    expectNear(placed(turning, {1, 0, 0}), {0, 1, 0}, 1e-12);
    rotation->setRotation("rotation", {{0, 0, 0}, kQuarterTurn});
    expectNear(placed(turning, {1, 0, 0}), {0, 0, -1}, 1e-12);
}

TEST(Transforms, transformScalesAboutItsCenterAndAppliesItsPartsInOrder) {
    Transform transform;
    transform.setVec3("scaleFactor", {2, 2, 2});
    transform.setVec3("center", {1, 0, 0});
    EXPECT_EQ(transformPoint(transform.localMatrix(), {2, 0, 0}), (Vec3{3, 0, 0}));

    transform.setVec3("translation", {10, 0, 0});
    transform.setRotation("rotation", {{0, 0, 1}, kQuarterTurn});
    transform.setVec3("scaleFactor", {2, 1, 1});
    transform.setRotation("scaleOrientation", {{0, 0, 1}, kQuarterTurn});
    transform.setVec3("center", {0, 0, 3});
    // x scaled in an orientation turned a quarter about z stretches y, the
    // rotation takes y to -x, and a center on the axis drops out.
    expectNear(transformPoint(transform.localMatrix(), {0, 1, 3}), {8, 0, 3}, 1e-12);
    expectNear(transformPoint(transform.localMatrix(), {1, 0, 0}), {10, 1, 0}, 1e-12);
}

}  // namespace
}  // namespace glowpond
