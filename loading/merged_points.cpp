#include "loading/merged_points.h"

#include <algorithm>
#include <cmath>

#include "loading/grid_hash.h"
#include "mesh/huge_pages.h"

namespace glowpond {
namespace {

// Grid cells (gridCell) are 1/4096 wide: a power of two, so that scaling a
// coordinate into cell units is exact, and wide enough that a point's reach
// spans at most two cells per axis (usually one). The reach is twice the merge distance: the margin absorbs the rounding of x +- reach,
// so a point is filed under every cell a merge partner can lie in.
constexpr double kReach = 2.0 * kCoincidence;
constexpr size_t kInitialHeads = 1024;
constexpr size_t kBitsPerHead = 8;

bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// The hash of a cell: that of its block of 64 x 64 x 64 cells plus its place
// in the block. The cells of a block then share one run of chain heads and
// occupancy bits, so that points near each other, which models mostly list
// one after the other, find those already in the cache. The block's hash
// starts from a seed drawn for each set of points: a file cannot be made to
// pile its points into one chain without knowing it.
uint32_t cellHash(int64_t x, int64_t y, int64_t z, uint64_t seed) {
    constexpr int kShift = 6;
    constexpr int64_t kMask = (int64_t{1} << kShift) - 1;
    uint64_t h = mixBits(seed ^ static_cast<uint64_t>(x >> kShift));
    h = mixBits(h ^ static_cast<uint64_t>(y >> kShift));
    h = mixBits(h ^ static_cast<uint64_t>(z >> kShift));
    const uint32_t inBlock = static_cast<uint32_t>((x & kMask) | (y & kMask) << kShift | (z & kMask) << (2 * kShift));
    return static_cast<uint32_t>(h >> 32) + inBlock;
}

// The bit of `cell` in a bitmap of a power of two of bits.
size_t bitOf(const LargeVector<uint64_t>& bits, uint32_t cell) { return cell & (bits.size() * 64 - 1); }
void setBit(LargeVector<uint64_t>& bits, uint32_t cell) {
    const size_t bit = bitOf(bits, cell);
    bits[bit >> 6] |= uint64_t{1} << (bit & 63);
}

// Grows a list's capacity geometrically, so that many small reservations do
// not copy it again each time.
template <typename T>
void reserveMore(LargeVector<T>& list, size_t more) {
    const size_t wanted = list.size() + more;
    if (wanted > list.capacity()) list.reserve(std::max(wanted, list.capacity() * 2));
}

}  // namespace

MergedPoints::MergedPoints() : seed_(drawHashSeed(this)) {}

int32_t pointBucket(const Vec3& point) {
    const double ax = 12.3 * point.x, ay = 23.4 * point.y, az = 34.5 * point.z;
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    const double r = std::fmod(len * 9.87, 1073741824.0);
    // An infinite or NaN length leaves no remainder; take the value x86
    // conversions give then (0x80000000) instead of an undefined one.
    const uint32_t value = r >= 0.0 && r < 1073741824.0 ? static_cast<uint32_t>(r) : 0x80000000u;
    return static_cast<int32_t>(value % static_cast<uint32_t>(kPointBuckets));
}

void MergedPoints::releaseIndex() {
    LargeVector<int32_t>().swap(heads_);
    LargeVector<uint64_t>().swap(occupied_);
    LargeVector<Entry>().swap(entries_);
    indexed_ = points_.empty();
}

void MergedPoints::clear() {
    LargeVector<Vec3>().swap(points_);
    LargeVector<uint8_t>().swap(buckets_);
    releaseIndex();
}

void MergedPoints::reserve(size_t more) {
    reserveMore(points_, more);
    reserveMore(buckets_, more);
    // A point in general position lies within reach of about 1.6 cells.
    const size_t entries = entries_.size() + more + more / 2 + more / 8;
    reserveMore(entries_, entries - entries_.size());
    size_t heads = std::max(heads_.size(), kInitialHeads);
    while (heads < entries) heads *= 2;
    if (heads > heads_.size()) rehash(heads);
}

int32_t MergedPoints::add(const Vec3& point) {
    const int32_t number = count();
    if (!finite(point)) {
        // Never merged and never filed: nothing non-finite is closer than anything.
        points_.push_back(point);
        buckets_.push_back(static_cast<uint8_t>(pointBucket(point)));
        return number;
    }
    if (!indexed_) {
        for (size_t i = 0; i < points_.size(); ++i) {
            if (finite(points_[i])) file(points_[i], static_cast<int32_t>(i));
        }
        indexed_ = true;
    }
    const uint32_t cell = cellHash(gridCell(point.x), gridCell(point.y), gridCell(point.z), seed_);
    int32_t bucket = -1;
    const int32_t found = find(point, cell, bucket);
    if (found >= 0) return found;
    if (bucket < 0) bucket = pointBucket(point);
    points_.push_back(point);
    try {
        buckets_.push_back(static_cast<uint8_t>(bucket));
        file(point, number);
    } catch (...) {
        points_.resize(static_cast<size_t>(number));
        buckets_.resize(static_cast<size_t>(number));
        while (!entries_.empty() && entries_.back().point == number) {
            heads_[entries_.back().cell & (heads_.size() - 1)] = entries_.back().next;
            entries_.pop_back();
        }
        throw;
    }
    return number;
}

bool MergedPoints::occupied(uint32_t cell) const {
    const size_t bit = bitOf(occupied_, cell);
    return (occupied_[bit >> 6] >> (bit & 63) & 1) != 0;
}

// The stored point `point` merges into, or -1; `bucket` is set to the
// point's bucket when that had to be computed.
int32_t MergedPoints::find(const Vec3& point, uint32_t cell, int32_t& bucket) const {
    if (heads_.empty()) return -1;
    if (!occupied(cell)) return -1;
    const int32_t head = heads_[cell & (heads_.size() - 1)];
    bool near = false;
    for (int32_t e = head; e >= 0; e = entries_[static_cast<size_t>(e)].next) {
        const Entry& entry = entries_[static_cast<size_t>(e)];
        if (entry.cell != cell) continue;
        const Vec3& candidate = points_[static_cast<size_t>(entry.point)];
        if (candidate == point) return entry.point;
        near = near || distance(candidate, point) < kCoincidence;
    }
    if (!near) return -1;
    // Chains run newest first: the answer is the lowest match.
    bucket = pointBucket(point);
    int32_t lowest = -1;
    for (int32_t e = head; e >= 0; e = entries_[static_cast<size_t>(e)].next) {
        const Entry& entry = entries_[static_cast<size_t>(e)];
        if (entry.cell != cell || buckets_[static_cast<size_t>(entry.point)] != bucket) continue;
        if (distance(points_[static_cast<size_t>(entry.point)], point) < kCoincidence) lowest = entry.point;
    }
    return lowest;
}

void MergedPoints::file(const Vec3& point, int32_t number) {
    const int64_t x0 = gridCell(point.x - kReach), x1 = gridCell(point.x + kReach);
    const int64_t y0 = gridCell(point.y - kReach), y1 = gridCell(point.y + kReach);
    const int64_t z0 = gridCell(point.z - kReach), z1 = gridCell(point.z + kReach);
    for (int64_t x = x0; x <= x1; ++x) {
        for (int64_t y = y0; y <= y1; ++y) {
            for (int64_t z = z0; z <= z1; ++z) addEntry(cellHash(x, y, z, seed_), number);
        }
    }
}

void MergedPoints::addEntry(uint32_t cell, int32_t point) {
    if (entries_.size() >= heads_.size()) rehash(std::max(kInitialHeads, heads_.size() * 2));
    int32_t& head = heads_[cell & (heads_.size() - 1)];
    entries_.push_back({cell, point, head});
    setBit(occupied_, cell);
    head = static_cast<int32_t>(entries_.size() - 1);
}

void MergedPoints::rehash(size_t heads) {
    LargeVector<int32_t> table(heads, -1);
    for (size_t e = 0; e < entries_.size(); ++e) {
        int32_t& head = table[entries_[e].cell & (heads - 1)];
        entries_[e].next = head;
        head = static_cast<int32_t>(e);
    }
    LargeVector<uint64_t> bits(heads * kBitsPerHead / 64);
    for (const Entry& entry : entries_) setBit(bits, entry.cell);
    heads_.swap(table);
    occupied_.swap(bits);
}

}  // namespace glowpond
