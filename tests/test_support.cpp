#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace glowpond::testing {

int RecordingPlatform::messageBox(WindowHandle, const std::string& text, const std::string& caption) {
    messages.push_back({text, caption});
    return kButtonOk;
}

AppPathLookup RecordingPlatform::lookupAppPath(const std::string& exeName) {
    return appPath ? *appPath : system_->lookupAppPath(exeName);
}

bool RecordingPlatform::setCurrentDirectory(const std::string& path) { return system_->setCurrentDirectory(path); }

std::string RecordingPlatform::fullPath(const std::string& name) { return system_->fullPath(name); }

bool RecordingPlatform::replaceFileContents(const std::string& path, const std::string& contents) {
    return !failFileReplacement && system_->replaceFileContents(path, contents);
}

UserDwordLookup RecordingPlatform::readUserDword(const std::string& key, const std::string& valueName) {
    userDwordReads.push_back(key + "|" + valueName);
    return userDword;
}

void* RecordingPlatform::loadSystemLibrary(const std::string& name) {
    libraryLoads.push_back(name);
    auto found = libraries.find(name);
    return found == libraries.end() ? nullptr : &found->second;
}

void* RecordingPlatform::libraryFunction(void* library, const std::string& name) {
    auto& exports = *static_cast<std::map<std::string, void*>*>(library);
    auto found = exports.find(name);
    return found == exports.end() ? nullptr : found->second;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("glowpond-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    root_ = dir.string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::path(const std::string& name) const { return (std::filesystem::path(root_) / name).string(); }

bool sharedModelsMissing(const std::string& root) {
    std::error_code error;
    return !std::filesystem::is_directory(root, error);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace glowpond::testing
