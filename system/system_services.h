// What the settings and the load sequence need of the operating system:
// message boxes, the App Paths key, the current directory, full paths and
// replacing a file in one step.
//
// The layers above ask it of the SystemServices they are handed, and never
// include a system header. Paths and texts are UTF-8 on both sides of it.
// The programs make the build's own implementation (the Windows program's
// folder holds the Win32 one, this folder a portable one); tests hand in a
// recording one, so that nothing they run can open a modal window. What only
// the Windows saver needs of Windows lives with it (saver/win32_services.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace glowpond {

// An opaque system window handle (HWND on Windows); null means "no window".
using WindowHandle = void*;

// Button identifiers returned by SystemServices::messageBox (the Win32 values).
constexpr int kButtonOk = 1;
constexpr int kButtonCancel = 2;

// Outcome of looking up the program's install directory in the system's
// application registry.
struct AppPathLookup {
    enum class Status {
        Found,        // `path` holds the directory
        NoKey,        // the program's key does not exist or cannot be opened
        NoValue,      // the key exists but its "Path" value cannot be read
        Unsupported,  // the system has no such registry: use the current directory
    };
    Status status = Status::Unsupported;
    std::string path;
};

// The system's ANSI code page, in which settings files without a byte-order
// mark have always held their text. This one is Windows-1252, the code page
// of Western Windows and of the Wine that runs the tests; Windows has its own.
class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    virtual std::string toUtf8(const std::string& ansi) const;
    // Nothing when a character has no place in the code page.
    virtual std::optional<std::string> fromUtf8(const std::string& text) const;
};

// Outcome of reading a file.
enum class FileRead {
    Read,
    Missing,  // there is no such file (or folder)
    Failed,   // it exists but cannot be read (a folder, a device, no right to)
};

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // Shows a message box with an OK button only and waits for it to close.
    // `owner` may be null. Returns the button that closed it.
    virtual int messageBox(WindowHandle owner, const std::string& text,
                           const std::string& caption) = 0;

    // Looks up the "Path" value of the application key `exeName` (for
    // example "3-D Glowpond.scr").
    virtual AppPathLookup lookupAppPath(const std::string& exeName) = 0;

    // Changes the process's current directory; false when that fails.
    virtual bool setCurrentDirectory(const std::string& path) = 0;

    // Resolves `name` against the current directory into a full path, the
    // way the system does for a file name typed by a user.
    virtual std::string fullPath(const std::string& name) = 0;

    // Replaces the file at `path` by one holding exactly `contents`; false
    // on failure, with the old file as it was. The new contents normally go
    // to a temporary file beside it that then takes its place in one step.
    // Where no file can be made there (only the file itself is writable, or
    // the folder's path leaves no room for a temporary name), the file is
    // written in place, a copy of its old contents waiting in the user's
    // temporary folder until that write has succeeded.
    bool replaceFileContents(const std::string& path, const std::string& contents);

    // The steps of replaceFileContents.
    // Writes `contents` to a new file beside `path` and puts it in the place
    // of `path`, whose access rights it takes over. False, with no new file
    // left, when a step fails.
    virtual bool replaceThroughTempFile(const std::string& path, const std::string& contents) = 0;
    // Overwrites the file at `path`, or makes it, with `contents`.
    virtual bool writeInPlace(const std::string& path, const std::string& contents) = 0;
    // Writes `contents` to a new file in the user's temporary folder: its
    // path, or "" when that fails.
    virtual std::string writeTempCopy(const std::string& contents) = 0;
    virtual bool removeFile(const std::string& path) = 0;

    // The current user's own folder for the settings of programs (on
    // Windows their roaming application data), or nothing on a system
    // without one: the settings then stay where the program finds them.
    virtual std::optional<std::string> userDataFolder() { return std::nullopt; }

    // Makes the folder `path` unless it exists; false when neither holds.
    virtual bool makeFolder(const std::string&) { return false; }

    // The code page of settings files without a byte-order mark.
    virtual const AnsiCodePage& ansiCodePage() const { return western_; }

    // Reads the first `limit` bytes of the file at `path` (all of a shorter
    // one) into `contents`.
    virtual FileRead readFile(const std::string& path, size_t limit, std::string& contents);

private:
    AnsiCodePage western_;
};

// The build's own implementation: the Windows program's (saver/) on
// Windows, the portable one of this folder elsewhere.
std::unique_ptr<SystemServices> makeSystemServices();

}  // namespace glowpond
