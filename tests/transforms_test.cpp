#include "scene/transforms.h"

#include <gtest/gtest.h>

#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

TEST(Transforms, laterNodesActFirstRotationsTakeRadiansAndTransformAppliesItsPartsInOrder) {
    // Quarter turns; a zero rotation axis means y, and row 3 of a matrix translates.
    const auto scene = sceneOf(
        "Group { Translation { translation 2 0 0 } Scale { scaleFactor 3 3 3 } "
        "MatrixTransform { matrix 2 0 0 0  0 2 0 0  0 0 2 0  5 0 0 1 } "
        "Rotation { rotation 0 0 0 1.5707963267948966 } } "
        "Transform { translation 10 0 0 rotation 0 0 1 1.5707963267948966 scaleFactor 2 1 1 "
        "scaleOrientation 0 0 1 1.5707963267948966 center 0 0 3 } "
        "Transform { scaleFactor 2 2 2 center 1 0 0 }");
    TraversalState state;
    NodeAction ignoring;
    scene->firstChildNode()->apply(state, ignoring);
    expectNear(transformPoint(state.current().transform, {0, 0, 1}), {23, 0, 0});
    // x scaled in an orientation turned a quarter about z stretches y, the
    // rotation takes y to -x, and a center on the axis drops out.
    const Matrix4 turned = childAt(*scene, 1).localMatrix();
    expectNear(transformPoint(turned, {0, 1, 3}), {8, 0, 3});
    expectNear(transformPoint(turned, {1, 0, 0}), {10, 1, 0});
    expectNear(transformPoint(childAt(*scene, 2).localMatrix(), {2, 0, 0}), {3, 0, 0});
}

}  // namespace
}  // namespace glowpond
