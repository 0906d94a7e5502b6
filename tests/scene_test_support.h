// Helpers for the scene-graph tests: a recording action and tree builders.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "scene/field_array.h"
#include "scene/node.h"
#include "scene/traversal.h"

namespace glowpond {

inline void PrintTo(const Vec3& v, std::ostream* out) { *out << '(' << v.x << ", " << v.y << ", " << v.z << ')'; }

namespace testing {

template <typename T>
std::unique_ptr<FieldArray<T>> arrayOf(std::initializer_list<T> values) {
    auto array = std::make_unique<FieldArray<T>>();
    for (const T& value : values) array->append(value);
    return array;
}

// Adds a new node made by `factory` under `parent` and returns it typed.
template <typename T>
T* addNode(Node& parent, const std::string& name = "") {
    std::unique_ptr<Node> node = T::create();
    node->setName(name);
    T* typed = static_cast<T*>(node.get());
    parent.addChild(std::move(node));
    return typed;
}

inline void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

struct RecordedPolygon {
    int32_t face;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    MaterialValues material;
    std::string path;  // the state's pathName at the time
};

// Records every query ("?wantsSeparators") and every handler call
// ("beginSeparator S", "polygon 0") in order. Queries answer as `answers`
// says, except those named in `overrides`.
class RecordingAction : public NodeAction {
public:
    enum class Answers {
        All,
        None,
        AlternateFromTrue,   // per query: true, false, true, ...
        AlternateFromFalse,  // per query: false, true, false, ...
    };

    explicit RecordingAction(Answers answers = Answers::All) : answers_(answers) {}
    // Answers true only to the queries named.
    static RecordingAction wanting(std::initializer_list<std::string> queries);

    std::vector<std::string> log;
    std::vector<RecordedPolygon> polygons;
    std::map<std::string, bool> overrides;

    // The log without the queries.
    std::vector<std::string> calls() const;

    void beginShape(TraversalState& state, const std::string& name) override;
    void endShape(TraversalState& state) override;
    void polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                 const FieldArray<Vec3>& normals, const MaterialValues& material) override;
    bool wantsPolygons() override { return ask("wantsPolygons"); }
    void beginSeparator(TraversalState& state, const std::string& name) override;
    void endSeparator(TraversalState& state) override;
    bool wantsSeparators() override { return ask("wantsSeparators"); }
    bool wantsGroups() override { return ask("wantsGroups"); }
    void beginGroup(TraversalState& state, const std::string& name) override;
    void endGroup(TraversalState& state) override;
    bool wantsTransformSeparators() override { return ask("wantsTransformSeparators"); }
    void beginTransformSeparator(TraversalState& state, const std::string& name) override;
    void endTransformSeparator(TraversalState& state) override;
    void pointLight(TraversalState&, const PointLight&) override { log.push_back("pointLight"); }
    bool wantsPointLights() override { return ask("wantsPointLights"); }
    bool wantsSpotLights() override { return ask("wantsSpotLights"); }
    void spotLight(TraversalState&, const SpotLight&) override { log.push_back("spotLight"); }
    void camera(TraversalState&, const PerspectiveCamera&) override { log.push_back("camera"); }
    bool wantsCameras() override { return ask("wantsCameras"); }
    bool wantsTransforms() override { return ask("wantsTransforms"); }
    void rotation(const AxisAngle& rotation) override;
    void translation(const Vec3& translation) override;
    void scale(const Vec3& scaleFactor) override;
    void matrix(const Matrix4& matrix) override;
    bool wantsCubes() override { return ask("wantsCubes"); }
    void cube(TraversalState& state, double width, double height, double depth) override;
    bool wantsSpheres() override { return ask("wantsSpheres"); }
    void sphere(TraversalState& state, double radius) override;
    bool wantsCones() override { return ask("wantsCones"); }
    void cone(TraversalState& state, int32_t parts, double bottomRadius, double height) override;
    bool wantsCylinders() override { return ask("wantsCylinders"); }
    void cylinder(TraversalState& state, int32_t parts, double radius, double height) override;
    bool wantsRawGeometry() override { return ask("wantsRawGeometry"); }
    void coordinates(TraversalState& state, const FieldArray<Vec3>& points) override;
    void normals(TraversalState& state, const FieldArray<Vec3>& vectors) override;
    void indexedFaceSet(TraversalState& state, const FieldArray<int32_t>& coordIndex,
                        const FieldArray<int32_t>& normalIndex, const FieldArray<int32_t>& materialIndex,
                        const FieldArray<int32_t>& textureCoordIndex) override;

private:
    bool ask(const std::string& query);

    Answers answers_;
    std::map<std::string, int> asked_;
};

// Applies `root` with a fresh state.
inline void applyTree(Node& root, NodeAction& action) {
    TraversalState state;
    root.apply(state, action);
}

}  // namespace testing
}  // namespace glowpond
