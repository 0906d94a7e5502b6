// Helpers shared by the unit tests.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "config/settings.h"
#include "loading/model_file.h"
#include "saver/win32_services.h"

namespace glowpond::testing {

// System services that record message boxes instead of showing them (a modal box
// would hang a test run), answers the Windows-only services as a test sets
// them, and forwards the rest to the build's own platform. Each test makes its own.
class RecordingPlatform : public Win32Services {
public:
    int messageBox(WindowHandle, const std::string& text, const std::string& caption) override {
        messages += caption + ": " + text + "\n";
        return kButtonOk;
    }
    AppPathLookup lookupAppPath(const std::string& exeName) override { return system_->lookupAppPath(exeName); }
    bool setCurrentDirectory(const std::string& path) override { return system_->setCurrentDirectory(path); }
    std::string fullPath(const std::string& name) override { return system_->fullPath(name); }
    bool replaceThroughTempFile(const std::string& path, const std::string& contents) override {
        return !failFileReplacement && !failTempFile && system_->replaceThroughTempFile(path, contents);
    }
    bool writeInPlace(const std::string& path, const std::string& contents) override {
        // A write that breaks off leaves part of the new contents in the file.
        const int64_t breaksAfter = std::exchange(inPlaceFailsAfter, -1);
        if (breaksAfter >= 0) system_->writeInPlace(path, contents.substr(0, size_t(breaksAfter)));
        return !failFileReplacement && breaksAfter < 0 && system_->writeInPlace(path, contents);
    }
    std::string writeTempCopy(const std::string& contents) override {
        return tempCopies.emplace_back(system_->writeTempCopy(contents));
    }
    bool removeFile(const std::string& path) override { return system_->removeFile(path); }
    std::optional<std::string> userDataFolder() override { return userData; }
    bool makeFolder(const std::string& path) override { return system_->makeFolder(path); }
    const AnsiCodePage& ansiCodePage() const override { return system_->ansiCodePage(); }
    FileRead readFile(const std::string& path, size_t limit, std::string& contents) override {
        return system_->readFile(path, limit, contents);
    }
    WindowHandle createWindow(const WindowRequest& request) override {
#if defined(_WIN32)
        return failWindowCreation ? nullptr : windows_->createWindow(request);
#else
        return failWindowCreation ? nullptr : Win32Services::createWindow(request);
#endif
    }
    void setScreenSaverRunning(bool running) override { runningStates += running ? '1' : '0'; }
    ScreenPoint cursorPosition() override { return cursor; }
    void showCursor(bool show) override { cursorShowCount += show ? 1 : -1; }
    UserDwordLookup readUserDword(const std::string& key, const std::string& value) override {
        return userDwords[key + "|" + value];
    }
    bool isNtFamily() override { return ntFamily; }
    void* loadSystemLibrary(const std::string& name) override {
        return libraries.count(name) ? &libraries[name] : nullptr;
    }
    void* libraryFunction(void* library, const std::string& name) override {
        return (*static_cast<std::map<std::string, void*>*>(library))[name];
    }
    bool openDocument(const std::string& path) override {
        openedDocuments.push_back(path);
        return true;
    }
    std::vector<MonitorArea> monitors() override { return monitorAreas; }

    std::string messages;  // each box as "caption: text\n"
    std::optional<std::string> userData;  // the user's application-data folder, none by default
    bool failFileReplacement = false;     // every write of a file fails
    bool failTempFile = false;            // no temporary file beside the one to replace
    int64_t inPlaceFailsAfter = -1;       // the next in-place write breaks off after this many bytes
    std::vector<std::string> tempCopies;  // made in the temporary folder
    bool failWindowCreation = false;
    std::string runningStates;  // each change of the screen saver's running state, '1' or '0'
    ScreenPoint cursor;
    int32_t cursorShowCount = 0;
    std::map<std::string, UserDwordLookup> userDwords;  // by "key|value name"; any other has no key
    bool ntFamily = true;
    // The libraries that load, by name, each with its exports by name.
    std::map<std::string, std::map<std::string, void*>> libraries;
    std::vector<std::string> openedDocuments;
    std::vector<MonitorArea> monitorAreas;

private:
    std::unique_ptr<SystemServices> system_ = makeSystemServices();
#if defined(_WIN32)
    std::unique_ptr<Win32Services> windows_ = makeWin32Services();
#endif
};

// A fresh, empty folder removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name = "glowpond-test-" + std::to_string(stamp) + "-" + std::to_string(counter++);
        root_ = (std::filesystem::temp_directory_path() / name).u8string();
        std::filesystem::create_directories(std::filesystem::u8path(root_));
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::u8path(root_), ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // `name` inside the folder.
    std::string path(const std::string& name) const {
        return (std::filesystem::u8path(root_) / std::filesystem::u8path(name)).u8string();
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

// The opener of the build's programs: Win32 on Windows, POSIX elsewhere.
ModelFileOpener& fileOpener();

// Opened by its wide name on Windows, so that names beyond ASCII open too.
std::string readFile(const std::filesystem::path& path);
// Returns `path`.
std::string writeFile(const std::string& path, const std::string& contents);
// `text` as gzip writes it.
std::string gzipped(const std::string& text);

// `text` as UTF-16 bytes in either byte order.
inline std::string utf16(const std::u16string& text, bool bigEndian) {
    std::string out;
    for (char16_t c : text) {
        const char high = char(c >> 8), low = char(c & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

// A settings record with every field away from its default, the options from
// each other, and `models` entries "C:\models\model 0.wrl" ... each with
// values of its own.
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

// A record as text, so that a test compares records whole and a difference shows where it is.
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
