// The settings on the real system under Wine: our INI files and the Windows profile functions must read
// each other's files, and the install directory comes from the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "saver/wide_text.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

// Section, key and value of each entry of unusualSettings(2)'s file, after
// a section of the system's.
std::vector<std::array<std::string, 3>> sampleEntries() {
    std::vector<std::array<std::string, 3>> entries{{"Desktop", "Wallpaper", "lava.bmp"},
                                                    {"files", "file1", "C:\\models\\model 0.wrl"},
                                                    {"files", "file2", "C:\\models\\model 1.wrl"}};
    for (int n = 3; n <= MAX_MODELS; ++n) entries.push_back({"files", "file" + std::to_string(n), ""});
    std::istringstream options(
        "lightHeight 2 objectDuration 3 totalSize 4 speed 5 spinSpeed 6 pulseSpeed 7 AllowAdvanced 8 "
        "allowAcceleration 9 showStatus 10 spareProcessor 11 everyMonitor 12 lavaRed 200 lavaGreen 10 lavaBlue 255 "
        "size1 1 X-rot1 0 Y-rot1 0 Z-rot1 180 Reverse1 0 BackCull1 1 2Sided1 1 size2 2 X-rot2 10 Y-rot2 -5 Z-rot2 179 "
        "Reverse2 1 BackCull2 0 2Sided2 0");
    for (std::string key, value; options >> key >> value;) entries.push_back({"options", key, value});
    return entries;
}

// In an ANSI file and in a UTF-16 one, as Notepad's "Unicode" saves it.
TEST(ProfileInterchange, eachReadsWhatTheOtherWritesInAnsiAndInUtf16) {
    testing::TempDir dir;
    testing::RecordingPlatform platform;
    const std::string path = dir.path("shared.ini");
    for (const std::string mark : {"", "\xFF\xFE"}) {
        testing::writeFile(path, mark);
        ASSERT_TRUE(WritePrivateProfileStringA("Desktop", "Wallpaper", "lava.bmp", path.c_str()));
        ASSERT_TRUE(testing::unusualSettings(2).writeSettings(path, platform));
        EXPECT_EQ(testing::readFile(path).compare(0, mark.size(), mark), 0);
        for (const auto& [section, key, value] : sampleEntries()) {
            char text[MAX_PATH_CHARS];
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "?", text, sizeof text, path.c_str());
            EXPECT_EQ(text, value) << key;
            if (section != "options") continue;
            const UINT number = GetPrivateProfileIntA(section.c_str(), key.c_str(), 99, path.c_str());
            EXPECT_EQ(static_cast<int>(number), std::stoi(value)) << key;
        }

        // A new file from the system, key by key, numbers with the "%d\n" the settings file has always had.
        testing::writeFile(path, mark);
        for (const auto& [section, key, value] : sampleEntries()) {
            const std::string written = value + (section == "options" ? "\n" : "");
            ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), key.c_str(), written.c_str(), path.c_str()));
        }
        SaverSettings read;
        ASSERT_TRUE(read.readSettings(path, platform));
        EXPECT_EQ(testing::describe(read), testing::describe(testing::unusualSettings(2)));
    }
}

// A path the code page holds stays in it, where the profile functions read it; one beyond it turns the
// file into UTF-8, which reads back whole.
TEST(ProfileInterchange, aPathInTheCodePageStaysThereAndOneBeyondItIsReadBackWhole) {
    testing::TempDir dir;
    testing::RecordingPlatform platform;
    const std::string path = dir.path("paths.ini");
    SaverSettings s;
    ASSERT_TRUE(s.addModel(0, "C:\\models\\caf\u00E9.wrl"));
    ASSERT_TRUE(s.writeSettings(path, platform));
    wchar_t text[MAX_PATH_CHARS];
    GetPrivateProfileStringW(L"files", L"file1", L"?", text, MAX_PATH_CHARS, wideFromUtf8(path).c_str());
    EXPECT_EQ(std::wstring(text), L"C:\\models\\caf\u00E9.wrl");
    EXPECT_NE(testing::readFile(path).compare(0, 3, "\xEF\xBB\xBF"), 0);

    ASSERT_TRUE(s.addModel(1, "C:\\Unicode \u2764\u267B Test\\m.wrl"));
    ASSERT_TRUE(s.writeSettings(path, platform));
    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path, platform));
    EXPECT_EQ(testing::describe(read), testing::describe(s));
    EXPECT_EQ(testing::readFile(path).compare(0, 3, "\xEF\xBB\xBF"), 0);
}

const char kScratch[] = "Software\\Glowpond tests";

// This process's HKEY_LOCAL_MACHINE, a fresh key for one test: without the
// application key, with it but no "Path" value (a null path), or with one.
struct MachineKey {
    MachineKey(bool present, const char* path) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);  // what a crashed run may have left
        RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
        const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\3-D Glowpond.scr";
        // Without a path, the key's default value brings it into being.
        const DWORD size = path ? static_cast<DWORD>(strlen(path) + 1) : 1;
        if (present) RegSetKeyValueA(root, key, path ? "Path" : "", REG_SZ, path ? path : "", size);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, root);
    }
    ~MachineKey() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(root);
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    }

    HKEY root = nullptr;
};

TEST(AppPaths, theIniFileIsInTheDirectoryThePathValueNamesOrElseInTheCurrentOne) {
    testing::TempDir install, current;
    testing::writeFile(install.path(kIniFileName), "[options]\r\nspeed=4\r\n");
    testing::writeFile(current.path(kIniFileName), "[options]\r\nspeed=6\r\n");
    const std::tuple<bool, const char*, std::string> cases[] = {{true, install.root().c_str(), ""},
        {false, nullptr, "Couldn't get path key"}, {true, nullptr, "Couldn't get path value"}};
    for (const auto& [present, path, message] : cases) {
        MachineKey key(present, path);
        testing::RecordingPlatform platform;
        SaverSettings settings;
        settings.setInstallDir(lookUpInstallDir(platform));
        EXPECT_EQ(platform.messages, message.empty() ? "" : "ERROR: " + message + "\n");
        EXPECT_EQ(settings.helpFile.value_or("none"), path ? install.root() + "\\glowpond.hlp" : "none");
        // The INI file is read where it is, which becomes the current directory.
        SetCurrentDirectoryA(current.root().c_str());
        ASSERT_TRUE(readIniFile(settings, platform));
        EXPECT_EQ(settings.speed, path ? 4 : 6) << message;
        EXPECT_TRUE(std::filesystem::equivalent(".", path ? install.root() : current.root()));
        SetCurrentDirectoryA("C:\\");
    }
}

}  // namespace
}  // namespace glowpond
