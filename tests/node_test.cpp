#include "scene/node.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/transforms.h"
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

    Separator root;
    root.addChild(std::make_unique<CountedNode>());
    root.firstChildNode()->addChild(std::make_unique<CountedNode>());
    root.clear();
    EXPECT_EQ(CountedNode::destroyed, 7);
    EXPECT_EQ(root.firstChildNode(), nullptr);
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

    // A reader's sibling list, built one node at a time on its head.
    auto head = Cube::create();
    for (int i = 0; i < 1'000'000; ++i) head->appendSibling(Cube::create());
    head.reset();

    auto deep = Separator::create();
    Node* innermost = deep.get();
    for (int i = 0; i < 200'000; ++i) innermost = innermost->addChild(Separator::create());
    std::unique_ptr<Node> deepCopy = deep->clone();
    deep.reset();
    deepCopy.reset();
}

TEST(Node, addChildAppendsWholeChainsAfterPrependedChildren) {
    Group group;
    auto chain = named("a");
    chain->appendSibling(named("b"));
    Node* first = group.addChild(std::move(chain));
    EXPECT_EQ(first->name(), "a");
    group.prependChild(named("p"));
    EXPECT_EQ(group.addChild(named("c"))->name(), "p");
    EXPECT_EQ(childNames(group), (std::vector<std::string>{"p", "a", "b", "c"}));
    for (Node* child = group.firstChildNode(); child; child = child->nextSibling()) {
        EXPECT_EQ(child->parent(), &group);
    }
}

TEST(Node, clearingAChildEndsTheListThereAndLaterChildrenFollowIt) {
    Group group;
    for (const char* name : {"a", "b", "c", "d"}) group.addChild(named(name));
    group.firstChildNode()->nextSibling()->clear();
    EXPECT_EQ(childNames(group), (std::vector<std::string>{"a", "b"}));
    group.addChild(named("e"));
    group.firstChildNode()->appendSibling(named("f"));
    group.addChild(named("g"));
    EXPECT_EQ(childNames(group), (std::vector<std::string>{"a", "b", "e", "f", "g"}));
}

TEST(Node, cloneCopiesTheSubtreeWithNamesAndFieldsButNotLaterSiblings) {
    Separator root;
    root.setName("root");
    Switch* choice = addNode<Switch>(root, "choice");
    choice->setInt("whichChild", 1);
    addNode<Node>(*choice, "info");
    Material* material = addNode<Material>(*choice, "paint");
    material->setVec3Array("diffuseColor", arrayOf<Vec3>({{1, 0, 0}, {0, 1, 0}}));
    addNode<Cube>(root, "after");

    std::unique_ptr<Node> copy = choice->clone();
    EXPECT_EQ(copy->typeCode(), NodeType::Switch);
    EXPECT_EQ(copy->name(), "choice");
    EXPECT_EQ(copy->nextSibling(), nullptr);
    EXPECT_EQ(static_cast<Switch&>(*copy).whichChild(), 1);
    EXPECT_EQ(childNames(*copy), (std::vector<std::string>{"info", "paint"}));
    const auto& paint = static_cast<const Material&>(*copy->firstChildNode()->nextSibling());
    EXPECT_EQ(paint.parent(), copy.get());
    ASSERT_EQ(paint.diffuseColor().count(), 2);
    EXPECT_EQ(paint.diffuseColor()[1], (Vec3{0, 1, 0}));
    EXPECT_NE(&paint.diffuseColor()[0], &material->diffuseColor()[0]);
}

TEST(Node, namesAreCutTo255Characters) {
    Node node;
    node.setName(std::string(300, 'x'));
    EXPECT_EQ(node.name(), std::string(255, 'x'));
}

