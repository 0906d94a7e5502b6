#include "saver/modes.h"

#include <cstdlib>
#include <cstring>

namespace glowpond {
namespace {

bool containsAny(const char* text, std::initializer_list<const char*> switches) {
    for (const char* s : switches) {
        if (std::strstr(text, s)) return true;
    }
    return false;
}

}  // namespace

SaverMode pickMode(const char* commandLine) {
    const char* text = commandLine ? commandLine : "";
    if (containsAny(text, {"/L", "-L", "/l", "-l", "/P", "-P", "/p", "-p"})) return SaverMode::Preview;
    if (containsAny(text, {"/A", "-A", "/a", "-a"})) return SaverMode::ChangePassword;
    if (containsAny(text, {"/S", "-S", "/s", "-s"})) return SaverMode::FullScreen;
    return SaverMode::Settings;
}

std::optional<WindowHandle> windowHandleArgument(const char* commandLine) {
    const char* blank = commandLine ? std::strchr(commandLine, ' ') : nullptr;
    if (!blank) return std::nullopt;
    // What "%i" reads, without its undefined behaviour for numbers beyond
    // an int: strtoll takes the same blanks, sign and 0x or 0 prefix.
    const char* start = blank + 1;
    char* end = nullptr;
    const long long value = std::strtoll(start, &end, 0);
    if (end == start) return std::nullopt;
    // Handles are 32-bit values that the system sign-extends on 64-bit Windows.
    const auto handle = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
    return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(handle));
}

bool movedPastThreshold(ScreenPoint last, ScreenPoint now) {
    const int64_t distance = std::llabs(int64_t{now.y} - last.y) + std::llabs(int64_t{now.x} - last.x);
    return distance > MOUSE_MOVE_THRESHOLD;
}

}  // namespace glowpond
