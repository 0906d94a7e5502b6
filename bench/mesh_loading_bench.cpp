// Speed of building meshes: the builder alone, and the same merge rule as a
// plain linear search of each bucket (for comparison). Whole loads are in
// load_model_bench. Models are height fields of 1000-quad rows,
// 2 triangles per quad; "points" counts corners added to a builder.
//
//   build/native/bench/mesh_loading_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/generated_models.h"
#include "loading/mesh_builder.h"

namespace glowpond {
namespace {

using bench::gridPoint;
using bench::kQuadsPerRow;
using bench::rowsFor;

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
        benchmark::DoNotOptimize(builder.points().size());
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

}  // namespace
}  // namespace glowpond
