// Reading generated VRML files of one IndexedFaceSet (10k, 100k and 1M
// triangles), beside a plain strtod scan of the same text: the reader
// should stay in the same range as the scan.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "scene/grouping.h"
#include "vrml/parser.h"

namespace {

// A grid of squares, each cut into two triangles, as exporters write it.
std::string makeModel(int triangles) {
    const int side = static_cast<int>(std::ceil(std::sqrt(triangles / 2.0)));
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 {\n    point [\n";
    char line[96];
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            std::snprintf(line, sizeof line, "      %.6f %.6f %.6f,\n", x * 0.01, y * 0.01,
                          std::sin(x * 0.1) * std::cos(y * 0.1));
            text += line;
        }
    }
    text += "    ]\n  }\n  IndexedFaceSet {\n    coordIndex [\n";
    for (int t = 0; t < triangles; ++t) {
        const int square = t / 2;
        const int a = (square / side) * (side + 1) + square % side;
        const int b = a + 1;
        const int c = a + side + 1;
        const int d = c + 1;
        if (t % 2 == 0) {
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1,\n", a, b, d);
        } else {
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1,\n", a, d, c);
        }
        text += line;
    }
    return text + "    ]\n  }\n}\n";
}

struct Model {
    std::string text;
    std::string path;
};

// One file per size, written once and removed at exit.
const Model& model(int triangles) {
    static std::map<int, Model> models;
    Model& entry = models[triangles];
    if (entry.path.empty()) {
        entry.text = makeModel(triangles);
        entry.path = (std::filesystem::temp_directory_path() /
                      ("glowpond-bench-" + std::to_string(triangles) + ".wrl"))
                         .string();
        std::FILE* file = std::fopen(entry.path.c_str(), "wb");
        std::fwrite(entry.text.data(), 1, entry.text.size(), file);
        std::fclose(file);
        static const bool removeAtExit = [] {
            std::atexit([] {
                for (const auto& [count, m] : models) std::filesystem::remove(m.path);
            });
            return true;
        }();
        (void)removeAtExit;
    }
    return entry;
}

void readVrmlFileBench(benchmark::State& state) {
    const Model& m = model(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        glowpond::Separator context;
        glowpond::readVrmlFile(context, m.path);
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
