// Whole-file loads through ModelLoader::load, exactly as the saver loads
// a model: content check, reading, traversal, conversion. Generated height
// fields of 10k, 100k and 1M triangles as VRML (one IndexedFaceSet) and as
// 3DS (meshes of 64 000 faces).
//
//   build/native/bench/load_model_bench
#include <benchmark/benchmark.h>

#include <string>

#include "bench/generated_models.h"
#include "loading/load_driver.h"

namespace glowpond {
namespace {

// Shows nothing and never cancels, as a saver without its load-status window.
class Unobserved final : public LoadObserver {
public:
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string&, const std::string&) override {}
    bool cancelled() override { return false; }
};

void loadModelBench(benchmark::State& state, const std::string& path, size_t bytes) {
    ModelLoader loader;
    Unobserved observer;
    for (auto _ : state) {
        DisplayMesh mesh;
        if (!loader.load(path, mesh, observer)) state.SkipWithError("the model did not load");
        benchmark::DoNotOptimize(mesh.vertexCount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(state.iterations() * state.range(0));  // triangles
}

void BM_LoadVrml(benchmark::State& state) {
    const int triangles = static_cast<int>(state.range(0));
    const std::string text = bench::vrmlGrid(triangles);
    loadModelBench(state, bench::temporaryFile(std::to_string(triangles) + ".wrl", text), text.size());
}
BENCHMARK(BM_LoadVrml)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_Load3ds(benchmark::State& state) {
    const int rows = bench::rowsFor(state.range(0));
    const std::string file = bench::studioGrid(rows);
    loadModelBench(state, bench::temporaryFile(std::to_string(rows) + "rows.3ds", file), file.size());
}
BENCHMARK(BM_Load3ds)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glowpond
