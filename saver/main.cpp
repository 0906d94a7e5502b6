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

#ifndef LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x00001000
#endif

// Libraries that load later (by the system's own code too) are searched
// for in the program's folder and the system's, never in the current
// folder. SetDefaultDllDirectories is missing from old systems.
void keepCurrentFolderOutOfLibrarySearch() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDirectories>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) SetDllDirectoryA("");
    // Nor are programs the system starts for us (a help viewer) taken from it.
    SetEnvironmentVariableA("NoDefaultCurrentDirectoryInExePath", "1");
}

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
    keepCurrentFolderOutOfLibrarySearch();
    const std::unique_ptr<Platform> platform = makeSystemPlatform();
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
