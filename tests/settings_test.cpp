// The INI file, the settings record and its file, and the rules the settings dialogs apply to the record.
#include "config/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/dialog_rules.h"
#include "config/ini_file.h"
#include "loading/model_folder.h"
#include "mesh/display_mesh.h"
#include "system/unicode.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using namespace testing;

const AnsiCodePage western;

IniFile parsed(const std::string& text) {
    IniFile ini;
    ini.parse(text, western);
    return ini;
}

TEST(IniFile, valuesAndNumbersReadAsTheProfileFunctionsReturnThem) {
    const IniFile ini = parsed("  [Files]  \n  file1 =  C:\\a b.wrl   \nFILE1=second key of the name\n"
                               "file2=\"C:\\q.3ds\"\nfile3='single'\nfile4=\"unbalanced\nfile5\n; file6=x\n"
                               "[files]\nfile7=second section\n");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"File1", "C:\\a b.wrl"}, {"file2", "C:\\q.3ds"}, {"file3", "single"},   {"file4", "\"unbalanced"},
        {"file5", ""},            {"file6", std::nullopt}, {"file7", std::nullopt}};
    for (const auto& [key, value] : cases) EXPECT_EQ(ini.find("fILES", key), value) << key;

    // Integers as GetPrivateProfileInt takes them: the leading number, wrapped to 32 bits.
    const std::pair<const char*, int> numbers[] = {{"10\n\r", 10}, {" 10 apples", 10}, {"-45x", -45}, {"+7", 7},
                                                   {"abc", 0},      {"", 5},            {"-", 0},      {"\"12\"", 12},
                                                   {"4294967306", 10}, {"2147483648", INT32_MIN}};
    for (auto [value, expected] : numbers) {
        EXPECT_EQ(parsed(std::string("[o]\nk=") + value).getInt("o", "k", 5), expected) << value;  // no final line end
    }
}

TEST(IniFile, setChangesOnlyItsKeyAndKeepsEverythingElse) {
    IniFile ini = parsed("\xEF\xBB\xBF[Files]\nFILE1=old\n; by hand\n\n[extra]\nkeep=me\n");
    EXPECT_TRUE(ini.set("files", "file1", "new") && ini.set("files", "file2", "added") &&
                ini.set("options", "speed", "  5\n"));
    // A value or name that would break its line changes nothing.
    EXPECT_FALSE(ini.set("extra", "keep", "two\nlines") || ini.set("extra", "keep", "carriage\rreturn") ||
                 ini.set("extra", "k=x", "v") || ini.set("a]", "k", "v"));
    EXPECT_EQ(ini.text(western), "\xEF\xBB\xBF[Files]\r\nFILE1=new\r\n; by hand\r\nfile2=added\r\n\r\n"
                          "[extra]\r\nkeep=me\r\n\r\n[options]\r\nspeed=5\r\n");
}

TEST(IniFile, aUtf16FileReadsWholeAndKeepsItsEncodingAndItsOtherLines) {
    const std::u16string before = u"\xFEFF[files]\r\nfile1=C:\\\x00E9.wrl\r\nfile2 = same\r\n[Desktop]\r\n"
                                  u"Wallpaper=\x4E2D\xD83D.bmp\r\n";
    const std::u16string after = u"\xFEFF[files]\r\nfile1=C:\\\x2764.wrl\r\nfile2 = same\r\n[Desktop]\r\n"
                                 u"Wallpaper=\x4E2D\xD83D.bmp\r\n\r\n[options]\r\nspeed=5\r\n";
    for (bool bigEndian : {false, true}) {
        for (const std::string oddByte : {"", "Z"}) {  // an odd length stays at the end
            IniFile ini = parsed(utf16(before, bigEndian) + oddByte);
            // A lone surrogate reads as U+FFFD but stays in its line.
            EXPECT_EQ(std::tuple(ini.find("files", "file1"), ini.find("desktop", "wallpaper")),
                      std::tuple("C:\\\u00E9.wrl", "\u4E2D\uFFFD.bmp"));
            EXPECT_TRUE(ini.set("files", "file1", "C:\\\u2764.wrl") && ini.set("files", "file2", "same") &&
                        ini.set("options", "speed", "5\n"));
            EXPECT_EQ(ini.text(western), utf16(after, bigEndian) + oddByte) << bigEndian;
        }
    }
}

