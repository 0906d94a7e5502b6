// Any bytes as an PLY file, read and checked: nothing may read or write
// outside memory, and the mesh must hold together whatever the file said.
#include "fuzz/mesh_reader_fuzz.h"
#include "importers/reader_ply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return glowpond::fuzz::readAndCheck(data, size, glowpond::readPly, glowpond::looksLikePly);
}
