// The traversal state's stacks and the grouping nodes that drive them.
#include "scene/traversal.h"

#include <gtest/gtest.h>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/transforms.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::applyTree;
using testing::arrayOf;
using testing::RecordingAction;

TEST(TraversalState, pathNameJoinsTheNonEmptyNamesAndCutsOverlongOnes) {
    TraversalState state;
    EXPECT_EQ(state.pathName(), "");
    for (const char* name : {"", "house", "", "door"}) state.pushName(name);
    EXPECT_EQ(state.pathName(), "house_door");
    for (char c : {'a', 'b'}) state.pushName(std::string(255, c));
    const std::string path = state.pathName();
    ASSERT_EQ(path.size(), 511u);
    EXPECT_EQ(path.substr(0, 13), "house_door_aa");
    EXPECT_EQ(path.substr(265, 3), "a_b");
}

TEST(TraversalState, transformSavesBeyondTheLimitAreMatchedByIgnoredRestores) {
    TraversalState state;
    state.restoreTransform();  // without a save: nothing happens
    EXPECT_EQ(state.current().transform, Matrix4::identity());
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

constexpr Vec3 kRed{1, 0, 0}, kGreen{0, 1, 0};
// Corner 0 of cube face 0, (+1, -1, +1), under the outer and the inner translation.
constexpr Vec3 kAtOuter{6, -1, 1}, kAtInner{6, 6, 1};

// Two colours each, so that the cube's part 1 takes them.
void addOuterChanges(Node& parent) {
    addNode<Material>(parent)->setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kRed}));
    addNode<Translation>(parent)->setVec3("translation", {5, 0, 0});
}
void addInnerChanges(Node& parent) {
    addNode<Material>(parent)->setVec3Array("diffuseColor", arrayOf<Vec3>({kGreen, kGreen}));
    addNode<Translation>(parent)->setVec3("translation", {0, 7, 0});
}

// Colour and corner 0 of every cube face 0 that reaches the action.
std::vector<std::pair<Vec3, Vec3>> cubesSeen(Node& root) {
    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    std::vector<std::pair<Vec3, Vec3>> seen;
    for (const auto& polygon : action.polygons) {
        if (polygon.face == 0) seen.emplace_back(polygon.material.diffuse, polygon.vertices[0]);
    }
    return seen;
}

// root { outer changes; GroupClass { Group { inner changes; cube } }; cube }
template <typename GroupClass>
std::vector<std::pair<Vec3, Vec3>> seenAroundA(int32_t whichChild = Switch::kAll) {
    Separator root;
    addOuterChanges(root);
    auto* group = addNode<GroupClass>(root, "g");
    group->setInt("whichChild", whichChild);
    auto* inner = addNode<Group>(*group);
    addInnerChanges(*inner);
    addNode<Cube>(*inner);
    addNode<Cube>(root);
    return cubesSeen(root);
}

TEST(Grouping, groupSwitchAndLodLetTheirChildrensPropertiesReachLaterSiblings) {
    using Seen = std::vector<std::pair<Vec3, Vec3>>;
    const Seen leaked{{kGreen, kAtInner}, {kGreen, kAtInner}};
    EXPECT_EQ(seenAroundA<Group>(), leaked);
    EXPECT_EQ(seenAroundA<Switch>(Switch::kAll), leaked);
    EXPECT_EQ(seenAroundA<Switch>(0), leaked);
    EXPECT_EQ(seenAroundA<LOD>(), leaked);
    EXPECT_EQ(seenAroundA<Switch>(Switch::kNone), (Seen{{kRed, kAtOuter}}));
    EXPECT_EQ(seenAroundA<Switch>(1), (Seen{{kRed, kAtOuter}}));
    EXPECT_EQ(seenAroundA<Separator>(), (Seen{{kGreen, kAtInner}, {kRed, kAtOuter}}));
    EXPECT_EQ(seenAroundA<WWWAnchor>(), (Seen{{kGreen, kAtInner}, {kRed, kAtOuter}}));
    // Only the transform stays inside.
    EXPECT_EQ(seenAroundA<TransformSeparator>(), (Seen{{kGreen, kAtInner}, {kGreen, kAtOuter}}));
}

