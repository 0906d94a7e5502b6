#include "config/dialog_rules.h"

#include <filesystem>

#include "mesh/display_mesh.h"
#include "tests/settings_records.h"

namespace glowpond {
namespace {

using namespace testing;

TEST(DialogRules, addActsUnlessTheListIsFullDeleteUnlessItIsEmptyAndOkWritesTheWorkingCopyAndOnlyThenKeepsIt) {
    for (int32_t n : {0, 1, 14, 15}) {
        EXPECT_EQ(std::tuple(listButtons(n).canAdd, listButtons(n).canDelete), std::tuple(n < 15, n > 0)) << n;
    }
    TempDir dir;
    RecordingPlatform platform;
    SaverSettings saved, working;
    saved.setInstallDir(dir.root());
    writeFile(dir.path(kIniFileName), "[files]\nfile1=C:\\a.wrl\nfile2=C:\\b.wrl\n[options]\nspeed=4\n");
    beginEditing(saved, working, platform);
    ASSERT_EQ(std::tuple(describe(working), working.modelCount, working.helpFile),
              std::tuple(describe(saved), 2, dir.root() + "\\glowpond.hlp"));
    working.lavaRed = 0.5f;
    SaverSettings cancelled = working;
    discardSettings(cancelled);
    EXPECT_FALSE(cancelled.installDir || cancelled.helpFile);

    // The dialog's count wins over the record's.
    const SettingsControls controls{{{Option::Speed, 2}, {Option::ObjectDuration, 7}, {Option::ShowStatus, 0}}, 1};
    const std::string savedBefore = describe(saved), workingBefore = describe(working);
    platform.failFileReplacement = true;
    EXPECT_FALSE(acceptSettings(saved, working, controls, platform));
    EXPECT_EQ(std::tuple(describe(saved), describe(working)), std::tuple(savedBefore, workingBefore));

    SaverSettings kept = working;
    std::tie(kept.speed, kept.objectDuration, kept.showStatus, kept.modelCount) = std::tuple(2, 7, 0, 1);
    platform.failFileReplacement = false;
    ASSERT_TRUE(acceptSettings(saved, working, controls, platform));
    EXPECT_EQ(describe(saved), describe(kept));
    EXPECT_FALSE(working.installDir || working.helpFile);
    ASSERT_TRUE(kept.readSettings(dir.path(kIniFileName)));
    EXPECT_EQ(std::tie(kept.speed, kept.modelCount, kept.lavaRed), std::tuple(2, 1, 127 * kColorFromByte));
    std::filesystem::current_path(std::filesystem::temp_directory_path());
}

TEST(DialogRules, theModelDialogKeepsCheckBoxesAsFlagsAndTurnsAsWholeDegrees) {
    SaverSettings s;
    s.models[3] = {"C:\\a.wrl", 5, {7, 8, 9}, 0, 1, 0};
    const ModelChecks checks = checksForModel(s, 3);
    EXPECT_EQ(std::tie(checks.singleLight, checks.backCull, checks.reverseNormals), std::tuple(true, true, false));
    storeModel(s, 3, {false, false, true}, nullptr);  // not on display: the angles stay
    const ModelSettings& m = s.models[3];
    EXPECT_EQ(std::tie(m.twoSided, m.backCull, m.reverseNormals, m.rotation), std::tuple(1, 0, 1, Vec3f{7, 8, 9}));

    // Turns as the dialog makes them: one for each stored angle to display the model (x's the other way
    // round), then one for each notification of a turn control, whose position is signed.
    using T = TurnControl;
    const std::pair<std::vector<std::pair<T, int16_t>>, Vec3f> cases[] = {
        {{{T::Z, 0}, {T::Y, 0}, {T::X, -90}}, {90, 0, 0}}, {{{T::Z, 1}, {T::Z, 1}, {T::Z, 1}}, {0, 0, 3}},
        {{{T::Y, 1}, {T::Y, 1}}, {0, 2, 0}},                {{{T::Y, -5}}, {0, -5, 0}},
        {{{T::X, 1}, {T::X, 1}}, {-2, 0, 0}}};
    for (const auto& [turns, angles] : cases) {
        DisplayMesh mesh;
        for (auto [control, p] : turns) mesh.rotate(spinTurn(control, p).axis, spinTurn(control, p).angle);
        storeModel(s, 0, {}, &mesh.orientation);
        EXPECT_EQ(s.models[0].rotation, angles);
    }
}

}  // namespace
}  // namespace glowpond
