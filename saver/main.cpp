// The screen saver's entry point: the system starts it with /s, /p <hwnd>,
// /a <hwnd> or /c (or nothing), and each mode runs to its end here.
#include <windows.h>

#include <commctrl.h>

#include "resources/resource.h"
#include "saver/modes.h"
#include "saver/password.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

int runSettings() {
    DialogBoxParamA(saverRuntime().instance, IDD_SETTINGS, GetActiveWindow(), settingsDialogProc, 0);
    return 0;
}

int runChangePassword(const char* commandLine) {
    HWND owner = windowArgument(commandLine);
    return changePassword(saverRuntime().platform, owner ? owner : GetForegroundWindow());
}

}  // namespace
}  // namespace glowpond

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    using namespace glowpond;
    const std::unique_ptr<Win32Services> platform = makeWin32Services();
    SaverRuntime runtime(instance, *platform);
    setSaverRuntime(&runtime);
    InitCommonControls();
    switch (pickMode(commandLine)) {
    case SaverMode::Preview:
        return runPreview(runtime, commandLine, showCommand);
    case SaverMode::ChangePassword:
        return runChangePassword(commandLine);
    case SaverMode::FullScreen:
        return runFullScreen(runtime, showCommand);
    case SaverMode::Settings:
        return runSettings();
    }
    return 0;
}
