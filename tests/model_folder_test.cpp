// Folders as model entries: the scan of a folder through a lister, the share
// of the fifteen places each folder gets, and the random draw of its files
// at the start, with broken files passed over.
#include "loading/model_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "host/load_sequence.h"
#include "importers/reader_table.h"
#include "tests/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <fstream>

#include "saver/win32_folder_lister.h"
#endif

namespace glowpond {
namespace {

using Kind = FolderItem::Kind;

const char kTriangle[] =
    "#VRML V1.0 ascii\nCoordinate3 { point [0 0 0, 1 0 0, 0 1 0] }\nIndexedFaceSet { coordIndex [0, 1, 2, -1] }\n";

// A lister that answers from a function of the folder's path.
struct FakeLister final : FolderLister {
    std::function<bool(const std::string&, std::vector<FolderItem>&)> answer;
    std::vector<std::string> asked;
    bool list(const std::string& folder, std::vector<FolderItem>& items) override {
        asked.push_back(folder);
        return answer(folder, items);
    }
};

// The real folders below a test's temporary one, as the system would list them.
struct DiskLister final : FolderLister {
    bool list(const std::string& folder, std::vector<FolderItem>& items) override {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const auto status = entry.symlink_status();
            const Kind kind = std::filesystem::is_regular_file(status) ? Kind::File
                              : std::filesystem::is_directory(status)  ? Kind::Folder
                                                                       : Kind::Other;
            items.push_back({entry.path().filename().string(), kind});
        }
        return !error;
    }
};

// Every suffix the reader table knows, as written and upper-cased.
std::vector<std::string> tableSuffixes() {
    std::vector<std::string> out;
    for (const ReaderEntry& entry : readerTable()) {
        for (const char* list : {entry.suffixes, entry.packedSuffixes}) {
            std::string all = list;
            for (size_t at = 0; at < all.size();) {
                const size_t end = std::min(all.find(' ', at), all.size());
                std::string suffix = all.substr(at, end - at);
                out.push_back(suffix);
                std::transform(suffix.begin(), suffix.end(), suffix.begin(), ::toupper);
                out.push_back(suffix);
                at = end + 1;
            }
        }
    }
    return out;
}

TEST(FolderScan, takesEveryModelSuffixInAnyCaseFromSubfoldersAndPassesOverOtherFilesAndLinks) {
    const std::vector<std::string> suffixes = tableSuffixes();
    ASSERT_GE(suffixes.size(), 6u);
    std::vector<std::string> expected{"m/sub/deep." + suffixes[0]};
    FakeLister lister;
    lister.answer = [&](const std::string& folder, std::vector<FolderItem>& items) {
        if (folder == "m/") {
            for (size_t i = 0; i < suffixes.size(); ++i) {
                const std::string name = "f" + std::to_string(i) + "." + suffixes[i];
                items.push_back({name, Kind::File});
                expected.push_back(folder + name);
            }
            items.insert(items.end(), {{"notes.txt", Kind::File}, {"model.mtl", Kind::File}, {suffixes[0], Kind::File},
                                       {"link." + suffixes[0], Kind::Other}, {"out", Kind::Other},
                                       {"sub", Kind::Folder}, {"..", Kind::Folder}});
            return true;
        }
        if (folder == "m/sub/") items = {{"deep." + suffixes[0], Kind::File}};
        return folder == "m/sub/";
    };
    FolderScan scan = scanModelFolder(lister, "m");
    std::sort(scan.files.begin(), scan.files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(scan.listed);
    EXPECT_EQ(scan.files, expected);
    EXPECT_EQ(lister.asked, (std::vector<std::string>{"m/", "m/sub/"}));
    // A Windows folder keeps its separator for the paths below it.
    lister.answer = [](const std::string& folder, std::vector<FolderItem>& items) {
        if (folder == "C:\\M\\") items = {{"x", Kind::Folder}};
        if (folder == "C:\\M\\x\\") items = {{"y.3ds", Kind::File}};
        return true;
    };
    EXPECT_EQ(scanModelFolder(lister, "C:\\M\\").files, std::vector<std::string>{"C:\\M\\x\\y.3ds"});
    lister.answer = [](const std::string&, std::vector<FolderItem>&) { return false; };
    EXPECT_FALSE(scanModelFolder(lister, "gone/").listed);
}

TEST(FolderScan, anEndlessTreeStopsAtDepthSixteenAndPathsTooLongToLoadAreLeftOut) {
    FakeLister lister;
    lister.answer = [](const std::string&, std::vector<FolderItem>& items) {
        items = {{"again", Kind::Folder}, {"m.wrl", Kind::File}, {std::string(180, 'n') + ".wrl", Kind::File}};
        return true;
    };
    const FolderScan scan = scanModelFolder(lister, "r/");
    EXPECT_EQ(lister.asked.size(), size_t(kMaxFolderDepth + 1));
    EXPECT_EQ(lister.asked.back().size(), 2 + 6 * size_t(kMaxFolderDepth));
    size_t longest = 0;
    for (const std::string& file : scan.files) longest = std::max(longest, file.size());
    EXPECT_LE(longest, kMaxModelPathChars);
    // The long name fits below the folders of depth 0 to 11 ("r/" and "again/" each: 2 + 6 * 11 + 184 = 252).
    EXPECT_EQ(scan.files.size(), size_t(kMaxFolderDepth + 1 + 12));
}

#ifndef _WIN32
TEST(FolderScan, theSystemListerFollowsNoLinkOutOfTheFolderOrIntoALoop) {
    testing::TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path("in/sub"));
    fs::create_directories(dir.path("outside"));
    testing::writeFile(dir.path("in/a.wrl"), kTriangle);
    testing::writeFile(dir.path("in/sub/b.3ds"), "MM");
    testing::writeFile(dir.path("outside/c.wrl"), kTriangle);
    fs::create_directory_symlink(dir.path("outside"), dir.path("in/away"));
    fs::create_directory_symlink(dir.path("in"), dir.path("in/sub/loop"));
    fs::create_symlink(dir.path("outside/c.wrl"), dir.path("in/c.wrl"));
    PosixFolderLister lister;
    FolderScan scan = scanModelFolder(lister, dir.path("in") + "/");
    std::sort(scan.files.begin(), scan.files.end());
    EXPECT_EQ(scan.files, (std::vector<std::string>{dir.path("in") + "/a.wrl", dir.path("in") + "/sub/b.3ds"}));
}
#else
TEST(FolderScan, theWindowsListerNamesFilesInUtf8AndEntersNoLinkedFolder) {
    testing::TempDir dir;
    namespace fs = std::filesystem;
    const std::string accented = u8"mod\u00e8les";
    fs::create_directories(fs::u8path(dir.path("in") + "/" + accented));
    fs::create_directories(dir.path("outside"));
    std::ofstream(fs::u8path(dir.path("in") + "/" + accented + u8"/\u00e9t\u00e9.wrl")) << kTriangle;
    std::ofstream(dir.path("outside/c.wrl")) << kTriangle;
    // Where the system makes links, one to a folder outside is passed over.
    const bool linked = CreateSymbolicLinkW(fs::path(dir.path("in/away")).c_str(), fs::path(dir.path("outside")).c_str(),
                                            SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
    Win32FolderLister lister;
    const FolderScan scan = scanModelFolder(lister, dir.path("in") + "\\");
    EXPECT_EQ(scan.files, std::vector<std::string>{dir.path("in") + "\\" + accented + u8"\\\u00e9t\u00e9.wrl"})
        << "links made: " << linked;
}
#endif

// A load sequence over a temporary folder of small models and broken files.
struct FolderSequence : LoadProgress {
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string& caption) override {
        errors.push_back(text + " | " + caption);
    }
    void showSkipped(const std::string& text) override { skipped.push_back(text); }
    bool cancelled() override { return false; }
    void nextFile() override { ++tries; }
    void showFile(const std::string&) override {}

    // `good` models and `broken` files in the folder `name`, half of each in a subfolder.
    std::string makeFolder(const std::string& name, int good, int broken) {
        std::filesystem::create_directories(dir.path(name + "/sub"));
        for (int i = 0; i < good; ++i) {
            testing::writeFile(dir.path(name + (i % 2 ? "/sub/" : "/") + "good" + std::to_string(i) + ".wrl"),
                               kTriangle);
        }
        for (int i = 0; i < broken; ++i) {
            testing::writeFile(dir.path(name + (i % 2 ? "/sub/" : "/") + "bad" + std::to_string(i) + ".3ds"), "no");
        }
        return dir.path(name) + "/";
    }
    LoadOutcome load(uint32_t seed) {
        tries = 0;
        skipped.clear();
        errors.clear();
        SaverSettings copy = settings;
        return loadModelFiles(slots, copy, loader, *this, planModels(copy, &lister, seed));
    }

    testing::TempDir dir;
    DiskLister lister;
    SaverSettings settings;
    ModelSlot slots[MAX_MODELS];
    ModelLoader loader{testing::fileOpener()};
    int tries = 0;
    std::vector<std::string> errors, skipped;
};

TEST(FolderChoice, drawsDistinctFilesFromInsideTheFolderWithItsSettingsAndOtherFilesAtAnotherStart) {
    FolderSequence s;
    const std::string folder = s.makeFolder("many", 40, 0);
    s.settings.addModel(0, std::string(GLOWPOND_SAMPLE_MODELS) + "/rocket.3ds");
    s.settings.addModel(1, folder);
    s.settings.models[1].size = 9;
    const LoadOutcome first = s.load(7);
    ASSERT_EQ(first.loaded, MAX_MODELS);
    const std::set<std::string> distinct(first.files.begin(), first.files.end());
    EXPECT_EQ(distinct.size(), size_t(MAX_MODELS));
    for (int i = 1; i < MAX_MODELS; ++i) {
        EXPECT_EQ(first.files[size_t(i)].rfind(folder, 0), 0u) << first.files[size_t(i)];
        EXPECT_EQ(s.slots[i].settingsIndex, 1);
    }
    EXPECT_EQ(s.slots[0].settingsIndex, 0);
    EXPECT_EQ(s.load(7).files, first.files);  // seeded: the same draw
    EXPECT_NE(s.load(8).files, first.files);
    EXPECT_TRUE(s.errors.empty() && s.skipped.empty());
    // A folder with fewer files than places shows each of them once.
    FolderSequence few;
    few.settings.addModel(0, few.makeFolder("few", 3, 0));
    const LoadOutcome three = few.load(1);
    EXPECT_EQ(std::set<std::string>(three.files.begin(), three.files.end()).size(), 3u);
    EXPECT_EQ(three.loaded, 3);
}

TEST(FolderChoice, theFreePlacesAreSharedInTurnBetweenFoldersAfterTheFileEntries) {
    SaverSettings settings;
    for (const char* path : {"a.wrl", "big/", "b.3ds", "small/", "c.wrl"}) settings.addModel(settings.modelCount, path);
    FakeLister lister;
    lister.answer = [](const std::string& folder, std::vector<FolderItem>& items) {
        const int count = folder == "big/" ? 100 : 3;
        for (int i = 0; i < count; ++i) items.push_back({std::to_string(i) + ".wrl", Kind::File});
        return true;
    };
    const ModelPlan plan = planModels(settings, &lister, 1);
    ASSERT_EQ(plan.entries.size(), 5u);
    EXPECT_EQ(std::tie(plan.entries[1].places, plan.entries[3].places, plan.entries[0].places), std::tuple(9, 3, 1));
    EXPECT_EQ(plan.places(), MAX_MODELS);
    // Fifteen file entries leave a folder none, and without a lister it is missing.
    SaverSettings full;
    for (int i = 0; i < MAX_MODELS - 1; ++i) full.addModel(i, std::to_string(i) + ".wrl");
    full.addModel(MAX_MODELS - 1, "big/");
    EXPECT_EQ(planModels(full, &lister, 1).entries.back().places, 1);
    EXPECT_FALSE(planModels(settings, nullptr, 1).entries[1].listed);
}

TEST(FolderChoice, brokenFilesArePassedOverQuietlyAndOnlyAFolderWithNothingToShowGetsOneMessage) {
    FolderSequence s;
    const std::string mixed = s.makeFolder("mixed", 4, 6);
    s.settings.addModel(0, mixed);
    const LoadOutcome outcome = s.load(3);
    EXPECT_EQ(outcome.loaded, 4);  // every good file, the broken ones replaced
    EXPECT_TRUE(s.errors.empty());
    EXPECT_EQ(s.skipped.size(), 6u);
    for (const std::string& text : s.skipped) EXPECT_NE(text.find("bad"), std::string::npos) << text;

    FolderSequence broken;
    broken.settings.addModel(0, broken.makeFolder("broken", 0, 40));
    broken.settings.addModel(1, broken.dir.path("unplugged") + "/");
    broken.settings.addModel(2, broken.makeFolder("empty", 0, 0));
    EXPECT_EQ(broken.load(5).loaded, 0);
    EXPECT_EQ(broken.tries, kFolderSpareTries);  // bounded, though 24 files were left
    EXPECT_EQ(broken.errors, (std::vector<std::string>{
                                 broken.dir.path("broken") + "/ | Error: No model file in this folder could be read.",
                                 broken.dir.path("unplugged") + "/ | Error: Can't open this folder.",
                                 broken.dir.path("empty") + "/ | Error: No model files in this folder."}));
}

}  // namespace
}  // namespace glowpond
