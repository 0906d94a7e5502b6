// The scene graph: nodes and their fields; the traversal state's stacks and the grouping and transform nodes
// that drive them; the polygons of face sets and shapes, and the Material list they draw from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>

#include "scene/field_array.h"
#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/matrix4.h"
#include "scene/node.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/traversal.h"
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

    // Chunks come from shared blocks; copies, moves and strings must still own theirs.
    FieldArray<std::string> names;
    for (int32_t i = 0; i < 3000; ++i) names.append(std::string(40, static_cast<char>('a' + i % 26)));
    FieldArray<std::string> copy(names);
    const FieldArray<std::string> moved(std::move(names));
    copy.append("last");
    EXPECT_EQ(std::make_tuple(copy.count(), copy[2999], copy[3000], moved.count(), moved[27], names.count()),
              std::make_tuple(3001, std::string(40, 'j'), "last", 3000, std::string(40, 'b'), 0));
}

TEST(LargeVector, largeTablesStartOnAHugePageWhereTheSystemOffersThem) {
    LargeVector<int32_t> small(10, 7);
    LargeVector<int32_t> large(1 << 20, 7);
    large.push_back(8);  // grows into a second large allocation
    EXPECT_EQ(std::make_tuple(small.back(), large.front(), large.back()), std::make_tuple(7, 7, 8));
    if (kHugePagesOffered) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(large.data()) % kHugePageBytes, 0u);
    }
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

// The polygons of an IndexedFaceSet "f" with `faces` (its fields) over three points after `properties`.
std::vector<RecordedPolygon> faceSet(const std::string& properties, const std::string& faces) {
    return polygonsOf(*sceneOf("DEF s Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] } " + properties +
                               " DEF f IndexedFaceSet { " + faces + " } }"));
}

TEST(IndexedFaceSet, cornersNamingNoPointAreLeftOutWithoutShiftingFaceNumbers) {
    // Entries after the last negative one form no face.
    const auto polygons = faceSet("Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_FACE }",
                                  "coordIndex [ 0, 7, 1, 2, -1, 2147483647, 2, 1, 0, -1, 2, 1, 0 ]");
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(std::tie(polygons[0].vertices, polygons[0].path),
              std::tuple(std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, "s_f"));
    EXPECT_EQ(std::make_pair(polygons[1].vertices.size(), polygons[1].material.diffuse), std::pair(size_t{3}, kGreen));
    // Without coordinates a shape has no faces.
    EXPECT_TRUE(polygonsOf(*sceneOf("IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }")).empty());
}

TEST(IndexedFaceSet, materialBindingsChooseEachFacesMaterial) {
    const Vec3 d = MaterialValues{}.diffuse;
    const std::pair<std::string, std::vector<Vec3>> cases[] = {
        {"DEFAULT", {kRed, kRed, kRed, kRed, kRed}}, {"OVERALL", {kRed, kRed, kRed, kRed, kRed}},
        {"PER_FACE", {kRed, kGreen, kBlue, kRed, kGreen}},
        // materialIndex 2, 0, -5, then the face number modulo three.
        {"PER_FACE_INDEXED", {kBlue, kRed, kRed, kRed, kGreen}},
        {"PER_PART_INDEXED", {kBlue, kRed, kRed, kRed, kGreen}}, {"PER_PART", {d, d, d, d, d}},
        {"PER_VERTEX_INDEXED", {d, d, d, d, d}},
    };
    for (const auto& [binding, expected] : cases) {
        const auto polygons = faceSet("Material { diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ] } MaterialBinding { value " +
                                          binding + " }",
                                      "coordIndex [ 0, -1, 0, -1, 0, -1, 0, -1, 0, -1 ] materialIndex [ 2, 0, -5 ]");
        std::vector<Vec3> seen;
        for (const auto& polygon : polygons) seen.push_back(polygon.material.diffuse);
        EXPECT_EQ(seen, expected) << binding;
    }
}

TEST(IndexedFaceSet, normalsFollowTheirBinding) {
    const Vec3 n0{1, 0, 0}, n1{0, 1, 0}, n2{0, 0, 1};
    using Normals = std::vector<std::vector<Vec3>>;
    const std::tuple<std::string, std::string, Normals> cases[] = {
        // Out-of-range and negative indices, and positions beyond the list, add nothing.
        {"DEFAULT", "2, 1, 7, -1, 0, -2", {{n2, n1}, {n0}}}, {"PER_VERTEX_INDEXED", "2, 1, 7, -1, 0", {{n2, n1}, {n0}}},
        {"PER_FACE", "0", {{n0, n0, n0}, {n1, n1, n1}}}, {"PER_FACE_INDEXED", "2, -1", {{n2, n2, n2}, {}}},
        {"PER_VERTEX", "0, 1, 2, -1, 0, 1, 2", {{}, {}}},
    };
    for (const auto& [binding, normalIndex, expected] : cases) {
        const auto faces = faceSet("Normal { vector [ 1 0 0, 0 1 0, 0 0 1 ] } NormalBinding { value " + binding + " }",
                                   "coordIndex [ 0, 1, 2, -1, 0, 2, 1, -1 ] normalIndex [ " + normalIndex + " ]");
        Normals seen;
        for (const auto& polygon : faces) seen.push_back(polygon.normals);
        EXPECT_EQ(seen, expected) << binding;
    }
}

