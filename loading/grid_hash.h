// What the lookups of the mesh builder share: cells of a grid finer than
// any coincidence reach, and a hash seeded per lookup, so that no file can
// be made to pile its entries into one chain of a table.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace glowpond {

// Cells are 1/4096 wide, their boundaries half-way between multiples of
// 1/4096: coordinates with short binary fractions (whole numbers, 0.5,
// 0.125), common in models, then fall inside one cell instead of on a
// boundary. From 2^50 on, neighbouring doubles lie 0.25 or more apart, so a
// coordinate there is within reach of itself alone: its cell is its own bit
// pattern (beyond any ordinary cell number), and distinct far values never
// share a cell. `coordinate` must be finite.
constexpr double kCellsPerUnit = 4096.0;
inline int64_t gridCell(double coordinate) {
    constexpr double kFarCell = 4611686018427387904.0;  // 2^62: a coordinate of 2^50
    const double cell = std::floor(coordinate * kCellsPerUnit + 0.5);
    if (std::fabs(cell) < kFarCell) return static_cast<int64_t>(cell);
    uint64_t bits;
    const double magnitude = std::fabs(coordinate);
    std::memcpy(&bits, &magnitude, sizeof bits);
    return coordinate < 0 ? -static_cast<int64_t>(bits) : static_cast<int64_t>(bits);
}

// A bijective mixer (the finaliser of MurmurHash3): chained over a seed and
// the keys, it leaves no collision that holds whatever the seed.
inline uint64_t mixBits(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
}

// A fresh seed for the hash of one lookup, from the system's random source
// and the lookup's own address.
inline uint64_t drawHashSeed(const void* owner) {
    uint64_t seed = mixBits(reinterpret_cast<uintptr_t>(owner));
    try {
        std::random_device device;
        seed ^= static_cast<uint64_t>(device()) << 32 | device();
    } catch (...) {
        // No random source: the address alone still differs between runs.
    }
    return seed;
}

}  // namespace glowpond
