// The body of the fuzz targets of the mesh readers: any bytes as a file of
// the reader's format. A companion file asked for is the input itself, so
// that OBJ material libraries get fuzzed too. Whatever the file said, the
// nodes must hold together: every corner names a point of the coordinates,
// every face is a triangle, every material number names a material. Small
// inputs are converted too (the conversion costs more than most reads, and
// the other targets fuzz it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/mesh_checks.h"
#include "importers/model_source.h"
#include "loading/convert_action.h"
#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"

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

inline void checkParts(const Node& context) {
    const Node* top = context.firstChildNode();
    if (!top) return;
    int32_t points = -1;
    for (const Node* node = top->firstChildNode(); node; node = node->nextSibling()) {
        if (node->typeCode() == NodeType::Coordinate3) points = static_cast<const Coordinate3*>(node)->point().count();
        if (node->typeCode() != NodeType::Separator) continue;
        int32_t materials = 0;
        for (const Node* child = node->firstChildNode(); child; child = child->nextSibling()) {
            if (child->typeCode() == NodeType::Material) materials = static_cast<const Material*>(child)->materialCount();
            if (child->typeCode() != NodeType::IndexedFaceSet) continue;
            const auto& faces = *static_cast<const IndexedFaceSet*>(child);
            const FieldArray<int32_t>& indices = faces.coordIndex();
            if (points < 0 || indices.count() % 4 != 0) std::abort();
            for (int32_t i = 0; i < indices.count(); ++i) {
                if (i % 4 == 3 ? indices[i] != -1 : indices[i] < 0 || indices[i] >= points) std::abort();
            }
            const FieldArray<int32_t>& numbers = faces.materialIndex();
            if (!numbers.empty() && numbers.count() != indices.count() / 4) std::abort();
            for (int32_t i = 0; i < numbers.count(); ++i) {
                if (numbers[i] < 0 || numbers[i] >= materials) std::abort();
            }
        }
    }
}

template <typename Read, typename Looks>
int readAndCheck(const uint8_t* data, size_t size, Read read, Looks looksLike) {
    looksLike(data, size);
    EchoResolver resolver(data, size);
    Separator context;
    read(context, ModelSource{"fuzz", data, size, &resolver}, ReadOptions{});
    checkParts(context);
    if (size <= 128) convertAndCheck(context);
    return 0;
}

}  // namespace glowpond::fuzz
