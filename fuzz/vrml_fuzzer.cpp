// Any bytes as a VRML file: reading must never fail unsafely, and a file
// that reports an error must leave no nodes behind. One reader state serves
// every input, so that nothing may carry over from one file to the next.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scene/grouping.h"
#include "vrml/parser.h"

namespace {

class CountingContext : public glowpond::Separator {
public:
    int errors = 0;

protected:
    void verror(const char*, std::va_list) override { ++errors; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static glowpond::VrmlReaderState& state = [] () -> glowpond::VrmlReaderState& {
        static glowpond::VrmlReaderState instance;
        instance.maxCopiedBytes = 32 << 20;  // well inside the fuzzer's memory limit
        return instance;
    }();
    CountingContext context;
    glowpond::readVrmlText(state, context, std::string_view(reinterpret_cast<const char*>(data), size));
    if (context.errors > 0 && context.firstChildNode()) std::abort();
    if (context.errors > 1) std::abort();  // reading stops at the first error
    return 0;
}
