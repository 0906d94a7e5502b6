// The window procedures and dialog procedures of the Windows program
// (Windows build only). What they share lives in the runtime record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "host/load_sequence.h"
#include "saver/saver_runtime.h"

namespace glowpond {

// The full-screen and preview modes, each to its end: the exit code. A
// window that cannot be made ends either mode with a message box. The
// full-screen mode clears the system's "screen saver running" state, which
// it sets first, on every way out.
int runFullScreen(SaverRuntime& runtime, int showCommand);
int runPreview(SaverRuntime& runtime, const char* commandLine, int showCommand);

// WGL's lookup of OpenGL entry points of the current context by name.
void* glProcAddress(const char* name);

// The window named after the first blank of the command line, or null when
// there is none.
HWND windowArgument(const char* commandLine);

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Covers every monitor but the primary one (runtime.platform.monitors())
// with a plain black window owned by the saver window, so that they go with
// it. Input on them closes the saver by the saver window's own rules.
void coverOtherMonitors(SaverRuntime& runtime, HWND saverWindow);
// The class of those windows.
constexpr char kCoverWindowClass[] = "Glowpond Cover";

// Lava on every monitor: gives every monitor but the primary one a lava
// window of its own (runtime.monitorLava), owned by the saver window like
// the covers and handing it its input in the same way, with its own OpenGL
// surface at the monitor's size and its own copies of the loaded models;
// the k-th of them (the primary monitor's being the 0th) starts with model
// k modulo the count. A monitor whose window or surface cannot be made is
// covered black; without loaded models every other monitor is. The saver
// window's surface is current again afterwards.
void lavaOnOtherMonitors(SaverRuntime& runtime, HWND saverWindow);
constexpr char kLavaWindowClass[] = "Glowpond Lava";
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

// The load-status window (resource 108) as the observer of loads: status
// texts in its control 1006, failures in message boxes, its Cancel button
// through the runtime's loadCancelled. With `show` false there is no window:
// nothing is shown but the failures, and nothing can cancel. With a
// `fileCount` of 0 or more it has a progress bar of fileCount + 1 steps.
class LoadStatusWindow final : public LoadProgress {
public:
    LoadStatusWindow(SaverRuntime& runtime, HWND owner, bool show, int32_t fileCount = -1);
    ~LoadStatusWindow() override;
    LoadStatusWindow(const LoadStatusWindow&) = delete;
    LoadStatusWindow& operator=(const LoadStatusWindow&) = delete;

    HWND window() const { return window_; }

    bool showsStatus() const override { return window_ != nullptr; }
    void showStatus(const std::string& text) override;
    void showError(const std::string& text, const std::string& caption) override;
    bool cancelled() override;
    void nextFile() override;
    void showFile(const std::string& path) override;

private:
    SaverRuntime& runtime_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    DWORD lastLook_ = 0;  // when cancelled() last looked at the window's messages
};

// The text of a model entry in the dialogs' lists: a folder entry (see
// loading/model_folder.h) with the number of model files found in it.
std::string modelListText(const std::string& entry);
// What the model settings dialog previews for an entry: a file entry's file,
// or one of a folder entry's files at random; empty for a folder without any.
std::string previewFileOf(const std::string& entry);

// Paths and the user's text in controls go as UTF-16, so that a name beyond
// the code page shows whole.
void setItemText(HWND dialog, int id, const std::string& text);
void addListLine(HWND list, const std::string& text);

// The program's help: the help file (settings.helpFile) in the system's
// help viewer when it is installed, else the help page glowpond.html of the
// install directory in the user's browser; closing releases the viewer.
// Nothing happens when the install directory is unknown.
void showHelpContents(HWND owner, const SaverSettings& settings);
void closeHelp(HWND owner, const SaverSettings& settings);

}  // namespace glowpond