// Old files hold their text in the code page; paths beyond it need Unicode,
// and editors save UTF-8 without a mark.
TEST(IniFile, codePageTextReadsAsUtf8AndTurnsIntoMarkedUtf8OnlyForCharactersTheCodePageLacks) {
    IniFile ansi = parsed("[files]\r\nfile1=C:\\caf\xE9 \x80.wrl\r\n");
    EXPECT_EQ(ansi.find("files", "file1"), "C:\\caf\u00E9 \u20AC.wrl");
    ASSERT_TRUE(ansi.set("files", "file2", "C:\\\u00FCber.3ds"));
    EXPECT_EQ(ansi.text(western), "[files]\r\nfile1=C:\\caf\xE9 \x80.wrl\r\nfile2=C:\\\xFC" "ber.3ds\r\n");
    ASSERT_TRUE(ansi.set("files", "file3", "C:\\Unicode \u2764\u267B Test.wrl"));
    const std::string marked = "\xEF\xBB\xBF[files]\r\nfile1=C:\\caf\u00E9 \u20AC.wrl\r\n"
                               "file2=C:\\\u00FCber.3ds\r\nfile3=C:\\Unicode \u2764\u267B Test.wrl\r\n";
    EXPECT_EQ(ansi.text(western), marked);
    EXPECT_EQ(parsed(marked).find("files", "file3"), "C:\\Unicode \u2764\u267B Test.wrl");

    // Well-formed UTF-8 without a mark stays so; one broken byte makes it code-page text.
    IniFile unmarked = parsed("[files]\nfile1=C:\\\u2764.wrl\n");
    EXPECT_EQ(unmarked.find("files", "file1"), "C:\\\u2764.wrl");
    EXPECT_EQ(unmarked.text(western), "[files]\r\nfile1=C:\\\u2764.wrl\r\n");
    EXPECT_EQ(parsed("[files]\nfile1=\xC3\xA9\xFF\n").find("files", "file1"), "\u00C3\u00A9\u00FF");
    // Code-page text that would read back as UTF-8 is written as marked UTF-8.
    IniFile mixed = parsed("[files]\nfile1=\xFF\nfile2=\xC3\xA9\n");
    ASSERT_TRUE(mixed.set("files", "file1", "x"));
    EXPECT_EQ(parsed(mixed.text(western)).find("files", "file2"), "\u00C3\u00A9");
}

TEST(Unicode, utf8AndUtf16ConvertBothWaysAndBrokenSequencesBecomeReplacementCharacters) {
    const std::string text = "a\u00E9\u2764\U0001F30B";
    EXPECT_EQ(std::tuple(utf16FromUtf8(text), utf8FromUtf16(utf16FromUtf8(text)), isUtf8(text)),
              std::tuple(u"a\u00E9\u2764\U0001F30B", text, true));
    // A stray byte, an overlong form, a surrogate, a cut sequence, beyond U+10FFFF; lone surrogates.
    for (const std::string bytes : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x9D", "\xF4\x90\x80\x80"}) {
        const std::u16string replaced(bytes.size(), 0xFFFD);
        EXPECT_EQ(std::tuple(utf16FromUtf8(bytes), isUtf8(bytes)), std::tuple(replaced, false));
    }
    EXPECT_EQ(utf8FromUtf16(u"\xDC00x\xD800"), "\uFFFDx\uFFFD");
    // Windows-1252 both ways; what it lacks it cannot take.
    EXPECT_EQ(std::tuple(western.toUtf8("\x80\x81\xE9"), western.fromUtf8("\u20AC\u0081\u00E9")),
              std::tuple("\u20AC\u0081\u00E9", "\x80\x81\xE9"));
    EXPECT_FALSE(western.fromUtf8("\u2764") || western.fromUtf8("\xFF"));
}

