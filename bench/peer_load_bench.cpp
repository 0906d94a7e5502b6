// Whole loads of the generated torus files side by side with two independent
// readers of the formats, as yardsticks: Coin3D reading VRML 1.0 and
// triangulating it, assimp reading 3DS and GLB without post-processing. Neither
// merges vertices; ours merges, computes normals and converts.
//
//   build/native/bench/peer_load_bench [--benchmark_filter=...]
//
// The files come from write_models (see bench/CMakeLists.txt) in the folder
// named by GLOWPOND_BENCH_MODELS, or are written to the temporary folder.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/generated_models.h"
#include "bench/load_bench_support.h"
#include "bench/peer_readers.h"

namespace glowpond::bench {
namespace {

void BM_CoinVrml(benchmark::State& state) {
    SoDB::init();
    const std::string& path = torusFile(static_cast<int>(state.range(0)), Format::kVrml);
    const PeakMemory peak;
    for (auto _ : state) {
        const int64_t triangles = readWithCoin(path.c_str());
        if (triangles < 0) {
            state.SkipWithError("Coin3D did not read the file");
            break;
        }
        benchmark::DoNotOptimize(triangles);
    }
    peak.count(state, path);
}

void assimpRead(benchmark::State& state, Format format) {
    const std::string& path = torusFile(static_cast<int>(state.range(0)), format);
    const PeakMemory peak;
    for (auto _ : state) {
        const int64_t triangles = readWithAssimp(path.c_str());
        if (triangles < 0) {
            state.SkipWithError("assimp did not read the file");
            break;
        }
        benchmark::DoNotOptimize(triangles);
    }
    peak.count(state, path);
}

void BM_Assimp3ds(benchmark::State& state) { assimpRead(state, Format::k3ds); }
void BM_AssimpGlb(benchmark::State& state) { assimpRead(state, Format::kGlb); }

void BM_GlowpondVrml(benchmark::State& state) { loadTorus(state, Format::kVrml); }
void BM_Glowpond3ds(benchmark::State& state) { loadTorus(state, Format::k3ds); }
void BM_GlowpondGlb(benchmark::State& state) { loadTorus(state, Format::kGlb); }

// Ours and the peer's one after the other for each size, so that each pair
// runs under the same conditions.
BENCHMARK(BM_GlowpondVrml)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CoinVrml)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Glowpond3ds)->Arg(500'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Assimp3ds)->Arg(500'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GlowpondGlb)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AssimpGlb)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace glowpond::bench
