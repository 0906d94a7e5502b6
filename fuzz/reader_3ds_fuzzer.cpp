// Any bytes as a 3DS file, read and converted: nothing may read or write
// outside memory, and the mesh must hold together whatever the file said.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "importers/reader_3ds.h"
#include "loading/convert_action.h"
#include "scene/grouping.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace glowpond;
    Separator context;
    read3dsData(context, "fuzz.3ds", data, size);
    ConvertAction action;
    TraversalState state;
    context.apply(state, action);
    action.finish(context, state);
    const DisplayMesh& mesh = *action.mesh();
    int32_t storedFaces = 0;
    for (const MeshPart& part : mesh.parts) {
        storedFaces += part.faceCount;
        if (part.faceNormals.size() != static_cast<size_t>(part.faceCount)) std::abort();
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
    return 0;
}
