// Helpers for the scene-graph tests: tree builders, an action that records
// the polygons it receives, and the display mesh a load makes of a tree.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "loading/convert_action.h"
#include "scene/node.h"
#include "scene/traversal.h"

namespace glowpond {

inline void PrintTo(const Vec3& v, std::ostream* out) { *out << '(' << v.x << ", " << v.y << ", " << v.z << ')'; }

namespace testing {

constexpr Vec3 kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1};

template <typename T>
std::unique_ptr<FieldArray<T>> arrayOf(const std::vector<T>& values) {
    auto array = std::make_unique<FieldArray<T>>();
    for (const T& value : values) array->append(value);
    return array;
}

template <typename T>
std::vector<T> toVector(const FieldArray<T>& array) {
    std::vector<T> values;
    for (int32_t i = 0; i < array.count(); ++i) values.push_back(array[i]);
    return values;
}

// A new T named `name`, added under `parent`.
template <typename T>
T* addNode(Node& parent, const std::string& name = "") {
    std::unique_ptr<Node> node = T::create();
    node->setName(name);
    T* added = static_cast<T*>(node.get());
    parent.addChild(std::move(node));
    return added;
}

// Child `index` of `parent`; a missing child or one of another class fails the test by throwing.
template <typename T = Node>
const T& childAt(const Node& parent, int index) {
    const Node* node = parent.firstChildNode();
    for (; node && index > 0; --index) node = node->nextSibling();
    if (!node) throw std::out_of_range("missing child");
    return dynamic_cast<const T&>(*node);
}

// The children of `parent` as "Separator(Cube#name Group)": class, name,
// children. Every child must name `parent` as its parent.
inline std::string treeOf(const Node& parent) {
    static const char* const kClassNames[] = {
        "Node", "Separator", "TransformSeparator", "Group", "Switch", "Coordinate3", "Normal", "NormalBinding",
        "IndexedFaceSet", "PerspectiveCamera", "?", "Cube", "Translation", "Scale", "Rotation", "MatrixTransform",
        "PointLight", "SpotLight", "Material", "MaterialBinding", "LOD", "Sphere", "Cylinder", "Transform",
        "WWWAnchor", "TextureCoordinate2", "Cone", "ShapeHints"};
    std::string text;
    for (const Node* child = parent.firstChildNode(); child; child = child->nextSibling()) {
        EXPECT_EQ(child->parent(), &parent) << child->name();
        text += std::string(text.empty() ? "" : " ") + kClassNames[static_cast<int>(child->typeCode())];
        if (!child->name().empty()) text += '#' + child->name();
        if (child->firstChildNode()) text += '(' + treeOf(*child) + ')';
    }
    return text;
}

inline void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(distance(actual, expected), 0, tolerance) << ::testing::PrintToString(actual) << " is not "
                                                          << ::testing::PrintToString(expected);
}

struct RecordedPolygon {
    int32_t face;
    std::vector<Vec3> vertices, normals;
    MaterialValues material;
    std::string path;  // the state's pathName at the time
};

// The polygons that reach an action applied to `root` with a fresh state.
inline std::vector<RecordedPolygon> polygonsOf(Node& root) {
    struct Recorder : NodeAction {
        std::vector<RecordedPolygon> polygons;
        bool wantsPolygons() override { return true; }
        void polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                     const FieldArray<Vec3>& normals, const MaterialValues& material) override {
            polygons.push_back({face, toVector(vertices), toVector(normals), material, state.pathName()});
        }
    } recorder;
    TraversalState state;
    root.apply(state, recorder);
    return recorder.polygons;
}

// What a load converts `root` into.
inline DisplayMesh convertToMesh(Node& root) {
    ConvertAction action;
    TraversalState state;
    root.apply(state, action);
    action.finish(root, state);
    DisplayMesh mesh;
    EXPECT_TRUE(action.transferMesh(mesh) && !action.transferMesh(mesh));  // moved out the first time
    return mesh;
}

}  // namespace testing
}  // namespace glowpond
