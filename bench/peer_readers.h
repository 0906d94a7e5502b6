// The two peer readers as the benchmarks use them: Coin3D reading a VRML 1.0
// file and triangulating it, assimp reading a file without post-processing.
// Each returns the triangles read, or -1 when the reader failed.
#pragma once

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdint>

namespace glowpond::bench {

// Needs SoDB::init() first.
inline int64_t readWithCoin(const char* path) {
    SoInput input;
    if (!input.openFile(path)) return -1;
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) return -1;
    root->ref();
    int64_t triangles = 0;
    SoCallbackAction triangulate;
    triangulate.addTriangleCallback(
        SoShape::getClassTypeId(),
        [](void* count, SoCallbackAction*, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
           const SoPrimitiveVertex*) { ++*static_cast<int64_t*>(count); },
        &triangles);
    triangulate.apply(root);
    root->unref();
    return triangles;
}

inline int64_t readWithAssimp(const char* path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene) return -1;
    int64_t triangles = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) triangles += scene->mMeshes[m]->mNumFaces;
    return triangles;
}

}  // namespace glowpond::bench