TEST(IndexedFaceSet, verticesTakeTheCurrentTransformAndNormalsItsNormalMatrix) {
    // An exact quarter turn, so that elimination would meet a zero pivot.
    const auto polygons = faceSet("Translation { translation 10 0 0 } Scale { scaleFactor 2 1 1 } "
                                  "MatrixTransform { matrix 0 1 0 0  -1 0 0 0  0 0 1 0  0 0 0 1 } "
                                  "Normal { vector 1 1 0 } NormalBinding { value PER_FACE }",
                                  "coordIndex [ 2, 1, 0, -1 ]");
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].vertices[0], (Vec3{8, 1, 0}));
    // Perpendicular to the turned and stretched face plane, untouched by the translation.
    expectNear(polygons[0].normals[0], {-0.5, 1, 0});
}

TEST(IndexedFaceSet, untransformedVerticesAreThoseTheMatrixProductGivesBitForBit) {
    // The product turns -0 into +0 and infinities into NaN; a shortcut must too.
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Vec3> points = {{-0.0, 0.0, -0.0}, {4.9e-324, -1e308, 0.1}, {inf, 1, -0.0}, {-inf, nan, 2}};
    Separator root;
    FieldArray<Vec3>& stored = addNode<Coordinate3>(root)->point();
    for (const Vec3& point : points) stored.append(point);
    addNode<IndexedFaceSet>(root)->coordIndex() = *arrayOf<int32_t>({0, 1, 2, 3, -1});
    const auto polygons = polygonsOf(root);
    ASSERT_EQ(polygons.size(), 1u);
    ASSERT_EQ(polygons[0].vertices.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const Vec3 expected = transformPoint(Matrix4::identity(), points[i]);
        EXPECT_EQ(std::memcmp(&polygons[0].vertices[i], &expected, sizeof expected), 0) << i;
    }
}

TEST(Material, componentsRepeatTheirLastValueAndAppendsAndColoursGrowEveryArray) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    material.setVec3Array("ambientColor", arrayOf<Vec3>({kBlue}));
    // 2^31 - 1 is odd.
    EXPECT_EQ((std::vector<Vec3>{material.material(1).ambient, material.material(INT32_MAX).diffuse,
                                 material.material(-3).diffuse, Material().material(5).diffuse}),
              (std::vector<Vec3>{kBlue, kGreen, kRed, {}}));

    EXPECT_EQ(material.appendMaterial(MaterialValues{}), 2);
    // The gap is zero, not the default.
    EXPECT_EQ(std::make_pair(material.transparency().count(), material.material(1).shininess), std::pair(3, 0.0));

    ASSERT_TRUE(material.resetToDefault());
    EXPECT_EQ(material.findMaterial(MaterialValues{}), 0);
    ASSERT_TRUE(material.setColourAt(Material::Colour::Emissive, 1200, kBlue));
    EXPECT_EQ(std::make_tuple(material.materialCount(), material.material(1200).emissive,
                              material.material(600).emissive), std::make_tuple(1201, kBlue, Vec3{}));
    EXPECT_FALSE(material.setColourAt(Material::Colour::Emissive, -1, kBlue));
}

// The polygons of the VRML `nodes`, which hold one shape: its faces are numbered from 0.
std::vector<RecordedPolygon> shapePolygons(const std::string& nodes) {
    std::vector<RecordedPolygon> polygons = polygonsOf(*sceneOf(nodes));
    for (size_t i = 0; i < polygons.size(); ++i) EXPECT_EQ(polygons[i].face, int32_t(i));
    return polygons;
}

// The normal of a polygon's winding (right-handed, by its first three corners).
Vec3 windingNormal(const RecordedPolygon& polygon) {
    return normalized(cross(polygon.vertices[1] - polygon.vertices[0], polygon.vertices[2] - polygon.vertices[1]));
}