TEST(Grouping, switchAndLodApplyTheChosenChildrenAndAlwaysReportTheGroup) {
    const std::pair<int32_t, std::vector<std::string>> cases[] = {
        {Switch::kNone, {}}, {Switch::kAll, {"sphere 1", "sphere 2", "sphere 3"}}, {1, {"sphere 2"}}, {3, {}}, {-2, {}},
    };
    for (const auto& [which, spheres] : cases) {
        SCOPED_TRACE(which);
        std::unique_ptr<Node> groups[] = {Switch::create(), LOD::create()};
        for (std::unique_ptr<Node>& group : groups) {
            group->setName("s");
            group->setInt("whichChild", which);
            for (double size : {1, 2, 3}) addNode<Sphere>(*group)->setFloat("radius", size);
            RecordingAction action;
            applyTree(*group, action);
            std::vector<std::string> expected{"beginGroup s"};
            if (group->typeCode() == NodeType::LOD) {
                expected.push_back("sphere 1");
            } else {
                expected.insert(expected.end(), spheres.begin(), spheres.end());
            }
            expected.push_back("endGroup");
            EXPECT_EQ(action.calls(), expected);
        }
    }
}

TEST(Grouping, separatorsNestedBeyondTheStackKeepTheOuterStateForLaterSiblings) {
    Separator root;
    addOuterChanges(root);
    Node* parent = &root;
    for (int depth = 0; depth < 30; ++depth) {
        parent = addNode<Separator>(*parent, "s" + std::to_string(depth));
        addInnerChanges(*parent);
    }
    addNode<Cube>(*parent);
    addNode<Cube>(root);
    addNode<Separator>(root, "last")->addChild(Cube::create());

    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    ASSERT_EQ(action.polygons.size(), 18u);
    EXPECT_EQ(action.polygons[0].vertices[0], (Vec3{6, -1 + 7 * 30, 1}));
    EXPECT_EQ(action.polygons[0].material.diffuse, kGreen);
    EXPECT_EQ(action.polygons[0].path.substr(0, 9), "s0_s1_s2_");
    for (size_t i : {6, 12}) {
        EXPECT_EQ(action.polygons[i].material.diffuse, kRed);
        EXPECT_EQ(action.polygons[i].vertices[0], kAtOuter);
    }
    EXPECT_EQ(action.polygons[6].path, "");
    EXPECT_EQ(action.polygons[12].path, "last");
}

TEST(Grouping, beginAndEndReportsFollowTheirOwnAnswers) {
    Separator root;
    root.setName("S");
    addNode<TransformSeparator>(root, "T");
    addNode<Group>(root, "G");
    auto run = [&root](RecordingAction::Answers answers) {
        RecordingAction action(answers);
        applyTree(root, action);
        return action.calls();
    };
    using Calls = std::vector<std::string>;
    EXPECT_EQ(run(RecordingAction::Answers::All),
              (Calls{"beginSeparator S", "beginTransformSeparator T", "endTransformSeparator", "beginGroup G",
                     "endGroup", "endSeparator"}));
    EXPECT_EQ(run(RecordingAction::Answers::None), Calls{});
    // Each query is asked again for the end report.
    EXPECT_EQ(run(RecordingAction::Answers::AlternateFromTrue),
              (Calls{"beginSeparator S", "beginTransformSeparator T", "beginGroup G"}));
    EXPECT_EQ(run(RecordingAction::Answers::AlternateFromFalse),
              (Calls{"endTransformSeparator", "endGroup", "endSeparator"}));
}

}  // namespace
}  // namespace glowpond
