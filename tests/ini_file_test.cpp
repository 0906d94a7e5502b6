#include "config/ini_file.h"

#include <gtest/gtest.h>

namespace glowpond {
namespace {

IniFile parsed(const std::string& text) {
    IniFile ini;
    ini.parse(text);
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
    EXPECT_EQ(ini.text(), "\xEF\xBB\xBF[Files]\r\nFILE1=new\r\n; by hand\r\nfile2=added\r\n\r\n"
                          "[extra]\r\nkeep=me\r\n\r\n[options]\r\nspeed=5\r\n");
}

TEST(IniFile, aUtf16FileReadsInTheAnsiCodePageAndKeepsItsEncodingAndItsOtherLines) {
    const std::u16string before = u"\xFEFF[files]\r\nfile1=C:\\\x00E9.wrl\r\nfile2 = same\r\n[Desktop]\r\n"
                                  u"Wallpaper=\x4E2D.bmp\r\n";
    const std::u16string after = u"\xFEFF[files]\r\nfile1=new\r\nfile2 = same\r\n[Desktop]\r\n"
                                 u"Wallpaper=\x4E2D.bmp\r\n\r\n[options]\r\nspeed=5\r\n";
    for (int high : {1, 0}) {  // little- and big-endian
        const auto bytes = [high](const std::u16string& text) {
            std::string out(text.size() * 2, '\0');
            for (size_t i = 0; i < text.size(); ++i) std::tie(out[2 * i + high], out[2 * i + 1 - high]) =
                std::tuple(char(text[i] >> 8), char(text[i] & 0xFF));
            return out;
        };
        for (const std::string oddByte : {"", "Z"}) {  // an odd length stays at the end
            IniFile ini = parsed(bytes(before) + oddByte);
            EXPECT_EQ(std::tuple(ini.find("files", "file1"), ini.find("desktop", "wallpaper")),
                      std::tuple("C:\\\xE9.wrl", "?.bmp"));
            EXPECT_TRUE(ini.set("files", "file1", "new") && ini.set("files", "file2", "same") &&
                        ini.set("options", "speed", "5\n"));
            EXPECT_EQ(ini.text(), bytes(after) + oddByte) << high;
        }
    }
}

}  // namespace
}  // namespace glowpond
