// The traversal state's stacks and the grouping and transform nodes that drive them.
#include "scene/traversal.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/grouping.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

TEST(TraversalState, transformSavesBeyondTheLimitAreMatchedByIgnoredRestores) {
    TraversalState state;
    state.restoreTransform();  // without a save: nothing happens
    for (int i = 1; i <= 30; ++i) {
        state.saveTransform();
        state.current().transform = Matrix4::translation(i, 0, 0);
    }
    EXPECT_EQ(state.savedCount(), 24);
    // The six innermost restores match the six ignored saves.
    for (int i = 0; i < 24; ++i) state.restoreTransform();
    EXPECT_EQ(state.current().transform, Matrix4::translation(6, 0, 0));
    for (int i = 0; i < 6; ++i) state.restoreTransform();
    EXPECT_EQ(state.current().transform, Matrix4::identity());
}

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

// Colour and corner 0, (w/2, -1, 1) before the moves, of every cube's face 0.
using Seen = std::vector<std::pair<Vec3, Vec3>>;
Seen cubesSeen(Node& root) {
    Seen seen;
    for (const auto& polygon : polygonsOf(root)) {
        if (polygon.face == 0) seen.emplace_back(polygon.material.diffuse, polygon.vertices[0]);
    }
    return seen;
}

// Two colours, so that a cube's part 1 takes them, and a move.
const std::string kRedMove = "Material { diffuseColor [ 1 0 0, 1 0 0 ] } Translation { translation 5 0 0 } ";
const std::string kGreenMove = "Material { diffuseColor [ 0 1 0, 0 1 0 ] } Translation { translation 0 7 0 } ";

TEST(Grouping, separatorsKeepTheirChildrensChangesGroupsPassThemOnAndSwitchAndLodChoose) {
    const std::pair<Vec3, Vec3> a{kGreen, {6, 6, 1}}, b{kGreen, {7, 6, 1}}, bAlone{kRed, {7, -1, 1}},
        cInner{kGreen, {6, 6, 1}}, cOuter{kRed, {6, -1, 1}};
    // Red, +5x; the group { Group { green, +7y; cube a }; cube b (width 4) }; cube c.
    const std::pair<std::string, Seen> cases[] = {
        {"Group {", {a, b, cInner}}, {"Separator {", {a, b, cOuter}}, {"WWWAnchor {", {a, b, cOuter}},
        {"TransformSeparator {", {a, b, {kGreen, {6, -1, 1}}}},  // only the transform stays inside
        {"LOD { range [ 1 ]", {a, cInner}}, {"Switch { whichChild -3", {a, b, cInner}},
        {"Switch { whichChild 0", {a, cInner}}, {"Switch { whichChild 1", {bAlone, cOuter}},
        {"Switch {", {cOuter}}, {"Switch { whichChild 2", {cOuter}}, {"Switch { whichChild -2", {cOuter}},
    };
    for (const auto& [group, seen] : cases) {
        const std::string text = kRedMove + group + " Group { " + kGreenMove + "Cube { } } Cube { width 4 } } Cube { }";
        EXPECT_EQ(cubesSeen(*sceneOf(text)), seen) << group;
    }
}

TEST(Grouping, separatorsNestedBeyondTheStackKeepTheOuterStateForLaterSiblings) {
    auto root = sceneOf("DEF top Separator { " + kRedMove + "Separator { } Cube { } DEF last Separator { Cube { } } }");
    const auto greenMove = sceneOf("Group { " + kGreenMove + "}");
    Node* parent = root->firstChildNode()->firstChildNode()->nextSibling()->nextSibling();  // the empty Separator
    for (int depth = 0; depth < 30; ++depth) {
        parent = addNode<Separator>(*parent, "s" + std::to_string(depth));
        parent->addChild(greenMove->firstChildNode()->clone());
    }
    addNode<Cube>(*parent);
    const auto polygons = polygonsOf(*root);
    ASSERT_EQ(polygons.size(), 18u);
    EXPECT_EQ(polygons[0].path.substr(0, 13), "top_s0_s1_s2_");
    EXPECT_EQ(polygons[6].path, "top");
    EXPECT_EQ(polygons[12].path, "top_last");
    EXPECT_EQ(cubesSeen(*root), (Seen{{kGreen, {6, -1 + 7 * 30, 1}}, {kRed, {6, -1, 1}}, {kRed, {6, -1, 1}}}));
}

}  // namespace
}  // namespace glowpond
