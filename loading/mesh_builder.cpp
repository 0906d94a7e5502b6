#include "loading/mesh_builder.h"

#include <cmath>
#include <limits>

namespace glowpond {
namespace {

// Grid cells are 1/4096 wide: a power of two, so that scaling a coordinate
// into cell units is exact, and wide enough that a point's reach spans at
// most two cells per axis (usually one).
constexpr double kCellsPerUnit = 4096.0;
// Twice the merge distance: the margin absorbs the rounding of x +- reach,
// so a point is filed under every cell a merge partner can lie in.
constexpr double kReach = 2.0 * kCoincidence;
constexpr double kMaxCell = 4611686018427387904.0;  // 2^62; farther cells share the outermost
constexpr size_t kInitialSlots = 1024;

bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

int64_t cellOf(double coordinate) {
    const double cell = std::floor(coordinate * kCellsPerUnit);
    if (cell >= kMaxCell) return static_cast<int64_t>(kMaxCell);
    if (cell <= -kMaxCell) return -static_cast<int64_t>(kMaxCell);
    return static_cast<int64_t>(cell);
}

uint64_t mix(uint64_t h) {
    h ^= h >> 31;
    h *= 0x7fb5d329728ea185ull;
    h ^= h >> 27;
    h *= 0x81dadef4bc2dd44dull;
    h ^= h >> 33;
    return h;
}

}  // namespace

// --- PointIndex ---

void MeshBuilder::PointIndex::clear() {
    // Released rather than wiped: the working builder is reset once per object,
    // and wiping a table sized for the largest object every time would cost
    // more than the objects themselves.
    std::vector<Slot>().swap(slots_);
    std::vector<Entry>().swap(entries_);
    usedSlots_ = 0;
}

uint64_t MeshBuilder::PointIndex::cellKey(int32_t bucket, int64_t x, int64_t y, int64_t z) {
    uint64_t h = mix(static_cast<uint64_t>(x) + 0x9e3779b97f4a7c15ull * static_cast<uint64_t>(bucket + 1));
    h = mix(h ^ static_cast<uint64_t>(y));
    return mix(h ^ static_cast<uint64_t>(z));
}

size_t MeshBuilder::PointIndex::slotFor(uint64_t key) const {
    const size_t mask = slots_.size() - 1;
    size_t i = static_cast<size_t>(key) & mask;
    while (slots_[i].head >= 0 && slots_[i].key != key) i = (i + 1) & mask;
    return i;
}

int32_t MeshBuilder::PointIndex::find(const Vec3& point, int32_t bucket, const FieldArray<Vec3>& points,
                                      const std::vector<uint8_t>& buckets) const {
    if (slots_.empty() || !finite(point)) return -1;  // nothing non-finite is ever closer than anything
    const Slot& slot = slots_[slotFor(cellKey(bucket, cellOf(point.x), cellOf(point.y), cellOf(point.z)))];
    // Entries are in ascending point order, so the first match is the lowest.
    // Keys are hashes: a slot may mix cells, hence the bucket test.
    for (int32_t e = slot.head; e >= 0; e = entries_[static_cast<size_t>(e)].next) {
        const int32_t candidate = entries_[static_cast<size_t>(e)].point;
        if (buckets[static_cast<size_t>(candidate)] == bucket && distance(points[candidate], point) < kCoincidence) {
            return candidate;
        }
    }
    return -1;
}

void MeshBuilder::PointIndex::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? kInitialSlots : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
        if (slot.head >= 0) slots_[slotFor(slot.key)] = slot;
    }
}

void MeshBuilder::PointIndex::insert(const Vec3& point, int32_t bucket, int32_t index) {
    if (!finite(point)) return;
    const int64_t x0 = cellOf(point.x - kReach), x1 = cellOf(point.x + kReach);
    const int64_t y0 = cellOf(point.y - kReach), y1 = cellOf(point.y + kReach);
    const int64_t z0 = cellOf(point.z - kReach), z1 = cellOf(point.z + kReach);
    for (int64_t x = x0; x <= x1; ++x) {
        for (int64_t y = y0; y <= y1; ++y) {
            for (int64_t z = z0; z <= z1; ++z) {
                if ((usedSlots_ + 1) * 2 > slots_.size()) grow();
                const uint64_t key = cellKey(bucket, x, y, z);
                Slot& slot = slots_[slotFor(key)];
                const int32_t entry = static_cast<int32_t>(entries_.size());
                entries_.push_back({index, -1});
                if (slot.head < 0) {
                    slot.key = key;
                    slot.head = entry;
                    ++usedSlots_;
                } else {
                    entries_[static_cast<size_t>(slot.tail)].next = entry;
                }
                slot.tail = entry;
            }
        }
    }
}

// --- MeshBuilder ---

MeshBuilder::MeshBuilder() { objects_.emplace_back(); }

MeshBuilder::~MeshBuilder() = default;

void MeshBuilder::reset() {
    materials_.clear();
    points_.clear();
    std::vector<uint8_t>().swap(pointBuckets_);
    index_.clear();
    objects_.clear();
    objects_.emplace_back();
    current_ = 0;
    lastMaterialIndex_ = -1;
}

int32_t MeshBuilder::pointBucket(const Vec3& point) {
    const double ax = 12.3 * point.x, ay = 23.4 * point.y, az = 34.5 * point.z;
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    const double r = std::fmod(len * 9.87, 1073741824.0);
    // An infinite or NaN length leaves no remainder; take the value x86
    // conversions give then (0x80000000) instead of an undefined one.
    const uint32_t value = r >= 0.0 && r < 1073741824.0 ? static_cast<uint32_t>(r) : 0x80000000u;
    return static_cast<int32_t>(value % static_cast<uint32_t>(kBucketCount));
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
    object.faces.clear();
    object.faceMaterials.clear();
}

void MeshBuilder::beginPolygon() { beginPolygon(MaterialValues{}); }

void MeshBuilder::beginPolygon(const MaterialValues& material) {
    const bool sameAsLast = lastMaterialIndex_ >= 0 && material.ambient == lastMaterial_.ambient &&
                            material.diffuse == lastMaterial_.diffuse && material.specular == lastMaterial_.specular &&
                            material.emissive == lastMaterial_.emissive &&
                            material.shininess == lastMaterial_.shininess &&
                            material.transparency == lastMaterial_.transparency;
    // Identical values find the same entry again: the table only grows at its end.
    int32_t index = sameAsLast ? lastMaterialIndex_ : materials_.findMaterial(material);
    if (index < 0) index = materials_.appendMaterial(material);
    if (index >= 0) {
        lastMaterial_ = material;
        lastMaterialIndex_ = index;
    }
    currentObjectRef().faceMaterials.append(index < 0 ? 0 : index);
}

void MeshBuilder::addVertex(const Vec3& point) {
    const int32_t bucket = pointBucket(point);
    int32_t index = index_.find(point, bucket, points_, pointBuckets_);
    if (index < 0) {
        index = points_.append(point);
        if (index < 0) return;  // out of memory: the corner is lost, nothing else
        pointBuckets_.push_back(static_cast<uint8_t>(bucket));
        index_.insert(point, bucket, index);
    }
    currentObjectRef().faces.append(index);
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
    if (object < 0 || object >= objectCount()) return MaterialValues{};
    const FieldArray<int32_t>& list = objects_[static_cast<size_t>(object)].faceMaterials;
    if (list.empty()) return MaterialValues{};
    const int32_t* entry = list.at(face);
    if (!entry) entry = list.at(0);
    if (*entry >= materials_.materialCount()) return MaterialValues{};
    return materials_.material(*entry);
}

}  // namespace glowpond
