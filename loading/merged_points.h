// MergedPoints: the shared point list of a MeshBuilder, which merges a new
// corner into the lowest-numbered stored point of the same hash bucket
// (pointBucket) closer than kCoincidence, and stores it as a new point
// otherwise. Non-finite points never merge.
//
// The lookup finds that point without searching the bucket: every stored
// point is filed under each cell of a fine grid that lies within reach of
// it, so the one cell of a query point holds every candidate. A stored point
// with exactly the query's coordinates is the answer without computing the
// bucket: no earlier point can have been within reach of it, or it would not
// have been stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/huge_pages.h"
#include "scene/values.h"

namespace glowpond {

constexpr int32_t kPointBuckets = 51;

// The hash bucket (0 .. kPointBuckets - 1) of a point.
int32_t pointBucket(const Vec3& point);

class MergedPoints {
public:
    MergedPoints();

    // Room for `more` points beyond those stored, so that a shape whose size
    // is known does not grow the tables step by step.
    void reserve(size_t more);

    // The number of `point`, existing or new. Throws std::bad_alloc when
    // memory runs out, leaving the points stored before.
    int32_t add(const Vec3& point);

    const LargeVector<Vec3>& points() const { return points_; }
    int32_t count() const { return static_cast<int32_t>(points_.size()); }

    // Frees the lookup tables, keeping the points; the next add() files
    // them again. For when no more points are expected.
    void releaseIndex();

    // Frees everything.
    void clear();

private:
    struct Entry {
        uint32_t cell;  // the cell's hash: chains mix cells
        int32_t point;
        int32_t next;  // -1: end of the chain
    };

    bool occupied(uint32_t cell) const;
    int32_t find(const Vec3& point, uint32_t cell, int32_t& bucket) const;
    void file(const Vec3& point, int32_t number);
    void rehash(size_t heads);
    void addEntry(uint32_t cell, int32_t point);

    LargeVector<Vec3> points_;
    LargeVector<uint8_t> buckets_;  // bucket of each point
    LargeVector<int32_t> heads_;    // first entry of each chain; a power of two of them
    // A bit for each of 8 x heads_.size() cell hashes, set when an entry has
    // it: small enough to stay in the cache, so that the lookup of most new
    // points ends there without touching the chains.
    LargeVector<uint64_t> occupied_;
    LargeVector<Entry> entries_;
    bool indexed_ = true;  // every finite point is filed
    uint64_t seed_;        // of the cell hash
};

}  // namespace glowpond
