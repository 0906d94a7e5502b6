// The saver's modes as its command line picks them, the password check and change of two of them, and the
// load of its model files.
#include "saver/modes.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "saver/load_sequence.h"
#include "saver/password.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

TEST(SaverModes, previewBeatsPasswordChangeBeatsFullScreenAndAnythingElseIsTheSettings) {
    using M = SaverMode;
    const std::pair<const char*, SaverMode> cases[] = {
        {"/s", M::FullScreen}, {"-S", M::FullScreen}, {"/x /s", M::FullScreen}, {"/s /a", M::ChangePassword},
        {"-A 1", M::ChangePassword}, {"/s /p", M::Preview}, {"/l 99", M::Preview}, {"/a -P 5", M::Preview},
        {nullptr, M::Settings}, {"", M::Settings}, {"/c:1234", M::Settings}, {"s", M::Settings}};
    for (auto [line, mode] : cases) EXPECT_EQ(pickMode(line), mode) << (line ? line : "null");
}

TEST(SaverModes, theHandleAfterTheFirstBlankReadsLikeScanfI) {
    const std::pair<const char*, std::optional<intptr_t>> cases[] = {
        // The system sign-extends 32-bit handles.
        {"/p 1234", 1234}, {"/p 0x1F", 0x1F}, {"/p 017", 15}, {"/p    42 junk", 42}, {"/p +8", 8}, {"/p -2", -2},
        {"/p 4294967295", -1}, {"/p 0x80000000", INT32_MIN}, {"/p 99999999999999999999999", -1},
        {"/p", std::nullopt}, {"/p:1234", std::nullopt}, {"/p window", std::nullopt}, {"/p ", std::nullopt}};
    for (auto [line, value] : cases) {
        const auto handle = windowHandleArgument(line);
        EXPECT_EQ(handle ? std::optional(reinterpret_cast<intptr_t>(*handle)) : std::nullopt, value) << line;
    }
}

TEST(SaverModes, onlyAJumpOfMoreThanTenPixelsCounts) {
    const std::pair<ScreenPoint, bool> cases[] = {
        {{106, 105}, true}, {{105, 105}, false}, {{90, 100}, false}, {{89, 100}, true}, {{100, 111}, true}};
    for (auto [now, moved] : cases) EXPECT_EQ(movedPastThreshold({100, 100}, now), moved) << now.x << "," << now.y;
}


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

std::string sample(const char* name) { return std::string(GLOWPOND_SAMPLE_MODELS) + "/" + name; }

// A load sequence with its record, slots and progress, which is cancelled
// whenever `cancelWhen` says so.
struct Sequence : LoadProgress {
    explicit Sequence(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) settings.addModel(settings.modelCount, path);
    }
    LoadOutcome load() { return loadModelFiles(slots, settings, loader, *this); }
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string&) override { errors.push_back(text); }
    bool cancelled() override { return cancelWhen(*this); }
    void nextFile() override { ++steps; }
    void showFile(const std::string& path) override { files.push_back(path); }

    SaverSettings settings;
    ModelSlot slots[MAX_MODELS];
    ModelLoader loader{testing::fileOpener()};
    bool (*cancelWhen)(const Sequence&) = [](const Sequence&) { return false; };
    int steps = 0;
    std::vector<std::string> errors, files;
};

TEST(LoadSequence, aFailedFileIsLeftOutTheNextOneKeepsItsOwnSettingsAndPreviewCubesTakeTheirEntries) {
    const std::vector<std::string> files{sample("lava_lamp.wrl"), sample("missing.wrl"), sample("rocket.3ds")};
    Sequence s(files);
    const LoadOutcome outcome = s.load();
    EXPECT_EQ(std::tie(outcome.loaded, outcome.cancelled, s.settings.modelCount), std::tuple(2, false, 2));
    ASSERT_TRUE(s.slots[0].model && s.slots[1].model && s.slots[1].blob);
    EXPECT_EQ(std::tie(s.slots[0].settingsIndex, s.slots[1].settingsIndex, s.steps, s.files, s.errors),
              std::tuple(0, 2, 3, files, std::vector{files[1]}));
    // Preview cubes in their place: one for each entry, with its settings and its own colour, stretch and turn.
    StandardRandom random;
    buildPreviewSlots(s.slots, s.settings, random);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(s.slots[i].model && s.slots[i].blob && s.slots[i].settingsIndex == i) << i;
    EXPECT_FALSE(s.slots[2].model);
    EXPECT_NE(s.slots[0].model->parts[0].color, s.slots[1].model->parts[0].color);
    EXPECT_NE(s.slots[0].model->parts[0].bounds, s.slots[1].model->parts[0].bounds);
}

TEST(LoadSequence, aCancelBeforeOrAfterAFileKeepsOnlyTheFilesBeforeIt) {
    bool (*const cancels[])(const Sequence&) = {
        [](const Sequence& s) { return s.slots[0].model && s.slots[0].model->faceCount > 0; },  // the first file is in
        [](const Sequence& s) { return s.steps == 2; }};  // the second begins
    for (int kept : {0, 1}) {
        Sequence s({sample("lava_lamp.wrl"), sample("crystal.wrl")});
        s.cancelWhen = cancels[kept];
        const LoadOutcome outcome = s.load();
        EXPECT_EQ(std::tie(outcome.loaded, outcome.cancelled, s.settings.modelCount), std::tuple(kept, true, kept));
        EXPECT_FALSE(s.files.size() != 1 || s.slots[kept].model);
    }
}

}  // namespace
}  // namespace glowpond
