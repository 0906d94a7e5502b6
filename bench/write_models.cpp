// Writes the generated benchmark models into a folder, for loads outside the
// benchmarks (glowpond-info, other readers): torus-N.wrl, .3ds, .glb, .obj,
// .stl, .ply (binary) and torus-N-ascii.ply.
// With --hostile, the files made to cost a reader the most instead:
// colour-per-face.wrz (160k faces), used-copies.wrz (20k faces 100 times),
// colliding-points.wrl (120k points), crowded-points.wrl (118k points
// 1.05e-5 apart, the slowest known), point-flood.wrz (256 MB of text from
// 256 KB), point-, face- and polygon-flood-1mb.wrz (nearly the most text a
// file under a megabyte may unpack to) and line-breaks.ini (16 MB).
//
//   build/native/bench/write_models FOLDER [TRIANGLES...]   (default 10k 100k 1M 4M)
//   build/native/bench/write_models --hostile FOLDER
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/generated_models.h"

namespace {

using namespace glowpond::bench;

void writeGzip(const std::string& path, const std::function<void(const std::function<void(const std::string&)>&)>& make) {
    gzFile file = gzopen(path.c_str(), "wb9");
    make([file](const std::string& text) { gzwrite(file, text.data(), static_cast<unsigned>(text.size())); });
    gzclose(file);
}

void writeGzip(const std::string& path, const std::string& text) {
    writeGzip(path, [&text](const auto& write) { write(text); });
}

void writeHostile(const std::string& folder) {
    writeGzip(folder + "/colour-per-face.wrz", vrmlColourPerFace(160'000));
    writeGzip(folder + "/used-copies.wrz", vrmlUsedCopies(20'000, 100));
    std::ofstream(folder + "/colliding-points.wrl", std::ios::binary) << vrmlCollidingPoints(120'000);
    std::ofstream(folder + "/crowded-points.wrl", std::ios::binary) << vrmlCrowdedPoints(6);
    // Just under the reader's fixed limit of 256 MB; then nearly as much as a
    // file under a megabyte may unpack to, 32 times its size.
    writeGzip(folder + "/point-flood.wrz",
              [](const auto& write) { vrmlFlood(Flood::kPoints, (size_t{256} << 20) - 4096, 0, write); });
    const std::pair<Flood, const char*> floods[] = {
        {Flood::kPoints, "point"}, {Flood::kFaces, "face"}, {Flood::kPolygon, "polygon"}};
    for (const auto& [kind, name] : floods) {
        writeGzip(folder + "/" + name + "-flood-1mb.wrz",
                  [kind = kind](const auto& write) { vrmlFlood(kind, size_t{26} << 20, 1'080'000, write); });
    }
    std::ofstream(folder + "/line-breaks.ini", std::ios::binary) << std::string(size_t{16} << 20, '\n');
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "--hostile") == 0 && argc != 3)) {
        std::fprintf(stderr, "usage: write_models FOLDER [TRIANGLES...]\n       write_models --hostile FOLDER\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--hostile") == 0) {
        writeHostile(argv[2]);
        return 0;
    }
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10'000, 100'000, 1'000'000, 4'000'000};
    for (int triangles : sizes) {
        const std::string stem = std::string(argv[1]) + "/torus-" + std::to_string(triangles);
        std::ofstream(stem + ".wrl", std::ios::binary) << vrmlTorus(triangles);
        std::ofstream(stem + ".3ds", std::ios::binary) << studioTorus(triangles);
        std::ofstream(stem + ".glb", std::ios::binary) << gltfTorus(triangles);
        std::ofstream(stem + ".obj", std::ios::binary) << objTorus(triangles);
        std::ofstream(stem + ".stl", std::ios::binary) << stlTorus(triangles);
        std::ofstream(stem + ".ply", std::ios::binary) << plyTorus(triangles);
        std::ofstream(stem + "-ascii.ply", std::ios::binary) << plyTorus(triangles, true);
    }
    return 0;
}
