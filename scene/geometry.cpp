#include "scene/geometry.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "scene/properties.h"
#include "scene/traversal.h"

namespace glowpond {
namespace {

// The material of face `face` under the level's binding; `current` for
// bindings that do not go by face.
MaterialValues faceMaterial(const TraversalLevel& level, const FieldArray<int32_t>& materialIndex, int32_t face,
                            const MaterialValues& current) {
    const Material* material = level.material;
    if (!material) return current;
    switch (level.materialBinding) {
        case kBindingPerFace:
            return material->material(face);
        case kBindingPerFaceIndexed:
        case kBindingPerPartIndexed: {
            const int32_t* chosen = materialIndex.at(face);
            return material->material(chosen ? *chosen : face);
        }
        default:
            return current;
    }
}

// The normal bound to entry `i` of coordIndex, which lies in face `face`;
// null when the binding gives it none.
const Vec3* cornerNormal(const TraversalLevel& level, const FieldArray<int32_t>& normalIndex, int32_t i,
                         int32_t face) {
    if (!level.normals) return nullptr;
    const int32_t* n = nullptr;
    switch (level.normalBinding) {
        case kBindingDefault:
        case kBindingPerVertexIndexed:
            n = normalIndex.at(i);
            break;
        case kBindingPerFaceIndexed:
            n = normalIndex.at(face);
            break;
        case kBindingPerFace:
            return level.normals->at(face);
        default:
            break;
    }
    return n ? level.normals->at(*n) : nullptr;
}

bool exactIdentity(const Matrix4& m) {
    const Matrix4 identity = Matrix4::identity();
    return std::memcmp(m.m.data(), identity.m.data(), sizeof m.m) == 0;
}

// transformPoint under the identity, to the bit: its sums of products turn
// -0 into +0 and leave every other finite value alone.
Vec3 identityTransformed(const Matrix4& identity, const Vec3& p) {
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) return {p.x + 0.0, p.y + 0.0, p.z + 0.0};
    return transformPoint(identity, p);
}

}  // namespace

const Vec3* IndexedFaceSet::coordinateAt(const TraversalState& state, int32_t i) const {
    const int32_t* index = fields_.coordIndex.at(i);
    const FieldArray<Vec3>* coordinates = state.current().coordinates;
    if (!index || !coordinates) return nullptr;
    return coordinates->at(*index);
}

void IndexedFaceSet::setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value) {
    FieldArray<int32_t>* target = nullptr;
    if (field == "coordIndex") {
        target = &fields_.coordIndex;
    } else if (field == "materialIndex") {
        target = &fields_.materialIndex;
    } else if (field == "normalIndex") {
        target = &fields_.normalIndex;
    } else if (field == "textureCoordIndex") {
        target = &fields_.textureCoordIndex;
    }
    if (target && value) *target = std::move(*value);
}

void IndexedFaceSet::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsPolygons()) {
        deliverPolygons(state, action);
    } else if (action.wantsRawGeometry()) {
        const IndexedFaceSetFields& f = fields_;
        action.indexedFaceSet(state, f.coordIndex, f.normalIndex, f.materialIndex, f.textureCoordIndex);
    }
}

void IndexedFaceSet::deliverPolygons(TraversalState& state, NodeAction& action) const {
    // Taken once: the action receives the state and might change it.
    const TraversalLevel level = state.current();
    const Matrix4 normalTransform = normalMatrix(level.transform);
    // Most files place their points untransformed: spare each corner the product.
    const bool identity = exactIdentity(level.transform);
    const bool cornerNormals = action.wantsCornerNormals();

    action.beginShape(state, name());
    MaterialValues material;
    if (level.material && (level.materialBinding == kBindingOverall || level.materialBinding == kBindingDefault)) {
        material = level.material->material(0);
    }
    if (level.coordinates) {
        FieldArray<Vec3> vertices;
        FieldArray<Vec3> normals;
        std::vector<int32_t> indices;
        int32_t face = 0;
        bool open = false;  // entries since the last -1
        auto endFace = [&] {
            material = faceMaterial(level, fields_.materialIndex, face, material);
            action.indexedPolygon(state, face, vertices, indices.data(), normals, material);
            vertices.truncate(0);
            normals.truncate(0);
            indices.clear();
            ++face;
            open = false;
        };
        for (int32_t i = 0; i < fields_.coordIndex.count(); ++i) {
            const int32_t index = fields_.coordIndex[i];
            if (index < 0) {
                endFace();
                continue;
            }
            open = true;
            // A corner that names no point is left out, but does not end
            // its face: face numbers must keep matching the material list.
            const Vec3* point = level.coordinates->at(index);
            if (!point) continue;
            const Vec3 placed =
                identity ? identityTransformed(level.transform, *point) : transformPoint(level.transform, *point);
            if (vertices.append(placed) >= 0) indices.push_back(index);
            if (!cornerNormals) continue;
            if (const Vec3* normal = cornerNormal(level, fields_.normalIndex, i, face)) {
                normals.append(transformDirection(normalTransform, *normal));
            }
        }
        if (open && action.wantsUnclosedLastFace()) endFace();
    }
    action.endShape(state);
}

}  // namespace glowpond
