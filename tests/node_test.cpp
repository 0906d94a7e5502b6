#include "scene/node.h"

#include <gtest/gtest.h>

#include <limits>

#include "scene/field_array.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

std::unique_ptr<Node> named(const std::string& name) {
    auto node = Node::create();
    node->setName(name);
    return node;
}

TEST(Node, millionsOfSiblingsAndDeepNestingAppendCloneAndDestroyWithoutRecursion) {
    std::unique_ptr<Node> nodes = Group::create();
    for (int i = 0; i < 1'000'000; ++i) nodes->addChild(Cube::create());
    EXPECT_EQ(childAt<Cube>(*nodes->clone(), 999'999).nextSibling(), nullptr);  // the copy has all million

    nodes = Cube::create();  // a reader's sibling list, built on its head
    for (int i = 0; i < 1'000'000; ++i) nodes->appendSibling(Cube::create());

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
    const auto scene = sceneOf("DEF choice Switch { whichChild 1 DEF info Info { } "
                               "DEF paint Material { diffuseColor [ 1 0 0, 0 1 0 ] } } DEF after Cube { }");
    Group copies;
    auto* copy = static_cast<Switch*>(copies.addChild(scene->firstChildNode()->clone()));
    EXPECT_EQ(treeOf(copies), "Switch#choice(Node#info Material#paint)");
    const auto& paint = childAt<Material>(*copy, 1);
    EXPECT_EQ(paint.material(1).diffuse, (Vec3{0, 1, 0}));
    EXPECT_NE(&paint.diffuseColor()[0], &childAt<Material>(*scene->firstChildNode(), 1).diffuseColor()[0]);

    copy->clear();
    EXPECT_TRUE(copy->whichChild() == Switch::kNone && !copy->firstChildNode());
}

TEST(FieldArray, growsPastAThousandChunksWithoutMovingElements) {
    // A million-triangle face list: four million entries in 8000 chunks.
    FieldArray<int32_t> indices;
    const int32_t* first = indices.at(indices.append(-1));
    for (int32_t i = 1; i < 4'000'000; ++i) ASSERT_EQ(indices.append(i), i);
    EXPECT_EQ(std::make_tuple(indices.capacity(), indices.at(0), indices[3'999'999]),
              std::make_tuple(4'000'000, first, 3'999'999));
}

TEST(FieldArray, setAtFillsTheGapWithZerosAndARefusedGrowthIsReported) {
    FieldArray<int32_t> list;
    for (int32_t i = 5; i <= 7; ++i) list.append(i);
    list.truncate(1);
    ASSERT_TRUE(list.setAt(1200, 9));
    EXPECT_EQ(std::make_pair(list.capacity(), list[2]), std::make_pair(1500, 0));  // slot 2 was truncated away
    list.truncate(1);
    EXPECT_FALSE(list.setAt(-1, 1) || list.failed());  // a caller's mistake, not a shortage
    EXPECT_TRUE(!list.setAt(std::numeric_limits<int32_t>::max(), 1) && list.failed() && list.count() == 1);
    list.clear();
    EXPECT_FALSE(list.failed());
}

}  // namespace
}  // namespace glowpond
