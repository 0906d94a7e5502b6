// Helpers for the VRML reader tests: a load context that records what the
// reader reports.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/grouping.h"
#include "tests/scene_test_support.h"
#include "vrml/parser.h"

namespace glowpond::testing {

class RecordingContext : public Separator {
public:
    std::vector<std::string> statuses;
    std::vector<std::string> errors;

    std::string tree() const { return treeOf(*this); }

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }

private:
    static std::string formatted(const char* format, std::va_list args) {
        char text[2048];
        std::vsnprintf(text, sizeof text, format, args);
        return text;
    }
};

// Reads `text` with a fresh reader state.
inline void readText(RecordingContext& context, const std::string& text) {
    VrmlReaderState state;
    readVrmlText(state, context, text);
}

}  // namespace glowpond::testing
