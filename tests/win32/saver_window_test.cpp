// The saver window's close rules and the two small dialogs, on real windows
// with synthetic messages; the cursor comes from the recording platform. And
// the OpenGL surface on a real window: under Wine without a display no window
// can be created, and that test skips.
#include "saver/saver_window.h"

#include <gtest/gtest.h>

#include "render/gl.h"
#include "render/gl_renderer.h"
#include "saver/modes.h"
#include "saver/wgl_surface.h"
#include "resources/resource.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

int32_t refuseToClose(WindowHandle) { return 0; }

struct SaverWindow : ::testing::Test {
    SaverWindow() { setSaverRuntime(&runtime); }
    ~SaverWindow() override {
        DestroyWindow(window);
        setSaverRuntime(nullptr);
    }
    // Whether the message made the window post itself a close.
    bool closes(UINT message, WPARAM wParam = 0) {
        saverWindowProc(window, message, wParam, 0);
        return closePosted();
    }
    bool closePosted() {
        MSG posted;
        return PeekMessageA(&posted, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    }

    testing::RecordingPlatform platform;
    SaverRuntime runtime{nullptr, platform};
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
};

TEST_F(SaverWindow, inputAndLosingActivationCloseOnlyOnceLoadingHasFinished) {
    const std::tuple<bool, ScreenPoint, bool, ScreenPoint> moves[] = {
        {false, {5, 5}, false, {5, 5}},  // ignoring input, cursor, closes, reference after
        {false, {11, 10}, true, {5, 5}},  // 11 pixels from the reference, 21 from the first
        {true, {400, 300}, false, {400, 300}}};
    for (const auto& [ignoreInput, cursor, closing, reference] : moves) {
        std::tie(runtime.ignoreInput, platform.cursor) = std::tie(ignoreInput, cursor);
        EXPECT_EQ(closes(WM_MOUSEMOVE), closing) << cursor.x;
        EXPECT_EQ(std::tie(runtime.lastCursorPos.x, runtime.lastCursorPos.y), std::tie(reference.x, reference.y));
    }
    for (UINT message : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_KEYDOWN, WM_KEYUP, WM_ACTIVATE,
                         WM_ACTIVATEAPP, WM_NCACTIVATE}) {
        runtime.ignoreInput = true;
        EXPECT_FALSE(closes(message)) << message;
        runtime.ignoreInput = false;
        EXPECT_TRUE(closes(message)) << message;
    }
    for (UINT message : {WM_ACTIVATE, WM_ACTIVATEAPP, WM_NCACTIVATE}) EXPECT_FALSE(closes(message, TRUE)) << message;
    EXPECT_FALSE(closes(WM_SYSCOMMAND, SC_CLOSE) || closes(WM_SYSCOMMAND, SC_SCREENSAVE));
    // The frame loop paints: the window only validates itself.
    ShowWindow(window, SW_SHOWNA);
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_FALSE(closes(WM_PAINT) || GetUpdateRect(window, nullptr, FALSE) || !IsWindow(window));
}

TEST_F(SaverWindow, aRefusedCloseKeepsTheSaverAndRestartsTheClocks) {
    runtime.slots = std::make_unique<ModelSlot[]>(MAX_MODELS);
    platform.userDwords["Control Panel\\Desktop|ScreenSaveUsePassword"] = {UserDwordLookup::Status::Found, 1};
    platform.libraries["PASSWORD.CPL"]["VerifyScreenSavePwd"] = reinterpret_cast<void*>(&refuseToClose);
    std::tie(runtime.loop.animating, platform.cursor) = std::tuple(true, ScreenPoint{7, 8});
    EXPECT_TRUE(!closes(WM_CLOSE) && IsWindow(window) && runtime.slots);
    EXPECT_EQ(std::tie(runtime.loop.resetClocks, runtime.loop.animating, runtime.ignoreInput, runtime.lastCursorPos.x,
                       runtime.lastCursorPos.y), std::tuple(true, true, false, 7, 8));
}

