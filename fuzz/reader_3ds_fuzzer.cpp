// Any bytes as a 3DS file, read and checked: nothing may read or write
// outside memory, and the mesh must hold together whatever the file said.
#include <cstddef>
#include <cstdint>

#include "fuzz/mesh_checks.h"
#include "importers/reader_3ds.h"
#include "scene/grouping.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace glowpond;
    Separator context;
    read3dsData(context, "fuzz.3ds", data, size);
    fuzz::convertAndCheck(context);
    return 0;
}
