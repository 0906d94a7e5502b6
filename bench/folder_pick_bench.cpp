// Picking models from a big folder at the start: the scan of 10,000 files
// (in 100 subfolders, or all in one) and the plan that draws from it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "host/load_sequence.h"
#include "loading/model_folder.h"

namespace {

namespace fs = std::filesystem;

// The folders made, removed when the run ends.
struct MadeFolders {
    ~MadeFolders() {
        std::error_code ignored;
        for (const fs::path& root : roots) fs::remove_all(root, ignored);
    }
    std::vector<fs::path> roots;
} made;

// A folder of `files` empty model files, `perFolder` to a subfolder (all at
// the top when 0), made once per run.
std::string makeFolder(const char* name, int files, int perFolder) {
    const fs::path root = fs::temp_directory_path() / name;
    std::error_code ignored;
    fs::remove_all(root, ignored);
    made.roots.push_back(root);
    for (int i = 0; i < files; ++i) {
        const fs::path folder = perFolder ? root / ("sub" + std::to_string(i / perFolder)) : root;
        if (i % (perFolder ? perFolder : files) == 0) fs::create_directories(folder);
        std::FILE* file = std::fopen((folder / ("model" + std::to_string(i) + (i % 2 ? ".wrl" : ".3ds"))).c_str(), "w");
        if (file) std::fclose(file);
    }
    return root.string() + "/";
}

void pickFrom(benchmark::State& state, const std::string& folder) {
    glowpond::SaverSettings settings;
    settings.addModel(0, folder);
    glowpond::PosixFolderLister lister;
    uint32_t seed = 1;
    for (auto _ : state) {
        glowpond::ModelPlan plan = glowpond::planModels(settings, &lister, seed++);
        if (plan.entries[0].pool.size() != 10000) state.SkipWithError("not every file was found");
        benchmark::DoNotOptimize(plan);
    }
}

void BM_PickFromTenThousandInSubfolders(benchmark::State& state) {
    static const std::string folder = makeFolder("glowpond-bench-nested", 10000, 100);
    pickFrom(state, folder);
}
BENCHMARK(BM_PickFromTenThousandInSubfolders)->Unit(benchmark::kMillisecond);

void BM_PickFromTenThousandInOneFolder(benchmark::State& state) {
    static const std::string folder = makeFolder("glowpond-bench-flat", 10000, 0);
    pickFrom(state, folder);
}
BENCHMARK(BM_PickFromTenThousandInOneFolder)->Unit(benchmark::kMillisecond);

}  // namespace
