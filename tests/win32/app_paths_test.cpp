// The install directory comes from the real registry under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "config/settings.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

const char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\3-D Glowpond.scr";

// Saves the key's "Path" value on entry and puts it back on exit, so that the
// test prefix keeps the key the other programs rely on.
class AppPathsKey {
public:
    AppPathsKey() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
        char value[MAX_PATH];
        DWORD size = sizeof value;
        if (RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
            saved_ = std::string(value);
        }
        RegCloseKey(key);
    }
    ~AppPathsKey() {
        remove();
        if (saved_) setPath(saved_->c_str());
    }

    void remove() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }

    // Creates the key; with a null `path` it has no "Path" value.
    void setPath(const char* path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueA(key, "Path");
        if (path) {
            ASSERT_EQ(RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                     static_cast<DWORD>(strlen(path) + 1)),
                      ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }

private:
    std::optional<std::string> saved_;
};

TEST(AppPaths, presentKeyGivesInstallDirectoryAndHelpFile) {
    AppPathsKey key;
    testing::TempDir dir;
    key.setPath(dir.root().c_str());

    SaverSettings settings;
    EXPECT_TRUE(testing::recordingPlatform().messages.empty());
    ASSERT_TRUE(settings.installDir);
    EXPECT_EQ(*settings.installDir, dir.root());
    EXPECT_EQ(*settings.helpFile, dir.root() + "\\glowpond.hlp");

    // Reading the INI file makes the install directory current and reads from there.
    SetCurrentDirectoryA("C:\\");
    testing::writeFile(dir.path("glowpond.ini"), "[options]\r\nspeed=4\r\n");
    ASSERT_TRUE(settings.readSettings());
    EXPECT_EQ(settings.speed, 4);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.root()));
    SetCurrentDirectoryA("C:\\");
}

TEST(AppPaths, missingKeyOrValueIsReportedAndFallsBackToTheCurrentDirectory) {
    AppPathsKey key;
    key.remove();
    SaverSettings noKey;
    EXPECT_FALSE(noKey.installDir);
    EXPECT_FALSE(noKey.helpFile);

    key.setPath(nullptr);
    SaverSettings noValue;
    EXPECT_FALSE(noValue.installDir);

    const auto& messages = testing::recordingPlatform().messages;
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Couldn't get path key");
    EXPECT_EQ(messages[0].caption, "ERROR");
    EXPECT_EQ(messages[1].text, "Couldn't get path value");
    EXPECT_EQ(messages[1].caption, "ERROR");

    testing::TempDir dir;
    SetCurrentDirectoryA(dir.root().c_str());
    ASSERT_TRUE(noKey.writeSettings());
    EXPECT_FALSE(testing::readFile(dir.path("glowpond.ini")).empty());
    SetCurrentDirectoryA("C:\\");
}

}  // namespace
}  // namespace glowpond
