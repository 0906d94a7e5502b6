// The saver window's close rules and the two small dialogs, on real windows
// with synthetic messages; the cursor comes from the recording platform. And
// the OpenGL surface on a real window: under Wine without a display no window
// can be created, and that test skips.
#include "saver/saver_window.h"

#include <gtest/gtest.h>

#include "render/gl.h"
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
