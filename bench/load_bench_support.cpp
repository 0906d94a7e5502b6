#include "bench/load_bench_support.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <vector>
#include <sys/stat.h>

#include "bench/generated_models.h"
#include "loading/gzip_decompressor.h"
#include "importers/reader_gltf.h"
#include "loading/convert_action.h"
#include "loading/load_driver.h"
#include "scene/properties.h"
#include "scene/traversal.h"

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
    const char* const suffixes[] = {".wrl", ".3ds", ".glb"};
    const std::string name = "torus-" + std::to_string(triangles) + suffixes[static_cast<int>(format)];
    if (const char* folder = std::getenv("GLOWPOND_BENCH_MODELS")) {
        path = std::string(folder) + "/" + name;
        if (fileMegabytes(path) > 0.0) return path;
    }
    path = temporaryFile(name, format == Format::kVrml  ? vrmlTorus(triangles)
                               : format == Format::k3ds ? studioTorus(triangles)
                                                        : gltfTorus(triangles));
    return path;
}

PeakMemory::PeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

void PeakMemory::count(benchmark::State& state, const std::string& file) const {
    state.counters["peakMB"] = peakMegabytes();
    state.counters["fileMB"] = fileMegabytes(file);
}

bool loadGltf(const std::string& path, DisplayMesh& mesh) {
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        bytes.resize(static_cast<size_t>(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Unobserved observer;
    std::string lastStatus;
    auto context = std::make_unique<LoadContext>(observer, lastStatus);
    readGltf(*context, ModelSource{path, bytes.data(), bytes.size(), nullptr}, ReadOptions{});
    std::vector<uint8_t>().swap(bytes);
    auto action = std::make_unique<ConvertAction>();
    // The loader's room for every point at once.
    size_t points = 0;
    for (Node* shape = context->firstChildNode(); shape; shape = shape->nextSibling()) {
        for (Node* child = shape->firstChildNode(); child; child = child->nextSibling()) {
            if (child->typeCode() == NodeType::Coordinate3) points += static_cast<Coordinate3*>(child)->point().count();
        }
    }
    action->reservePoints(points);
    auto state = std::make_unique<TraversalState>();
    context->apply(*state, *action);
    context->clear();
    action->finish(*context, *state);
    return action->transferMesh(mesh) && mesh.faceCount > 0;
}

void loadTorus(benchmark::State& state, Format format) {
    const std::string& path = torusFile(static_cast<int>(state.range(0)), format);
    PosixFileOpener opener;
    GzipDecompressor gzip;
    ModelLoader loader(opener, {{}, &gzip});
    Unobserved observer;
    const PeakMemory peak;
    for (auto _ : state) {
        DisplayMesh mesh;
        const bool loaded = format == Format::kGlb ? loadGltf(path, mesh) : loader.load(path, mesh, observer);
        if (!loaded) state.SkipWithError("the model did not load");
        benchmark::DoNotOptimize(mesh.vertexCount);
    }
    peak.count(state, path);
    state.SetItemsProcessed(state.iterations() * state.range(0));  // triangles
}

}  // namespace glowpond::bench
