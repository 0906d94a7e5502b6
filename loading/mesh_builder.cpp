#include "loading/mesh_builder.h"

namespace glowpond {

MeshBuilder::MeshBuilder(bool keepUnnamedFaces) : keepUnnamedFaces_(keepUnnamedFaces) { objects_.emplace_back(); }

MeshBuilder::~MeshBuilder() = default;

void MeshBuilder::reset() {
    materials_.clear();
    materialIndex_.clear();
    points_.clear();
    objects_.clear();
    objects_.emplace_back();
    current_ = 0;
    lastMaterialIndex_ = -1;
}

void MeshBuilder::selectObject(const std::string& name) {
    for (int32_t i = 0; i < objectCount(); ++i) {
        const Object& object = objects_[static_cast<size_t>(i)];
        if (object.named && object.name == name) {
            current_ = i;
            return;
        }
    }
    if (objects_[0].named || (keepUnnamedFaces_ && !objects_[0].faces.empty())) {
        if (objectCount() == kMaxObjects) {
            current_ = kMaxObjects - 1;
            return;
        }
        objects_.emplace_back();
    }
    current_ = objectCount() - 1;
    Object& object = currentObjectRef();
    object.name = name;
    object.named = true;
    object.faces = FieldArray<int32_t>(Object::kChunkSize);
    object.faceMaterials = FieldArray<int32_t>(Object::kChunkSize);
}

void MeshBuilder::beginPolygon() { beginPolygon(MaterialValues{}); }

void MeshBuilder::beginPolygon(const MaterialValues& material) {
    const bool sameAsLast = lastMaterialIndex_ >= 0 && material.ambient == lastMaterial_.ambient &&
                            material.diffuse == lastMaterial_.diffuse && material.specular == lastMaterial_.specular &&
                            material.emissive == lastMaterial_.emissive &&
                            material.shininess == lastMaterial_.shininess &&
                            material.transparency == lastMaterial_.transparency;
    // Identical values find the same entry again: the table only grows at its end.
    int32_t index = sameAsLast ? lastMaterialIndex_ : materialIndex_.find(materials_, material);
    if (index < 0) {
        index = materials_.appendMaterial(material);
        if (index >= 0) materialIndex_.add(material, index);
    }
    if (index >= 0) {
        lastMaterial_ = material;
        lastMaterialIndex_ = index;
    }
    currentObjectRef().faceMaterials.append(index < 0 ? 0 : index);
}

int32_t MeshBuilder::addVertex(const Vec3& point) {
    const int32_t number = points_.add(point);
    currentObjectRef().faces.append(number);
    return number;
}

void MeshBuilder::endPolygon() { currentObjectRef().faces.append(-1); }

const std::string* MeshBuilder::objectName(int32_t object) const {
    if (object < 0 || object >= objectCount()) return nullptr;
    const Object& entry = objects_[static_cast<size_t>(object)];
    return entry.named ? &entry.name : nullptr;
}

const FieldArray<int32_t>& MeshBuilder::objectFaces(int32_t object) const {
    static const FieldArray<int32_t> kNoFaces;
    if (object < 0 || object >= objectCount()) return kNoFaces;
    return objects_[static_cast<size_t>(object)].faces;
}

MaterialValues MeshBuilder::faceMaterial(int32_t object, int32_t face) const {
    const int32_t number = faceMaterialNumber(object, face);
    return number < 0 ? MaterialValues{} : materials_.material(number);
}

int32_t MeshBuilder::faceMaterialNumber(int32_t object, int32_t face) const {
    if (object < 0 || object >= objectCount()) return -1;
    const FieldArray<int32_t>& list = objects_[static_cast<size_t>(object)].faceMaterials;
    if (list.empty()) return -1;
    const int32_t* entry = list.at(face);
    if (!entry) entry = list.at(0);
    return *entry < materials_.materialCount() ? *entry : -1;
}

}  // namespace glowpond
