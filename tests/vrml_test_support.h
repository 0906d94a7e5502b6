// Helpers for the tests that read VRML: a load context that records what the
// reader reports, and scenes built from short VRML texts.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "scene/grouping.h"
#include "tests/scene_test_support.h"
#include "vrml/parser.h"

namespace glowpond::testing {

inline const std::string kVrmlHeader = "#VRML V1.0 ascii\n";

// `format` with `args`, as printf writes it.
inline std::string formatted(const char* format, std::va_list args) {
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

class RecordingContext : public Separator {
public:
    std::vector<std::string> statuses, errors;

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }
};

// What a fresh reader state reads from `text`.
inline std::unique_ptr<RecordingContext> readText(const std::string& text,
                                                  VrmlReading reading = VrmlReading::Tolerant) {
    auto context = std::make_unique<RecordingContext>();
    VrmlReaderState state;
    state.reading = reading;
    readVrmlText(state, *context, text);
    return context;
}

// The nodes of `body`, a VRML file without its header, which must read
// without errors, and alike in both readings.
inline std::unique_ptr<RecordingContext> sceneOf(const std::string& body) {
    auto context = readText(kVrmlHeader + body);
    const auto strict = readText(kVrmlHeader + body, VrmlReading::Strict);
    EXPECT_EQ(context->errors, std::vector<std::string>{}) << body;
    EXPECT_EQ(std::tie(context->statuses, context->errors), std::tie(strict->statuses, strict->errors)) << body;
    EXPECT_EQ(treeOf(*context), treeOf(*strict)) << body;
    return context;
}

}  // namespace glowpond::testing
