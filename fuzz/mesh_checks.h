// What every mesh a load produces must hold, whatever the file said.
#pragma once

#include <cstdlib>

#include "loading/convert_action.h"
#include "mesh/display_mesh.h"
#include "scene/node.h"

namespace glowpond::fuzz {

inline void checkMesh(const DisplayMesh& mesh) {
    int32_t storedFaces = 0;
    for (const MeshPart& part : mesh.parts) {
        storedFaces += part.faceCount;
        if (part.faceNormals.size() != static_cast<size_t>(part.faceCount)) std::abort();
        if (part.vertices.size() != static_cast<size_t>(part.vertexCount)) std::abort();
        for (size_t at = 0; at < part.faceIndices.size();) {
            const int32_t corners = part.faceIndices[at++];
            for (int32_t c = 0; c < corners; ++c, ++at) {
                if (at >= part.faceIndices.size() || part.faceIndices[at] < 0 ||
                    part.faceIndices[at] >= part.vertexCount) {
                    std::abort();
                }
            }
        }
    }
    if (storedFaces > mesh.faceCount || mesh.partCount != static_cast<int32_t>(mesh.parts.size())) std::abort();
}

// Converts the tree under `context` as a load does and checks the mesh.
inline void convertAndCheck(Node& context) {
    ConvertAction action;
    TraversalState state;
    context.apply(state, action);
    action.finish(context, state);
    checkMesh(*action.mesh());
}

}  // namespace glowpond::fuzz