struct Settings : ::testing::Test {
    // Reading the settings moves into their folder, which must not outlive the test.
    ~Settings() override { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
    TempDir dir;
    RecordingPlatform platform;
};

TEST_F(Settings, theFileHoldsExactlyTheseBytesWithValuesTruncatedAndSaturated) {
    SaverSettings s;
    ASSERT_TRUE(s.addModel(0, "C:\\a.wrl"));
    s.models[0].rotation = {45.7f, -45.7f, 1e30f};
    std::tie(s.lavaRed, s.lavaGreen) = std::tuple(0.5f, -1e30f);
    ASSERT_TRUE(s.writeSettings(dir.path("one.ini"), platform));
    std::string expected = "[files]\r\nfile1=C:\\a.wrl\r\n";
    for (int n = 2; n <= 15; ++n) expected += "file" + std::to_string(n) + "=\r\n";
    expected += "\r\n[options]\r\nlightHeight=10\r\nobjectDuration=1\r\ntotalSize=9\r\nspeed=7\r\nspinSpeed=8\r\n"
                "pulseSpeed=8\r\nAllowAdvanced=1\r\nallowAcceleration=1\r\nshowStatus=1\r\nspareProcessor=1\r\n"
                "everyMonitor=0\r\nlavaRed=127\r\n"
                "lavaGreen=-2147483648\r\nlavaBlue=0\r\nsize1=5\r\nX-rot1=45\r\nY-rot1=-45\r\nZ-rot1=2147483647\r\n"
                "Reverse1=0\r\nBackCull1=0\r\n2Sided1=1\r\n";
    EXPECT_EQ(readFile(dir.path("one.ini")), expected);
    // The dialogs' colour bytes saturate at the ends of a byte instead.
    const std::pair<float, int> bytes[] = {{1.0f, 255}, {0.5f, 127}, {2.0f, 255}, {-1e30f, 0}, {1e30f, 255}, {NAN, 0}};
    for (auto [component, byte] : bytes) EXPECT_EQ(colorByte(component), byte) << component;
}

TEST_F(Settings, aFullRecordSurvivesARoundTripAShorterListKeepsTheRestOfTheFileAndAFailedWriteLeavesItAsItWas) {
    const std::string path = dir.path("full.3dg");
    ASSERT_TRUE(unusualSettings(MAX_MODELS).writeSettings(path, platform));
    SaverSettings read;
    ASSERT_TRUE(read.readSettings(path, platform));
    EXPECT_EQ(describe(read), describe(unusualSettings(MAX_MODELS)));
    writeFile(path, readFile(path) + "[desktop]\r\nwallpaper=lava.bmp\r\n");
    ASSERT_TRUE(unusualSettings(2).writeSettings(path, platform));
    const std::string shorter = readFile(path);
    for (const char* kept : {"\r\nfile3=\r\n", "\r\nZ-rot15=166\r\n", "\r\n[desktop]\r\nwallpaper=lava.bmp\r\n"}) {
        EXPECT_NE(shorter.find(kept), std::string::npos) << kept;
    }
    SaverSettings broken = unusualSettings(2);
    broken.models[1].file = "C:\\two\nlines.wrl";
    EXPECT_FALSE(read.writeSettings(dir.path("absent/a.ini"), platform) || read.writeSettings(dir.root(), platform));
    EXPECT_FALSE(broken.writeSettings(path, platform));
    EXPECT_EQ(std::tuple(readFile(path), describe(read)), std::tuple(shorter, describe(unusualSettings(MAX_MODELS))));
}

// A settings file holds a few hundred lines: beyond 64 KB the rest is
// ignored, and a save, which would lose it, leaves the file as it is.
TEST_F(Settings, onlyWholeLinesWithinTheFirst64KBAreReadAndALongerFileIsNeverWritten) {
    const auto longFile = [](size_t mark) {  // with the line of file2 across `mark` characters
        std::string text = "[files]\r\nfile1=C:\\a.wrl\r\n";
        while (text.size() < mark - 100) text += "; " + std::string(60, '-') + "\r\n";
        return text + "file2=C:\\" + std::string(200, 'b') + ".wrl\r\n[options]\r\nspeed=9\r\n";
    };
    const std::string longer = longFile(IniFile::kMaxFileBytes), head = longer.substr(0, longer.find("file2"));
    const std::string lineBreaks(size_t{16} << 20, '\n');
    SaverSettings expected;
    ASSERT_TRUE(expected.addModel(0, "C:\\a.wrl"));
    const std::string ansi = longFile(IniFile::kMaxFileBytes / 2 - 1);  // after a mark of one character
    const std::u16string unicode = u"\xFEFF" + std::u16string(ansi.begin(), ansi.end());
    for (const std::string& contents : {longer, utf16(unicode, false), utf16(unicode, true), lineBreaks}) {
        const std::string path = dir.path("long.ini");
        writeFile(path, contents);
        SaverSettings read = unusualSettings(3);
        ASSERT_TRUE(read.readSettings(path, platform));
        EXPECT_EQ(describe(read), describe(contents == lineBreaks ? SaverSettings() : expected));
        EXPECT_FALSE(read.writeSettings(path, platform));
        EXPECT_TRUE(readFile(path) == contents);
    }
    // Nor is a file written that would be read back only in part.
    SaverSettings wide = unusualSettings(1);
    wide.models[0].file = std::string(200, 'w');
    const std::string path = dir.path("wide.ini");
    writeFile(path, head);
    EXPECT_TRUE(!wide.writeSettings(path, platform) && readFile(path) == head);
}

TEST_F(Settings, whereNoFileCanBeMadeBesideTheFileItIsWrittenInPlaceAndABrokenWriteLeavesItAsItWas) {
    // Binary, a 32 KB line and no options: what is readable is read, and the rest stays.
    const std::string path = dir.path("in place.ini"), fresh = dir.path("fresh.ini");
    const std::string old = std::string(1, '\0') + "garbage\xFF\r\n" + std::string(32 << 10, 'x') +
                            "\r\n[files]\r\nfile1=C:\\a.wrl\r\n";
    writeFile(path, old);
    SaverSettings read, expected;
    ASSERT_TRUE(read.readSettings(path, platform) && expected.addModel(0, "C:\\a.wrl"));
    EXPECT_EQ(describe(read), describe(expected));
    platform.failTempFile = true;
    platform.inPlaceFailsAfter = 40;
    // (No 32 KB message when it fails.)
    EXPECT_TRUE(!unusualSettings(1).writeSettings(path, platform) && readFile(path) == old);
    EXPECT_TRUE(unusualSettings(1).writeSettings(path, platform) && read.readSettings(path, platform));
    EXPECT_EQ(describe(read), describe(unusualSettings(1)));
    EXPECT_TRUE(readFile(path).compare(0, old.find("[files]"), old, 0, old.find("[files]")) == 0);
    platform.inPlaceFailsAfter = 40;  // a new file that breaks off is not left behind
    EXPECT_FALSE(unusualSettings(1).writeSettings(fresh, platform) || std::filesystem::exists(fresh));
    ASSERT_EQ(platform.tempCopies.size(), 2u);  // one per write over the old file, each gone after it
    for (const std::string& copy : platform.tempCopies) EXPECT_FALSE(copy.empty() || std::filesystem::exists(copy));
}

TEST_F(Settings, readingReplacesTheWholeRecord) {
    writeFile(dir.path("empty.ini"), "");
    // An empty file key takes no entry, but the keys numbered with it stay
    // with that number; numbers are read unclamped from their leading digits.
    writeFile(dir.path("gap.ini"), "[files]\nfile1=\nfile2=C:\\b.3ds\n[OPTIONS]\nspeed=25 fast\ntotalSize=-3\n"
                                   "lavaRed=255\nsize1=3\nX-rot1=30\nsize2=8\n");
    SaverSettings gap;
    std::tie(gap.speed, gap.totalSize, gap.lavaRed, gap.modelCount) = std::tuple(25, -3, 255 * kColorFromByte, 1);
    gap.models[0] = {"C:\\b.3ds", 3, {30, 0, 0}};
    gap.models[1].size = 8;
    const std::pair<const char*, SaverSettings> cases[] = {
        {"missing.ini", SaverSettings()}, {"empty.ini", SaverSettings()}, {"gap.ini", gap}};
    for (const auto& [name, expected] : cases) {
        SaverSettings s = unusualSettings(4);
        ASSERT_TRUE(s.readSettings(dir.path(name), platform));
        EXPECT_EQ(describe(s), describe(expected)) << name;
    }
}

TEST_F(Settings, addAndRemoveKeepTheListPacked) {
    SaverSettings s;
    const std::pair<int, std::string> refused[] = {{1, "a"}, {-1, "a"}, {0, ""}, {0, std::string(MAX_PATH_CHARS, 'p')}};
    for (const auto& [index, file] : refused) EXPECT_FALSE(s.addModel(index, file)) << index << file;
    const ModelSettings longest{std::string(MAX_PATH_CHARS - 1, 'p'), 9, {1, 2, 3}, 1, 1, 0};
    ASSERT_TRUE(s.addModel(0, longest.file));
    s.models[0] = longest;
    // Each below the count: the later entries move up, the new one has the defaults.
    for (int i = 0; i < MAX_MODELS - 1; ++i) ASSERT_TRUE(s.addModel(i, "m" + std::to_string(i)));
    const std::string full = describe(s);
    EXPECT_FALSE(s.addModel(MAX_MODELS, "one too many") || s.addModel(0, "one too many"));
    EXPECT_EQ(describe(s), full);
    ASSERT_TRUE(s.removeModel(0));
    EXPECT_FALSE(s.removeModel(14) || s.removeModel(-1));
    EXPECT_EQ(std::tie(s.modelCount, s.models[0].file, s.models[12].size, s.models[12].rotation, s.models[13].file,
                       s.models[13].size, s.models[14].file),
              std::tuple(14, "m1", 5, Vec3f{}, longest.file, 9, ""));
}

// Each user's settings are their own file in their folder; the installed file is only where they start.
TEST_F(Settings, theUsersOwnFileIsReadAndWrittenAndTheInstalledOneOnlyStartsItWithItsModelsStillFound) {
    namespace fs = std::filesystem;
    const std::string install = dir.path("install"), data = dir.path("data");
    for (const std::string& folder : {install, data}) fs::create_directories(folder);
    const std::string installed = "[files]\nfile1=rocket.3ds\nfile2=sub/ring.3ds\nfile3=/elsewhere/m.wrl\n"
                                  "file4=C:\\m.wrl\n[options]\nspeed=3\n";
    writeFile(install + "/" + kIniFileName, installed);
    platform.userData = data;
    const std::string own = data + "/" + kSettingsFolderName + "/" + kIniFileName;
    ASSERT_TRUE(fs::path(userSettingsFolder(platform).value_or("")) == fs::path(data) / kSettingsFolderName);

    SaverSettings s;
    s.setInstallDir(install);
    ASSERT_TRUE(readIniFile(s, platform));
    const std::string rocket = fs::path(install + "/rocket.3ds").lexically_normal().string();
    const std::string ring = fs::path(install + "/sub/ring.3ds").lexically_normal().string();
    EXPECT_EQ(std::tie(s.speed, s.modelCount, s.models[0].file, s.models[1].file, s.models[2].file, s.models[3].file),
              std::tuple(3, 4, rocket, ring, "/elsewhere/m.wrl", "C:\\m.wrl"));
    EXPECT_FALSE(fs::exists(own));

    // The first save makes the user's folder and file; the installed file stays as it was.
    s.speed = 6;
    ASSERT_TRUE(writeIniFile(s, platform));
    EXPECT_EQ(readFile(install + "/" + kIniFileName), installed);
    SaverSettings mine;
    ASSERT_TRUE(mine.readSettings(own, platform));
    EXPECT_EQ(std::tie(mine.speed, mine.models[0].file, mine.models[1].file), std::tuple(6, rocket, ring));

    // From now on the user's file counts, its relative paths against its own folder.
    writeFile(own, "[files]\nfile1=mine.wrl\n[options]\nspeed=5\n");
    ASSERT_TRUE(readIniFile(s, platform));
    EXPECT_EQ(std::tie(s.speed, s.modelCount, s.models[0].file), std::tuple(5, 1, "mine.wrl"));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), data + "/" + kSettingsFolderName));

    // A user's file that cannot be read is not passed over for the installed one, and a user
    // folder that cannot be made fails the save.
    fs::remove(own);
    fs::create_directories(own);
    EXPECT_FALSE(readIniFile(s, platform));
    EXPECT_EQ(s.speed, 5);
    platform.userData = dir.path("no such folder");
    EXPECT_FALSE(writeIniFile(s, platform));
    EXPECT_FALSE(fs::exists(dir.path("no such folder")));

    // Without a user folder the installed file alone is read and written, as it always was.
    platform.userData.reset();
    ASSERT_TRUE(readIniFile(s, platform));
    EXPECT_EQ(std::tie(s.speed, s.models[0].file), std::tuple(3, "rocket.3ds"));
}

