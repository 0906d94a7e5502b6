// MaterialIndex: the material table's lookup for a MeshBuilder. It answers
// as Material::findMaterial over the table would (the first material within
// kCoincidence), without searching the table: values seen before are found
// by their exact bits, new ones among the materials whose diffuse colour
// lies in the same grid cell. Only when more than kMaxCandidates materials
// crowd into one cell (colours within 1/4096 of each other) can the answer
// differ: a new material instead of one beyond the first kMaxCandidates.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "scene/properties.h"

namespace glowpond {

class MaterialIndex {
public:
    // New values are compared with at most this many materials of their
    // cell, the first ones; beyond them a same material is not found, and
    // the value becomes a material of its own.
    static constexpr size_t kMaxCandidates = 128;

    MaterialIndex();

    // The number in `table` of the first material that sameMaterial() takes
    // for `values` (within the candidates of its cell), or -1. Every material of `table` must have been filed
    // with add(), and, as the builder keeps it, no two be the same material.
    int32_t find(const Material& table, const MaterialValues& values);
    // Files `values`, stored as material `number` of the table.
    void add(const MaterialValues& values, int32_t number);
    void clear();

private:
    // The 14 components' bits, negative zero taken as zero, which compares equal to it.
    using Key = std::array<uint64_t, 14>;
    struct Answer {
        uint64_t hash;
        int32_t key = -1;  // in keys_; -1: a free slot
        int32_t number;
    };
    struct CellHash {
        uint64_t seed;
        size_t operator()(const std::array<int64_t, 3>& cell) const;
    };

    static Key keyOf(const MaterialValues& values);
    uint64_t hashOf(const Key& key) const;
    void remember(const Key& key, int32_t number);

    // Every value looked up or filed, with its answer: the table only grows
    // at its end, so a first match found once stays the first. Open
    // addressing over a power of two of slots, at most half of them used.
    uint64_t seed_;
    std::vector<Answer> answers_;
    std::vector<Key> keys_;
    // Materials by cell of their diffuse colour, filed under every cell a
    // same material's diffuse colour can lie in; each list in table order.
    std::unordered_map<std::array<int64_t, 3>, std::vector<int32_t>, CellHash> cells_;
};

}  // namespace glowpond
