// The window procedures and dialog procedures of the Windows program, and
// the process-wide state they share (Windows build only).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "engine/model_slot.h"
#include "platform/platform.h"

namespace glowpond {

struct SaverSettings;

// The module handle passed to WinMain; dialogs and windows are made with it.
extern HINSTANCE instanceHandle;

// The models of the running saver or preview (MAX_MODELS slots), or none.
extern std::unique_ptr<ModelSlot[]> slots;
// While set, input and deactivation do not close the saver.
extern int32_t ignoreInput;
// Set by the load-status window's Cancel button; the loads watch it.
extern int32_t loadCancelled;
// The modeless load-status window while the saver loads, or null.
extern HWND statusWindow;
// Where the cursor was at the last mouse message that did not close the saver.
extern ScreenPoint lastCursorPos;

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK previewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog resource 2000, modal, from the settings dialog's About button.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog resource 108, modeless; created and destroyed by its user.
INT_PTR CALLBACK loadStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog resource "DIALOG_1", modal.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog resource 2010, modal, from the settings dialog's Configure Models.
INT_PTR CALLBACK modelSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sent to the model settings dialog by tests (OpenGL in a child window is
// invisible to screenshots): redraws the preview and answers the number of
// its pixels that are not black, or 0 without a preview.
constexpr UINT WM_COUNT_PREVIEW_PIXELS = WM_APP + 1;

// The program's help file (settings.helpFile) in the system's help viewer:
// opened at its contents, or released when the program no longer needs it.
// Nothing happens when the install directory, and so the file, is unknown.
void showHelpContents(HWND owner, const SaverSettings& settings);
void closeHelp(HWND owner, const SaverSettings& settings);

}  // namespace glowpond
