#include "scene/geometry.h"

#include "scene/properties.h"
#include "scene/traversal.h"

namespace glowpond {

IndexedFaceSet::IndexedFaceSet() : Node(NodeType::IndexedFaceSet) {}
std::unique_ptr<Node> IndexedFaceSet::create() { return std::make_unique<IndexedFaceSet>(); }

std::unique_ptr<Node> IndexedFaceSet::copyNode() const {
    auto copy = std::make_unique<IndexedFaceSet>();
    copy->coordIndex_ = coordIndex_;
    copy->materialIndex_ = materialIndex_;
    copy->normalIndex_ = normalIndex_;
    copy->textureCoordIndex_ = textureCoordIndex_;
    return copy;
}

const Vec3* IndexedFaceSet::coordinateAt(const TraversalState& state, int32_t i) const {
    const int32_t* index = coordIndex_.at(i);
    const FieldArray<Vec3>* coordinates = state.current().coordinates;
    if (!index || !coordinates) return nullptr;
    return coordinates->at(*index);
}

void IndexedFaceSet::setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value) {
    FieldArray<int32_t>* target = nullptr;
    if (field == "coordIndex") {
        target = &coordIndex_;
    } else if (field == "materialIndex") {
        target = &materialIndex_;
    } else if (field == "normalIndex") {
        target = &normalIndex_;
    } else if (field == "textureCoordIndex") {
        target = &textureCoordIndex_;
    }
    if (target && value) *target = std::move(*value);
}

void IndexedFaceSet::clear() {
    coordIndex_.clear();
    materialIndex_.clear();
    normalIndex_.clear();
    textureCoordIndex_.clear();
    Node::clear();
}

void IndexedFaceSet::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsPolygons()) {
        deliverPolygons(state, action);
    } else if (action.wantsRawGeometry()) {
        action.indexedFaceSet(state, coordIndex_, normalIndex_, materialIndex_, textureCoordIndex_);
    }
}

void IndexedFaceSet::deliverPolygons(TraversalState& state, NodeAction& action) const {
    // Taken once: the action receives the state and might change it.
    const TraversalLevel level = state.current();
    const Matrix4 normalTransform = normalMatrix(level.transform);
    const Material* material = level.material;

    action.beginShape(state, name());
    MaterialValues faceMaterial;
    if (material && (level.materialBinding == kBindingOverall || level.materialBinding == kBindingDefault)) {
        faceMaterial = material->material(0);
    }
    if (level.coordinates) {
        FieldArray<Vec3> vertices;
        FieldArray<Vec3> normals;
        int32_t face = 0;
        for (int32_t i = 0; i < coordIndex_.count(); ++i) {
            const int32_t index = coordIndex_[i];
            if (index < 0) {
                if (material) {
                    switch (level.materialBinding) {
                        case kBindingPerFace:
                            faceMaterial = material->material(face);
                            break;
                        case kBindingPerFaceIndexed:
                        case kBindingPerPartIndexed: {
                            const int32_t* chosen = materialIndex_.at(face);
                            faceMaterial = material->material(chosen ? *chosen : face);
                            break;
                        }
                        default:
                            break;
                    }
                }
                action.polygon(state, face, vertices, normals, faceMaterial);
                vertices.truncate(0);
                normals.truncate(0);
                ++face;
                continue;
            }
            // A corner that names no point is left out, but does not end
            // its face: face numbers must keep matching the material list.
            const Vec3* point = level.coordinates->at(index);
            if (!point) continue;
            vertices.append(transformPoint(level.transform, *point));

            const Vec3* normal = nullptr;
            if (level.normals) {
                switch (level.normalBinding) {
                    case kBindingDefault:
                    case kBindingPerVertexIndexed:
                        if (const int32_t* n = normalIndex_.at(i)) normal = level.normals->at(*n);
                        break;
                    case kBindingPerFaceIndexed:
                        if (const int32_t* n = normalIndex_.at(face)) normal = level.normals->at(*n);
                        break;
                    case kBindingPerFace:
                        normal = level.normals->at(face);
                        break;
                    default:
                        break;
                }
            }
            if (normal) normals.append(transformDirection(normalTransform, *normal));
        }
    }
    action.endShape(state);
}

}  // namespace glowpond
