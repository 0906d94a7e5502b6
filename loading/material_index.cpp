#include "loading/material_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "loading/grid_hash.h"

namespace glowpond {
namespace {

// Twice the coincidence distance: the margin absorbs the rounding of c +- reach.
constexpr double kReach = 2.0 * kCoincidence;

uint64_t bitsOf(double value) {
    if (value == 0.0) value = 0.0;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool finite(const MaterialValues& v) {
    const double all[] = {v.ambient.x,  v.ambient.y,  v.ambient.z,  v.diffuse.x,  v.diffuse.y,
                          v.diffuse.z,  v.specular.x, v.specular.y, v.specular.z, v.emissive.x,
                          v.emissive.y, v.emissive.z, v.shininess,  v.transparency};
    for (double component : all) {
        if (!std::isfinite(component)) return false;
    }
    return true;
}

std::array<int64_t, 3> cellOf(const Vec3& colour) {
    return {gridCell(colour.x), gridCell(colour.y), gridCell(colour.z)};
}

}  // namespace

MaterialIndex::MaterialIndex()
    : answers_(16, KeyHash{drawHashSeed(this)}), cells_(16, CellHash{drawHashSeed(&cells_)}) {}

size_t MaterialIndex::KeyHash::operator()(const Key& key) const {
    uint64_t h = seed;
    for (uint64_t part : key) h = mixBits(h ^ part);
    return static_cast<size_t>(h);
}

size_t MaterialIndex::CellHash::operator()(const std::array<int64_t, 3>& cell) const {
    uint64_t h = seed;
    for (int64_t part : cell) h = mixBits(h ^ static_cast<uint64_t>(part));
    return static_cast<size_t>(h);
}

MaterialIndex::Key MaterialIndex::keyOf(const MaterialValues& v) {
    return {bitsOf(v.ambient.x),  bitsOf(v.ambient.y),  bitsOf(v.ambient.z),  bitsOf(v.diffuse.x),
            bitsOf(v.diffuse.y),  bitsOf(v.diffuse.z),  bitsOf(v.specular.x), bitsOf(v.specular.y),
            bitsOf(v.specular.z), bitsOf(v.emissive.x), bitsOf(v.emissive.y), bitsOf(v.emissive.z),
            bitsOf(v.shininess),  bitsOf(v.transparency)};
}

int32_t MaterialIndex::find(const Material& table, const MaterialValues& values) {
    // Nothing non-finite is the same material as anything.
    if (!finite(values)) return -1;
    const Key key = keyOf(values);
    const auto known = answers_.find(key);
    if (known != answers_.end()) return known->second;
    const auto cell = cells_.find(cellOf(values.diffuse));
    if (cell == cells_.end()) return -1;
    // A cell holds a handful of materials in any model; a file that crowds
    // thousands of colours no eye could tell apart into one would otherwise
    // have each new one compared with all of them.
    const size_t candidates = std::min(cell->second.size(), kMaxCandidates);
    for (size_t i = 0; i < candidates; ++i) {
        const int32_t number = cell->second[i];
        if (sameMaterial(table.material(number), values)) {
            answers_.emplace(key, number);
            return number;
        }
    }
    return -1;
}

void MaterialIndex::add(const MaterialValues& values, int32_t number) {
    if (!finite(values)) return;
    answers_.emplace(keyOf(values), number);
    const Vec3& d = values.diffuse;
    const std::array<int64_t, 3> low = cellOf(d - Vec3{kReach, kReach, kReach});
    const std::array<int64_t, 3> high = cellOf(d + Vec3{kReach, kReach, kReach});
    for (int64_t x = low[0]; x <= high[0]; ++x) {
        for (int64_t y = low[1]; y <= high[1]; ++y) {
            for (int64_t z = low[2]; z <= high[2]; ++z) cells_[{x, y, z}].push_back(number);
        }
    }
}

void MaterialIndex::clear() {
    answers_.clear();
    cells_.clear();
}

}  // namespace glowpond
