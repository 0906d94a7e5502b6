#include "platform/platform.h"

namespace glowpond {
namespace {
Platform* current = nullptr;
}

void Platform::processDialogMessages(WindowHandle) {}
void Platform::setDialogItemText(WindowHandle, int, const std::string&) {}

Platform& platform() { return current ? *current : nativePlatform(); }

Platform* setPlatform(Platform* replacement) {
    Platform* previous = &platform();
    current = replacement;
    return previous;
}

}  // namespace glowpond
