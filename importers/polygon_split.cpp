#include "importers/polygon_split.h"

#include <cmath>

namespace glowpond {
namespace {

struct Point2 {
    double x, y;
};

double turn(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Inside or on the border of the counter-clockwise triangle abc.
bool inTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    return turn(a, b, p) >= 0.0 && turn(b, c, p) >= 0.0 && turn(c, a, p) >= 0.0;
}

bool same(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

void fan(size_t first, const std::vector<uint32_t>& ring, std::vector<uint32_t>& triangles) {
    for (size_t i = first + 1; i + 1 < ring.size(); ++i) {
        triangles.insert(triangles.end(), {ring[first], ring[i], ring[i + 1]});
    }
}

// Beyond this many corner tests a polygon is not worth the search: the
// rest becomes a fan, which hostile input may ask for, real faces do not.
constexpr uint64_t kMaxTests = uint64_t{1} << 24;

}  // namespace

void splitPolygon(const Vec3* corners, size_t count, std::vector<uint32_t>& triangles) {
    if (count < 3) return;
    std::vector<uint32_t> ring(count);
    for (size_t i = 0; i < count; ++i) ring[i] = static_cast<uint32_t>(i);
    if (count == 3) {
        fan(0, ring, triangles);
        return;
    }
    // Newell's normal picks the plane to project on.
    Vec3 normal;
    for (size_t i = 0; i < count; ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % count];
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
    }
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    if (!(ax + ay + az > 0.0) || !std::isfinite(ax + ay + az)) {
        fan(0, ring, triangles);
        return;
    }
    // Dropping the largest axis; the projection is made counter-clockwise.
    std::vector<Point2> flat(count);
    for (size_t i = 0; i < count; ++i) {
        const Vec3& p = corners[i];
        if (ax >= ay && ax >= az) {
            flat[i] = {p.y, normal.x > 0 ? p.z : -p.z};
        } else if (ay >= az) {
            flat[i] = {p.z, normal.y > 0 ? p.x : -p.x};
        } else {
            flat[i] = {p.x, normal.z > 0 ? p.y : -p.y};
        }
    }

    uint64_t tests = 0;
    size_t misses = 0;  // candidates looked at since the last ear
    size_t at = 0;
    while (ring.size() > 3) {
        const size_t n = ring.size();
        const size_t prev = (at + n - 1) % n, next = (at + 1) % n;
        const Point2& a = flat[ring[prev]];
        const Point2& b = flat[ring[at]];
        const Point2& c = flat[ring[next]];
        bool ear = turn(a, b, c) > 0.0;
        for (size_t k = 0; ear && k < n; ++k) {
            if (k == prev || k == at || k == next) continue;
            const Point2& p = flat[ring[k]];
            // A corner repeated in the outline does not block its own copies.
            if (same(p, a) || same(p, b) || same(p, c)) continue;
            ear = !inTriangle(p, a, b, c);
        }
        tests += n;
        // No ear in a whole round: the outline is degenerate here; clip anyway.
        if (ear || misses >= n) {
            triangles.insert(triangles.end(), {ring[prev], ring[at], ring[next]});
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(at));
            if (at >= ring.size()) at = 0;
            misses = 0;
        } else {
            at = next;
            ++misses;
        }
        if (tests > kMaxTests) {
            fan(0, ring, triangles);
            return;
        }
    }
    fan(0, ring, triangles);
}

}  // namespace glowpond