TEST_F(SaverWindow, aboutShowsTheVersionAndTheLoadStatusCancelOnlySetsTheFlag) {
    runtime.instance = GetModuleHandleA(nullptr);
    HWND about = CreateDialogParamA(runtime.instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, aboutDialogProc, 0);
    LoadStatusWindow status(runtime, nullptr, true, 3);
    char version[64] = "", title[64] = "";
    GetDlgItemTextA(about, IDC_VERSION, version, sizeof version);
    GetWindowTextA(status.window(), title, sizeof title);
    DestroyWindow(about);
    EXPECT_EQ(std::string(version) + "|" + title, "Version  1.70|3-D Glowpond File Load Status.");
    SendMessageA(status.window(), WM_COMMAND, MAKEWPARAM(IDC_STATUS_CANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(status.window()) && runtime.loadCancelled == 1 && status.cancelled());
}

TEST_F(SaverWindow, everyMonitorButThePrimaryGetsABlackCoverThatHandsItsInputToTheSaverWindow) {
    platform.monitorAreas = {{0, 0, 640, 480, true}, {-800, 100, 0, 700, false}};
    coverOtherMonitors(runtime, window);
    HWND cover = FindWindowA(kCoverWindowClass, nullptr);
    RECT area{};
    GetWindowRect(cover, &area);
    EXPECT_TRUE(GetWindow(cover, GW_OWNER) == window && IsWindowVisible(cover) &&
                (GetWindowLongA(cover, GWL_EXSTYLE) & WS_EX_TOPMOST));
    EXPECT_EQ(std::tie(area.left, area.top, area.right, area.bottom), std::tuple(-800, 100, 0, 700));
    // With the saver's procedure for a moment, the window closes on a key pressed on the cover.
    const LONG_PTR own = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&saverWindowProc));
    SendMessageA(cover, WM_KEYDOWN, 'A', 0);
    SetWindowLongPtrA(window, GWLP_WNDPROC, own);
    EXPECT_TRUE(closePosted());
    DestroyWindow(window);
    EXPECT_FALSE(IsWindow(cover));  // the covers go with the saver window
}

TEST_F(SaverWindow, withLavaOnEveryMonitorEachGetsItsOwnSizedLavaAndFirstModelAndInputOnAnyEndsAll) {
    runtime.instance = GetModuleHandleA(nullptr);
    platform.userDwords["Control Panel\\Desktop|ScreenSaveUsePassword"] = {UserDwordLookup::Status::Found, 0};
    const MonitorArea primary{0, 0, 640, 480, true}, right{640, 0, 1664, 768, false}, left{-800, 100, 0, 700, false};
    for (const std::vector<MonitorArea>& monitors : {std::vector{primary, right}, std::vector{left, primary, right}}) {
        HWND saver = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        if (!saver) GTEST_SKIP() << "no display";
        ASSERT_TRUE(createRenderSurface(runtime.surface, saver, 1, platform));
        runtime.renderer = std::make_unique<GlRenderer>([] {}, false, glProcAddress);
        runtime.slots = std::make_unique<ModelSlot[]>(MAX_MODELS);
        for (int32_t i = 0; i < 3; ++i) {
            runtime.slots[size_t(i)].model = std::make_unique<DisplayMesh>();
            runtime.slots[size_t(i)].model->makeCube(1.0f, 0.5f, 0.0f);
            ASSERT_TRUE(runtime.slots[size_t(i)].setUp(i, runtime.saved()));
        }
        runtime.saved().modelCount = 3;
        runtime.ignoreInput = false;  // as loading leaves it
        platform.monitorAreas = monitors;
        lavaOnOtherMonitors(runtime, saver);
        ASSERT_EQ(runtime.monitorLava.size(), monitors.size() - 1);
        EXPECT_EQ(wglGetCurrentContext(), runtime.surface.glContext);
        std::vector<HWND> windows;
        for (size_t k = 0; k < runtime.monitorLava.size(); ++k) {
            const MonitorLava& lava = runtime.monitorLava[k];
            const MonitorArea& area = k == 0 && monitors.size() == 3 ? left : right;
            RECT rect{};
            GetWindowRect(lava.window, &rect);
            EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom),
                      std::tie(area.left, area.top, area.right, area.bottom));
            EXPECT_TRUE(GetWindow(lava.window, GW_OWNER) == saver && IsWindowVisible(lava.window) &&
                        lava.surface.glContext && lava.surface.glContext != runtime.surface.glContext);
            // Window k (the primary's is 0) starts with model k, on copies of its own.
            EXPECT_EQ(lava.slots[0].settingsIndex, int32_t(k + 1));
            EXPECT_NE(lava.slots[0].model.get(), runtime.slots[k + 1].model.get());
            windows.push_back(lava.window);
        }
        EXPECT_FALSE(FindWindowA(kCoverWindowClass, nullptr));
        // The frame loop drives every monitor's lava, each on its own context, until the quit.
        for (int i = 0; i < 20; ++i) PostMessageA(saver, WM_NULL, 0, 0);
        PostQuitMessage(0);
        saverWindowProc(saver, WM_COMMAND, CMD_START_ANIMATION, 0);
        EXPECT_FALSE(runtime.loop.animating);
        // A key on the last monitor closes the saver, and every monitor's lava goes with it.
        SetWindowLongPtrA(saver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&saverWindowProc));
        SendMessageA(windows.back(), WM_KEYDOWN, 'A', 0);
        MSG posted;
        ASSERT_TRUE(PeekMessageA(&posted, saver, WM_CLOSE, WM_CLOSE, PM_REMOVE));
        DispatchMessageA(&posted);
        EXPECT_TRUE(!IsWindow(saver) && !IsWindow(windows.front()) && !IsWindow(windows.back()));
        EXPECT_TRUE(runtime.monitorLava.empty() && !runtime.slots && !runtime.surface.glContext);
        MSG quit;
        while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {}  // the destruction's WM_QUIT
    }
    EXPECT_EQ(platform.messages, "");
}

