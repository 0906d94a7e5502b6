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
    return appPath ? *appPath : nativePlatform().lookupAppPath(exeName);
}

bool RecordingPlatform::setCurrentDirectory(const std::string& path) {
    return nativePlatform().setCurrentDirectory(path);
}

std::string RecordingPlatform::fullPath(const std::string& name) { return nativePlatform().fullPath(name); }

bool RecordingPlatform::replaceFileContents(const std::string& path, const std::string& contents) {
    return !failFileReplacement && nativePlatform().replaceFileContents(path, contents);
}

ClientSize RecordingPlatform::clientSize(WindowHandle window) {
    return clientArea ? *clientArea : nativePlatform().clientSize(window);
}

int32_t RecordingPlatform::clockMs() { return clock; }

void RecordingPlatform::spinWait(int32_t remainingMs) { clock += remainingMs; }

void RecordingPlatform::seedRandomFromTime() { random.seed(timeSeed); }

int32_t RecordingPlatform::randomValue() { return random.next(); }

PumpResult RecordingPlatform::pumpMessage() {
    ++pumpCount;
    if (queue.empty()) return PumpResult::NoMessage;
    QueuedMessage message = std::move(queue.front());
    queue.pop_front();
    if (message.dispatch) message.dispatch();
    return message.quit ? PumpResult::Quit : PumpResult::Dispatched;
}

void RecordingPlatform::swapBuffers(DeviceHandle) { ++swapCount; }

void* RecordingPlatform::glProcAddress(const char*) { return nullptr; }

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

void RecordingPlatform::resetSystemServices() {
    cursor = {};
    cursorShowCount = 0;
    userDword = {};
    userDwordReads.clear();
    ntFamily = true;
    libraries.clear();
    libraryLoads.clear();
}

void RecordingPlatform::resetEngineServices() {
    clientArea.reset();
    clock = 1000;
    timeSeed = 1;
    random = StandardRandom();
    queue.clear();
    pumpCount = 0;
    swapCount = 0;
    onDialogMessages = nullptr;
    dialogMessageCount = 0;
    dialogTexts.clear();
}

void RecordingPlatform::processDialogMessages(WindowHandle) {
    ++dialogMessageCount;
    if (onDialogMessages) onDialogMessages();
}

void RecordingPlatform::setDialogItemText(WindowHandle dialog, int itemId, const std::string& text) {
    dialogTexts.push_back({dialog, itemId, text});
}

RecordingPlatform& recordingPlatform() {
    static RecordingPlatform instance;
    return instance;
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
