// The saver window's close rules and the two small dialogs, on real windows
// with synthetic messages; the cursor comes from the recording platform.
#include "saver/saver_window.h"

#include <gtest/gtest.h>

#include "engine/animation.h"
#include "resources/resource.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;

int refuseToClose(WindowHandle) { return 0; }

class SaverWindow : public ::testing::Test {
protected:
    SaverWindow() {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        ignoreInput = 0;
        lastCursorPos = {100, 100};
    }
    ~SaverWindow() override {
        if (IsWindow(window)) DestroyWindow(window);
    }
    LRESULT send(UINT message, WPARAM wParam = 0) { return saverWindowProc(window, message, wParam, 0); }
    bool closePosted() {
        MSG message;
        return PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    }
    void moveCursorTo(int32_t x, int32_t y) {
        recordingPlatform().cursor = {x, y};
        send(WM_MOUSEMOVE);
    }

    HWND window;
};

TEST_F(SaverWindow, onlyAJumpOfTheMouseClosesAndSmallMovesBecomeTheNewReference) {
    ASSERT_TRUE(window);
    moveCursorTo(105, 105);
    EXPECT_FALSE(closePosted());
    EXPECT_EQ(lastCursorPos.x, 105);
    // 11 pixels from the new reference, 21 from the first.
    moveCursorTo(111, 110);
    EXPECT_TRUE(closePosted());
    EXPECT_EQ(lastCursorPos.x, 105);
    EXPECT_EQ(lastCursorPos.y, 105);

    ignoreInput = 1;
    moveCursorTo(400, 300);
    EXPECT_FALSE(closePosted());
    EXPECT_EQ(lastCursorPos.x, 400);
}

TEST_F(SaverWindow, keysAndButtonsCloseOnlyOnceLoadingHasFinished) {
    ASSERT_TRUE(window);
    for (UINT message : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_KEYDOWN, WM_KEYUP}) {
        ignoreInput = 1;
        EXPECT_EQ(send(message), 0);
        EXPECT_FALSE(closePosted()) << message;
        ignoreInput = 0;
        send(message);
        EXPECT_TRUE(closePosted()) << message;
    }
}

TEST_F(SaverWindow, losingActivationClosesAndGainingItDoesNot) {
    ASSERT_TRUE(window);
    for (UINT message : {WM_ACTIVATE, WM_ACTIVATEAPP, WM_NCACTIVATE}) {
        send(message, 1);
        EXPECT_FALSE(closePosted()) << message;
        EXPECT_EQ(send(message, 0), 0);
        EXPECT_TRUE(closePosted()) << message;
        ignoreInput = 1;
        send(message, 0);
        EXPECT_FALSE(closePosted()) << message;
        ignoreInput = 0;
    }
}

TEST_F(SaverWindow, theSystemMenuNeitherClosesNorStartsAnotherSaver) {
    ASSERT_TRUE(window);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_CLOSE), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(closePosted());
}

TEST_F(SaverWindow, aRefusedCloseKeepsTheSaverAndRestartsTheClocks) {
    ASSERT_TRUE(window);
    recordingPlatform().userDword = {UserDwordLookup::Status::Found, 1};
    recordingPlatform().libraries["PASSWORD.CPL"]["VerifyScreenSavePwd"] = reinterpret_cast<void*>(&refuseToClose);
    resetClocks = 0;
    animating = 1;
    recordingPlatform().cursor = {7, 8};
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(resetClocks, 1);
    EXPECT_EQ(animating, 1);
    EXPECT_EQ(ignoreInput, 0);
    EXPECT_EQ(lastCursorPos.x, 7);
    EXPECT_EQ(lastCursorPos.y, 8);
    animating = 0;
}

TEST_F(SaverWindow, paintingLeavesNothingToPaint) {
    ASSERT_TRUE(window);
    ShowWindow(window, SW_SHOWNA);
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(send(WM_PAINT), 0);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}

TEST(SaverDialogs, aboutShowsTheVersionAndLoadStatusCancelOnlySetsTheFlag) {
    instanceHandle = GetModuleHandleA(nullptr);
    HWND about = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, aboutDialogProc, 0);
    ASSERT_TRUE(about);
    char text[64] = "";
    GetDlgItemTextA(about, IDC_VERSION, text, sizeof text);
    EXPECT_STREQ(text, "Version  1.70");
    DestroyWindow(about);

    HWND status = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_LOAD_STATUS), nullptr, loadStatusDialogProc, 0);
    ASSERT_TRUE(status);
    GetWindowTextA(status, text, sizeof text);
    EXPECT_STREQ(text, "3-D Glowpond File Load Status.");
    loadCancelled = 0;
    for (int press = 0; press < 2; ++press) {
        SendMessageA(status, WM_COMMAND, MAKEWPARAM(IDC_STATUS_CANCEL, BN_CLICKED), 0);
        EXPECT_EQ(loadCancelled, 1);
        EXPECT_TRUE(IsWindow(status));
    }
    loadCancelled = 0;
    DestroyWindow(status);
}

}  // namespace
}  // namespace glowpond
