#include "config/dialog_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mesh/display_mesh.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::readFile;
using testing::recordingPlatform;
using testing::TempDir;

TEST(DialogRules, addIsUnavailableWithAFullListAndDeleteWithAnEmptyOne) {
    EXPECT_EQ(listButtonStates(0).add, kButtonAvailable);
    EXPECT_EQ(listButtonStates(0).remove, kButtonUnavailable);
    EXPECT_EQ(listButtonStates(1).remove, kButtonAvailable);
    EXPECT_EQ(listButtonStates(14).add, kButtonAvailable);
    EXPECT_EQ(listButtonStates(15).add, kButtonUnavailable);
    EXPECT_EQ(listButtonStates(15).remove, kButtonAvailable);
}

TEST(DialogRules, spinValueIsTheLowWordOfThePosition) {
    EXPECT_EQ(spinValue(7), 7);
    EXPECT_EQ(spinValue(0x10000 | 10), 10);  // high word set: the control's error flag
}

SettingsControls someControls() {
    SettingsControls c;
    c.speed = 2;
    c.totalSize = 3;
    c.lightHeight = 4;
    c.spinSpeed = 5;
    c.pulseSpeed = 6;
    c.objectDuration = 7;
    c.modelCount = 1;
    c.showStatus = true;
    c.allowAcceleration = false;
    return c;
}

// The two records as the dialog holds them: both borrow the install directory.
struct Records {
    explicit Records(const std::string& dir) {
        EXPECT_TRUE(working.addModel(0, "C:\\a.wrl"));
        EXPECT_TRUE(working.addModel(1, "C:\\b.wrl"));
        working.lavaRed = 0.5f;
        working.installDir = dir;
        working.helpFile = dir + "\\glowpond.hlp";
        saved.installDir = working.installDir;
        saved.helpFile = working.helpFile;
    }
    ~Records() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
    SaverSettings saved, working;
};

TEST(DialogRules, okWritesTheWorkingCopyWithTheControlsAndThenCommitsIt) {
    TempDir dir;
    Records r(dir.root());
    ASSERT_TRUE(acceptSettings(r.saved, r.working, someControls()));

    EXPECT_EQ(r.saved.modelCount, 1);  // the dialog's count wins over the record's
    EXPECT_EQ(r.saved.modelFile[0], "C:\\a.wrl");
    EXPECT_EQ(r.saved.speed, 2);
    EXPECT_EQ(r.saved.objectDuration, 7);
    EXPECT_EQ(r.saved.showStatus, 1);
    EXPECT_EQ(r.saved.allowAcceleration, 0);
    EXPECT_FLOAT_EQ(r.saved.lavaRed, 0.5f);
    EXPECT_EQ(r.saved.helpFile, dir.root() + "\\glowpond.hlp");
    EXPECT_FALSE(r.working.installDir);
    EXPECT_FALSE(r.working.helpFile);

    SaverSettings onDisk;
    onDisk.installDir = dir.root();
    ASSERT_TRUE(onDisk.readSettings());
    EXPECT_EQ(onDisk.modelCount, 1);
    EXPECT_EQ(onDisk.totalSize, 3);
    EXPECT_EQ(onDisk.lightHeight, 4);
    EXPECT_EQ(onDisk.lavaRed, 127 * kColorFromByte);
}

TEST(DialogRules, aFailedOkWriteChangesNeitherRecord) {
    TempDir dir;
    Records r(dir.root());
    std::filesystem::create_directory(dir.path("glowpond.ini"));  // cannot be written as a file
    const SaverSettings savedBefore = r.saved;
    EXPECT_FALSE(acceptSettings(r.saved, r.working, someControls()));
    EXPECT_EQ(r.saved.speed, savedBefore.speed);
    EXPECT_EQ(r.saved.modelCount, 0);
    EXPECT_EQ(r.working.modelCount, 2);
    EXPECT_EQ(r.working.speed, savedBefore.speed);
    EXPECT_EQ(r.working.installDir, dir.root());
    EXPECT_EQ(r.working.helpFile, r.saved.helpFile);

    std::filesystem::remove(dir.path("glowpond.ini"));
    recordingPlatform().failFileReplacement = true;
    EXPECT_FALSE(acceptSettings(r.saved, r.working, someControls()));
    recordingPlatform().failFileReplacement = false;
    EXPECT_EQ(r.saved.modelCount, 0);
    EXPECT_TRUE(readFile(dir.path("glowpond.ini")).empty());
}

