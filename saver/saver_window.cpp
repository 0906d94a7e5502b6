#include "saver/saver_window.h"

#include <commctrl.h>

#include "config/settings.h"
#include "engine/animation.h"
#include "render/animation_gl.h"
#include "render/gl.h"
#include "render/render_surface.h"
#include "resources/resource.h"
#include "saver/load_sequence.h"
#include "saver/modes.h"
#include "saver/password.h"

namespace glowpond {

HINSTANCE instanceHandle = nullptr;
std::unique_ptr<ModelSlot[]> slots;
int32_t ignoreInput = 0;
int32_t loadCancelled = 0;
HWND statusWindow = nullptr;
ScreenPoint lastCursorPos;

namespace {

// The load-status window with its progress bar, for as long as the load
// sequence runs; nothing at all when the settings do not ask for it.
class StatusWindowProgress final : public LoadProgress {
public:
    StatusWindowProgress(HWND owner, int32_t fileCount) {
        statusWindow = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_LOAD_STATUS), owner,
                                          loadStatusDialogProc, 0);
        if (!statusWindow) return;
        RECT client;
        GetClientRect(statusWindow, &client);
        bar_ = CreateWindowExA(0, "msctls_progress32", "", WS_CHILD | WS_VISIBLE | WS_BORDER, client.left + 10,
                               client.bottom - 25, client.right - client.left - 20, 20, statusWindow, nullptr,
                               instanceHandle, nullptr);
        if (bar_) {
            SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, fileCount + 1));
            SendMessageA(bar_, PBM_SETSTEP, 1, 0);
        }
    }
    ~StatusWindowProgress() override {
        if (bar_) DestroyWindow(bar_);
        if (statusWindow) DestroyWindow(statusWindow);
        statusWindow = nullptr;
    }
    StatusWindowProgress(const StatusWindowProgress&) = delete;
    StatusWindowProgress& operator=(const StatusWindowProgress&) = delete;

    void nextFile() override {
        if (bar_) SendMessageA(bar_, PBM_STEPIT, 0, 0);
        if (!statusWindow) return;
        MSG message;
        while (PeekMessageA(&message, statusWindow, 0, 0, PM_REMOVE)) IsDialogMessageA(statusWindow, &message);
    }
    void showFile(const std::string& path) override {
        if (statusWindow) SetDlgItemTextA(statusWindow, IDC_STATUS_FILE, path.c_str());
    }
    WindowHandle loaderStatusWindow() const override { return glowpond::statusWindow; }

private:
    HWND bar_ = nullptr;
};

// Creates the OpenGL surface, or ends the process: the user has already
// been told why, and a saver without a picture has nothing to show.
void createSurfaceOrExit(HWND window) {
    if (!createRenderSurface(renderSurface(), window, savedSettings().allowAcceleration)) ExitProcess(0);
    setLightHeight(savedSettings().lightHeight);
    slots = std::make_unique<ModelSlot[]>(MAX_MODELS);
}

void loadIdentityModelView() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Clears both buffers of the flip chain `times` times, so that the frame
// loop's scissored drawing starts from black everywhere.
void clearBuffers(int times) {
    glDisable(GL_SCISSOR_TEST);
    for (int i = 0; i < times; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        platform().swapBuffers(renderSurface().deviceContext);
    }
    glEnable(GL_SCISSOR_TEST);
}

LRESULT createSaver(HWND window) {
    ignoreInput = 1;
    savedSettings().readSettings();
    createSurfaceOrExit(window);

    LoadOutcome outcome;
    {
        std::unique_ptr<StatusWindowProgress> progress;
        if (savedSettings().showStatus) {
            progress = std::make_unique<StatusWindowProgress>(window, savedSettings().modelCount);
        }
        outcome = loadModelFiles(slots.get(), savedSettings(), progress.get(), &loadCancelled);
    }
    if (outcome.cancelled) {
        // ignoreInput stays set: only this close may end the saver now.
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (outcome.loaded == 0) {
        animating = 0;
        platform().messageBox(window, "Error: No files read. Reconfigure.", "ERROR");
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        loadIdentityModelView();
    }
    SetForegroundWindow(window);
    lastCursorPos = platform().cursorPosition();
    ignoreInput = 0;
    return 0;
}

void closeSaver(HWND window) {
    resetClocks = 1;
    ignoreInput = 1;
    if (verifyPassword(window)) {
        animating = 0;
        slots.reset();
        releaseRenderSurface(renderSurface(), window);
        DestroyWindow(window);
    } else {
        lastCursorPos = platform().cursorPosition();
        ignoreInput = 0;
    }
}

void startAnimation(HWND window, int clears) {
    clearBuffers(clears);
    animating = 1;
    runAnimation(window, renderSurface().deviceContext, slots.get(), savedSettings().modelCount);
}

}  // namespace

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return createSaver(window);
    case WM_COMMAND:
        if (LOWORD(wParam) == CMD_START_ANIMATION && !loadCancelled) startAnimation(window, 3);
        return 0;
    case WM_SYSCOMMAND:
        // No second saver, and no close through the system menu.
        if (wParam == SC_CLOSE || wParam == SC_SCREENSAVE) return 0;
        break;
    case WM_MOUSEMOVE: {
        const ScreenPoint now = platform().cursorPosition();
        if (movedPastThreshold(lastCursorPos, now) && !ignoreInput) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        } else {
            lastCursorPos = now;
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (!ignoreInput) PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (!ignoreInput && wParam == 0) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_PAINT:
        // The frame loop draws. Validating keeps WM_PAINT from filling every
        // one-message turn of the loop, which would hold back the input
        // that ends the saver.
        ValidateRect(window, nullptr);
        return 0;
    case WM_CLOSE:
        closeSaver(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK previewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        savedSettings().readSettings();
        createSurfaceOrExit(window);
        buildPreviewSlots(slots.get(), savedSettings());
        loadIdentityModelView();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == CMD_START_ANIMATION && !loadCancelled) startAnimation(window, 8);
        return 0;
    case WM_CLOSE:
        animating = 0;
        slots.reset();
        releaseRenderSurface(renderSurface(), window);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        // The display-settings dialog destroys the preview when it closes or
        // switches savers; nothing is left for this process to do.
        animating = 0;
        slots.reset();
        releaseRenderSurface(renderSurface(), window);
        PostQuitMessage(0);
        ExitProcess(0);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace glowpond
