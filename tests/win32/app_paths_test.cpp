// The install directory comes from the real registry under Wine.
#include <windows.h>

#include <filesystem>

#include "tests/settings_records.h"

namespace glowpond {
namespace {

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
