// The two modes of the program that run in a window of their own: the
// full-screen saver and the preview inside the display-settings dialog.
#include "render/gl.h"
#include "saver/modes.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

constexpr char kWindowClass[] = "My Window";
constexpr char kNoWindow[] = "Can't create the screen saver window";

bool registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// The message loop until WM_QUIT: its exit code.
int runMessageLoop(const SaverRuntime& runtime) {
    MSG message;
    message.wParam = 0;
    while (GetMessageA(&message, nullptr, 0, 0) == 1) {
        const HWND statusWindow = runtime.statusWindow;
        if (statusWindow && IsDialogMessageA(statusWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

HWND windowArgument(const char* commandLine) {
    const std::optional<WindowHandle> handle = windowHandleArgument(commandLine);
    if (!handle) return nullptr;
    HWND window = static_cast<HWND>(*handle);
    return IsWindow(window) ? window : nullptr;
}

int runPreview(SaverRuntime& runtime, const char* commandLine, int showCommand) {
    HWND parent = windowArgument(commandLine);
    if (!parent) {
        runtime.platform.messageBox(nullptr, "Can't form a preview window", "Error");
        return 0;
    }
    RECT outer;
    GetWindowRect(parent, &outer);
    if (!registerWindowClass(runtime.instance, previewWindowProc)) return 0;
    auto* window = static_cast<HWND>(runtime.platform.createWindow(
        {0, kWindowClass, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, outer.right - outer.left,
         outer.bottom - outer.top, parent, runtime.instance}));
    if (!window) {
        runtime.platform.messageBox(nullptr, kNoWindow, "Error");
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    glFinish();
    MSG message;
    if (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    SendMessageA(window, WM_COMMAND, CMD_START_ANIMATION, 0);
    return runMessageLoop(runtime);
}

int runFullScreen(SaverRuntime& runtime, int showCommand) {
    Win32Services& platform = runtime.platform;
    platform.setScreenSaverRunning(true);
    if (!registerWindowClass(runtime.instance, saverWindowProc)) {
        platform.setScreenSaverRunning(false);
        return 0;
    }
    auto* window = static_cast<HWND>(platform.createWindow(
        {WS_EX_TOPMOST, kWindowClass, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, runtime.instance}));
    if (!window) {
        // The cursor is not hidden yet: the user can close the box.
        platform.messageBox(nullptr, kNoWindow, "Error");
        platform.setScreenSaverRunning(false);
        return 0;
    }
    platform.showCursor(false);
    // The set of monitors is the one at the start: one plugged in later
    // stays dark until the next start.
    if (runtime.saved().everyMonitor) {
        lavaOnOtherMonitors(runtime, window);
    } else {
        coverOtherMonitors(runtime, window);
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SendMessageA(window, WM_COMMAND, CMD_START_ANIMATION, 0);
    const int exitCode = runMessageLoop(runtime);
    platform.setScreenSaverRunning(false);
    return exitCode;
}

}  // namespace glowpond
