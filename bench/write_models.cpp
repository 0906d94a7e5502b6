// Writes the generated benchmark models into a folder, for loads outside the
// benchmarks (glowpond-info, other readers): torus-N.wrl, .3ds, .obj, .stl,
// .ply (binary) and torus-N-ascii.ply.
//
//   build/native/bench/write_models FOLDER [TRIANGLES...]   (default 10k 100k 1M 4M)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/generated_models.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: write_models FOLDER [TRIANGLES...]\n");
        return 2;
    }
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10'000, 100'000, 1'000'000, 4'000'000};
    for (int triangles : sizes) {
        const std::string stem = std::string(argv[1]) + "/torus-" + std::to_string(triangles);
        std::ofstream(stem + ".wrl", std::ios::binary) << glowpond::bench::vrmlTorus(triangles);
        std::ofstream(stem + ".3ds", std::ios::binary) << glowpond::bench::studioTorus(triangles);
        std::ofstream(stem + ".obj", std::ios::binary) << glowpond::bench::objTorus(triangles);
        std::ofstream(stem + ".stl", std::ios::binary) << glowpond::bench::stlTorus(triangles);
        std::ofstream(stem + ".ply", std::ios::binary) << glowpond::bench::plyTorus(triangles);
        std::ofstream(stem + "-ascii.ply", std::ios::binary) << glowpond::bench::plyTorus(triangles, true);
    }
    return 0;
}
