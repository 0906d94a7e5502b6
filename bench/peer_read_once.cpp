// One read of a model file by a peer reader in a fresh process, as
// glowpond-info times one load: the first read pays for memory the process
// has never touched, which the repeated runs of peer_load_bench do not.
//
//   build/native/bench/peer_read_once coin|assimp FILE
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

void addTriangle(void* count, SoCallbackAction*, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
                 const SoPrimitiveVertex*) {
    ++*static_cast<int64_t*>(count);
}

// Triangles read, or -1 when the reader failed.
int64_t readWithCoin(const char* path) {
    SoInput input;
    if (!input.openFile(path)) return -1;
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) return -1;
    root->ref();
    int64_t triangles = 0;
    SoCallbackAction triangulate;
    triangulate.addTriangleCallback(SoShape::getClassTypeId(), addTriangle, &triangles);
    triangulate.apply(root);
    root->unref();
    return triangles;
}

int64_t readWithAssimp(const char* path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene) return -1;
    int64_t triangles = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) triangles += scene->mMeshes[m]->mNumFaces;
    return triangles;
}

}  // namespace

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
