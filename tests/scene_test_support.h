// Helpers for the scene-graph tests: tree builders, an action that records
// the polygons it receives, the display mesh a load makes of a tree, a load
// context that records what the VRML reader reports, and scenes built from
// short VRML texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "importers/model_source.h"
#include "loading/convert_action.h"
#include "scene/grouping.h"
#include "scene/node.h"
#include "scene/traversal.h"
#include "tests/test_support.h"
#include "vrml/parser.h"

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

// What `action` converts `root` into.
inline DisplayMesh convertToMesh(Node& root, ConvertAction& action) {
    TraversalState state;
    root.apply(state, action);
    action.finish(root, state);
    DisplayMesh mesh;
    EXPECT_TRUE(action.transferMesh(mesh) && !action.transferMesh(mesh));  // moved out the first time
    return mesh;
}

// What a load converts `root` into, keeping `everyFace` as the tolerant reading does.
inline DisplayMesh convertToMesh(Node& root, bool everyFace = false) {
    ConvertAction action(nullptr, everyFace);
    return convertToMesh(root, action);
}

inline const std::string kVrmlHeader = "#VRML V1.0 ascii\n";

// `format` with `args`, as printf writes it.
inline std::string formatted(const char* format, std::va_list args) {
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

class RecordingContext : public Separator {
public:
    std::vector<std::string> statuses, errors;

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }
};

// What a fresh reader state reads from `text`.
inline std::unique_ptr<RecordingContext> readText(const std::string& text,
                                                  VrmlReading reading = VrmlReading::Tolerant) {
    auto context = std::make_unique<RecordingContext>();
    VrmlReaderState state;
    state.reading = reading;
    readVrmlText(state, *context, text);
    return context;
}

// The nodes of `body`, a VRML file without its header, which must read
// without errors, and alike in both readings.
inline std::unique_ptr<RecordingContext> sceneOf(const std::string& body) {
    auto context = readText(kVrmlHeader + body);
    const auto strict = readText(kVrmlHeader + body, VrmlReading::Strict);
    EXPECT_EQ(context->errors, std::vector<std::string>{}) << body;
    EXPECT_EQ(std::tie(context->statuses, context->errors), std::tie(strict->statuses, strict->errors)) << body;
    EXPECT_EQ(treeOf(*context), treeOf(*strict)) << body;
    return context;
}

// Every text on a line of its own.
inline std::string joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) all += text + "\n";
    return all;
}

// Companion files by name; every name asked for is recorded.
struct MapResolver : FileResolver {
    std::map<std::string, std::string> files;
    std::vector<std::string> asked;
    bool read(const std::string& name, std::vector<uint8_t>& bytes) override {
        asked.push_back(name);
        const auto found = files.find(name);
        bytes.clear();
        if (found == files.end()) return false;
        bytes.assign(found->second.begin(), found->second.end());
        return true;
    }
};

}  // namespace testing
}  // namespace glowpond