TEST_F(SaverWindow, aWindowThatCannotBeMadeEndsTheModeWithTheCursorShownAndTheRunningStateCleared) {
    runtime.instance = GetModuleHandleA(nullptr);
    platform.failWindowCreation = true;
    const std::string preview = "/p " + std::to_string(reinterpret_cast<uintptr_t>(window));
    for (bool fullScreen : {true, false}) {
        EXPECT_EQ(fullScreen ? runFullScreen(runtime, SW_SHOW) : runPreview(runtime, preview.c_str(), SW_SHOW), 0);
        UnregisterClassA("My Window", runtime.instance);
    }
    const std::string box = "Error: Can't create the screen saver window\n";
    EXPECT_EQ(std::tie(platform.messages, platform.cursorShowCount, platform.runningStates),
              std::tuple(box + box, 0, "10"));
}

TEST_F(SaverWindow, helpWithoutAnOldHelpFileOpensThePageInTheInstallFolder) {
    SaverSettings settings;
    settings.setInstallDir("C:\\nowhere");
    showHelpContents(nullptr, settings);
    EXPECT_EQ(platform.openedDocuments, std::vector<std::string>{"C:\\nowhere\\glowpond.html"});
}

// The built program carries what current Windows reads: the manifest, and
// its name for the screen-saver list.
TEST(SaverProgram, carriesItsManifestAndItsName) {
    HMODULE program = LoadLibraryExA(GLOWPOND_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program) << GLOWPOND_PROGRAM;
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                               SizeofResource(program, found));
    for (const char* part : {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                             "PerMonitorV2</dpiAwareness>",
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    char name[64] = "";
    LoadStringA(program, 1, name, sizeof name);
    EXPECT_STREQ(name, "3-D Glowpond");
    FreeLibrary(program);
}

TEST(RenderSurface, aWindowGetsACurrentContextAndAFailureReleasesWhatItMadeAndSaysWhy) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
    if (!window) GTEST_SKIP() << "no display";
    testing::RecordingPlatform platform;
    RenderSurface surface;
    auto released = [&] { return !surface.glContext && !surface.deviceContext && !surface.palette; };
    ASSERT_TRUE(createRenderSurface(surface, window, 1, platform));
    EXPECT_TRUE(wglGetCurrentContext() == surface.glContext && glIsEnabled(GL_COLOR_MATERIAL));
    releaseRenderSurface(surface, window);
    EXPECT_TRUE(released() && !wglGetCurrentContext() && platform.messages.empty());
    // Without acceleration only a software format will do; systems without one (Wine has none) say so.
    if (!createRenderSurface(surface, window, 0, platform)) {
        EXPECT_EQ(platform.messages, "Error: Unable to create pixelformatdescriptor.\n");
        EXPECT_TRUE(released());
    }
    releaseRenderSurface(surface, window);
    DestroyWindow(window);  // no window, no surface
    EXPECT_FALSE(createRenderSurface(surface, window, 1, platform));
    EXPECT_TRUE(released());
}

}  // namespace
}  // namespace glowpond
