// The seam between the portable core and the operating system.
//
// The core (settings, loading, scene graph, engine maths) never includes a
// system header; whatever it needs from the system it asks of the current
// Platform. The Windows build installs the Win32 implementation, every other
// build a portable one, and tests install a recording one so that nothing
// they run can open a modal window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace glowpond {

// An opaque system window handle (HWND on Windows); null means "no window".
using WindowHandle = void*;
// An opaque device context of a window (HDC on Windows).
using DeviceHandle = void*;

// Size of a window's client area in pixels.
struct ClientSize {
    int32_t width = 0;
    int32_t height = 0;
};

// What Platform::pumpMessage found in the thread's queue.
enum class PumpResult {
    NoMessage,
    Dispatched,  // a message was removed, translated and dispatched
    Quit,        // the message was WM_QUIT (dispatched like any other)
};

// The C standard's example generator (values 0..32767, 32-bit unsigned
// state), the same on every system so that a seeded run repeats exactly.
class StandardRandom {
public:
    void seed(uint32_t value) { next_ = value; }
    int32_t next() {
        next_ = next_ * 1103515245u + 12345u;
        return static_cast<int32_t>((next_ / 65536u) % 32768u);
    }

private:
    uint32_t next_ = 1;  // as if seeded with 1, like the C library before srand
};

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

    // Removes every message waiting for the modeless dialog `dialog` (and its
    // controls) and hands each to the dialog's own handling, so that its
    // buttons act while a long task runs on this thread. Nothing happens for
    // a null window or on a system without such dialogs. Callers may call it
    // as often as they like: a call soon after the last one may do nothing.
    virtual void processDialogMessages(WindowHandle dialog);

    // Sets the text of control `itemId` of the dialog `dialog`. Nothing
    // happens for a null window or on a system without such dialogs.
    virtual void setDialogItemText(WindowHandle dialog, int itemId, const std::string& text);

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

    // The client area of `window`; (0, 0) when there is no such window.
    virtual ClientSize clientSize(WindowHandle window) = 0;

    // Milliseconds since the process started, as a signed 32-bit count.
    virtual int32_t clockMs() = 0;

    // Called on every turn of a busy wait on clockMs() with the milliseconds
    // still to wait. The system's clock moves by itself and ignores it; a
    // simulated clock moves on by that much.
    virtual void spinWait(int32_t remainingMs) = 0;

    // Seeds the pseudo-random source from the current time.
    virtual void seedRandomFromTime() = 0;

    // The next value of the pseudo-random source, 0..32767.
    virtual int32_t randomValue() = 0;

    // Removes at most one waiting message of the calling thread's queue (for
    // any window), translates and dispatches it. Window procedures run
    // inside this call.
    virtual PumpResult pumpMessage() = 0;

    // Shows the back buffer of a double-buffered OpenGL device context.
    virtual void swapBuffers(DeviceHandle deviceContext) = 0;

    // The entry point of an OpenGL extension function of the current
    // context, or null.
    virtual void* glProcAddress(const char* name) = 0;

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
};

// The platform of this process. Until setPlatform is called it is the
// build's own implementation (Win32 on Windows, portable elsewhere).
Platform& platform();

// Installs `replacement` (borrowed; null restores the build's own) and
// returns the platform that was in force.
Platform* setPlatform(Platform* replacement);

// The build's own implementation, a process-wide instance.
Platform& nativePlatform();

}  // namespace glowpond
