#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace glowpond::testing {

std::string readFile(const std::string& path) {
    std::ostringstream contents;
    contents << std::ifstream(path, std::ios::binary).rdbuf();
    return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace glowpond::testing
