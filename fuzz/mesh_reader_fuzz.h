// The body of the fuzz targets of the mesh readers: any bytes as a file of
// the reader's format, read and converted. A companion file asked for is
// the input itself, so that OBJ material libraries get fuzzed too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/mesh_checks.h"
#include "importers/model_source.h"
#include "loading/convert_action.h"
#include "scene/grouping.h"

namespace glowpond::fuzz {

class EchoResolver final : public FileResolver {
public:
    EchoResolver(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool read(const std::string&, std::vector<uint8_t>& bytes) override {
        bytes.assign(data_, data_ + size_);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

template <typename Read, typename Looks>
int readAndConvert(const uint8_t* data, size_t size, Read read, Looks looksLike) {
    looksLike(data, size);
    EchoResolver resolver(data, size);
    Separator context;
    read(context, ModelSource{"fuzz", data, size, &resolver}, ReadOptions{});
    ConvertAction action;
    TraversalState state;
    context.apply(state, action);
    action.finish(context, state);
    checkMesh(*action.mesh());
    return 0;
}

}  // namespace glowpond::fuzz
