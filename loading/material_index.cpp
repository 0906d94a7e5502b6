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

MaterialIndex::MaterialIndex() : seed_(drawHashSeed(this)), cells_(16, CellHash{drawHashSeed(&cells_)}) {}

// The parts in pairs, each pair's seeded 128-bit product folded: the seven
// products do not wait for each other, as a chain of mixes would.
uint64_t MaterialIndex::hashOf(const Key& key) const {
    uint64_t h = seed_;
    for (size_t i = 0; i < key.size(); i += 2) {
        const unsigned __int128 product =
            static_cast<unsigned __int128>(key[i] ^ seed_) * (key[i + 1] ^ mixBits(seed_ + i));
        h ^= static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
    }
    return mixBits(h);
}

void MaterialIndex::remember(const Key& key, int32_t number) {
    if (2 * (keys_.size() + 1) > answers_.size()) {
        std::vector<Answer> grown(std::max<size_t>(1024, 2 * answers_.size()));
        for (const Answer& answer : answers_) {
            if (answer.key < 0) continue;
            size_t slot = answer.hash & (grown.size() - 1);
            while (grown[slot].key >= 0) slot = (slot + 1) & (grown.size() - 1);
            grown[slot] = answer;
        }
        answers_.swap(grown);
    }
    const uint64_t hash = hashOf(key);
    size_t slot = hash & (answers_.size() - 1);
    while (answers_[slot].key >= 0) slot = (slot + 1) & (answers_.size() - 1);
    keys_.push_back(key);
    answers_[slot] = {hash, static_cast<int32_t>(keys_.size() - 1), number};
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
    if (!answers_.empty()) {
        const uint64_t hash = hashOf(key);
        for (size_t slot = hash & (answers_.size() - 1); answers_[slot].key >= 0;
             slot = (slot + 1) & (answers_.size() - 1)) {
            const Answer& known = answers_[slot];
            if (known.hash == hash && keys_[static_cast<size_t>(known.key)] == key) return known.number;
        }
    }
    const auto cell = cells_.find(cellOf(values.diffuse));
    if (cell == cells_.end()) return -1;
    // A cell holds a handful of materials in any model; a file that crowds
    // thousands of colours no eye could tell apart into one would otherwise
    // have each new one compared with all of them.
    const size_t candidates = std::min(cell->second.size(), kMaxCandidates);
    for (size_t i = 0; i < candidates; ++i) {
        const int32_t number = cell->second[i];
        if (sameMaterial(table.material(number), values)) {
            remember(key, number);
            return number;
        }
    }
    return -1;
}

void MaterialIndex::add(const MaterialValues& values, int32_t number) {
    if (!finite(values)) return;
    remember(keyOf(values), number);
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
    std::vector<Answer>().swap(answers_);
    std::vector<Key>().swap(keys_);
    cells_.clear();
}

}  // namespace glowpond
