#include "saver/saver_window.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/screen_start.h"
#include "render/gl.h"
#include "render/gl_renderer.h"
#include "render/lava_draw.h"
#include "resources/resource.h"
#include "saver/modes.h"
#include "saver/password.h"
#include "saver/wide_text.h"
#include "saver/win32_folder_lister.h"

namespace glowpond {

void* glProcAddress(const char* name) { return reinterpret_cast<void*>(wglGetProcAddress(name)); }

namespace {

// The frame loop on this thread: the runtime's clock and the thread's queue.
class ThreadLoop final : public LoopServices {
public:
    explicit ThreadLoop(const SaverRuntime& runtime) : runtime_(runtime) {}
    int32_t nowMs() override { return runtime_.clockMs(); }
    void spinWait(int32_t) override {}
    bool sleepWait(int32_t remainingMs) override {
        // Input that arrived while the loop was drawing counts as well
        // (MWMO_INPUTAVAILABLE), or it would wait a whole step unseen.
        return MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(remainingMs), QS_ALLINPUT,
                                           MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
    }
    Pumped pumpMessage() override {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return Pumped::Nothing;
        const bool quit = message.message == WM_QUIT;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        return quit ? Pumped::Quit : Pumped::Message;
    }

private:
    const SaverRuntime& runtime_;
};

// The view that draws, adding a line "MODEL CLOCK_MS" for every model
// update to the file that GLOWPOND_STEP_LOG names: how tests see the steps'
// timing from outside (they may empty the file meanwhile).
class StepLogView final : public AnimationView {
public:
    StepLogView(AnimationView& view, std::FILE* log) : view_(view), log_(log) {}
    void beginFrame() override { view_.beginFrame(); }
    void clearRect(const ScissorRect& rect) override { view_.clearRect(rect); }
    void setSolidMode(bool solid, bool backCull, bool twoSided) override {
        view_.setSolidMode(solid, backCull, twoSided);
    }
    void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) override { view_.drawSlot(slot, scale, rect); }
    void addSwapHints(const ScissorRect& current, const ScissorRect& previous) override {
        view_.addSwapHints(current, previous);
    }
    void endFrame() override { view_.endFrame(); }
    void modelUpdated(const ModelUpdate& update) override {
        // Flushed by line: the test reads it while the saver runs, or after it was ended.
        std::fprintf(log_, "%d %d\n", static_cast<int>(update.model), static_cast<int>(update.now));
        std::fflush(log_);
        view_.modelUpdated(update);
    }

private:
    AnimationView& view_;
    std::FILE* log_;
};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Creates the OpenGL surface, or ends the process: the user has already
// been told why, and a saver without a picture has nothing to show.
void createSurfaceOrExit(SaverRuntime& runtime, HWND window, bool fullScreen) {
    SaverSettings& settings = runtime.saved();
    if (!createRenderSurface(runtime.surface, window, settings.allowAcceleration, runtime.platform)) {
        if (fullScreen) runtime.platform.setScreenSaverRunning(false);
        ExitProcess(0);
    }
    const HDC deviceContext = static_cast<HDC>(runtime.surface.deviceContext);
    runtime.renderer = std::make_unique<GlRenderer>([deviceContext] { SwapBuffers(deviceContext); },
                                                    GetDeviceCaps(deviceContext, NUMCOLORS) != -1, glProcAddress);
    RECT client{};
    GetClientRect(window, &client);
    runtime.renderer->setUpSurface({client.right, client.bottom}, settings.lightHeight);
    runtime.slots = std::make_unique<ModelSlot[]>(MAX_MODELS);
}

LRESULT createSaver(SaverRuntime& runtime, HWND window) {
    runtime.ignoreInput = true;
    SaverSettings& settings = runtime.saved();
    readIniFile(settings, runtime.platform);
    createSurfaceOrExit(runtime, window, true);

    // Folder entries draw other files at each start.
    Win32FolderLister lister;
    const uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ static_cast<uint32_t>(std::time(nullptr));
    ModelPlan plan = planModels(settings, &lister, seed);
    LoadOutcome outcome;
    {
        LoadStatusWindow progress(runtime, window, settings.showStatus != 0, plan.places());
        runtime.statusWindow = progress.window();
        outcome = loadModelFiles(runtime.slots.get(), settings, runtime.loader, progress, std::move(plan));
        runtime.statusWindow = nullptr;
    }
    if (outcome.cancelled) {
        // ignoreInput stays set: only this close may end the saver now.
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (outcome.loaded == 0) {
        runtime.loop.animating = false;
        runtime.platform.messageBox(window, "Error: No files read. Reconfigure.", "ERROR");
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    SetForegroundWindow(window);
    runtime.lastCursorPos = runtime.platform.cursorPosition();
    runtime.ignoreInput = false;
    return 0;
}

// Ends the window's part in the program: the loop stops, the models and the
// surface go.
void release(SaverRuntime& runtime, HWND window) {
    runtime.loop.animating = false;
    runtime.fineTimer.reset();
    for (MonitorLava& lava : runtime.monitorLava) {
        lava.slots.reset();
        lava.renderer.reset();
        releaseRenderSurface(lava.surface, lava.window);
    }
    runtime.monitorLava.clear();
    runtime.slots.reset();
    runtime.renderer.reset();
    releaseRenderSurface(runtime.surface, window);
}

void closeSaver(SaverRuntime& runtime, HWND window) {
    runtime.loop.resetClocks = true;
    runtime.ignoreInput = true;
    if (verifyPassword(runtime.platform, window)) {
        release(runtime, window);
        DestroyWindow(window);
    } else {
        runtime.lastCursorPos = runtime.platform.cursorPosition();
        runtime.ignoreInput = false;
    }
}

void makeCurrent(const RenderSurface& surface) {
    wglMakeCurrent(static_cast<HDC>(surface.deviceContext), static_cast<HGLRC>(surface.glContext));
}

void startAnimation(SaverRuntime& runtime, int clears) {
    GlRenderer& renderer = *runtime.renderer;
    // Both buffers of the flip chain black, so that the frame loop's
    // scissored drawing starts from black everywhere.
    renderer.clearSurface(clears);
    // Once per process, on the first start.
    if (!runtime.swapHint) runtime.swapHint = findSwapHint(glProcAddress);
    renderer.setSwapHint(*runtime.swapHint);
    const auto now = static_cast<uint32_t>(std::time(nullptr));
    const int32_t count = runtime.saved().modelCount;
    // The model steps go to GLOWPOND_STEP_LOG when it is set, those of the
    // k-th other monitor's lava to the same path with ".k" added.
    const wchar_t* logPath = _wgetenv(L"GLOWPOND_STEP_LOG");
    std::vector<std::unique_ptr<std::FILE, CloseFile>> logs;
    std::deque<StepLogView> logged;
    auto logOf = [&](AnimationView& plain, const std::string& suffix) -> AnimationView& {
        if (!logPath || !*logPath) return plain;
        logs.emplace_back(_wfopen((logPath + wideFromUtf8(suffix)).c_str(), L"a"));
        if (!logs.back()) return plain;
        return logged.emplace_back(plain, logs.back().get());
    };
    std::vector<LoopScreen> screens{{runtime.slots.get(), count, screenSeed(now, 0), &logOf(renderer.view(), ""), {}}};
    // One thread drives every monitor's lava: the window procedures and the
    // close stay on the thread that owns the windows, as with one monitor.
    for (MonitorLava& lava : runtime.monitorLava) {
        makeCurrent(lava.surface);
        lava.renderer->clearSurface(clears);
        lava.renderer->setSwapHint(*runtime.swapHint);
        const RenderSurface* surface = &lava.surface;
        AnimationView& view = logOf(lava.renderer->view(), "." + std::to_string(screens.size()));
        screens.push_back({lava.slots.get(), count, screenSeed(now, screens.size()), &view,
                           [surface] { makeCurrent(*surface); }});
    }
    if (screens.size() > 1) {
        const RenderSurface* surface = &runtime.surface;
        screens.front().select = [surface] { makeCurrent(*surface); };
        makeCurrent(runtime.surface);
    }
    ThreadLoop services(runtime);
    runtime.loop.animating = true;
    if (runtime.saved().spareProcessor) runtime.fineTimer.emplace();
    runFrameLoops(screens, runtime.saved(), services, runtime.loop);
    runtime.fineTimer.reset();
}

bool startCommand(const SaverRuntime& runtime, WPARAM wParam) {
    return LOWORD(wParam) == CMD_START_ANIMATION && !runtime.loadCancelled;
}

// Input on a cover or lava window goes to the saver window, which decides.
LRESULT CALLBACK coverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_KEYUP:
        return SendMessageA(GetWindow(window, GW_OWNER), message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// A window of `windowClass` over the monitor, owned by the saver window and
// never activated, so that the saver window keeps the input; null when it
// cannot be made.
HWND makeMonitorWindow(SaverRuntime& runtime, HWND saverWindow, const char* windowClass, const MonitorArea& area) {
    return static_cast<HWND>(runtime.platform.createWindow(
        {WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
         area.left, area.top, area.right - area.left, area.bottom - area.top, saverWindow, runtime.instance}));
}

void registerMonitorClass(HINSTANCE instance, const char* name, bool black) {
    WNDCLASSA monitorClass{};
    monitorClass.lpfnWndProc = coverWindowProc;
    monitorClass.hInstance = instance;
    // Lava windows have no background: erasing it would flash black over the frames.
    monitorClass.hbrBackground = black ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : nullptr;
    monitorClass.lpszClassName = name;
    RegisterClassA(&monitorClass);  // fails harmlessly when a test registered it already
}

void cover(SaverRuntime& runtime, HWND saverWindow, const MonitorArea& area) {
    registerMonitorClass(runtime.instance, kCoverWindowClass, true);
    if (HWND window = makeMonitorWindow(runtime, saverWindow, kCoverWindowClass, area)) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
}

// The lava window of monitor `area`, its surface and its copies of the
// loaded models, starting with model `first`; false, with nothing left
// behind, when the window or its surface cannot be made.
bool addLava(SaverRuntime& runtime, HWND saverWindow, const MonitorArea& area, int32_t first) {
    const SaverSettings& settings = runtime.saved();
    MonitorLava lava;
    lava.window = makeMonitorWindow(runtime, saverWindow, kLavaWindowClass, area);
    if (!lava.window) return false;
    if (!createRenderSurface(lava.surface, lava.window, settings.allowAcceleration, runtime.platform)) {
        DestroyWindow(lava.window);
        return false;
    }
    const HDC deviceContext = static_cast<HDC>(lava.surface.deviceContext);
    lava.renderer = std::make_unique<GlRenderer>([deviceContext] { SwapBuffers(deviceContext); },
                                                 GetDeviceCaps(deviceContext, NUMCOLORS) != -1, glProcAddress);
    // Its own size: with monitors of different DPI each draws at its own.
    RECT client{};
    GetClientRect(lava.window, &client);
    lava.renderer->setUpSurface({client.right, client.bottom}, settings.lightHeight);
    const int32_t count = settings.modelCount;
    lava.slots = std::make_unique<ModelSlot[]>(MAX_MODELS);
    for (int32_t j = 0; j < count; ++j) lava.slots[static_cast<size_t>(j)] = copyOfSlot(runtime.slots[static_cast<size_t>(j)]);
    startWith(lava.slots.get(), count, first % count);
    ShowWindow(lava.window, SW_SHOWNOACTIVATE);
    runtime.monitorLava.push_back(std::move(lava));
    return true;
}

}  // namespace

void coverOtherMonitors(SaverRuntime& runtime, HWND saverWindow) {
    for (const MonitorArea& area : runtime.platform.monitors()) {
        if (!area.primary) cover(runtime, saverWindow, area);
    }
}

void lavaOnOtherMonitors(SaverRuntime& runtime, HWND saverWindow) {
    const int32_t count = runtime.slots ? runtime.saved().modelCount : 0;
    if (count < 1) {
        coverOtherMonitors(runtime, saverWindow);
        return;
    }
    registerMonitorClass(runtime.instance, kLavaWindowClass, false);
    int32_t window = 0;  // the primary monitor's is window 0
    for (const MonitorArea& area : runtime.platform.monitors()) {
        if (area.primary) continue;
        ++window;
        // A monitor without a surface of its own is black at least.
        if (!addLava(runtime, saverWindow, area, window)) cover(runtime, saverWindow, area);
    }
    // Each new surface was made current in turn: the saver window's draws next.
    makeCurrent(runtime.surface);
}

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverRuntime& runtime = saverRuntime();
    switch (message) {
    case WM_CREATE:
        return createSaver(runtime, window);
    case WM_COMMAND:
        if (startCommand(runtime, wParam)) startAnimation(runtime, 3);
        return 0;
    case WM_SYSCOMMAND:
        // No second saver, and no close through the system menu.
        if (wParam == SC_CLOSE || wParam == SC_SCREENSAVE) return 0;
        break;
    case WM_MOUSEMOVE: {
        const ScreenPoint now = runtime.platform.cursorPosition();
        if (movedPastThreshold(runtime.lastCursorPos, now) && !runtime.ignoreInput) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        } else {
            runtime.lastCursorPos = now;
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (!runtime.ignoreInput) PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (!runtime.ignoreInput && wParam == 0) {
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
        closeSaver(runtime, window);
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
    SaverRuntime& runtime = saverRuntime();
    switch (message) {
    case WM_CREATE:
        readIniFile(runtime.saved(), runtime.platform);
        createSurfaceOrExit(runtime, window, false);
        buildPreviewSlots(runtime.slots.get(), runtime.saved(), runtime.random);
        return 0;
    case WM_COMMAND:
        if (startCommand(runtime, wParam)) startAnimation(runtime, 8);
        return 0;
    case WM_CLOSE:
        release(runtime, window);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        // The display-settings dialog destroys the preview when it closes or
        // switches savers; nothing is left for this process to do.
        release(runtime, window);
        PostQuitMessage(0);
        ExitProcess(0);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace glowpond
