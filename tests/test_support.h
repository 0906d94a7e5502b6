// Helpers shared by the unit tests.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace glowpond::testing {

// A platform that records message boxes instead of showing them (a modal box
// would hang a test run) and forwards everything else to the build's own
// platform, unless a test overrides it.
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

    std::vector<Message> messages;
    std::optional<AppPathLookup> appPath;  // when set, answers lookupAppPath
    bool failFileReplacement = false;
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

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);

}  // namespace glowpond::testing
