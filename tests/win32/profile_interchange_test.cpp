// Our INI files and the Windows profile functions must read each other's files.
#include <windows.h>

#include <gtest/gtest.h>

#include "config/settings.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

std::string profileString(const char* section, const std::string& key, const std::string& path) {
    char value[MAX_PATH_CHARS];
    GetPrivateProfileStringA(section, key.c_str(), "<missing>", value, sizeof value, path.c_str());
    return value;
}

int profileInt(const char* section, const std::string& key, const std::string& path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key.c_str(), -999, path.c_str()));
}

SaverSettings sampleSettings() {
    SaverSettings s;
    s.lightHeight = 3;
    s.objectDuration = 6;
    s.totalSize = 10;
    s.speed = 1;
    s.spinSpeed = 2;
    s.pulseSpeed = 9;
    s.allowAdvanced = 0;
    s.allowAcceleration = 0;
    s.showStatus = 0;
    s.lavaRed = 1.0f;
    s.lavaGreen = 0.5f;
    s.lavaBlue = 0.25f;
    EXPECT_TRUE(s.addModel(0, "C:\\models\\first model.wrl"));
    EXPECT_TRUE(s.addModel(1, "Z:\\tmp\\second.3ds"));
    s.modelSize[1] = 7;
    s.modelRotation[1] = {45.7f, -45.7f, 90.0f};
    s.reverseNormals[1] = 1;
    s.backCull[1] = 1;
    s.twoSided[1] = 0;
    return s;
}

TEST(ProfileInterchange, windowsReadsWhatWeWrite) {
    testing::TempDir dir;
    const std::string path = dir.path("ours.ini");
    // Start from a file Windows wrote, with a section we do not know.
    ASSERT_TRUE(WritePrivateProfileStringA("Desktop", "Wallpaper", "lava.bmp", path.c_str()));
    ASSERT_TRUE(sampleSettings().writeSettings(path.c_str()));

    EXPECT_EQ(profileString("Desktop", "Wallpaper", path), "lava.bmp");
    EXPECT_EQ(profileString("files", "file1", path), "C:\\models\\first model.wrl");
    EXPECT_EQ(profileString("FILES", "FILE2", path), "Z:\\tmp\\second.3ds");
    EXPECT_EQ(profileString("files", "file3", path), "");
    EXPECT_EQ(profileString("files", "file15", path), "");
    EXPECT_EQ(profileString("options", "lightHeight", path), "3");
    const std::pair<const char*, int> expected[] = {
        {"lightHeight", 3}, {"objectDuration", 6}, {"totalSize", 10}, {"speed", 1},
        {"spinSpeed", 2},   {"pulseSpeed", 9},     {"AllowAdvanced", 0}, {"allowAcceleration", 0},
        {"showStatus", 0},  {"lavaRed", 255},      {"lavaGreen", 127},   {"lavaBlue", 63},
        {"size2", 7},       {"X-rot2", 45},        {"Y-rot2", -45},      {"Z-rot2", 90},
        {"Reverse2", 1},    {"BackCull2", 1},      {"2Sided2", 0},       {"2Sided1", 1},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(profileInt("options", key, path), value) << key;
    EXPECT_EQ(profileInt("options", "size3", path), -999);
}

TEST(ProfileInterchange, weReadWhatWindowsWrites) {
    testing::TempDir dir;
    const std::string path = dir.path("theirs.ini");
    const SaverSettings expected = sampleSettings();

    // Written key by key through the system, with "%d\n" values as the settings file has always had.
    auto write = [&](const char* section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path.c_str())) << key;
    };
    auto number = [](int value) { return std::to_string(value) + "\n"; };
    write("files", "file1", expected.modelFile[0]);
    write("files", "file2", expected.modelFile[1]);
    for (int n = 3; n <= 15; ++n) write("files", "file" + std::to_string(n), "");
    write("options", "lightHeight", number(3));
    write("options", "objectDuration", number(6));
    write("options", "totalSize", number(10));
    write("options", "speed", number(1));
    write("options", "spinSpeed", number(2));
    write("options", "pulseSpeed", number(9));
    write("options", "AllowAdvanced", number(0));
    write("options", "allowAcceleration", number(0));
    write("options", "showStatus", number(0));
    write("options", "lavaRed", number(255));
    write("options", "lavaGreen", number(127));
    write("options", "lavaBlue", number(63));
    write("options", "size2", number(7));
    write("options", "X-rot2", number(45));
    write("options", "Y-rot2", number(-45));
    write("options", "Z-rot2", number(90));
    write("options", "Reverse2", number(1));
    write("options", "BackCull2", number(1));
    write("options", "2Sided2", number(0));  // the last value written keeps its "\n\r\n" on disk

    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path.c_str()));
    EXPECT_EQ(read.modelCount, 2);
    EXPECT_EQ(read.modelFile[0], expected.modelFile[0]);
    EXPECT_EQ(read.modelFile[1], expected.modelFile[1]);
    EXPECT_EQ(read.lightHeight, 3);
    EXPECT_EQ(read.objectDuration, 6);
    EXPECT_EQ(read.totalSize, 10);
    EXPECT_EQ(read.speed, 1);
    EXPECT_EQ(read.spinSpeed, 2);
    EXPECT_EQ(read.pulseSpeed, 9);
    EXPECT_EQ(read.allowAdvanced, 0);
    EXPECT_EQ(read.allowAcceleration, 0);
    EXPECT_EQ(read.showStatus, 0);
    EXPECT_EQ(read.lavaRed, 255 * kColorFromByte);
    EXPECT_EQ(read.lavaGreen, 127 * kColorFromByte);
    EXPECT_EQ(read.lavaBlue, 63 * kColorFromByte);
    EXPECT_EQ(read.modelSize[1], 7);
    EXPECT_EQ(read.modelRotation[1], (std::array<float, 3>{45, -45, 90}));
    EXPECT_EQ(read.reverseNormals[1], 1);
    EXPECT_EQ(read.backCull[1], 1);
    EXPECT_EQ(read.twoSided[1], 0);
    EXPECT_EQ(read.twoSided[0], 1);

    // And a write of ours over the system's file keeps it readable by the system.
    ASSERT_TRUE(read.writeSettings(path.c_str()));
    EXPECT_EQ(profileInt("options", "2Sided2", path), 0);
    EXPECT_EQ(profileString("files", "file2", path), "Z:\\tmp\\second.3ds");
}

}  // namespace
}  // namespace glowpond
