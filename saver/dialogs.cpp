#include "saver/saver_window.h"

#include <commctrl.h>

#include <cctype>
#include <cstdio>

#include "config/settings.h"
#include "resources/resource.h"
#include "saver/wide_text.h"

namespace glowpond {
namespace {

// Loads ask at every face and every line of a file; a look at the status
// window's messages every few milliseconds keeps Cancel prompt at a fraction
// of the cost (each look is a round trip to the window server under Wine).
constexpr DWORD kCancelLookIntervalMs = 10;

// The help page of our own, in the install directory.
constexpr char kHelpPageName[] = "\\glowpond.html";

// Help comes from the install directory alone, by its full path ("C:\..."
// or a share): a relative one would name a file in the current directory.
bool installedAtFullPath(const SaverSettings& settings) {
    const std::string& dir = settings.installDir.value_or("");
    const bool drive = dir.size() >= 3 && std::isalpha(static_cast<unsigned char>(dir[0])) && dir[1] == ':' &&
                       (dir[2] == '\\' || dir[2] == '/');
    return drive || dir.compare(0, 2, "\\\\") == 0;
}

bool helpFileInstalled(const SaverSettings& settings) {
    return installedAtFullPath(settings) && settings.helpFile &&
           GetFileAttributesW(wideFromUtf8(*settings.helpFile).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void setItemText(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextW(dialog, id, wideFromUtf8(text).c_str());
}

void addListLine(HWND list, const std::string& text) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromUtf8(text).c_str()));
}

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
        saverRuntime().loadCancelled = 1;
        return TRUE;
    default:
        return FALSE;
    }
}

LoadStatusWindow::LoadStatusWindow(SaverRuntime& runtime, HWND owner, bool show, int32_t fileCount)
    : runtime_(runtime) {
    if (!show) return;
    window_ = CreateDialogParamA(runtime.instance, MAKEINTRESOURCEA(IDD_LOAD_STATUS), owner, loadStatusDialogProc, 0);
    if (!window_ || fileCount < 0) return;
    RECT client;
    GetClientRect(window_, &client);
    bar_ = CreateWindowExA(0, "msctls_progress32", "", WS_CHILD | WS_VISIBLE | WS_BORDER, client.left + 10,
                           client.bottom - 25, client.right - client.left - 20, 20, window_, nullptr,
                           runtime.instance, nullptr);
    if (bar_) {
        SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, fileCount + 1));
        SendMessageA(bar_, PBM_SETSTEP, 1, 0);
    }
}

LoadStatusWindow::~LoadStatusWindow() {
    if (bar_) DestroyWindow(bar_);
    if (window_) DestroyWindow(window_);
}

void LoadStatusWindow::showStatus(const std::string& text) {
    if (window_) setItemText(window_, IDC_STATUS_TEXT, text);
}

void LoadStatusWindow::showError(const std::string& text, const std::string& caption) {
    runtime_.platform.messageBox(nullptr, text, caption);
}

bool LoadStatusWindow::cancelled() {
    const DWORD now = GetTickCount();
    if (window_ && now - lastLook_ >= kCancelLookIntervalMs) {
        lastLook_ = now;
        MSG message;
        while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(window_, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    return runtime_.loadCancelled != 0;
}

void LoadStatusWindow::nextFile() {
    if (bar_) SendMessageA(bar_, PBM_STEPIT, 0, 0);
    if (!window_) return;
    MSG message;
    while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) IsDialogMessageA(window_, &message);
}

void LoadStatusWindow::showFile(const std::string& path) {
    if (window_) SetDlgItemTextW(window_, IDC_STATUS_FILE, wideFromUtf8(path).c_str());
}

void showHelpContents(HWND owner, const SaverSettings& settings) {
    if (!installedAtFullPath(settings)) return;
    // Current Windows has no viewer for the old help files: unless one is
    // installed, our own page opens in the user's browser.
    if (helpFileInstalled(settings)) {
        WinHelpW(owner, wideFromUtf8(*settings.helpFile).c_str(), HELP_CONTENTS, 0);
    } else {
        saverRuntime().platform.openDocument(*settings.installDir + kHelpPageName);
    }
}

void closeHelp(HWND owner, const SaverSettings& settings) {
    if (helpFileInstalled(settings)) WinHelpW(owner, wideFromUtf8(*settings.helpFile).c_str(), HELP_QUIT, 0);
}

}  // namespace glowpond
