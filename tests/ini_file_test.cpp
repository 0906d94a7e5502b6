#include "config/ini_file.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace glowpond {
namespace {

IniFile parsed(const std::string& text) {
    IniFile ini;
    ini.parse(text);
    return ini;
}

TEST(IniFile, namesCompareWithoutCaseAndOnlyTheFirstSectionAndKeyCount) {
    IniFile ini = parsed(
        "[Options]\r\n"
        "LightHeight=3\r\n"
        "lightheight=4\r\n"
        "[options]\r\n"
        "speed=9\r\n");
    EXPECT_EQ(ini.getInt("OPTIONS", "lightHeight", 10), 3);
    // A second section of the same name is invisible, as for the profile functions.
    EXPECT_EQ(ini.getInt("options", "speed", 7), 7);
}

TEST(IniFile, valuesReadAsTheProfileFunctionsReturnThem) {
    IniFile ini = parsed(
        "  [files]  \n"
        "  file1 =  C:\\models\\a b.wrl   \n"
        "file2=\"C:\\quoted path.3ds\"\n"
        "file3='single'\n"
        "file4=\"unbalanced\n"
        "file5\n"
        "; file6=commented out\n"
        "file7=\n");
    EXPECT_EQ(*ini.find("files", "file1"), "C:\\models\\a b.wrl");
    EXPECT_EQ(*ini.find("files", "file2"), "C:\\quoted path.3ds");
    EXPECT_EQ(*ini.find("files", "file3"), "single");
    EXPECT_EQ(*ini.find("files", "file4"), "\"unbalanced");
    EXPECT_EQ(*ini.find("files", "file5"), "");  // a key without '=' is present and empty
    EXPECT_EQ(*ini.find("files", "file7"), "");
    EXPECT_FALSE(ini.find("files", "file6") || ini.find("files", "file8") || ini.find("other", "file1"));
    EXPECT_EQ(ini.getString("files", "file8", "fallback"), "fallback");
}

TEST(IniFile, integersTakeTheLeadingNumberLikeGetPrivateProfileInt) {
    const std::pair<const char*, int> cases[] = {{"10\n\r", 10}, {"10 apples", 10}, {"-45x", -45}, {"+7", 7},
                                                 {"abc", 0},       {"", 5},          {"-", 0},     {"4294967306", 10},
                                                 {"\"12\"", 12}};
    for (auto [value, expected] : cases) {
        EXPECT_EQ(parsed(std::string("[o]\nk=") + value + "\n").getInt("o", "k", 5), expected) << value;
    }
    EXPECT_EQ(parsed("[o]\n").getInt("o", "missing", 5), 5);
}

TEST(IniFile, setChangesOnlyItsKeyAndKeepsEverythingElse) {
    IniFile ini = parsed(
        "; written by hand\n"
        "[Files]\n"
        "FILE1=old\n"
        "\n"
        "[extra]\n"
        "keep=me\n");
    ASSERT_TRUE(ini.set("files", "file1", "new"));
    ASSERT_TRUE(ini.set("files", "file2", "added"));
    ASSERT_TRUE(ini.set("options", "speed", "  5\n"));
    EXPECT_EQ(ini.text(),
              "; written by hand\r\n"
              "[Files]\r\n"
              "FILE1=new\r\n"
              "file2=added\r\n"
              "\r\n"
              "[extra]\r\n"
              "keep=me\r\n"
              "\r\n"
              "[options]\r\n"
              "speed=5\r\n");
}

TEST(IniFile, valuesThatWouldBreakTheFileAreRefused) {
    IniFile ini = parsed("[a]\nk=v\n");
    EXPECT_FALSE(ini.set("a", "k", "two\nlines") || ini.set("a", "k", "carriage\rreturn") ||
                 ini.set("a", "k=x", "v") || ini.set("a]", "k", "v"));
    EXPECT_EQ(ini.text(), "[a]\r\nk=v\r\n");
}

TEST(IniFile, byteOrderMarkIsSkippedAndKept) {
    IniFile ini = parsed("\xEF\xBB\xBF[a]\nk=1\n");
    EXPECT_EQ(ini.getInt("a", "k", 0), 1);
    ASSERT_TRUE(ini.set("a", "k", "2"));
    EXPECT_EQ(ini.text(), "\xEF\xBB\xBF[a]\r\nk=2\r\n");
}

TEST(IniFile, loadTellsMissingFromUnreadable) {
    testing::TempDir dir;
    IniFile ini;
    EXPECT_EQ(ini.load(dir.path("none.ini")), IniFile::LoadResult::Missing);
    EXPECT_EQ(ini.load(dir.path("no folder/none.ini")), IniFile::LoadResult::Missing);
    EXPECT_EQ(ini.load(dir.root()), IniFile::LoadResult::Failed);
    testing::writeFile(dir.path("a.ini"), "[a]\nk=3");
    ASSERT_EQ(ini.load(dir.path("a.ini")), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.getInt("a", "k", 0), 3);  // the last line needs no line end
}

}  // namespace
}  // namespace glowpond
