// Helpers shared by the unit tests.
#pragma once

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loading/load_driver.h"
#include "platform/platform.h"

namespace glowpond::testing {

// A platform that records message boxes instead of showing them (a modal box
// would hang a test run), answers the application registry and the
// Windows-only services as a test sets them, and forwards the file services
// to the build's own platform. Each test makes its own.
class RecordingPlatform : public Platform {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override;
    AppPathLookup lookupAppPath(const std::string& exeName) override;
    bool setCurrentDirectory(const std::string& path) override;
    std::string fullPath(const std::string& name) override;
    bool replaceFileContents(const std::string& path, const std::string& contents) override;
    ScreenPoint cursorPosition() override { return cursor; }
    void showCursor(bool show) override { cursorShowCount += show ? 1 : -1; }
    UserDwordLookup readUserDword(const std::string& key, const std::string& valueName) override;
    bool isNtFamily() override { return ntFamily; }
    void* loadSystemLibrary(const std::string& name) override;
    void* libraryFunction(void* library, const std::string& name) override;

    std::vector<Message> messages;
    std::optional<AppPathLookup> appPath;  // when set, answers lookupAppPath
    bool failFileReplacement = false;
    ScreenPoint cursor;
    int32_t cursorShowCount = 0;
    UserDwordLookup userDword;                // what every readUserDword answers
    std::vector<std::string> userDwordReads;  // "key|value" of each read
    bool ntFamily = true;
    // Libraries that load, by name; each maps export names to functions.
    std::map<std::string, std::map<std::string, void*>> libraries;
    std::vector<std::string> libraryLoads;  // every name asked for

private:
    std::unique_ptr<Platform> system_ = makeSystemPlatform();
};

// A load observer that records what a load tells: status texts (when
// `showsStatusTexts`) and errors; `onCancelCheck` runs at every question
// whether the load is cancelled (a test's stand-in for the user pressing
// Cancel), which is answered from `cancel`.
class RecordingObserver : public LoadObserver {
public:
    bool showsStatus() const override { return showsStatusTexts; }
    void showStatus(const std::string& text) override { statusTexts.push_back(text); }
    void showError(const std::string& text, const std::string& caption) override {
        errors.push_back({text, caption});
    }
    bool cancelled() override {
        ++cancelChecks;
        if (onCancelCheck) onCancelCheck();
        return cancel;
    }

    bool showsStatusTexts = false;
    std::vector<std::string> statusTexts;
    std::vector<RecordingPlatform::Message> errors;
    bool cancel = false;
    int32_t cancelChecks = 0;
    std::function<void()> onCancelCheck;
};

// A fresh, empty folder removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // `name` inside the folder.
    std::string path(const std::string& name) const;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

// The collection of real model files beside the checkout (`root`), when it
// is there. Tests that read it start with GLOWPOND_NEED_SHARED_MODELS(root):
// without the folder they skip with a message, or fail when the environment
// variable CI is set, so that a broken checkout cannot pass silently.
bool sharedModelsMissing(const std::string& root);
#define GLOWPOND_NEED_SHARED_MODELS(root)                                                     \
    do {                                                                                     \
        if (::glowpond::testing::sharedModelsMissing(root)) {                                \
            if (std::getenv("CI")) FAIL() << "the shared model collection is missing: " << (root); \
            GTEST_SKIP() << "the shared model collection is missing: " << (root);             \
        }                                                                                    \
    } while (0)

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);

}  // namespace glowpond::testing
