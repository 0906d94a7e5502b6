// Helpers shared by the unit tests.
#pragma once

#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace glowpond::testing {

// A platform that records message boxes instead of showing them (a modal box
// would hang a test run) and forwards the file services to the build's own
// platform, unless a test overrides them. The engine's services are
// simulated: a clock that moves only when a busy wait asks it to, a seeded
// generator, a queue of scripted messages and counted buffer swaps.
class RecordingPlatform : public Platform {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    // A message waiting in the simulated queue: `dispatch` runs when the
    // pump removes it (as a window procedure would).
    struct QueuedMessage {
        bool quit = false;
        std::function<void()> dispatch;
    };

    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override;
    AppPathLookup lookupAppPath(const std::string& exeName) override;
    bool setCurrentDirectory(const std::string& path) override;
    std::string fullPath(const std::string& name) override;
    bool replaceFileContents(const std::string& path, const std::string& contents) override;
    ClientSize clientSize(WindowHandle window) override;
    int32_t clockMs() override;
    void spinWait(int32_t remainingMs) override;
    void seedRandomFromTime() override;
    int32_t randomValue() override;
    PumpResult pumpMessage() override;
    void swapBuffers(DeviceHandle deviceContext) override;
    void* glProcAddress(const char* name) override;
    ScreenPoint cursorPosition() override { return cursor; }
    void showCursor(bool show) override { cursorShowCount += show ? 1 : -1; }
    UserDwordLookup readUserDword(const std::string& key, const std::string& valueName) override;
    bool isNtFamily() override { return ntFamily; }
    void* loadSystemLibrary(const std::string& name) override;
    void* libraryFunction(void* library, const std::string& name) override;
    void processDialogMessages(WindowHandle dialog) override;
    void setDialogItemText(WindowHandle dialog, int itemId, const std::string& text) override;

    // Puts every simulated engine service back to its start.
    void resetEngineServices();

    std::vector<Message> messages;
    std::optional<AppPathLookup> appPath;  // when set, answers lookupAppPath
    bool failFileReplacement = false;

    std::optional<ClientSize> clientArea;  // when set, of every window
    int32_t clock = 1000;             // ms
    uint32_t timeSeed = 1;            // what seeding "from the time" uses
    StandardRandom random;
    std::deque<QueuedMessage> queue;
    int32_t pumpCount = 0;
    int32_t swapCount = 0;

    // Windows services, simulated (reset by resetSystemServices).
    ScreenPoint cursor;
    int32_t cursorShowCount = 0;
    UserDwordLookup userDword;  // what every readUserDword answers
    std::vector<std::string> userDwordReads;  // "key|value" of each read
    bool ntFamily = true;
    // Libraries that load, by name; each maps export names to functions.
    std::map<std::string, std::map<std::string, void*>> libraries;
    std::vector<std::string> libraryLoads;  // every name asked for
    void resetSystemServices();
    // Dialogs: each processing of a dialog's messages runs `onDialogMessages`
    // (a test's stand-in for the user pressing a button); texts set in dialog
    // controls are recorded in order.
    struct DialogText {
        WindowHandle dialog;
        int itemId;
        std::string text;
    };
    std::function<void()> onDialogMessages;
    int32_t dialogMessageCount = 0;
    std::vector<DialogText> dialogTexts;
};

// The recording platform installed for the whole test program.
RecordingPlatform& recordingPlatform();

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
