#include "tests/scene_test_support.h"

#include <sstream>

namespace glowpond::testing {
namespace {

template <typename... Values>
std::string describe(const std::string& call, const Values&... values) {
    std::ostringstream text;
    text << call;
    ((text << ' ' << values), ...);
    return text.str();
}

std::vector<Vec3> toVector(const FieldArray<Vec3>& array) {
    std::vector<Vec3> values;
    for (int32_t i = 0; i < array.count(); ++i) values.push_back(array[i]);
    return values;
}

}  // namespace

RecordingAction RecordingAction::wanting(std::initializer_list<std::string> queries) {
    RecordingAction action(Answers::None);
    for (const std::string& query : queries) action.overrides[query] = true;
    return action;
}

std::vector<std::string> RecordingAction::calls() const {
    std::vector<std::string> result;
    for (const std::string& entry : log) {
        if (entry[0] != '?') result.push_back(entry);
    }
    return result;
}

bool RecordingAction::ask(const std::string& query) {
    log.push_back("?" + query);
    const int asked = asked_[query]++;
    auto found = overrides.find(query);
    if (found != overrides.end()) return found->second;
    switch (answers_) {
        case Answers::All: return true;
        case Answers::None: return false;
        case Answers::AlternateFromTrue: return asked % 2 == 0;
        case Answers::AlternateFromFalse: return asked % 2 == 1;
    }
    return false;
}

void RecordingAction::beginShape(TraversalState&, const std::string& name) {
    log.push_back(describe("beginShape", name));
}
void RecordingAction::endShape(TraversalState&) { log.push_back("endShape"); }

void RecordingAction::polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                              const FieldArray<Vec3>& normals, const MaterialValues& material) {
    log.push_back(describe("polygon", face));
    polygons.push_back({face, toVector(vertices), toVector(normals), material, state.pathName()});
}

void RecordingAction::beginSeparator(TraversalState&, const std::string& name) {
    log.push_back(describe("beginSeparator", name));
}
void RecordingAction::endSeparator(TraversalState&) { log.push_back("endSeparator"); }
void RecordingAction::beginGroup(TraversalState&, const std::string& name) {
    log.push_back(describe("beginGroup", name));
}
void RecordingAction::endGroup(TraversalState&) { log.push_back("endGroup"); }
void RecordingAction::beginTransformSeparator(TraversalState&, const std::string& name) {
    log.push_back(describe("beginTransformSeparator", name));
}
void RecordingAction::endTransformSeparator(TraversalState&) { log.push_back("endTransformSeparator"); }

void RecordingAction::rotation(const AxisAngle& r) {
    log.push_back(describe("rotation", r.axis.x, r.axis.y, r.axis.z, r.angle));
}
void RecordingAction::translation(const Vec3& t) { log.push_back(describe("translation", t.x, t.y, t.z)); }
void RecordingAction::scale(const Vec3& s) { log.push_back(describe("scale", s.x, s.y, s.z)); }
void RecordingAction::matrix(const Matrix4& m) { log.push_back(describe("matrix", m[12], m[13], m[14])); }

void RecordingAction::cube(TraversalState&, double width, double height, double depth) {
    log.push_back(describe("cube", width, height, depth));
}
void RecordingAction::sphere(TraversalState&, double radius) { log.push_back(describe("sphere", radius)); }
void RecordingAction::cone(TraversalState&, int32_t parts, double bottomRadius, double height) {
    log.push_back(describe("cone", parts, bottomRadius, height));
}
void RecordingAction::cylinder(TraversalState&, int32_t parts, double radius, double height) {
    log.push_back(describe("cylinder", parts, radius, height));
}

void RecordingAction::coordinates(TraversalState&, const FieldArray<Vec3>& points) {
    log.push_back(describe("coordinates", points.count()));
}
void RecordingAction::normals(TraversalState&, const FieldArray<Vec3>& vectors) {
    log.push_back(describe("normals", vectors.count()));
}
void RecordingAction::indexedFaceSet(TraversalState&, const FieldArray<int32_t>& coordIndex,
                                     const FieldArray<int32_t>& normalIndex, const FieldArray<int32_t>& materialIndex,
                                     const FieldArray<int32_t>& textureCoordIndex) {
    log.push_back(describe("indexedFaceSet", coordIndex.count(), normalIndex.count(), materialIndex.count(),
                           textureCoordIndex.count()));
}

}  // namespace glowpond::testing
