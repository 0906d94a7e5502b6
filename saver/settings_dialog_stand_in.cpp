// TEMPORARY: the settings dialog's own procedure replaces this one; until
// then the dialog opens, shows About and Help, and closes.
#include "saver/saver_window.h"

#include "config/settings.h"
#include "resources/resource.h"

namespace glowpond {

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
        closeHelp(dialog, savedSettings());
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_ABOUT:
        DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_ABOUT), dialog, aboutDialogProc, 0);
        return TRUE;
    case IDC_HELP:
        showHelpContents(dialog, savedSettings());
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace glowpond