TEST_F(Settings, aFolderEntryKeepsItsSeparatorAndSettingsThroughAFileAndTheInstalledFilesFolderResolves) {
    SaverSettings folders;
    ASSERT_TRUE(folders.addModel(0, "C:\\Models\\") && folders.addModel(1, "shapes/"));
    folders.models[0].size = 3;
    const std::string path = dir.path("folders.3dg");
    SaverSettings read;
    ASSERT_TRUE(folders.writeSettings(path, platform) && read.readSettings(path, platform));
    EXPECT_EQ(describe(read), describe(folders));
    // The installed file's relative folder becomes a full path that still names a folder.
    std::filesystem::create_directories(dir.path("install/Models"));
    writeFile(dir.path("install/") + kIniFileName, "[files]\nfile1=Models/\n");
    platform.userData = dir.path("data");
    read.setInstallDir(dir.path("install"));
    ASSERT_TRUE(readIniFile(read, platform));
    EXPECT_EQ(std::filesystem::path(read.models[0].file).lexically_normal(),
              std::filesystem::path(dir.path("install/Models/")).lexically_normal());
    EXPECT_TRUE(isFolderEntry(read.models[0].file));
}

using DialogRules = Settings;

TEST_F(DialogRules, addActsUnlessTheListIsFullDeleteUnlessItIsEmptyAndOkWritesTheWorkingCopyAndOnlyThenKeepsIt) {
    for (int32_t n : {0, 1, 14, 15}) {
        EXPECT_EQ(std::tuple(listButtons(n).canAdd, listButtons(n).canDelete), std::tuple(n < 15, n > 0)) << n;
    }
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
    ASSERT_TRUE(kept.readSettings(dir.path(kIniFileName), platform));
    EXPECT_EQ(std::tie(kept.speed, kept.modelCount, kept.lavaRed), std::tuple(2, 1, 127 * kColorFromByte));
}

TEST_F(DialogRules, theModelDialogKeepsCheckBoxesAsFlagsAndTurnsAsWholeDegrees) {
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
