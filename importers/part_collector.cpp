#include "importers/part_collector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

#include "importers/polygon_split.h"
#include "importers/reader_3ds.h"
#include "scene/grouping.h"
#include "scene/transforms.h"

namespace glowpond {

void readWithinMemory(Node& context, const ModelSource& source, const char* failedFormat,
                      void (*read)(Node& context, const ModelSource& source)) {
    try {
        read(context, source);
    } catch (const std::bad_alloc&) {
        context.error(failedFormat, source.name.c_str(), "not enough memory");
    }
}

bool PartCollector::MaterialKey::operator==(const MaterialKey& other) const {
    return std::memcmp(values, other.values, sizeof values) == 0;
}

size_t PartCollector::MaterialKeyHash::operator()(const MaterialKey& key) const {
    size_t hash = 0;
    for (double value : key.values) hash = hash * 1000003u ^ std::hash<double>()(value);
    return hash;
}

PartCollector::PartCollector() : coordinates_(std::make_unique<Coordinate3>()) {}

PartCollector::~PartCollector() = default;

FieldArray<Vec3>& PartCollector::points() { return coordinates_->point(); }

int32_t PartCollector::pointCount() const { return coordinates_->point().count(); }

namespace {

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

size_t pointHash(const Vec3& p) {
    uint64_t h = bitsOf(p.x) * 0x9E3779B97F4A7C15u;
    h = (h ^ (h >> 29) ^ bitsOf(p.y)) * 0xBF58476D1CE4E5B9u;
    h = (h ^ (h >> 31) ^ bitsOf(p.z)) * 0x94D049BB133111EBu;
    return static_cast<size_t>(h ^ (h >> 32));
}

bool sameBits(const Vec3& a, const Vec3& b) {
    return bitsOf(a.x) == bitsOf(b.x) && bitsOf(a.y) == bitsOf(b.y) && bitsOf(a.z) == bitsOf(b.z);
}

}  // namespace

int32_t PartCollector::sharedPoint(const Vec3& point) {
    FieldArray<Vec3>& list = points();
    // Half full at most.
    if ((static_cast<size_t>(list.count()) + 1) * 2 > pointTable_.size()) {
        std::vector<uint32_t> table(std::max<size_t>(1024, pointTable_.size() * 2), 0);
        const size_t mask = table.size() - 1;
        for (int32_t i = 0; i < list.count(); ++i) {
            size_t slot = pointHash(list[i]) & mask;
            while (table[slot] != 0) slot = (slot + 1) & mask;
            table[slot] = static_cast<uint32_t>(i) + 1;
        }
        pointTable_.swap(table);
    }
    const size_t mask = pointTable_.size() - 1;
    size_t slot = pointHash(point) & mask;
    for (; pointTable_[slot] != 0; slot = (slot + 1) & mask) {
        const int32_t number = static_cast<int32_t>(pointTable_[slot] - 1);
        if (sameBits(list[number], point)) return number;
    }
    const int32_t number = list.append(point);
    if (number >= 0) pointTable_[slot] = static_cast<uint32_t>(number) + 1;
    return number;
}

size_t PartCollector::part(const std::string& name) {
    const std::string fitted = fit3dsName(name);
    const auto found = partNumbers_.find(fitted);
    if (found != partNumbers_.end()) return found->second;
    if (parts_.size() == kMaxParts) return kMaxParts - 1;
    Part part;
    part.name = fitted;
    part.material = std::make_unique<Material>();
    part.faces = std::make_unique<IndexedFaceSet>();
    parts_.push_back(std::move(part));
    partNumbers_.emplace(fitted, parts_.size() - 1);
    return parts_.size() - 1;
}

int32_t PartCollector::materialNumber(Part& part, const MaterialValues& material) {
    // Only ambient and diffuse differ between the materials readers make.
    const MaterialKey key{{material.ambient.x, material.ambient.y, material.ambient.z, material.diffuse.x,
                           material.diffuse.y, material.diffuse.z}};
    if (part.lastNumber >= 0 && key == part.lastKey) return part.lastNumber;
    const auto found = part.materialNumbers.find(key);
    int32_t number = found != part.materialNumbers.end() ? found->second : part.material->appendMaterial(material);
    if (number >= 0 && found == part.materialNumbers.end()) part.materialNumbers.emplace(key, number);
    if (number >= 0) {
        part.lastKey = key;
        part.lastNumber = number;
    }
    return number;
}

bool PartCollector::addTriangle(Part& part, int32_t a, int32_t b, int32_t c, const MaterialValues* material) {
    MaterialValues values;
    bool coloured = pointColours_.size() == static_cast<size_t>(pointCount()) * 3 && !pointColours_.empty();
    Vec3 sum;
    for (int32_t corner : {a, b, c}) {
        if (!coloured) break;
        const float* rgb = &pointColours_[static_cast<size_t>(corner) * 3];
        coloured = std::isfinite(rgb[0]) && std::isfinite(rgb[1]) && std::isfinite(rgb[2]);
        sum = sum + Vec3{rgb[0], rgb[1], rgb[2]};
    }
    if (coloured) {
        // Rounded to float, so corners of equal colours give equal faces.
        values.diffuse = {static_cast<float>(sum.x / 3), static_cast<float>(sum.y / 3), static_cast<float>(sum.z / 3)};
    } else if (material) {
        values = *material;
    }
    const int32_t number = materialNumber(part, values);
    if (number < 0) return false;
    FieldArray<int32_t>& indices = part.faces->coordIndex();
    if (indices.append(a) < 0 || indices.append(b) < 0 || indices.append(c) < 0 || indices.append(-1) < 0) {
        return false;
    }
    FieldArray<int32_t>& numbers = part.faces->materialIndex();
    if (number != 0 && !part.mixed) {
        // Until now every face had material 0.
        part.mixed = true;
        for (int32_t f = 0; f < part.faceCount; ++f) {
            if (numbers.append(0) < 0) return false;
        }
    }
    if (part.mixed && numbers.append(number) < 0) return false;
    ++part.faceCount;
    ++triangles_;
    return true;
}

bool PartCollector::addFace(size_t partNumber, const int32_t* corners, size_t count, const MaterialValues* material) {
    Part& part = parts_[partNumber];
    if (count < 3) return true;
    if (count == 3) return addTriangle(part, corners[0], corners[1], corners[2], material);
    cornerPoints_.clear();
    const FieldArray<Vec3>& list = points();
    for (size_t i = 0; i < count; ++i) cornerPoints_.push_back(list[corners[i]]);
    split_.clear();
    splitPolygon(cornerPoints_.data(), count, split_);
    for (size_t t = 0; t + 2 < split_.size(); t += 3) {
        if (!addTriangle(part, corners[split_[t]], corners[split_[t + 1]], corners[split_[t + 2]], material)) {
            return false;
        }
    }
    return true;
}

void PartCollector::finish(Node& context) {
    if (triangles_ > 0) {
        auto top = std::make_unique<Separator>();
        if (zUp_) {
            // (x, y, z) -> (x, z, -y), on row vectors.
            Matrix4 turn;
            turn.at(0, 0) = 1.0;
            turn.at(2, 1) = 1.0;
            turn.at(1, 2) = -1.0;
            turn.at(3, 3) = 1.0;
            std::unique_ptr<Node> transform = MatrixTransform::create();
            transform->setMatrix("matrix", turn);
            top->addChild(std::move(transform));
        }
        top->addChild(std::move(coordinates_));
        for (Part& part : parts_) {
            if (part.faceCount == 0) continue;
            auto separator = std::make_unique<Separator>();
            separator->setName(part.name);
            if (part.mixed) {
                std::unique_ptr<Node> binding = MaterialBinding::create();
                binding->setInt("value", kBindingPerFaceIndexed);
                separator->addChild(std::move(binding));
            }
            separator->addChild(std::move(part.material));
            separator->addChild(std::move(part.faces));
            top->addChild(std::move(separator));
        }
        context.addChild(std::move(top));
    }
    coordinates_ = std::make_unique<Coordinate3>();
    pointColours_.clear();
    std::vector<uint32_t>().swap(pointTable_);
    parts_.clear();
    partNumbers_.clear();
    triangles_ = 0;
}

}  // namespace glowpond
