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
#include <vector>

#include "scene/grouping.h"
#include "vrml/parser.h"

namespace {

class RecordingContext : public glowpond::Separator {
public:
    std::vector<std::string> statuses, errors;

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }

private:
    static std::string formatted(const char* format, std::va_list args) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        return text;
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

glowpond::VrmlReaderState& stateFor(glowpond::VrmlReading reading) {
    static glowpond::VrmlReaderState states[2];
    glowpond::VrmlReaderState& state = states[reading == glowpond::VrmlReading::Strict];
    state.reading = reading;
    state.maxCopiedBytes = 32 << 20;  // well inside the fuzzer's memory limit
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RecordingContext strict, tolerant;
    glowpond::readVrmlText(stateFor(glowpond::VrmlReading::Strict), strict, text);
    glowpond::readVrmlText(stateFor(glowpond::VrmlReading::Tolerant), tolerant, text);
    for (const RecordingContext* context : {&strict, &tolerant}) {
        if (!context->errors.empty() && context->firstChildNode()) std::abort();
        if (context->errors.size() > 1) std::abort();  // reading stops at the first error
    }
    if (strict.errors.empty() && (!tolerant.errors.empty() || tolerant.statuses != strict.statuses ||
                                  treeOf(tolerant) != treeOf(strict))) {
        std::abort();
    }
    if (!tolerant.errors.empty() && tolerant.errors != strict.errors) std::abort();
    return 0;
}
