#include "saver/password.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace glowpond {
namespace {

// The system's check and change, handed the test's platform as the window:
// they show what they see there, in a box captioned with their name.
template <int32_t answer>
int32_t verify(WindowHandle window) {
    auto* platform = static_cast<testing::RecordingPlatform*>(window);
    platform->messageBox(nullptr, "cursor " + std::to_string(platform->cursorShowCount), "VerifyScreenSavePwd");
    return answer;
}

uint32_t changeStub(const char* provider, WindowHandle owner, uint32_t, void*) {
    if (owner) static_cast<testing::RecordingPlatform*>(owner)->messageBox(nullptr, provider, "PwdChangePasswordA");
    return 0;
}

TEST(Password, onlyTheSystemCheckCanRefuseEveryWayOfNotReachingItIsToldAndAChangeHandsTheOwnerToTheSystem) {
    using S = UserDwordLookup::Status;
    const std::string checked = "VerifyScreenSavePwd: cursor 1\n", error = "ERROR: Verify Password can't find ";
    // The use-password value, the NT family or not, the system's check as PASSWORD.CPL exports it (null: no such
    // library); the result and the boxes shown.
    const std::tuple<UserDwordLookup, bool, const char*, int32_t (*)(WindowHandle), int, std::string> cases[] = {
        {{S::Found, 1}, true, "VerifyScreenSavePwd", verify<0>, 0, checked},
        {{S::Found, 1}, true, "VerifyScreenSavePwd", verify<1>, 1, checked},
        {{S::Found, 0}, false, "VerifyScreenSavePwd", verify<0>, 1, ""},  // no password set
        {{S::NoKey, 0}, true, "VerifyScreenSavePwd", verify<0>, 1, error + "Control Panel Registry key.\n"},
        {{S::NoValue, 0}, true, "VerifyScreenSavePwd", verify<0>, 1, ""},
        {{S::NoValue, 0}, false, "VerifyScreenSavePwd", verify<0>, 1, error + "use-password value.\n"},
        {{S::Found, 1}, true, nullptr, verify<0>, 1, error + "PASSWORD.CPL.\n"},
        {{S::Found, 7}, true, "VerifyPassword", verify<0>, 1, error + "VerifyScreenSavePwd.\n"}};
    for (const auto& [lookup, ntFamily, exported, check, result, shown] : cases) {
        testing::RecordingPlatform platform;
        platform.userDwords["Control Panel\\Desktop|ScreenSaveUsePassword"] = lookup;
        platform.ntFamily = ntFamily;
        if (exported) platform.libraries["PASSWORD.CPL"][exported] = reinterpret_cast<void*>(check);
        EXPECT_EQ(verifyPassword(platform, &platform), result) << shown;
        EXPECT_EQ(std::tie(platform.messages, platform.cursorShowCount), std::tuple(shown, 0));
    }
    // A change hands the owner to the system, or says what is missing.
    const std::pair<const char*, std::string> changes[] = {
        {nullptr, "ERROR: Password change failure: MPR.DLL not found\n"},
        {"PwdChangePassword", "ERROR: Password change failure: PwdChangePassword() not found\n"},
        {"PwdChangePasswordA", "PwdChangePasswordA: SCRSAVE\n"}};
    for (const auto& [exported, told] : changes) {
        testing::RecordingPlatform platform;
        if (exported) platform.libraries["MPR.DLL"][exported] = reinterpret_cast<void*>(&changeStub);
        EXPECT_EQ(changePassword(platform, &platform), 0);
        EXPECT_EQ(platform.messages, told);
    }
}

}  // namespace
}  // namespace glowpond
