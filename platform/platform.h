// The seam between the portable core and the operating system.
//
// The portable layers never include a system header; what the settings and
// the saver need from the system they ask of the Platform they are handed.
// The programs make the build's own implementation (Win32 on Windows, a
// portable one elsewhere); tests hand in a recording one, so that nothing
// they run can open a modal window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace glowpond {

// An opaque system window handle (HWND on Windows); null means "no window".
using WindowHandle = void*;

// Button identifiers returned by Platform::messageBox (the Win32 values).
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

// A cursor position in screen pixels.
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// A monitor's area on the virtual screen, in pixels (right and bottom
// exclusive).
struct MonitorArea {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool primary = false;
};

// Outcome of reading a 32-bit value of the current user's registry.
struct UserDwordLookup {
    enum class Status {
        Found,    // `value` holds it
        NoKey,    // the key cannot be opened
        NoValue,  // the key exists but the value cannot be read
    };
    Status status = Status::NoKey;
    uint32_t value = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

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

    // Replaces the file at `path` by one holding exactly `contents`. The old
    // file is replaced in one step only after the new contents are complete
    // on disk, so a failure leaves the old file as it was. False on failure.
    virtual bool replaceFileContents(const std::string& path,
                                     const std::string& contents) = 0;

    // The services below exist only on Windows; the defaults are what a
    // system without them answers.

    // The mouse cursor's position on the screen.
    virtual ScreenPoint cursorPosition() { return {}; }

    // Shows or hides the mouse cursor (the system keeps a display count).
    virtual void showCursor(bool) {}

    // Reads a 32-bit value under HKEY_CURRENT_USER\`key`.
    virtual UserDwordLookup readUserDword(const std::string&, const std::string&) { return {}; }

    // True on the Windows NT family (and on systems without the older one).
    virtual bool isNtFamily() { return true; }

    // Loads a system library, which then stays loaded; null when it cannot.
    virtual void* loadSystemLibrary(const std::string&) { return nullptr; }

    // The exported function `name` of a library from loadSystemLibrary, or null.
    virtual void* libraryFunction(void*, const std::string&) { return nullptr; }

    // Opens a document (a web page, say) with the program the user's system
    // opens it with. False when nothing could be started.
    virtual bool openDocument(const std::string&) { return false; }

    // The monitors of the desktop; none on a system without them.
    virtual std::vector<MonitorArea> monitors() { return {}; }
};

// The build's own implementation: Win32 on Windows, portable elsewhere.
std::unique_ptr<Platform> makeSystemPlatform();

}  // namespace glowpond
