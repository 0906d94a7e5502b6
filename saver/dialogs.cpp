#include <cstdio>

#include "config/settings.h"
#include "resources/resource.h"
#include "saver/saver_window.h"

namespace glowpond {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const float version = 1.7f;
        char text[32];
        std::snprintf(text, sizeof text, "%s%5.2f", "Version ", version);
        SetDlgItemTextA(dialog, IDC_VERSION, text);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, static_cast<INT_PTR>(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK loadStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, "3-D Glowpond File Load Status.");
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_STATUS_CANCEL) return FALSE;
        // The window stays: its creator notices the flag and destroys it.
        loadCancelled = 1;
        return TRUE;
    default:
        return FALSE;
    }
}

void showHelpContents(HWND owner, const SaverSettings& settings) {
    if (settings.helpFile) WinHelpA(owner, settings.helpFile->c_str(), HELP_CONTENTS, 0);
}

void closeHelp(HWND owner, const SaverSettings& settings) {
    if (settings.helpFile) WinHelpA(owner, settings.helpFile->c_str(), HELP_QUIT, 0);
}

}  // namespace glowpond
