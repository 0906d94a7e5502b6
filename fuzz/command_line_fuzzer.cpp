// Any bytes as the command lines of the two front ends: up to the first zero
// byte as the Windows saver's (its mode and window handle), and split at
// zero bytes as the X11 program's arguments, with the settings they give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/settings.h"
#include "saver/modes.h"
#include "x11/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace glowpond;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string line = bytes.substr(0, bytes.find('\0'));
    (void)pickMode(line.c_str());
    // A handle is only ever read after a blank.
    if (windowHandleArgument(line.c_str()) && line.find(' ') == std::string::npos) std::abort();

    std::vector<std::string> arguments{"glowpond"};
    for (size_t start = 0; start <= bytes.size() && arguments.size() < 64;) {
        const size_t end = std::min(bytes.find('\0', start), bytes.size());
        arguments.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::string error;
    const auto parsed = parseCommandLine(static_cast<int>(argv.size()), argv.data(), error);
    if (!parsed) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    // What the command line accepts lies in the ranges the settings dialog offers.
    SaverSettings settings;
    applySettings(*parsed, settings);
    for (const OptionInfo& option : kOptions) {
        const int32_t value = settings.*option.field;
        if (value < option.min || value > option.max) std::abort();
    }
    for (const ColorOption& option : kColorOptions) {
        if (!(settings.*option.field >= 0.0f && settings.*option.field <= 1.0f)) std::abort();
    }
    return 0;
}
