// Everything the Windows program keeps while it runs, in one record: the
// settings, the models, the frame loop's flags, the OpenGL surface and the
// state of the open dialogs (Windows build only). WinMain owns it; the
// window and dialog procedures reach it through saverRuntime().
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "engine/random.h"
#include "loading/gzip_decompressor.h"
#include "loading/load_driver.h"
#include "saver/win32_services.h"
#include "render/animation_gl.h"
#include "render/gl_renderer.h"
#include "saver/wgl_surface.h"
#include "render/lava_draw.h"
#include "saver/win32_file_opener.h"
#include "host/frame_loop.h"

namespace glowpond {

// What the settings dialog keeps between its messages.
struct SettingsDialogState {
    // The colour chooser's custom colours, kept while the dialog is open.
    std::array<COLORREF, 16> customColors{};
    int32_t modelCount = 0;  // lines of the list
    // The open choosers remember the filter the user picked last; the
    // model chooser starts with "All models".
    DWORD modelFilterIndex = 1;
    DWORD configFilterIndex = 2;
};

// What the model settings dialog keeps between its messages.
struct ModelDialogState {
    int32_t currentModel = 0;
    std::unique_ptr<DisplayMesh> previewMesh;
    RenderSurface surface;
    MeshDrawer drawer;  // of the preview, on the surface's context
    HWND picture = nullptr;
    bool scrollHintShown = false;
};

// The lava of a monitor besides the primary one, when every monitor shows
// lava: its window, its OpenGL surface and drawing, and its own copies of
// the loaded models, which its animation shapes.
struct MonitorLava {
    HWND window = nullptr;
    RenderSurface surface;
    std::unique_ptr<GlRenderer> renderer;
    std::unique_ptr<ModelSlot[]> slots;
};

// Asks for 1 ms timer ticks while it lives, so that the frame loop's sleeps
// end when a model is due rather than at the next 15.6 ms tick.
class FineTimerPeriod {
public:
    FineTimerPeriod() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~FineTimerPeriod() {
        if (raised_) timeEndPeriod(1);
    }
    FineTimerPeriod(const FineTimerPeriod&) = delete;
    FineTimerPeriod& operator=(const FineTimerPeriod&) = delete;

private:
    bool raised_;
};

class SaverRuntime {
public:
    SaverRuntime(HINSTANCE instance, Win32Services& platform);

    // The settings in force (read from and written to the INI file) and the
    // copy the dialogs edit. Each is made on first use, and looks up the
    // install directory then: that is where "Couldn't get path key" shows.
    SaverSettings& saved();
    SaverSettings& working();

    // Milliseconds since the record was made, at the start of the program.
    int32_t clockMs() const;

    HINSTANCE instance;
    Win32Services& platform;

    std::unique_ptr<ModelSlot[]> slots;  // MAX_MODELS of them, or none
    // With lava on every monitor, that of the monitors besides the primary
    // one, in the order the system lists them.
    std::vector<MonitorLava> monitorLava;
    LoopFlags loop;
    // While set, input and deactivation do not close the saver.
    bool ignoreInput = false;
    // Set by the load-status window's Cancel button; the loads watch it.
    int32_t loadCancelled = 0;
    // The modeless load-status window while the saver loads, or null.
    HWND statusWindow = nullptr;
    // Where the cursor was at the last mouse message that did not close the saver.
    ScreenPoint lastCursorPos;
    RenderSurface surface;
    // Draws on the surface while it exists.
    std::unique_ptr<GlRenderer> renderer;
    // Every model file the program reads, it opens through this.
    Win32FileOpener fileOpener;
    GzipDecompressor gzip;
    ModelLoader loader{fileOpener, LoadOptions{{}, &gzip}};
    StandardRandom random;  // the preview's cubes
    // glAddSwapHintRectWIN, looked up on the first start of the frame loop.
    std::optional<SwapHintFunction> swapHint;
    // While the frame loop sleeps between steps. Kept here rather than in
    // the loop's frame: the preview's destruction ends the process from
    // inside the loop, after releasing the window's part in the runtime.
    std::optional<FineTimerPeriod> fineTimer;
    SettingsDialogState settingsDialog;
    ModelDialogState modelDialog;

private:
    std::optional<SaverSettings> saved_;
    std::optional<SaverSettings> working_;
    int64_t clockOrigin_;
};

// The program's record. Installed by WinMain, and by tests for each test.
SaverRuntime& saverRuntime();
void setSaverRuntime(SaverRuntime* runtime);

}  // namespace glowpond
