// Helpers for the scene-graph tests: a recording action and tree builders.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "scene/node.h"
#include "scene/traversal.h"

namespace glowpond {

inline void PrintTo(const Vec3& v, std::ostream* out) { *out << '(' << v.x << ", " << v.y << ", " << v.z << ')'; }

namespace testing {

template <typename T>
std::unique_ptr<FieldArray<T>> arrayOf(const std::vector<T>& values) {
    auto array = std::make_unique<FieldArray<T>>();
    for (const T& value : values) array->append(value);
    return array;
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

inline void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

template <typename T>
std::vector<T> toVector(const FieldArray<T>& array) {
    std::vector<T> values;
    for (int32_t i = 0; i < array.count(); ++i) values.push_back(array[i]);
    return values;
}

struct RecordedPolygon {
    int32_t face;
    std::vector<Vec3> vertices, normals;
    MaterialValues material;
    std::string path;  // the state's pathName at the time
};

// Records every query ("?wantsSeparators") and handler call ("beginSeparator
// S", "polygon 0") in order. Queries answer as `answers` says, except those
// named in `overrides`.
class RecordingAction : public NodeAction {
public:
    enum class Answers { All, None, AlternateFromTrue, AlternateFromFalse };  // alternating per query

    explicit RecordingAction(Answers answers = Answers::All) : answers_(answers) {}
    static RecordingAction wanting(std::initializer_list<std::string> queries) {
        RecordingAction action(Answers::None);
        for (const std::string& query : queries) action.overrides[query] = true;
        return action;
    }

    std::vector<std::string> log;
    std::vector<RecordedPolygon> polygons;
    std::map<std::string, bool> overrides;

    std::vector<std::string> calls() const {
        std::vector<std::string> result;
        for (const std::string& entry : log) {
            if (entry[0] != '?') result.push_back(entry);
        }
        return result;
    }

    void polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                 const FieldArray<Vec3>& normals, const MaterialValues& material) override {
        note("polygon", face);
        polygons.push_back({face, toVector(vertices), toVector(normals), material, state.pathName()});
    }
    void beginShape(TraversalState&, const std::string& name) override { note("beginShape", name); }
    void endShape(TraversalState&) override { note("endShape"); }
    void beginSeparator(TraversalState&, const std::string& name) override { note("beginSeparator", name); }
    void endSeparator(TraversalState&) override { note("endSeparator"); }
    void beginGroup(TraversalState&, const std::string& name) override { note("beginGroup", name); }
    void endGroup(TraversalState&) override { note("endGroup"); }
    void beginTransformSeparator(TraversalState&, const std::string& n) override { note("beginTransformSeparator", n); }
    void endTransformSeparator(TraversalState&) override { note("endTransformSeparator"); }
    void pointLight(TraversalState&, const PointLight&) override { note("pointLight"); }
    void spotLight(TraversalState&, const SpotLight&) override { note("spotLight"); }
    void camera(TraversalState&, const PerspectiveCamera&) override { note("camera"); }
    void rotation(const AxisAngle& r) override { note("rotation", r.axis.x, r.axis.y, r.axis.z, r.angle); }
    void translation(const Vec3& t) override { note("translation", t.x, t.y, t.z); }
    void scale(const Vec3& s) override { note("scale", s.x, s.y, s.z); }
    void matrix(const Matrix4& m) override { note("matrix", m[12], m[13], m[14]); }
    void cube(TraversalState&, double w, double h, double d) override { note("cube", w, h, d); }
    void sphere(TraversalState&, double radius) override { note("sphere", radius); }
    void cone(TraversalState&, int32_t parts, double r, double h) override { note("cone", parts, r, h); }
    void cylinder(TraversalState&, int32_t parts, double r, double h) override { note("cylinder", parts, r, h); }
    void coordinates(TraversalState&, const FieldArray<Vec3>& points) override { note("coordinates", points.count()); }
    void normals(TraversalState&, const FieldArray<Vec3>& vectors) override { note("normals", vectors.count()); }
    void indexedFaceSet(TraversalState&, const FieldArray<int32_t>& coordIndex, const FieldArray<int32_t>& normalIndex,
                        const FieldArray<int32_t>& materialIndex, const FieldArray<int32_t>& textureIndex) override {
        note("indexedFaceSet", coordIndex.count(), normalIndex.count(), materialIndex.count(), textureIndex.count());
    }

    bool wantsPolygons() override { return ask("wantsPolygons"); }
    bool wantsSeparators() override { return ask("wantsSeparators"); }
    bool wantsGroups() override { return ask("wantsGroups"); }
    bool wantsTransformSeparators() override { return ask("wantsTransformSeparators"); }
    bool wantsPointLights() override { return ask("wantsPointLights"); }
    bool wantsSpotLights() override { return ask("wantsSpotLights"); }
    bool wantsCameras() override { return ask("wantsCameras"); }
    bool wantsTransforms() override { return ask("wantsTransforms"); }
    bool wantsCubes() override { return ask("wantsCubes"); }
    bool wantsSpheres() override { return ask("wantsSpheres"); }
    bool wantsCones() override { return ask("wantsCones"); }
    bool wantsCylinders() override { return ask("wantsCylinders"); }
    bool wantsRawGeometry() override { return ask("wantsRawGeometry"); }

private:
    template <typename... Values>
    void note(const char* call, const Values&... values) {
        std::ostringstream text;
        text << call;
        ((text << ' ' << values), ...);
        log.push_back(text.str());
    }

    bool ask(const std::string& query) {
        log.push_back("?" + query);
        const int asked = asked_[query]++;
        if (auto found = overrides.find(query); found != overrides.end()) return found->second;
        return answers_ == Answers::All || (answers_ == Answers::AlternateFromTrue && asked % 2 == 0) ||
               (answers_ == Answers::AlternateFromFalse && asked % 2 == 1);
    }

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
