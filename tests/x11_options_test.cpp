// The X11 program's command line and the settings it gathers from it.
#include "x11/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "config/settings.h"
#include "importers/reader_table.h"
#include "tests/test_support.h"
#include "x11/paths.h"
#include "x11/setup.h"

namespace glowpond {
namespace {

std::optional<CommandLine> parse(std::vector<const char*> args, std::string* error = nullptr) {
    args.insert(args.begin(), "glowpond");
    std::string ignored;
    return parseCommandLine(int(args.size()), args.data(), error ? *error : ignored);
}

TEST(X11CommandLine, takesEverySettingWithOneDashOrTwoAndRefusesWhatItDoesNotKnow) {
    const auto line = parse({"-speed", "3", "--SPINSPEED=10", "-lavaRed", "255", "a.wrl", "-root", "--fps", "--", "-b"});
    ASSERT_TRUE(line);
    EXPECT_EQ(std::make_tuple(line->target, line->fps, line->status, line->files),
              std::make_tuple(CommandLine::Target::Root, true, false, std::vector<std::string>{"a.wrl", "-b"}));
    SaverSettings settings;
    applySettings(*line, settings);
    EXPECT_EQ(std::make_tuple(settings.speed, settings.spinSpeed, settings.lavaRed),
              std::make_tuple(3, 10, 255 * kColorFromByte));

    EXPECT_EQ(parse({"-window-id", "0x2a00007"})->windowId, 0x2a00007u);
    EXPECT_EQ(parse({"--window-id", "44040199"})->windowId, 44040199u);
    const std::pair<std::vector<const char*>, const char*> refused[] = {
        {{"-speed", "11"}, "-speed takes a whole number from 1 to 10"}, {{"-lavaBlue", "x"}, "from 0 to 255"},
        {{"-window-id", "-5"}, "not a window id: -5"}, {{"-speed"}, "-speed needs a value"},
        {{"-showStatus", "1"}, "unknown option -showStatus"}, {{"-window-id", "0x1FFFFFFFF"}, "not a window id"}};
    for (const auto& [args, message] : refused) {
        std::string error;
        EXPECT_FALSE(parse(args, &error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

TEST(X11Settings, comeFromTheSettingsFileOrTheSampleModelsAndYieldToTheCommandLine) {
    testing::TempDir dir;
    for (const char* name : {"b.3ds", "a.wrl", "notes.txt"}) testing::writeFile(dir.path(name), "");
    const std::string ini = testing::writeFile(
        dir.path("my.ini"), "[files]\nfile1=models/x.wrl\nfile2=/abs/y.3ds\n[options]\nspeed=2\nshowStatus=1\n");
    testing::RecordingPlatform platform;
    SaverSettings settings;
    setenv("XDG_CONFIG_HOME", dir.path("none").c_str(), 1);
    ASSERT_TRUE(gatherSettings(*parse({}), dir.root(), platform, settings));
    EXPECT_EQ(std::make_tuple(settings.modelCount, settings.models[0].file, settings.speed),
              std::make_tuple(2, dir.path("a.wrl"), 7));

    ASSERT_TRUE(gatherSettings(*parse({"-ini", ini.c_str()}), "", platform, settings));
    EXPECT_EQ(std::tie(settings.models[0].file, settings.models[1].file),
              std::tuple(dir.path("models/x.wrl"), "/abs/y.3ds"));
    // The file's showStatus is the Windows load-status window's; here only -status shows texts.
    EXPECT_EQ(std::make_pair(settings.speed, settings.showStatus), std::make_pair(2, 0));

    ASSERT_TRUE(
        gatherSettings(*parse({"-ini", ini.c_str(), "-speed", "9", "-status", "c.wrl"}), "", platform, settings));
    EXPECT_EQ(std::make_tuple(settings.modelCount, settings.models[0].file, settings.speed, settings.showStatus),
              std::make_tuple(1, std::string("c.wrl"), 9, 1));

    EXPECT_FALSE(gatherSettings(*parse({"--ini", dir.path("missing.ini").c_str()}), "", platform, settings));
    EXPECT_EQ(platform.messages, "Cannot read the settings file.: " + dir.path("missing.ini") + "\n");
}

// A format added to the reader table is found in the sample folder without
// another edit; companions (material libraries, buffers, images) are not models.
TEST(X11Settings, theSampleScanFindsAFileOfEverySuffixOfTheReaderTableInAnyCaseAndNoCompanions) {
    testing::TempDir dir;
    std::vector<std::string> expected;
    for (const ReaderEntry& entry : readerTable()) {
        std::istringstream suffixes(std::string(entry.suffixes) + " " + entry.packedSuffixes);
        for (std::string suffix; suffixes >> suffix;) {
            expected.push_back(testing::writeFile(dir.path("a." + suffix), ""));
            for (char& c : suffix) c = char(std::toupper(static_cast<unsigned char>(c)));
            expected.push_back(testing::writeFile(dir.path("b." + suffix), ""));
        }
    }
    for (const char* name : {"m.mtl", "buffer.bin", "tex.png", "glowpond.ini", "objs", "gltf"}) {
        testing::writeFile(dir.path(name), "");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(modelFilesIn(dir.root()), expected);
    EXPECT_GE(expected.size(), 14u);
}

TEST(X11Settings, aFolderFromTheCommandLineTheDescriptionsFieldOrTheSettingsFileBecomesAFolderEntry) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.path("shapes"));
    const std::string ini = testing::writeFile(dir.path("f.ini"), "[files]\nfile1=shapes\nfile2=x.wrl\n");
    testing::RecordingPlatform platform;
    SaverSettings s;
    ASSERT_TRUE(gatherSettings(*parse({"-ini", ini.c_str()}), "", platform, s));
    EXPECT_EQ(std::tie(s.models[0].file, s.models[1].file), std::tuple(dir.path("shapes") + "/", dir.path("x.wrl")));
    ASSERT_TRUE(gatherSettings(*parse({dir.path("shapes").c_str(), "-folder", "/nowhere", "--folder="}), "", platform, s));
    EXPECT_EQ(std::tie(s.modelCount, s.models[0].file, s.models[1].file),
              std::tuple(2, dir.path("shapes") + "/", "/nowhere/"));
}

TEST(X11CommandLine, theXscreensaverDescriptionOffersEverySettingOfTheOptionsTableWithItsRangeAndDefault) {
    // {key: {low, high, default}} of every number the description offers, writing the option of its name.
    std::map<std::string, std::tuple<int32_t, int32_t, int32_t>> offered;
    const std::string xml = testing::readFile(GLOWPOND_X11_DESCRIPTION);
    // The value of `name="..."` in `element`.
    auto attribute = [](const std::string& element, const std::string& name) {
        const size_t at = element.find(" " + name + "=\"");
        if (at == std::string::npos) return std::string();
        const size_t start = at + name.size() + 3;
        return element.substr(start, element.find('"', start) - start);
    };
    for (size_t at = xml.find("<number "); at != std::string::npos; at = xml.find("<number ", at + 1)) {
        const std::string element = xml.substr(at, xml.find("/>", at) - at);
        const std::string id = attribute(element, "id");
        EXPECT_EQ(attribute(element, "arg"), "-" + id + " %");
        offered[id] = {std::stoi(attribute(element, "low")), std::stoi(attribute(element, "high")),
                       std::stoi(attribute(element, "default"))};
    }
    std::map<std::string, std::tuple<int32_t, int32_t, int32_t>> table;
    for (const OptionInfo& option : kOptions) {
        if (option.min == kSettingMin) table[option.key] = {option.min, option.max, option.defaultValue};
    }
    for (const ColorOption& option : kColorOptions) table[option.key] = {0, 255, option.defaultValue};
    EXPECT_EQ(offered, table);
    EXPECT_NE(xml.find("arg=\"-folder %\""), std::string::npos);
    // And the program takes each of them as the description writes it.
    for (const auto& [key, values] : offered) {
        const std::string option = "-" + key, low = std::to_string(std::get<0>(values)),
                          high = std::to_string(std::get<1>(values));
        EXPECT_TRUE(parse({option.c_str(), low.c_str()}) && parse({option.c_str(), high.c_str()})) << key;
    }
}

}  // namespace
}  // namespace glowpond
