// Reading generated VRML files of one IndexedFaceSet (10k, 100k and 1M
// triangles), beside a plain strtod scan of the same text: the reader
// should stay in the same range as the scan.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/generated_models.h"
#include "loading/model_file.h"
#include "scene/grouping.h"
#include "vrml/parser.h"

namespace {

struct Model {
    std::string text;
    std::string path;
};

const Model& model(int triangles) {
    static std::map<int, Model> models;
    Model& entry = models[triangles];
    if (entry.path.empty()) {
        entry.text = glowpond::bench::vrmlGrid(triangles);
        entry.path = glowpond::bench::temporaryFile(std::to_string(triangles) + ".wrl", entry.text);
    }
    return entry;
}

void readVrmlFileBench(benchmark::State& state) {
    const Model& m = model(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        glowpond::Separator context;
        const glowpond::OpenedFile file(std::fopen(m.path.c_str(), "rb"));
        glowpond::readVrmlFile(context, file.get());
        benchmark::DoNotOptimize(context.firstChildNode());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.text.size()));
}

// Every number of the text through strtod, nothing else.
void strtodScanBench(benchmark::State& state) {
    const Model& m = model(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const char* p = m.text.c_str();
        double sum = 0.0;
        while (*p) {
            if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
                char* end = nullptr;
                sum += std::strtod(p, &end);
                p = end > p ? end : p + 1;
            } else {
                ++p;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.text.size()));
}

BENCHMARK(readVrmlFileBench)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(strtodScanBench)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