TEST(Shapes, sphereHasTrianglesAtThePolesQuadsBetweenAndNormalsAlongTheRadius) {
    const auto polygons = shapePolygons("Material { diffuseColor 1 0 0 } Sphere { }");
    ASSERT_EQ(polygons.size(), 256u);
    for (size_t i = 0; i < polygons.size(); ++i) {
        const RecordedPolygon& polygon = polygons[i];
        EXPECT_EQ(polygon.vertices.size(), i < 16 || i >= 240 ? 3u : 4u) << "polygon " << i;
        EXPECT_EQ(polygon.material.diffuse, kRed);
        for (size_t k = 0; k < polygon.vertices.size(); ++k) expectNear(polygon.normals[k], polygon.vertices[k]);
        // Seen from outside the sphere winds clockwise, unlike the cube.
        EXPECT_LT(dot(windingNormal(polygon), polygon.vertices[1]), 0) << "polygon " << i;
    }
    // Stretched, the normals follow the ellipsoid's gradient and stay unit length.
    const auto stretched = shapePolygons("Scale { scaleFactor 3 1 1 } Sphere { }");
    const Vec3 a = stretched[20].vertices[0];
    expectNear(stretched[20].normals[0], normalized({a.x / 9, a.y, a.z}));
}

TEST(Shapes, cubeFacesComeInFixedOrderTurnOutwardsAndTakePartOne) {
    const auto polygons = shapePolygons("Material { diffuseColor [ 1 0 0, 0 1 0 ] } Cube { width 2 height 4 depth 6 }");
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{1, -2, 3}, {1, 2, 3}, {-1, 2, 3}, {-1, -2, 3}}));
    const Vec3 normals[6] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(polygons[face].material.diffuse, kGreen);
        for (int corner = 0; corner < 4; ++corner) {
            EXPECT_EQ(polygons[face].normals[corner], normals[face]);
            EXPECT_EQ(dot(polygons[face].vertices[corner], normals[face]), std::fabs(dot({1, 2, 3}, normals[face])));
        }
        expectNear(windingNormal(polygons[face]), normals[face]);
    }
    // With one colour there is no part 1: the default material.
    EXPECT_EQ(shapePolygons("Material { diffuseColor 1 0 0 } Cube { }")[0].material.diffuse, MaterialValues{}.diffuse);
}

TEST(Shapes, partsMasksSelectTheSidesAndCapsOfConesAndCylinders) {
    const std::pair<const char*, size_t> cases[] = {
        {"Cone { }", 271},     {"Cone { parts SIDES }", 256}, {"Cone { parts BOTTOM }", 15},
        {"Cylinder { }", 286}, {"Cylinder { parts TOP }", 15}, {"Cylinder { parts ( SIDES | BOTTOM ) }", 271}};
    for (const auto& [shape, count] : cases) EXPECT_EQ(shapePolygons(shape).size(), count) << shape;
    const auto sides = shapePolygons("Cone { parts SIDES }");
    for (int i = 0; i < 16; ++i) EXPECT_EQ(sides[i].vertices.at(0), (Vec3{0, 1, 0}));  // the apex
    // A side normal is perpendicular to the slant from the apex to the rim.
    EXPECT_NEAR(dot(sides[255].normals[1], sides[255].vertices[1] - Vec3{0, 1, 0}), 0, 1e-12);
}

TEST(Shapes, coneAndCylinderCapsWindOppositeWaysAndTakeTheirPartsOnlyUnderPerPartBindings) {
    for (const std::string binding : {"PER_PART", "PER_PART_INDEXED", "DEFAULT", "PER_FACE"}) {
        const bool perPart = binding.substr(0, 8) == "PER_PART";
        const std::string materials =
            "Material { diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ] } MaterialBinding { value " + binding + " } ";
        const auto cone = shapePolygons(materials + "Cone { bottomRadius 2 height 4 }");
        const auto cylinder = shapePolygons(materials + "Cylinder { radius 3 height 4 }");
        // The sides, the cone's bottom, the cylinder's bottom and top.
        const std::vector<Vec3> colours{cone[0].material.diffuse, cone[256].material.diffuse,
            cylinder[0].material.diffuse, cylinder[256].material.diffuse, cylinder[271].material.diffuse};
        EXPECT_EQ(colours, (perPart ? std::vector{kRed, kGreen, kRed, kBlue, kGreen} : std::vector<Vec3>(5, kRed)));
        EXPECT_EQ(std::make_tuple(cone[256].vertices.at(2), cylinder[256].vertices[0].y, cylinder[271].vertices[0].y),
                  std::make_tuple(Vec3{2, -2, 0}, -2.0, 2.0));
        EXPECT_TRUE(windingNormal(cylinder[256]).y > 0.99 && windingNormal(cylinder[271]).y < -0.99);
    }
}

}  // namespace
}  // namespace glowpond
