// Any bytes as a glTF or GLB file, read and converted: nothing may read or
// write outside memory, and the mesh must hold together whatever the file
// said. Every companion file it names reads as the same small buffer of
// points and indices, so that files naming theirs get past the resolver.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/mesh_checks.h"
#include "importers/reader_gltf.h"
#include "scene/grouping.h"

namespace {

struct AnyName : glowpond::FileResolver {
    bool read(const std::string& name, std::vector<uint8_t>& bytes) override {
        // Four points of a unit square, then the indices 0 1 2 0 2 3 as shorts.
        static const float kPoints[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
        static const uint16_t kIndices[] = {0, 1, 2, 0, 2, 3};
        if (name.empty()) return false;
        const auto* points = reinterpret_cast<const uint8_t*>(kPoints);
        const auto* indices = reinterpret_cast<const uint8_t*>(kIndices);
        bytes.assign(points, points + sizeof kPoints);
        bytes.insert(bytes.end(), indices, indices + sizeof kIndices);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace glowpond;
    Separator context;
    AnyName resolver;
    readGltf(context, ModelSource{"fuzz.glb", data, size, &resolver}, ReadOptions{});
    fuzz::convertAndCheck(context);
    return 0;
}
