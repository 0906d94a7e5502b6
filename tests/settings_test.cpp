#include "config/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "config/ini_file.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::readFile;
using testing::recordingPlatform;
using testing::TempDir;
using testing::writeFile;

// A record with every field away from its default.
SaverSettings unusualSettings(int models) {
    SaverSettings s;
    s.allowAcceleration = 0;
    s.speed = 3;
    s.lavaRed = 200 * kColorFromByte;
    s.lavaGreen = 10 * kColorFromByte;
    s.lavaBlue = 255 * kColorFromByte;
    s.totalSize = 2;
    s.lightHeight = 4;
    s.spinSpeed = 6;
    s.pulseSpeed = 1;
    s.objectDuration = 10;
    s.allowAdvanced = 0;
    s.showStatus = 0;
    for (int i = 0; i < models; ++i) {
        EXPECT_TRUE(s.addModel(i, "C:\\models\\model " + std::to_string(i) + ".wrl"));
        s.modelSize[i] = 1 + i % 10;
        s.modelRotation[i] = {float(10 * i), float(-5 * i), float(180 - i)};
        s.reverseNormals[i] = i % 2;
        s.backCull[i] = (i + 1) % 2;
        s.twoSided[i] = i % 3 == 0;
    }
    return s;
}

void expectSameSettings(const SaverSettings& a, const SaverSettings& b) {
    EXPECT_EQ(std::tie(a.allowAcceleration, a.speed, a.lavaRed, a.lavaGreen, a.lavaBlue, a.totalSize, a.lightHeight,
                       a.spinSpeed, a.pulseSpeed, a.objectDuration, a.allowAdvanced, a.showStatus),
              std::tie(b.allowAcceleration, b.speed, b.lavaRed, b.lavaGreen, b.lavaBlue, b.totalSize, b.lightHeight,
                       b.spinSpeed, b.pulseSpeed, b.objectDuration, b.allowAdvanced, b.showStatus));
    ASSERT_EQ(a.modelCount, b.modelCount);
    for (int i = 0; i < a.modelCount; ++i) {
        EXPECT_EQ(std::tie(a.modelFile[i], a.modelSize[i], a.modelRotation[i], a.reverseNormals[i], a.backCull[i],
                           a.twoSided[i]),
                  std::tie(b.modelFile[i], b.modelSize[i], b.modelRotation[i], b.reverseNormals[i], b.backCull[i],
                           b.twoSided[i]))
            << "model " << i;
    }
}

TEST(Settings, fullRecordSurvivesARoundTrip) {
    TempDir dir;
    const std::string path = dir.path("full.3dg");
    SaverSettings written = unusualSettings(MAX_MODELS);
    ASSERT_TRUE(written.writeSettings(path.c_str()));
    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path.c_str()));
    expectSameSettings(written, read);

    // Writing again over the existing file changes nothing in it.
    std::string first = readFile(path);
    ASSERT_TRUE(read.writeSettings(path.c_str()));
    EXPECT_EQ(readFile(path), first);
}

TEST(Settings, threeModelsWriteEmptyFileKeysAndNoHigherModelKeys) {
    TempDir dir;
    const std::string path = dir.path("three.ini");
    SaverSettings written = unusualSettings(3);
    ASSERT_TRUE(written.writeSettings(path.c_str()));
    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    for (int n = 4; n <= 15; ++n) {
        EXPECT_EQ(ini.find("files", "file" + std::to_string(n)), std::optional<std::string>("")) << n;
        for (const char* key : {"size", "X-rot", "Y-rot", "Z-rot", "Reverse", "BackCull", "2Sided"}) {
            EXPECT_FALSE(ini.find("options", key + std::to_string(n))) << key << n;
        }
    }
    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path.c_str()));
    expectSameSettings(written, read);
}

