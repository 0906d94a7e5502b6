#include "bench/load_bench_support.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "bench/generated_models.h"
#include "loading/load_driver.h"

namespace glowpond::bench {
namespace {

// Shows nothing and never cancels, as a saver without its load-status window.
class Unobserved final : public LoadObserver {
public:
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string&, const std::string&) override {}
    bool cancelled() override { return false; }
};

double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0.0;
}

double fileMegabytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<double>(info.st_size) / (1024.0 * 1024.0) : 0.0;
}

}  // namespace

const std::string& torusFile(int triangles, Format format) {
    static std::map<std::pair<int, Format>, std::string> paths;
    std::string& path = paths[{triangles, format}];
    if (!path.empty()) return path;
    const std::string name = "torus-" + std::to_string(triangles) + (format == Format::kVrml ? ".wrl" : ".3ds");
    if (const char* folder = std::getenv("GLOWPOND_BENCH_MODELS")) {
        path = std::string(folder) + "/" + name;
        if (fileMegabytes(path) > 0.0) return path;
    }
    path = temporaryFile(name, format == Format::kVrml ? vrmlTorus(triangles) : studioTorus(triangles));
    return path;
}

PeakMemory::PeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

void PeakMemory::count(benchmark::State& state, const std::string& file) const {
    state.counters["peakMB"] = peakMegabytes();
    state.counters["fileMB"] = fileMegabytes(file);
}

void loadTorus(benchmark::State& state, Format format) {
    const std::string& path = torusFile(static_cast<int>(state.range(0)), format);
    PosixFileOpener opener;
    ModelLoader loader(opener);
    Unobserved observer;
    const PeakMemory peak;
    for (auto _ : state) {
        DisplayMesh mesh;
        if (!loader.load(path, mesh, observer)) state.SkipWithError("the model did not load");
        benchmark::DoNotOptimize(mesh.vertexCount);
    }
    peak.count(state, path);
    state.SetItemsProcessed(state.iterations() * state.range(0));  // triangles
}

}  // namespace glowpond::bench
