#include "scene/node.h"

#include <gtest/gtest.h>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::arrayOf;
using testing::treeOf;

std::unique_ptr<Node> named(const std::string& name) {
    auto node = Node::create();
    node->setName(name);
    return node;
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
    EXPECT_EQ(treeOf(group), "Node#p Node#a Node#b Node#c Node#d");
    // Clearing a child drops the siblings after it; later children follow it.
    group.firstChildNode()->nextSibling()->clear();
    group.addChild(named("e"));
    group.firstChildNode()->appendSibling(named("f"));
    group.addChild(named("g"));
    EXPECT_EQ(treeOf(group), "Node#p Node#a Node#e Node#f Node#g");
}

TEST(Node, cloneCopiesTheSubtreeWithNamesAndFieldsButNotLaterSiblingsAndClearResetsFields) {
    Separator root;
    Switch* choice = addNode<Switch>(root, "choice");
    choice->setInt("whichChild", 1);
    addNode<Node>(*choice, "info");
    Material* material = addNode<Material>(*choice, "paint");
    material->setVec3Array("diffuseColor", arrayOf<Vec3>({{1, 0, 0}, {0, 1, 0}}));
    addNode<Cube>(root, "after");

    std::unique_ptr<Node> copy = choice->clone();
    auto& switchCopy = static_cast<Switch&>(*copy);
    EXPECT_EQ(copy->name(), "choice");
    EXPECT_EQ(copy->nextSibling(), nullptr);
    EXPECT_EQ(switchCopy.whichChild(), 1);
    EXPECT_EQ(treeOf(*copy), "Node#info Material#paint");
    auto& paint = static_cast<Material&>(*copy->firstChildNode()->nextSibling());
    EXPECT_EQ(paint.material(1).diffuse, (Vec3{0, 1, 0}));
    EXPECT_NE(&paint.diffuseColor()[0], &material->diffuseColor()[0]);

    switchCopy.clear();
    EXPECT_EQ(switchCopy.whichChild(), Switch::kNone);
    EXPECT_EQ(copy->firstChildNode(), nullptr);
}

}  // namespace
}  // namespace glowpond
