#include "scene/node.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::arrayOf;

struct CountedNode : Node {
    static inline int destroyed = 0;
    ~CountedNode() override { ++destroyed; }
};

std::vector<std::string> childNames(const Node& parent) {
    std::vector<std::string> names;
    for (const Node* child = parent.firstChildNode(); child; child = child->nextSibling()) {
        names.push_back(child->name());
    }
    return names;
}

std::unique_ptr<Node> named(const std::string& name) {
    auto node = Node::create();
    node->setName(name);
    return node;
}

TEST(Node, deletingAFirstChildDeletesItsSiblingsAndTheirSubtrees) {
    CountedNode::destroyed = 0;
    auto first = std::make_unique<CountedNode>();
    first->appendSibling(std::make_unique<CountedNode>());
    first->appendSibling(std::make_unique<CountedNode>());
    first->nextSibling()->addChild(std::make_unique<CountedNode>());
    first->addChild(std::make_unique<CountedNode>());
    first.reset();
    EXPECT_EQ(CountedNode::destroyed, 5);
}

TEST(Node, millionsOfSiblingsAndDeepNestingAppendCloneAndDestroyWithoutRecursion) {
    auto group = Group::create();
    for (int i = 0; i < 1'000'000; ++i) group->addChild(Cube::create());
    std::unique_ptr<Node> copy = group->clone();
    int count = 0;
    for (Node* child = copy->firstChildNode(); child; child = child->nextSibling()) ++count;
    EXPECT_EQ(count, 1'000'000);
    group.reset();
    copy.reset();

    auto head = Cube::create();  // a reader's sibling list, built on its head
    for (int i = 0; i < 1'000'000; ++i) head->appendSibling(Cube::create());
    head.reset();

    auto deep = Separator::create();
    Node* innermost = deep.get();
    for (int i = 0; i < 200'000; ++i) innermost = innermost->addChild(Separator::create());
    deep->clone().reset();
}

TEST(Node, childListsKeepTheirOrderWhateverWayTheyGrowOrShrink) {
    Group group;
    auto chain = named("a");
    chain->appendSibling(named("b"));
    EXPECT_EQ(group.addChild(std::move(chain))->name(), "a");
    group.prependChild(named("p"));
    group.addChild(named("c"));
    group.addChild(named("d"));
    EXPECT_EQ(childNames(group), (std::vector<std::string>{"p", "a", "b", "c", "d"}));
    for (Node* child = group.firstChildNode(); child; child = child->nextSibling()) {
        EXPECT_EQ(child->parent(), &group);
    }
    // Clearing a child drops the siblings after it; later children follow it.
    group.firstChildNode()->nextSibling()->clear();
    group.addChild(named("e"));
    group.firstChildNode()->appendSibling(named("f"));
    group.addChild(named("g"));
    EXPECT_EQ(childNames(group), (std::vector<std::string>{"p", "a", "e", "f", "g"}));
}

TEST(Node, cloneCopiesTheSubtreeWithNamesAndFieldsButNotLaterSiblings) {
    Separator root;
    Switch* choice = addNode<Switch>(root, "choice");
    choice->setInt("whichChild", 1);
    addNode<Node>(*choice, "info");
    Material* material = addNode<Material>(*choice, "paint");
    material->setVec3Array("diffuseColor", arrayOf<Vec3>({{1, 0, 0}, {0, 1, 0}}));
    addNode<Cube>(root, "after");

    std::unique_ptr<Node> copy = choice->clone();
    EXPECT_EQ(copy->name(), "choice");
    EXPECT_EQ(copy->nextSibling(), nullptr);
    EXPECT_EQ(static_cast<Switch&>(*copy).whichChild(), 1);
    EXPECT_EQ(childNames(*copy), (std::vector<std::string>{"info", "paint"}));
    const auto& paint = static_cast<const Material&>(*copy->firstChildNode()->nextSibling());
    EXPECT_EQ(paint.parent(), copy.get());
    EXPECT_EQ(paint.material(1).diffuse, (Vec3{0, 1, 0}));
    EXPECT_NE(&paint.diffuseColor()[0], &material->diffuseColor()[0]);
}

TEST(Node, settersTakeOnlyTheirExactFieldNamesAndReleaseEverythingElse) {
    Material material;
    material.setVec3Array("diffuse", arrayOf<Vec3>({{1, 0, 0}}));
    material.setFloatArray("Shininess", arrayOf<double>({0.5}));
    EXPECT_EQ(material.materialCount(), 0);
    material.setFloatArray("transparency", arrayOf<double>({0.5, 0.25}));
    EXPECT_EQ(material.materialCount(), 2);
    Coordinate3 coordinates;  // takes its only array whatever the name
    coordinates.setVec3Array("points", arrayOf<Vec3>({{1, 2, 3}}));
    EXPECT_EQ(coordinates.point().count(), 1);
    PointLight light;  // keeps nothing
    light.setStringArray("string", arrayOf<std::string>({"x"}));

    ShapeHints hints;
    hints.setInt("vertexOrdering", kOrderingClockwise);
    hints.setFloat("anything", 1.5);
    EXPECT_EQ(hints.creaseAngle(), 1.5);
    hints.clear();
    EXPECT_EQ(hints.vertexOrdering(), kOrderingCounterclockwise);
    EXPECT_EQ(hints.creaseAngle(), 0.5);
}

}  // namespace
}  // namespace glowpond
