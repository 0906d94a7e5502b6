// Any bytes as a 3DS file, read and checked: nothing may read or write
// outside memory, and the mesh must hold together whatever the file said.
#include <cstddef>
#include <cstdint>

#include "fuzz/mesh_checks.h"
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
    fuzz::checkMesh(*action.mesh());
    return 0;
}
