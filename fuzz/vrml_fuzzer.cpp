// Any bytes as a VRML file, in both readings: reading must never fail
// unsafely, and a file that reports an error must leave no nodes behind.
// A text that the strict reading accepts reads alike in the tolerant one,
// in the tree's shape and in every value that reaches the faces (bit for
// bit), unless it uses "isA", which only the tolerant reading follows; one
// that the tolerant reading refuses, it refuses as the strict one does.
// One reader state per reading serves every input, so that nothing may
// carry over from one file to the next.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/traversal.h"
#include "vrml/parser.h"

namespace {

class RecordingContext : public glowpond::Separator {
public:
    int statuses = 0, errors = 0;
    std::string errorText;

protected:
    void vstatus(const char*, std::va_list) override { ++statuses; }
    void verror(const char* format, std::va_list args) override {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        errorText += text;
        ++errors;
    }
};

// Type codes and names of the tree under `parent`.
std::string treeOf(const glowpond::Node& parent) {
    std::string tree;
    for (const glowpond::Node* child = parent.firstChildNode(); child; child = child->nextSibling()) {
        tree += std::to_string(static_cast<int>(child->typeCode())) + child->name() + "(" + treeOf(*child) + ")";
    }
    return tree;
}

// Every face the tree gives, with the values that made it (corners,
// normals, material, names, vertex ordering), hashed bit for bit. Trees
// that USE copies make many faces: only the first kMaxFaces count.
class FaceDigest final : public glowpond::NodeAction {
public:
    static constexpr int64_t kMaxFaces = 100000;
    uint64_t hash = 14695981039346656037u;
    int64_t faces = 0;

    bool wantsPolygons() override { return true; }
    bool wantsUnclosedLastFace() override { return true; }
    void polygon(glowpond::TraversalState& state, int32_t face, const glowpond::FieldArray<glowpond::Vec3>& vertices,
                 const glowpond::FieldArray<glowpond::Vec3>& normals,
                 const glowpond::MaterialValues& material) override {
        if (++faces > kMaxFaces) return;
        const glowpond::ShapeHints* hints = state.current().shapeHints;
        const std::string path = state.pathName();
        const int32_t numbers[4] = {face, hints ? hints->vertexOrdering() : -1, vertices.count(), normals.count()};
        add(path.data(), path.size());
        add(numbers, sizeof numbers);
        vertices.forEach([&](const glowpond::Vec3& v) { add(&v, sizeof v); });
        normals.forEach([&](const glowpond::Vec3& v) { add(&v, sizeof v); });
        add(&material, sizeof material);  // doubles only: no padding
    }

private:
    void add(const void* data, size_t size) {  // FNV-1a
        for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211u;
    }
};

std::pair<uint64_t, int64_t> facesOf(glowpond::Node& root) {
    auto state = std::make_unique<glowpond::TraversalState>();
    FaceDigest digest;
    root.apply(*state, digest);
    return {digest.hash, digest.faces};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static glowpond::VrmlReaderState strictState, tolerantState;
    strictState.reading = glowpond::VrmlReading::Strict;
    strictState.maxCopiedBytes = tolerantState.maxCopiedBytes = 32 << 20;  // well inside the fuzzer's memory limit
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RecordingContext strict, tolerant;
    glowpond::readVrmlText(strictState, strict, text);
    glowpond::readVrmlText(tolerantState, tolerant, text);
    for (const RecordingContext* context : {&strict, &tolerant}) {
        if (context->errors > 0 && context->firstChildNode()) std::abort();
        if (context->errors > 1) std::abort();  // reading stops at the first error
    }
    if (strict.errors == 0) {
        if (tolerant.errors > 0) std::abort();
        const bool isA = text.find("isA") != std::string_view::npos;
        if (!isA && (tolerant.statuses != strict.statuses || treeOf(tolerant) != treeOf(strict) ||
                     facesOf(tolerant) != facesOf(strict))) {
            std::abort();
        }
    }
    if (tolerant.errors > 0 && tolerant.errorText != strict.errorText) std::abort();
    return 0;
}
