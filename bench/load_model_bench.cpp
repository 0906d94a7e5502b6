// Whole-file loads through ModelLoader::load, exactly as the saver loads a
// model: content check, reading, traversal, conversion, for tori of 10k to
// 4M triangles as VRML (one IndexedFaceSet) and as 3DS (meshes of 60 000
// faces). peakMB is the process's peak resident memory over the runs.
//
//   build/native/bench/load_model_bench
#include <benchmark/benchmark.h>

#include "bench/load_bench_support.h"

namespace glowpond::bench {
namespace {

void BM_LoadVrml(benchmark::State& state) { loadTorus(state, Format::kVrml); }
BENCHMARK(BM_LoadVrml)->RangeMultiplier(10)->Range(10'000, 1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond);

void BM_Load3ds(benchmark::State& state) { loadTorus(state, Format::k3ds); }
BENCHMARK(BM_Load3ds)->RangeMultiplier(10)->Range(10'000, 1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond);

void BM_LoadGlb(benchmark::State& state) { loadTorus(state, Format::kGlb); }
BENCHMARK(BM_LoadGlb)->RangeMultiplier(10)->Range(10'000, 1'000'000)->Arg(4'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glowpond::bench
