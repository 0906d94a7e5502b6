#include "saver/password.h"

#include "tests/settings_records.h"

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

TEST(VerifyPassword, onlyTheSystemCheckCanRefuseAndEveryWayOfNotReachingItIsTold) {
    using S = UserDwordLookup::Status;
    const std::string checked = "VerifyScreenSavePwd: cursor 1\n", error = "ERROR: Verify Password can't find ";
    const struct {
        UserDwordLookup lookup;
        bool ntFamily;
        const char* exported;  // by PASSWORD.CPL; null: there is no such library
        int32_t (*check)(WindowHandle);
        int result;
        std::string shown;
    } cases[] = {{{S::Found, 1}, true, "VerifyScreenSavePwd", verify<0>, 0, checked},
                 {{S::Found, 1}, true, "VerifyScreenSavePwd", verify<1>, 1, checked},
                 {{S::Found, 0}, false, "VerifyScreenSavePwd", verify<0>, 1, ""},  // no password set
                 {{S::NoKey, 0}, true, "VerifyScreenSavePwd", verify<0>, 1, error + "Control Panel Registry key.\n"},
                 {{S::NoValue, 0}, true, "VerifyScreenSavePwd", verify<0>, 1, ""},
                 {{S::NoValue, 0}, false, "VerifyScreenSavePwd", verify<0>, 1, error + "use-password value.\n"},
                 {{S::Found, 1}, true, nullptr, verify<0>, 1, error + "PASSWORD.CPL.\n"},
                 {{S::Found, 7}, true, "VerifyPassword", verify<0>, 1, error + "VerifyScreenSavePwd.\n"}};
    for (const auto& c : cases) {
        testing::RecordingPlatform platform;
        std::tie(platform.userDword, platform.ntFamily) = std::tie(c.lookup, c.ntFamily);
        if (c.exported) platform.libraries["PASSWORD.CPL"][c.exported] = reinterpret_cast<void*>(c.check);
        EXPECT_EQ(verifyPassword(platform, &platform), c.result) << c.shown;
        EXPECT_EQ(testing::describe(platform.messages), c.shown);
        EXPECT_EQ(platform.cursorShowCount, 0);
        EXPECT_EQ(platform.userDwordReads, std::vector<std::string>{"Control Panel\\Desktop|ScreenSaveUsePassword"});
    }
}

TEST(ChangePassword, handsTheOwnerToTheSystemOrSaysWhatIsMissing) {
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, "ERROR: Password change failure: MPR.DLL not found\n"},
        {"PwdChangePassword", "ERROR: Password change failure: PwdChangePassword() not found\n"},
        {"PwdChangePasswordA", "PwdChangePasswordA: SCRSAVE\n"}};
    for (const auto& [exported, shown] : cases) {
        testing::RecordingPlatform platform;
        if (exported) platform.libraries["MPR.DLL"][exported] = reinterpret_cast<void*>(&changeStub);
        EXPECT_EQ(changePassword(platform, &platform), 0);
        EXPECT_EQ(testing::describe(platform.messages), shown);
    }
}

}  // namespace
}  // namespace glowpond
