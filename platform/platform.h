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
#include <optional>
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

// What CreateWindowEx takes besides the title.
struct WindowRequest {
    uint32_t extendedStyle = 0;
    const char* className = "";
    uint32_t style = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    WindowHandle parent = nullptr;
    void* instance = nullptr;
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

    // The current user's own folder for the settings of programs (on
    // Windows their roaming application data), or nothing on a system
    // without one: the settings then stay where the program finds them.
    virtual std::optional<std::string> userDataFolder() { return std::nullopt; }

    // Makes the folder `path` unless it exists; false when neither holds.
    virtual bool makeFolder(const std::string&) { return false; }

    // Loads a library from the system's own folder, and from nowhere else,
    // which then stays loaded; null when it is not there.
    virtual void* loadSystemLibrary(const std::string&) { return nullptr; }

    // The exported function `name` of a library from loadSystemLibrary, or null.
    virtual void* libraryFunction(void*, const std::string&) { return nullptr; }

    // Opens a document (a web page, say) with the program the user's system
    // opens it with. False when nothing could be started.
    virtual bool openDocument(const std::string&) { return false; }

    // The monitors of the desktop; none on a system without them.
    virtual std::vector<MonitorArea> monitors() { return {}; }

    // Creates a window (CreateWindowEx with an empty title); null when that fails.
    virtual WindowHandle createWindow(const WindowRequest&) { return nullptr; }

    // Tells the system that the screen saver runs or has stopped (Windows 95
    // and 98 then disable and enable the system key combinations).
    virtual void setScreenSaverRunning(bool) {}
};

// Text in the system's ANSI code page from UTF-16 and back, converted as
// the system's profile functions convert a Unicode INI file.
std::string ansiFromUtf16(const std::u16string& text);
std::u16string utf16FromAnsi(const std::string& text);

// The build's own implementation: Win32 on Windows, portable elsewhere.
std::unique_ptr<Platform> makeSystemPlatform();

}  // namespace glowpond