TEST(DialogRules, cancelLeavesTheTextsWithTheSavedRecordOnly) {
    TempDir dir;
    Records r(dir.root());
    discardSettings(r.working);
    EXPECT_FALSE(r.working.installDir);
    EXPECT_FALSE(r.working.helpFile);
    EXPECT_EQ(r.saved.installDir, dir.root());
}

TEST(DialogRules, checkBoxesMirrorTheModelFlagsAndSingleLightIsTheInverseOfTwoSided) {
    SaverSettings s;
    ASSERT_TRUE(s.addModel(0, "C:\\a.wrl"));
    s.twoSided[0] = 0;
    s.backCull[0] = 1;
    s.reverseNormals[0] = 0;
    const ModelChecks checks = checksForModel(s, 0);
    EXPECT_TRUE(checks.singleLight);
    EXPECT_TRUE(checks.backCull);
    EXPECT_FALSE(checks.reverseNormals);

    storeModel(s, 0, {false, false, true}, nullptr);
    EXPECT_EQ(s.twoSided[0], 1);
    EXPECT_EQ(s.backCull[0], 0);
    EXPECT_EQ(s.reverseNormals[0], 1);
}

// Display's turns followed by the spin controls' one-degree steps, as the
// dialog applies them to its preview mesh.
Mat4f turned(const Vec3f& stored, int zClicks, int xClicks) {
    DisplayMesh mesh;
    mesh.rotate({0, 0, 1}, stored[2]);
    mesh.rotate({0, 1, 0}, stored[1]);
    mesh.rotate({1, 0, 0}, stored[0]);
    for (int i = 0; i < zClicks; ++i) {
        const SpinTurn t = spinTurn(0, 1);
        mesh.rotate(t.axis, t.angle);
    }
    for (int i = 0; i < xClicks; ++i) {
        const SpinTurn t = spinTurn(2, 1);
        mesh.rotate(t.axis, t.angle);
    }
    return mesh.orientation;
}

TEST(DialogRules, storedAnglesSurviveDisplayAndCloseAsWholeDegrees) {
    SaverSettings s;
    ASSERT_TRUE(s.addModel(0, "C:\\a.wrl"));
    const Mat4f quarterTurn = turned({90, 0, 0}, 0, 0);
    storeModel(s, 0, {}, &quarterTurn);
    EXPECT_EQ(s.modelRotation[0], (Vec3f{90, 0, 0}));

    const Mat4f threeClicks = turned({0, 0, 0}, 3, 0);
    storeModel(s, 0, {}, &threeClicks);
    EXPECT_EQ(s.modelRotation[0], (Vec3f{0, 0, 3}));

    // The third control turns the other way round.
    const Mat4f xClicks = turned({0, 0, 0}, 0, 2);
    storeModel(s, 0, {}, &xClicks);
    EXPECT_EQ(s.modelRotation[0], (Vec3f{-2, 0, 0}));
}

TEST(DialogRules, spinControlsTurnAboutZThenYThenNegatedX) {
    EXPECT_EQ(spinTurn(0, 5).axis, (Vec3f{0, 0, 1}));
    EXPECT_EQ(spinTurn(1, -1).axis, (Vec3f{0, 1, 0}));
    EXPECT_EQ(spinTurn(1, -1).angle, -1.0f);
    EXPECT_EQ(spinTurn(2, 1).axis, (Vec3f{1, 0, 0}));
    EXPECT_EQ(spinTurn(2, 1).angle, -1.0f);
}

}  // namespace
}  // namespace glowpond
