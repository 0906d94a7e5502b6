#include "scene/traversal.h"

namespace glowpond {

void TraversalState::pushLevel() {
    if (level_ + 1 < kLevels) {
        levels_[level_ + 1] = levels_[level_];
        ++level_;
    } else {
        ++ignoredLevels_;
    }
}

void TraversalState::popLevel() {
    if (ignoredLevels_ > 0) {
        --ignoredLevels_;
    } else if (level_ > 0) {
        --level_;
    }
}

void TraversalState::saveTransform() {
    if (savedCount_ < kSavedTransforms) {
        savedTransforms_[savedCount_++] = current().transform;
    } else {
        ++ignoredSaves_;
    }
}

void TraversalState::restoreTransform() {
    if (ignoredSaves_ > 0) {
        --ignoredSaves_;
    } else if (savedCount_ > 0) {
        current().transform = savedTransforms_[--savedCount_];
    }
}

void TraversalState::pushName(std::string_view name) {
    if (nameDepth_ < kNames) {
        names_[nameDepth_++].assign(name.substr(0, kMaxNameChars));
    } else {
        ++ignoredNames_;
    }
}

void TraversalState::popName() {
    if (ignoredNames_ > 0) {
        --ignoredNames_;
    } else if (nameDepth_ > 0) {
        --nameDepth_;
    }
}

std::string TraversalState::pathName() const {
    std::string path;
    for (int i = 0; i < nameDepth_ && path.size() < kMaxPathChars; ++i) {
        if (names_[i].empty()) continue;
        if (!path.empty()) path += '_';
        path += names_[i];
    }
    if (path.size() > kMaxPathChars) path.resize(kMaxPathChars);
    return path;
}

NodeAction::~NodeAction() = default;

void NodeAction::finish(Node&, TraversalState&) {}
void NodeAction::beginShape(TraversalState&, const std::string&) {}
void NodeAction::endShape(TraversalState&) {}
void NodeAction::polygon(TraversalState&, int32_t, const FieldArray<Vec3>&, const FieldArray<Vec3>&,
                         const MaterialValues&) {}
void NodeAction::indexedPolygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices, const int32_t*,
                                const FieldArray<Vec3>& normals, const MaterialValues& material) {
    polygon(state, face, vertices, normals, material);
}
bool NodeAction::wantsPolygons() { return false; }
bool NodeAction::wantsUnclosedLastFace() { return false; }
bool NodeAction::wantsCornerNormals() { return true; }
void NodeAction::beginSeparator(TraversalState&, const std::string&) {}
void NodeAction::endSeparator(TraversalState&) {}
bool NodeAction::wantsSeparators() { return false; }
bool NodeAction::wantsGroups() { return false; }
void NodeAction::beginGroup(TraversalState&, const std::string&) {}
void NodeAction::endGroup(TraversalState&) {}
bool NodeAction::wantsTransformSeparators() { return false; }
void NodeAction::beginTransformSeparator(TraversalState&, const std::string&) {}
void NodeAction::endTransformSeparator(TraversalState&) {}
void NodeAction::pointLight(TraversalState&, const PointLight&) {}
bool NodeAction::wantsPointLights() { return false; }
bool NodeAction::wantsSpotLights() { return false; }
void NodeAction::spotLight(TraversalState&, const SpotLight&) {}
void NodeAction::camera(TraversalState&, const PerspectiveCamera&) {}
bool NodeAction::wantsCameras() { return false; }
bool NodeAction::wantsTransforms() { return false; }
void NodeAction::rotation(const AxisAngle&) {}
void NodeAction::translation(const Vec3&) {}
void NodeAction::scale(const Vec3&) {}
void NodeAction::matrix(const Matrix4&) {}
bool NodeAction::wantsCubes() { return false; }
void NodeAction::cube(TraversalState&, double, double, double) {}
bool NodeAction::wantsSpheres() { return false; }
void NodeAction::sphere(TraversalState&, double) {}
bool NodeAction::wantsCones() { return false; }
void NodeAction::cone(TraversalState&, int32_t, double, double) {}
bool NodeAction::wantsCylinders() { return false; }
void NodeAction::cylinder(TraversalState&, int32_t, double, double) {}
bool NodeAction::wantsRawGeometry() { return false; }
void NodeAction::coordinates(TraversalState&, const FieldArray<Vec3>&) {}
void NodeAction::normals(TraversalState&, const FieldArray<Vec3>&) {}
void NodeAction::indexedFaceSet(TraversalState&, const FieldArray<int32_t>&, const FieldArray<int32_t>&,
                                const FieldArray<int32_t>&, const FieldArray<int32_t>&) {}

}  // namespace glowpond
