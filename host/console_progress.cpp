#include "host/console_progress.h"

#include <cstdio>
#include <utility>

namespace glowpond {

ConsoleProgress::ConsoleProgress(SystemServices& platform, bool showStatus, std::function<bool()> stop)
    : platform_(platform), showStatus_(showStatus), stop_(std::move(stop)) {}

void ConsoleProgress::showStatus(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void ConsoleProgress::showError(const std::string& text, const std::string& caption) {
    platform_.messageBox(nullptr, text, caption);
}

void ConsoleProgress::showSkipped(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void ConsoleProgress::showFile(const std::string& path) {
    if (showStatus_) std::fprintf(stderr, "%s\n", path.c_str());
}

}  // namespace glowpond
