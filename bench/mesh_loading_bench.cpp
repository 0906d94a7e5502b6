// Speed of building meshes: the builder alone, the same merge rule as a
// plain linear search of each bucket (for comparison), and whole 3DS loads
// (read, traverse, convert). Models are height fields of 1000-quad rows,
// 2 triangles per quad; "points" counts corners added to a builder.
//
//   build/native/bench/mesh_loading_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "importers/reader_3ds.h"
#include "loading/convert_action.h"
#include "loading/mesh_builder.h"
#include "scene/grouping.h"

namespace glowpond {
namespace {

constexpr int kQuadsPerRow = 1000;
constexpr int kRowsPerMesh = 32;  // 64 000 faces: a 3DS mesh holds at most 65 535

Vec3 gridPoint(int column, int row) {
    const double x = column * 0.01, y = row * 0.01;
    return {x, y, 0.05 * std::sin(x * 3.0) * std::cos(y * 2.0)};
}

int rowsFor(int64_t triangles) { return static_cast<int>(triangles / (2 * kQuadsPerRow)); }

template <typename AddCorner>
void feedTriangles(int rows, AddCorner addCorner) {
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kQuadsPerRow; ++c) {
            addCorner(gridPoint(c, r), gridPoint(c + 1, r), gridPoint(c + 1, r + 1));
            addCorner(gridPoint(c, r), gridPoint(c + 1, r + 1), gridPoint(c, r + 1));
        }
    }
}

void BM_MeshBuilder(benchmark::State& state) {
    const int rows = rowsFor(state.range(0));
    for (auto _ : state) {
        MeshBuilder builder;
        feedTriangles(rows, [&builder](const Vec3& a, const Vec3& b, const Vec3& c) {
            builder.beginPolygon();
            builder.addVertex(a);
            builder.addVertex(b);
            builder.addVertex(c);
            builder.endPolygon();
        });
        benchmark::DoNotOptimize(builder.points().count());
    }
    state.SetItemsProcessed(state.iterations() * 6 * rows * kQuadsPerRow);
}
BENCHMARK(BM_MeshBuilder)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The merge rule searched linearly, bucket by bucket.
void BM_LinearBuckets(benchmark::State& state) {
    const int rows = rowsFor(state.range(0));
    for (auto _ : state) {
        std::vector<Vec3> points;
        std::vector<std::vector<int32_t>> buckets(MeshBuilder::kBucketCount);
        std::vector<int32_t> faces;
        auto add = [&](const Vec3& p) {
            std::vector<int32_t>& bucket = buckets[static_cast<size_t>(MeshBuilder::pointBucket(p))];
            for (int32_t index : bucket) {
                if (distance(points[static_cast<size_t>(index)], p) < kCoincidence) return faces.push_back(index);
            }
            bucket.push_back(static_cast<int32_t>(points.size()));
            points.push_back(p);
            faces.push_back(bucket.back());
        };
        feedTriangles(rows, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
            add(a);
            add(b);
            add(c);
            faces.push_back(-1);
        });
        benchmark::DoNotOptimize(points.size());
    }
    state.SetItemsProcessed(state.iterations() * 6 * rows * kQuadsPerRow);
}
BENCHMARK(BM_LinearBuckets)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// --- Whole 3DS loads ---

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}
void putFloat(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(out, bits);
}
std::string chunk(uint16_t id, const std::string& body) {
    std::string out;
    put16(out, id);
    put32(out, static_cast<uint32_t>(6 + body.size()));
    return out + body;
}

// The grid as a 3DS file, 32 rows per mesh object.
std::string gridFile(int rows) {
    std::string objects;
    for (int first = 0, mesh = 0; first < rows; first += kRowsPerMesh, ++mesh) {
        const int count = std::min(kRowsPerMesh, rows - first);
        std::string points, faces;
        put16(points, static_cast<uint16_t>((count + 1) * (kQuadsPerRow + 1)));
        for (int r = 0; r <= count; ++r) {
            for (int c = 0; c <= kQuadsPerRow; ++c) {
                const Vec3 p = gridPoint(c, first + r);
                putFloat(points, static_cast<float>(p.x));
                putFloat(points, static_cast<float>(p.y));
                putFloat(points, static_cast<float>(p.z));
            }
        }
        put16(faces, static_cast<uint16_t>(2 * count * kQuadsPerRow));
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < kQuadsPerRow; ++c) {
                const uint16_t v = static_cast<uint16_t>(r * (kQuadsPerRow + 1) + c);
                const uint16_t up = static_cast<uint16_t>(v + kQuadsPerRow + 1);
                for (uint16_t corner : {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(up + 1), uint16_t{0},
                                        v, static_cast<uint16_t>(up + 1), up, uint16_t{0}}) {
                    put16(faces, corner);
                }
            }
        }
        const std::string name = "Strip" + std::to_string(mesh) + '\0';
        objects += chunk(0x4000, name + chunk(0x4100, chunk(0x4110, points) + chunk(0x4120, faces)));
    }
    return chunk(0x4D4D, chunk(0x3D3D, objects));
}

void BM_Load3ds(benchmark::State& state) {
    const int rows = rowsFor(state.range(0));
    const std::string file = gridFile(rows);
    for (auto _ : state) {
        Separator context;
        read3dsData(context, "grid.3ds", reinterpret_cast<const uint8_t*>(file.data()), file.size());
        ConvertAction action(nullptr, nullptr);
        TraversalState traversal;
        context.apply(traversal, action);
        action.finish(context, traversal);
        benchmark::DoNotOptimize(action.mesh()->vertexCount);
    }
    // Each corner goes into the action's builder and again into the working builder.
    state.SetItemsProcessed(state.iterations() * 2 * 6 * rows * kQuadsPerRow);
}
BENCHMARK(BM_Load3ds)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glowpond
