// One read of a model file by a peer reader in a fresh process, as
// glowpond-info times one load: the first read pays for memory the process
// has never touched, which the repeated runs of peer_load_bench do not.
//
//   build/native/bench/peer_read_once coin|assimp FILE
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/peer_readers.h"

using glowpond::bench::readWithAssimp;
using glowpond::bench::readWithCoin;

int main(int argc, char** argv) {
    const std::string reader = argc == 3 ? argv[1] : "";
    if (reader != "coin" && reader != "assimp") {
        std::fprintf(stderr, "usage: peer_read_once coin|assimp FILE\n");
        return 2;
    }
    if (reader == "coin") SoDB::init();  // set-up, not reading
    const auto start = std::chrono::steady_clock::now();
    const int64_t triangles = reader == "coin" ? readWithCoin(argv[2]) : readWithAssimp(argv[2]);
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (triangles < 0) {
        std::fprintf(stderr, "%s could not read %s\n", reader.c_str(), argv[2]);
        return 1;
    }
    std::printf("{\"reader\":\"%s\",\"triangles\":%lld,\"readMs\":%.3f}\n", reader.c_str(),
                static_cast<long long>(triangles), elapsed.count());
    return 0;
}
