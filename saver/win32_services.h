// What the Windows saver needs of Windows besides the system services of
// the settings: the cursor, the registry of the current user, the system's
// password libraries, documents, monitors, windows and the screen-saver
// running state. Only the Windows program implements it (win32_services.cpp,
// which alone includes <windows.h> for it); the saver's portable decisions
// (modes.h, password.h) take it as an interface, so that tests hand in a
// recording one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/system_services.h"

namespace glowpond {

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

class Win32Services : public SystemServices {
public:
    // The defaults are what a system without these services answers.

    // The mouse cursor's position on the screen.
    virtual ScreenPoint cursorPosition() { return {}; }

    // Shows or hides the mouse cursor (the system keeps a display count).
    virtual void showCursor(bool) {}

    // Reads a 32-bit value under HKEY_CURRENT_USER\`key`.
    virtual UserDwordLookup readUserDword(const std::string&, const std::string&) { return {}; }

    // True on the Windows NT family (and on systems without the older one).
    virtual bool isNtFamily() { return true; }

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

#if defined(_WIN32)
// The Windows program's own: the Win32 functions, the system services
// forwarded to makeSystemServices().
std::unique_ptr<Win32Services> makeWin32Services();
#endif

}  // namespace glowpond
