#include <gtest/gtest.h>

#include "saver/password.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;

int verifyAnswer = 0;
WindowHandle verifiedWindow = nullptr;
int verifyStub(WindowHandle window) {
    verifiedWindow = window;
    return verifyAnswer;
}

std::string changeProvider;
WindowHandle changeOwner = nullptr;
uint32_t changeStub(const char* provider, WindowHandle owner, uint32_t, void*) {
    changeProvider = provider;
    changeOwner = owner;
    return 0;
}

void setUsePassword(uint32_t value) {
    recordingPlatform().userDword = {UserDwordLookup::Status::Found, value};
}

std::vector<std::string> captionsAndTexts() {
    std::vector<std::string> shown;
    for (const auto& message : recordingPlatform().messages) shown.push_back(message.caption + ": " + message.text);
    return shown;
}

TEST(VerifyPassword, noPasswordSetClosesWithoutLoadingAnything) {
    setUsePassword(0);
    EXPECT_EQ(verifyPassword(nullptr), 1);
    EXPECT_EQ(recordingPlatform().userDwordReads,
              std::vector<std::string>{"Control Panel\\Desktop|ScreenSaveUsePassword"});
    EXPECT_TRUE(recordingPlatform().libraryLoads.empty());
    EXPECT_TRUE(recordingPlatform().messages.empty());
}

TEST(VerifyPassword, theSystemCheckDecidesWithTheCursorShownMeanwhile) {
    setUsePassword(1);
    recordingPlatform().libraries["PASSWORD.CPL"]["VerifyScreenSavePwd"] = reinterpret_cast<void*>(&verifyStub);
    auto* window = reinterpret_cast<WindowHandle>(0x1234);
    verifyAnswer = 0;
    EXPECT_EQ(verifyPassword(window), 0);
    EXPECT_EQ(verifiedWindow, window);
    verifyAnswer = 1;
    EXPECT_EQ(verifyPassword(window), 1);
    EXPECT_EQ(recordingPlatform().cursorShowCount, 0);
    EXPECT_TRUE(recordingPlatform().messages.empty());
}

TEST(VerifyPassword, everyWayOfNotReachingTheCheckLetsTheSaverClose) {
    struct Case {
        UserDwordLookup lookup;
        bool ntFamily;
        bool library, function;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {{UserDwordLookup::Status::NoKey, 0}, true, true, true,
         {"ERROR: Verify Password can't find Control Panel Registry key."}},
        {{UserDwordLookup::Status::NoValue, 0}, true, true, true, {}},
        {{UserDwordLookup::Status::NoValue, 0}, false, true, true,
         {"ERROR: Verify Password can't find use-password value."}},
        {{UserDwordLookup::Status::Found, 1}, true, false, false, {"ERROR: Verify Password can't find PASSWORD.CPL."}},
        {{UserDwordLookup::Status::Found, 7}, true, true, false,
         {"ERROR: Verify Password can't find VerifyScreenSavePwd."}},
    };
    verifyAnswer = 0;
    for (const Case& c : cases) {
        recordingPlatform().resetSystemServices();
        recordingPlatform().messages.clear();
        recordingPlatform().userDword = c.lookup;
        recordingPlatform().ntFamily = c.ntFamily;
        if (c.library) {
            auto& exports = recordingPlatform().libraries["PASSWORD.CPL"];
            if (c.function) exports["VerifyScreenSavePwd"] = reinterpret_cast<void*>(&verifyStub);
        }
        EXPECT_EQ(verifyPassword(nullptr), 1);
        EXPECT_EQ(captionsAndTexts(), c.shown);
    }
}

TEST(ChangePassword, handsTheOwnerToTheSystemOrSaysWhatIsMissing) {
    auto* owner = reinterpret_cast<WindowHandle>(0x42);
    EXPECT_EQ(changePassword(owner), 0);
    recordingPlatform().libraries["MPR.DLL"];
    EXPECT_EQ(changePassword(owner), 0);
    EXPECT_EQ(captionsAndTexts(), (std::vector<std::string>{
                                      "ERROR: Password change failure: MPR.DLL not found",
                                      "ERROR: Password change failure: PwdChangePassword() not found"}));

    recordingPlatform().messages.clear();
    recordingPlatform().libraries["MPR.DLL"]["PwdChangePasswordA"] = reinterpret_cast<void*>(&changeStub);
    EXPECT_EQ(changePassword(owner), 0);
    EXPECT_EQ(changeProvider, "SCRSAVE");
    EXPECT_EQ(changeOwner, owner);
    EXPECT_TRUE(recordingPlatform().messages.empty());
}

}  // namespace
}  // namespace glowpond