TEST(Settings, fileBytesAreFixedAndColoursAndRotationsTruncated) {
    TempDir dir;
    const std::string path = dir.path("one.ini");
    SaverSettings s;
    ASSERT_TRUE(s.addModel(0, "C:\\a.wrl"));
    s.modelRotation[0] = {45.7f, -45.7f, 1e30f};  // the last must not overflow the conversion
    s.lavaRed = 0.5f;
    s.lavaBlue = 255 * kColorFromByte;
    ASSERT_TRUE(s.writeSettings(path.c_str()));
    std::string expected = "[files]\r\nfile1=C:\\a.wrl\r\n";
    for (int n = 2; n <= 15; ++n) expected += "file" + std::to_string(n) + "=\r\n";
    expected +=
        "\r\n[options]\r\n"
        "lightHeight=10\r\nobjectDuration=1\r\ntotalSize=9\r\nspeed=7\r\nspinSpeed=8\r\npulseSpeed=8\r\n"
        "AllowAdvanced=1\r\nallowAcceleration=1\r\nshowStatus=1\r\n"
        "lavaRed=127\r\nlavaGreen=255\r\nlavaBlue=255\r\n"
        "size1=5\r\nX-rot1=45\r\nY-rot1=-45\r\nZ-rot1=2147483647\r\nReverse1=0\r\nBackCull1=0\r\n2Sided1=1\r\n";
    EXPECT_EQ(readFile(path), expected);
}

TEST(Settings, emptyFileKeyTakesNoEntryButItsModelKeysStayNumbered) {
    TempDir dir;
    const std::string path = dir.path("gap.ini");
    writeFile(path,
              "[files]\nfile1=\nfile2=C:\\b.3ds\n"
              "[options]\nsize1=3\nX-rot1=30\nsize2=8\nX-rot2=60\n");
    SaverSettings s;
    ASSERT_TRUE(s.readSettings(path.c_str()));
    ASSERT_EQ(s.modelCount, 1);
    EXPECT_EQ(s.modelFile[0], "C:\\b.3ds");
    EXPECT_EQ(s.modelSize[0], 3);
    EXPECT_EQ(s.modelRotation[0][0], 30.0f);
}

TEST(Settings, missingKeysAndMissingFilesReadAsDefaults) {
    TempDir dir;
    SaverSettings changed = unusualSettings(4);
    ASSERT_TRUE(changed.readSettings(dir.path("absent.ini").c_str()));
    expectSameSettings(changed, SaverSettings());

    const std::string path = dir.path("partial.ini");
    writeFile(path, "[files]\nfile1=C:\\x.wrl\n[options]\nspeed=2\n");
    SaverSettings partial = unusualSettings(2);
    ASSERT_TRUE(partial.readSettings(path.c_str()));
    SaverSettings expected;
    expected.speed = 2;
    ASSERT_TRUE(expected.addModel(0, "C:\\x.wrl"));
    expectSameSettings(partial, expected);
}

TEST(Settings, numbersAreReadUnclampedFromTheirLeadingDigits) {
    TempDir dir;
    const std::string path = dir.path("odd.ini");
    writeFile(path, "[OPTIONS]\nspeed=25 fast\ntotalSize=-3\nlavaRed=255\n");
    SaverSettings s;
    ASSERT_TRUE(s.readSettings(path.c_str()));
    EXPECT_EQ(std::tie(s.speed, s.totalSize), std::make_tuple(25, -3));
    EXPECT_NEAR(s.lavaRed, 1.0f, 1e-6f);
}

TEST(Settings, writeKeepsOtherSectionsAndKeysOfALongerEarlierList) {
    TempDir dir;
    const std::string path = dir.path("keep.ini");
    ASSERT_TRUE(unusualSettings(6).writeSettings(path.c_str()));
    writeFile(path, readFile(path) + "[desktop]\r\nwallpaper=lava.bmp\r\n");
    ASSERT_TRUE(unusualSettings(2).writeSettings(path.c_str()));
    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.getString("desktop", "wallpaper", ""), "lava.bmp");
    EXPECT_EQ(ini.getString("files", "file3", "?"), "");
    EXPECT_EQ(ini.getInt("options", "size6", -1), 6);  // left over from the six-model list
    EXPECT_EQ(ini.getInt("options", "Z-rot5", -1), 176);

    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path.c_str()));
    EXPECT_EQ(read.modelCount, 2);
}

