// The screen saver's entry point: the system starts it with /s, /p <hwnd>,
// /a <hwnd> or /c (or nothing), and each mode runs to its end here.
#include <windows.h>

#include <commctrl.h>

#include "render/gl.h"
#include "resources/resource.h"
#include "saver/modes.h"
#include "saver/password.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

constexpr char kWindowClass[] = "My Window";
constexpr UINT kScreenSaverRunning = 97;  // SPI_SETSCREENSAVERRUNNING

bool registerWindowClass(WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = saverRuntime().instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// The window named on the command line, or null when there is none.
HWND windowArgument(const char* commandLine) {
    const std::optional<WindowHandle> handle = windowHandleArgument(commandLine);
    if (!handle) return nullptr;
    HWND window = static_cast<HWND>(*handle);
    return IsWindow(window) ? window : nullptr;
}

int runSettings() {
    DialogBoxParamA(saverRuntime().instance, IDD_SETTINGS, GetActiveWindow(), settingsDialogProc, 0);
    return 0;
}

int runChangePassword(const char* commandLine) {
    HWND owner = windowArgument(commandLine);
    return changePassword(saverRuntime().platform, owner ? owner : GetForegroundWindow());
}

int runPreview(const char* commandLine, int showCommand) {
    HWND parent = windowArgument(commandLine);
    if (!parent) {
        saverRuntime().platform.messageBox(nullptr, "Can't form a preview window", "Error");
        return 0;
    }
    RECT outer;
    GetWindowRect(parent, &outer);
    if (!registerWindowClass(previewWindowProc)) return 0;
    HWND window = CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  0, 0, outer.right - outer.left, outer.bottom - outer.top, parent, nullptr,
                                  saverRuntime().instance, nullptr);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    glFinish();
    MSG message;
    if (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    SendMessageA(window, WM_COMMAND, CMD_START_ANIMATION, 0);
    message.wParam = 0;
    while (GetMessageA(&message, nullptr, 0, 0) == 1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int runFullScreen(int showCommand) {
    SystemParametersInfoA(kScreenSaverRunning, 1, nullptr, 0);
    if (!registerWindowClass(saverWindowProc)) {
        SystemParametersInfoA(kScreenSaverRunning, 0, nullptr, 0);
        return 0;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, "", WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS |
                                  WS_CLIPCHILDREN, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, saverRuntime().instance, nullptr);
    saverRuntime().platform.showCursor(false);
    if (window) coverOtherMonitors(saverRuntime(), window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SendMessageA(window, WM_COMMAND, CMD_START_ANIMATION, 0);
    MSG message;
    message.wParam = 0;
    while (GetMessageA(&message, nullptr, 0, 0) == 1) {
        const HWND statusWindow = saverRuntime().statusWindow;
        if (statusWindow && IsDialogMessageA(statusWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    SystemParametersInfoA(kScreenSaverRunning, 0, nullptr, 0);
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace glowpond

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    using namespace glowpond;
    const std::unique_ptr<Platform> platform = makeSystemPlatform();
    SaverRuntime runtime(instance, *platform);
    setSaverRuntime(&runtime);
    InitCommonControls();
    switch (pickMode(commandLine)) {
    case SaverMode::Preview:
        return runPreview(commandLine, showCommand);
    case SaverMode::ChangePassword:
        return runChangePassword(commandLine);
    case SaverMode::FullScreen:
        return runFullScreen(showCommand);
    case SaverMode::Settings:
        return runSettings();
    }
    return 0;
}
