// The traversal state's stacks and the grouping nodes that drive them.
#include "scene/traversal.h"

#include <gtest/gtest.h>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/transforms.h"
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

// Two colours, so that a cube's part 1 takes them, and a move.
void addChanges(Node& parent, const Vec3& colour, const Vec3& move) {
    addNode<Material>(parent)->setVec3Array("diffuseColor", arrayOf<Vec3>({colour, colour}));
    addNode<Translation>(parent)->setVec3("translation", move);
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

TEST(Grouping, separatorsKeepTheirChildrensChangesGroupsPassThemOnAndSwitchAndLodChoose) {
    // root { red, +5x; G { Group { green, +7y; cube a }; cube b (width 4) }; cube c }
    auto seenAround = [](std::unique_ptr<Node> group, int32_t whichChild) {
        Separator root;
        addChanges(root, kRed, {5, 0, 0});
        group->setInt("whichChild", whichChild);
        auto* inner = addNode<Group>(*group);
        addChanges(*inner, kGreen, {0, 7, 0});
        addNode<Cube>(*inner);
        addNode<Cube>(*group)->setFloat("width", 4);
        root.addChild(std::move(group));
        addNode<Cube>(root);
        return cubesSeen(root);
    };
    const std::pair<Vec3, Vec3> a{kGreen, {6, 6, 1}}, b{kGreen, {7, 6, 1}}, bAlone{kRed, {7, -1, 1}},
        cInner{kGreen, {6, 6, 1}}, cOuter{kRed, {6, -1, 1}};
    EXPECT_EQ(seenAround(Group::create(), 0), (Seen{a, b, cInner}));
    EXPECT_EQ(seenAround(Separator::create(), 0), (Seen{a, b, cOuter}));
    EXPECT_EQ(seenAround(WWWAnchor::create(), 0), (Seen{a, b, cOuter}));
    // Only the transform stays inside.
    EXPECT_EQ(seenAround(TransformSeparator::create(), 0), (Seen{a, b, {kGreen, {6, -1, 1}}}));
    EXPECT_EQ(seenAround(LOD::create(), 1), (Seen{a, cInner}));
    EXPECT_EQ(seenAround(Switch::create(), Switch::kAll), (Seen{a, b, cInner}));
    EXPECT_EQ(seenAround(Switch::create(), 0), (Seen{a, cInner}));
    EXPECT_EQ(seenAround(Switch::create(), 1), (Seen{bAlone, cOuter}));
    for (int32_t none : {Switch::kNone, 2, -2}) EXPECT_EQ(seenAround(Switch::create(), none), Seen{cOuter});
}

TEST(Grouping, separatorsNestedBeyondTheStackKeepTheOuterStateForLaterSiblings) {
    Separator root;
    addChanges(root, kRed, {5, 0, 0});
    Node* parent = &root;
    for (int depth = 0; depth < 30; ++depth) {
        parent = addNode<Separator>(*parent, "s" + std::to_string(depth));
        addChanges(*parent, kGreen, {0, 7, 0});
    }
    addNode<Cube>(*parent);
    addNode<Cube>(root);
    addNode<Separator>(root, "last")->addChild(Cube::create());

    const auto polygons = polygonsOf(root);
    ASSERT_EQ(polygons.size(), 18u);
    EXPECT_EQ(polygons[0].vertices[0], (Vec3{6, -1 + 7 * 30, 1}));
    EXPECT_EQ(polygons[0].material.diffuse, kGreen);
    EXPECT_EQ(polygons[0].path.substr(0, 9), "s0_s1_s2_");
    for (size_t i : {6, 12}) {
        EXPECT_EQ(polygons[i].material.diffuse, kRed);
        EXPECT_EQ(polygons[i].vertices[0], (Vec3{6, -1, 1}));
    }
    EXPECT_EQ(polygons[6].path, "");
    EXPECT_EQ(polygons[12].path, "last");
}

}  // namespace
}  // namespace glowpond