TEST(Settings, failedWritesAreReportedAndLeaveTheOldFile) {
    TempDir dir;
    SaverSettings s = unusualSettings(2);
    EXPECT_FALSE(s.writeSettings(dir.path("no such folder/a.ini").c_str()));
    EXPECT_FALSE(s.writeSettings(dir.root().c_str()));  // a folder, not a file

    const std::string path = dir.path("old.ini");
    writeFile(path, "[files]\r\nfile1=C:\\old.wrl\r\n");
    const std::string old = readFile(path);

    SaverSettings broken = s;
    broken.modelFile[1] = "C:\\two\nlines.wrl";
    EXPECT_FALSE(broken.writeSettings(path.c_str()));
    EXPECT_EQ(readFile(path), old);

    recordingPlatform().failFileReplacement = true;
    EXPECT_FALSE(s.writeSettings(path.c_str()));
    EXPECT_EQ(readFile(path), old);
    recordingPlatform().failFileReplacement = false;

    // A file too large to be a settings file is not silently replaced.
    const std::string huge = dir.path("huge.ini");
    writeFile(huge, std::string(IniFile::kMaxFileBytes + 1, 'x'));
    EXPECT_FALSE(s.writeSettings(huge.c_str()));
    EXPECT_EQ(readFile(huge).size(), IniFile::kMaxFileBytes + 1);
    SaverSettings untouched = s;
    EXPECT_FALSE(untouched.readSettings(huge.c_str()));
    expectSameSettings(untouched, s);

    // No temporary files are left behind.
    EXPECT_TRUE(s.writeSettings(path.c_str()));
    std::filesystem::directory_iterator entries(dir.root());
    EXPECT_EQ(std::distance(entries, std::filesystem::directory_iterator()), 2);
}

TEST(Settings, addAndRemoveKeepTheListPacked) {
    SaverSettings s;
    for (int i = 0; i < MAX_MODELS; ++i) ASSERT_TRUE(s.addModel(s.modelCount, "m" + std::to_string(i)));
    s.modelSize[3] = 9;
    SaverSettings full = s;
    EXPECT_FALSE(s.addModel(s.modelCount, "one too many"));
    expectSameSettings(s, full);

    ASSERT_TRUE(s.removeModel(2));
    EXPECT_EQ(std::tie(s.modelCount, s.modelFile[2], s.modelSize[2], s.modelFile[13]),
              std::make_tuple(14, std::string("m3"), 9, std::string("m14")));
    EXPECT_FALSE(s.removeModel(14) || s.removeModel(-1));

    SaverSettings one;
    const std::pair<int, std::string> refused[] = {{1, "gap"}, {0, ""}, {0, std::string(MAX_PATH_CHARS, 'p')}};
    for (const auto& [index, file] : refused) EXPECT_FALSE(one.addModel(index, file)) << index << file;
    ASSERT_TRUE(one.addModel(0, std::string(MAX_PATH_CHARS - 1, 'p')));
    one.modelRotation[0] = {1, 2, 3};
    one.twoSided[0] = 0;
    ASSERT_TRUE(one.removeModel(0));
    EXPECT_EQ(one.modelCount, 0);
    ASSERT_TRUE(one.addModel(0, "fresh"));
    EXPECT_EQ(one.modelRotation[0], (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(one.twoSided[0], 1);
}

TEST(Settings, installDirectoryComesFromTheApplicationRegistry) {
    auto& fake = recordingPlatform();
    fake.appPath = AppPathLookup{AppPathLookup::Status::Found, "C:\\glowpond"};
    SaverSettings found;
    EXPECT_EQ(found.installDir, std::optional<std::string>("C:\\glowpond"));
    EXPECT_EQ(found.helpFile, std::optional<std::string>("C:\\glowpond\\glowpond.hlp"));
    EXPECT_TRUE(fake.messages.empty());

    for (auto status : {AppPathLookup::Status::NoKey, AppPathLookup::Status::NoValue}) {
        fake.appPath = AppPathLookup{status, ""};
        SaverSettings missing;
        EXPECT_FALSE(missing.installDir || missing.helpFile);
    }
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].caption + ": " + fake.messages[0].text, "ERROR: Couldn't get path key");
    EXPECT_EQ(fake.messages[1].caption + ": " + fake.messages[1].text, "ERROR: Couldn't get path value");
}

TEST(Settings, iniFileLivesInTheInstallDirectoryOrTheCurrentOne) {
    TempDir dir;
    auto& fake = recordingPlatform();
    fake.appPath = AppPathLookup{AppPathLookup::Status::Found, dir.root()};
    SaverSettings s = unusualSettings(1);
    ASSERT_TRUE(s.writeSettings());
    EXPECT_FALSE(readFile(dir.path("glowpond.ini")).empty());
    SaverSettings read;
    ASSERT_TRUE(read.readSettings());
    expectSameSettings(s, read);

    fake.appPath = AppPathLookup{};  // no registry: the current directory, which is now dir
    SaverSettings fallback;
    ASSERT_TRUE(fallback.readSettings());
    EXPECT_EQ(fallback.modelCount, 1);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
}

}  // namespace
}  // namespace glowpond
