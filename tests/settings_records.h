// Settings records for tests: one away from every default, and records and
// message boxes as text, so that a test compares them whole and a
// difference shows where it is.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "config/settings.h"
#include "tests/test_support.h"

namespace glowpond::testing {

// Every field away from its default, the options from each other, and
// `models` entries "C:\models\model 0.wrl" ... each with values of its own.
inline SaverSettings unusualSettings(int models) {
    SaverSettings s;
    for (size_t i = 0; i < kOptions.size(); ++i) s.*kOptions[i].field = static_cast<int32_t>(2 + i);
    std::tie(s.lavaRed, s.lavaGreen, s.lavaBlue) = std::tuple(200 * kColorFromByte, 10 * kColorFromByte, 1.0f);
    s.modelCount = models;
    for (int i = 0; i < models; ++i) {
        s.models[i] = {"C:\\models\\model " + std::to_string(i) + ".wrl", 1 + i % 10,
                       {10.0f * i, float(-5 * i), 180.0f - i}, i % 2, 1 - i % 2, i % 3 == 0};
    }
    return s;
}

inline std::string describe(const SaverSettings& s) {
    std::ostringstream out;
    out.precision(9);
    for (const OptionInfo& option : kOptions) out << option.key << '=' << s.*option.field << ' ';
    out << "lava=" << s.lavaRed << ',' << s.lavaGreen << ',' << s.lavaBlue << " models=" << s.modelCount
        << " dir=" << s.installDir.value_or("-") << " help=" << s.helpFile.value_or("-") << '\n';
    for (const ModelSettings& m : s.models) {
        out << m.file << " size=" << m.size << " rot=" << m.rotation[0] << ',' << m.rotation[1] << ','
            << m.rotation[2] << " flags=" << m.reverseNormals << m.backCull << m.twoSided << '\n';
    }
    return out.str();
}

}  // namespace glowpond::testing
