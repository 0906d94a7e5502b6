// Whole-file loads of the generated torus models for the benchmarks, with
// the peak memory of each load as a counter.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "mesh/display_mesh.h"

namespace glowpond::bench {

enum class Format { kVrml, k3ds, kGlb };

// torus-N.wrl or .3ds from the folder GLOWPOND_BENCH_MODELS names (see
// write_models), else written once to the temporary folder.
const std::string& torusFile(int triangles, Format format);

// Resets the process's peak resident memory (Linux: /proc/self/clear_refs)
// when made; count() reports the peak since then in MB, with the file's size.
class PeakMemory {
public:
    PeakMemory();
    void count(benchmark::State& state, const std::string& file) const;
};

// A whole load of a glTF file as the saver makes it: read, merge, normals.
bool loadGltf(const std::string& path, DisplayMesh& mesh);

// ModelLoader::load of the torus of state.range(0) triangles, as the saver loads it.
void loadTorus(benchmark::State& state, Format format);

}  // namespace glowpond::bench