TEST(Node, everyFactoryMakesItsClassWithAnEmptyName) {
    const std::pair<NodeFactory, NodeType> factories[] = {
        {Node::create, NodeType::Plain},
        {Separator::create, NodeType::Separator},
        {TransformSeparator::create, NodeType::TransformSeparator},
        {Group::create, NodeType::Group},
        {Switch::create, NodeType::Switch},
        {Coordinate3::create, NodeType::Coordinate3},
        {Normal::create, NodeType::Normal},
        {NormalBinding::create, NodeType::NormalBinding},
        {IndexedFaceSet::create, NodeType::IndexedFaceSet},
        {PerspectiveCamera::create, NodeType::PerspectiveCamera},
        {Cube::create, NodeType::Cube},
        {Translation::create, NodeType::Translation},
        {Scale::create, NodeType::Scale},
        {Rotation::create, NodeType::Rotation},
        {MatrixTransform::create, NodeType::MatrixTransform},
        {PointLight::create, NodeType::PointLight},
        {SpotLight::create, NodeType::SpotLight},
        {Material::create, NodeType::Material},
        {MaterialBinding::create, NodeType::MaterialBinding},
        {LOD::create, NodeType::LOD},
        {Sphere::create, NodeType::Sphere},
        {Cylinder::create, NodeType::Cylinder},
        {Transform::create, NodeType::Transform},
        {WWWAnchor::create, NodeType::WWWAnchor},
        {TextureCoordinate2::create, NodeType::TextureCoordinate2},
        {Cone::create, NodeType::Cone},
        {ShapeHints::create, NodeType::ShapeHints},
    };
    for (const auto& [factory, type] : factories) {
        std::unique_ptr<Node> node = factory();
        EXPECT_EQ(node->typeCode(), type);
        EXPECT_EQ(node->clone()->typeCode(), type);
        EXPECT_TRUE(node->name().empty());
    }
}

TEST(Node, settersTakeOnlyTheirExactFieldNamesAndReleaseEverythingElse) {
    Material material;
    material.setVec3Array("diffuse", arrayOf<Vec3>({{1, 0, 0}}));
    material.setFloatArray("Shininess", arrayOf<double>({0.5}));
    material.setInt("diffuseColor", 3);
    EXPECT_EQ(material.materialCount(), 0);
    material.setFloatArray("transparency", arrayOf<double>({0.5, 0.25}));
    EXPECT_EQ(material.transparency().count(), 2);

    IndexedFaceSet faces;
    faces.setLongArray("coordindex", arrayOf<int32_t>({0, 1, 2, -1}));
    EXPECT_EQ(faces.faceIndexCount(), 0);
    faces.setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    EXPECT_EQ(faces.faceIndexCount(), 4);

    Coordinate3 coordinates;  // takes its only array whatever the name
    coordinates.setVec3Array("points", arrayOf<Vec3>({{1, 2, 3}}));
    EXPECT_EQ(coordinates.point().count(), 1);

    Transform transform;
    transform.setVec3("scale", {2, 2, 2});
    transform.setRotation("orientation", {{1, 0, 0}, 1});
    EXPECT_EQ(transform.localMatrix(), Matrix4::identity());

    PointLight light;  // keeps nothing
    light.setVec3Array("location", arrayOf<Vec3>({{1, 1, 1}}));
    light.setStringArray("string", arrayOf<std::string>({"x"}));
}

TEST(Node, clearRestoresTheConstructedFieldValues) {
    ShapeHints hints;
    hints.setInt("vertexOrdering", kOrderingClockwise);
    hints.setFloat("creaseAngle", 1.5);
    hints.clear();
    EXPECT_EQ(hints.vertexOrdering(), kOrderingCounterclockwise);
    EXPECT_EQ(hints.shapeType(), kShapeTypeSolid);
    EXPECT_EQ(hints.faceType(), kFaceTypeConvex);
    EXPECT_EQ(hints.creaseAngle(), 0.5);

    Cone cone;
    cone.setInt("parts", kPartsBottom);
    cone.setFloat("height", 7);
    cone.clear();
    EXPECT_EQ(cone.parts(), kPartsAll);
    EXPECT_EQ(cone.height(), 2);
}

TEST(Node, reportingHooksHandTheFormattedTextToTheContext) {
    struct Context : Separator {
        std::vector<std::string> texts;
        void vstatus(const char* format, std::va_list args) override { record("status: ", format, args); }
        void verror(const char* format, std::va_list args) override { record("error: ", format, args); }
        void record(const char* kind, const char* format, std::va_list args) {
            char buffer[256];
            std::vsnprintf(buffer, sizeof buffer, format, args);
            texts.push_back(kind + std::string(buffer));
        }
    } context;
    context.status("Reading material '%s'", "steel");
    context.error("%s, line %d.\n", "parse error", 3);
    EXPECT_EQ(context.texts, (std::vector<std::string>{"status: Reading material 'steel'",
                                                       "error: parse error, line 3.\n"}));
    Node plain;
    plain.status("ignored %d", 1);
    plain.error("ignored %d", 2);
}

}  // namespace
}  // namespace glowpond
