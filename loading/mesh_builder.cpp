#include "loading/mesh_builder.h"

#include <cmath>

namespace glowpond {

MeshBuilder::MeshBuilder() { objects_.emplace_back(); }

MeshBuilder::~MeshBuilder() = default;

void MeshBuilder::reset() {
    materials_.clear();
    points_.clear();
    objects_.clear();
    objects_.emplace_back();
    current_ = 0;
    lastMaterialIndex_ = -1;
    materialCells_.clear();
}

size_t MeshBuilder::CellHash::operator()(const Cell& cell) const {
    uint64_t h = static_cast<uint64_t>(cell.x) * 0x9E3779B97F4A7C15u;
    h = (h ^ (h >> 29) ^ static_cast<uint64_t>(cell.y)) * 0xBF58476D1CE4E5B9u;
    h = (h ^ (h >> 31) ^ static_cast<uint64_t>(cell.z)) * 0x94D049BB133111EBu;
    return static_cast<size_t>(h ^ (h >> 32));
}

bool MeshBuilder::cellOf(const Vec3& colour, Cell& cell) {
    constexpr double kLargest = 1e6;  // the cell number stays exact far beyond this
    constexpr double kWidth = 2 * kCoincidence;
    for (double v : {colour.x, colour.y, colour.z}) {
        if (!(std::fabs(v) <= kLargest)) return false;
    }
    cell = {static_cast<int64_t>(std::floor(colour.x / kWidth)), static_cast<int64_t>(std::floor(colour.y / kWidth)),
            static_cast<int64_t>(std::floor(colour.z / kWidth))};
    return true;
}

int32_t MeshBuilder::findMaterial(const MaterialValues& material) const {
    Cell cell;
    if (!cellOf(material.diffuse, cell)) return materials_.findMaterial(material);
    // The first match in the table, as the table's own search finds it.
    int32_t found = -1;
    for (int64_t dx = -1; dx <= 1; ++dx) {
        for (int64_t dy = -1; dy <= 1; ++dy) {
            for (int64_t dz = -1; dz <= 1; ++dz) {
                const auto entry = materialCells_.find({cell.x + dx, cell.y + dy, cell.z + dz});
                if (entry == materialCells_.end()) continue;
                for (int32_t index : entry->second) {
                    if (found >= 0 && index >= found) break;
                    if (sameMaterialValues(materials_.material(index), material)) found = index;
                }
            }
        }
    }
    return found;
}

int32_t MeshBuilder::appendMaterial(const MaterialValues& material) {
    const int32_t index = materials_.appendMaterial(material);
    Cell cell;
    if (index >= 0 && cellOf(material.diffuse, cell)) materialCells_[cell].push_back(index);
    return index;
}

void MeshBuilder::selectObject(const std::string& name) {
    for (int32_t i = 0; i < objectCount(); ++i) {
        const Object& object = objects_[static_cast<size_t>(i)];
        if (object.named && object.name == name) {
            current_ = i;
            return;
        }
    }
    if (objects_[0].named) {
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
    int32_t index = sameAsLast ? lastMaterialIndex_ : findMaterial(material);
    if (index < 0) index = appendMaterial(material);
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
