// Any bytes as a VRML file, in both readings: reading must never fail
// unsafely, and a file that reports an error must leave no nodes behind.
// A text that the strict reading accepts reads alike in the tolerant one;
// one that the tolerant reading refuses, it refuses as the strict one does.
// One reader state per reading serves every input, so that nothing may
// carry over from one file to the next.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scene/grouping.h"
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
    if (strict.errors == 0 && (tolerant.errors > 0 || tolerant.statuses != strict.statuses ||
                               treeOf(tolerant) != treeOf(strict))) {
        std::abort();
    }
    if (tolerant.errors > 0 && tolerant.errorText != strict.errorText) std::abort();
    return 0;
}
