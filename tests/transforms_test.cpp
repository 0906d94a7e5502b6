#include "scene/transforms.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/grouping.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::expectNear;

TEST(Transforms, laterNodesActFirstRotationsTakeRadiansAndTransformAppliesItsPartsInOrder) {
    const double quarterTurn = std::acos(-1.0) / 2;
    Group root;
    addNode<Translation>(root)->setVec3("anything", {2, 0, 0});
    addNode<Scale>(root)->setVec3("scaleFactor", {3, 3, 3});
    Matrix4 matrix = Matrix4::scaling(2, 2, 2);
    matrix[12] = 5;  // row 3 translates
    addNode<MatrixTransform>(root)->setMatrix("matrix", matrix);
    auto* rotation = addNode<Rotation>(root);
    rotation->setRotation("rotation", {{0, 0, 0}, quarterTurn});  // a zero axis means y
    TraversalState state;
    NodeAction ignoring;
    root.apply(state, ignoring);
    expectNear(transformPoint(state.current().transform, {0, 0, 1}), {23, 0, 0});

    Transform transform;
    transform.setVec3("translation", {10, 0, 0});
    transform.setRotation("rotation", {{0, 0, 1}, quarterTurn});
    transform.setVec3("scaleFactor", {2, 1, 1});
    transform.setRotation("scaleOrientation", {{0, 0, 1}, quarterTurn});
    transform.setVec3("center", {0, 0, 3});
    // x scaled in an orientation turned a quarter about z stretches y, the
    // rotation takes y to -x, and a center on the axis drops out.
    expectNear(transformPoint(transform.localMatrix(), {0, 1, 3}), {8, 0, 3});
    expectNear(transformPoint(transform.localMatrix(), {1, 0, 0}), {10, 1, 0});
    transform.clear();
    transform.setVec3("scaleFactor", {2, 2, 2});
    transform.setVec3("center", {1, 0, 0});
    expectNear(transformPoint(transform.localMatrix(), {2, 0, 0}), {3, 0, 0});
}

}  // namespace
}  // namespace glowpond
