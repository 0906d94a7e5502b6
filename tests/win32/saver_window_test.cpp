// The saver window's close rules and the two small dialogs, on real windows
// with synthetic messages; the cursor comes from the recording platform.
#include "saver/saver_window.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// Records the messages that reach a window, in its "messages" property.
LRESULT CALLBACK recordMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* seen = static_cast<std::vector<UINT>*>(GetPropA(window, "messages"))) seen->push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(SaverWindow, everyMonitorButThePrimaryGetsABlackCoverThatHandsItsInputToTheSaverWindow) {
    WNDCLASSA recording{};
    recording.lpfnWndProc = recordMessages;
    recording.lpszClassName = "recording";
    RegisterClassA(&recording);
    HWND saver = CreateWindowExA(0, "recording", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    std::vector<UINT> seen;
    SetPropA(saver, "messages", &seen);
    platform.monitorAreas = {{0, 0, 640, 480, true}, {640, 0, 1920, 1024, false}, {-800, 100, 0, 700, false}};
    coverOtherMonitors(runtime, saver);

    std::vector<RECT> covers;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(w, name, sizeof name);
        if (GetWindow(w, GW_OWNER) != saver || std::string(name) != kCoverWindowClass) continue;
        RECT area;
        GetWindowRect(w, &area);
        covers.push_back(area);
        EXPECT_TRUE(IsWindowVisible(w) && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST));
        SendMessageA(w, WM_KEYDOWN, 'A', 0);
    }
    ASSERT_EQ(covers.size(), 2u);
    std::sort(covers.begin(), covers.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    EXPECT_EQ(std::tie(covers[0].left, covers[0].top, covers[0].right, covers[0].bottom), std::tuple(-800, 100, 0, 700));
    EXPECT_EQ(std::tie(covers[1].left, covers[1].right, covers[1].bottom), std::tuple(640, 1920, 1024));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(WM_KEYDOWN)), 2);
    RemovePropA(saver, "messages");
    DestroyWindow(saver);
}

TEST_F(SaverWindow, helpWithoutAnOldHelpFileOpensThePageInTheInstallFolder) {
    SaverSettings settings;
    settings.setInstallDir("C:\\nowhere");
    showHelpContents(nullptr, settings);
    EXPECT_EQ(platform.openedDocuments, std::vector<std::string>{"C:\\nowhere\\glowpond.html"});
}

// The built program carries what current Windows reads: the manifest, its
// name for the screen-saver list, and its version.
TEST(SaverProgram, carriesItsManifestNameAndVersion) {
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
    std::vector<char> version(GetFileVersionInfoSizeA(GLOWPOND_PROGRAM, nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(GLOWPOND_PROGRAM, 0, DWORD(version.size()), version.data()));
    char* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904b0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, "3-D Glowpond");
}

}  // namespace
}  // namespace glowpond
