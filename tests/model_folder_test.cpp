// Folders as model entries: the scan through a lister, the share of the
// places each folder gets, and the random draw of its files at the start.
#include "loading/model_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "host/load_sequence.h"
#include "tests/test_support.h"

#ifdef _WIN32
#include "saver/win32_folder_lister.h"
#endif

namespace glowpond {
namespace {

namespace fs = std::filesystem;
using Kind = FolderItem::Kind;
#ifdef _WIN32
using SystemLister = Win32FolderLister;
#else
using SystemLister = PosixFolderLister;
#endif

const char kTriangle[] =
    "#VRML V1.0 ascii\nCoordinate3 { point [0 0 0, 1 0 0, 0 1 0] }\nIndexedFaceSet { coordIndex [0, 1, 2, -1] }\n";

struct FakeLister final : FolderLister {
    std::function<bool(const std::string&, std::vector<FolderItem>&)> answer;
    std::vector<std::string> asked;
    bool list(const std::string& folder, std::vector<FolderItem>& items) override {
        asked.push_back(folder);
        return answer(folder, items);
    }
};

TEST(FolderScan, takesModelFilesOfSubfoldersPassesOverLinksAndStopsAtDepthSixteenAndAtPathsTooLongToLoad) {
    FakeLister lister;
    lister.answer = [](const std::string& folder, std::vector<FolderItem>& items) {
        items = {{"a.wrl", Kind::File},   {"b.WRZ", Kind::File},  {"c.3Ds", Kind::File},   {"notes.txt", Kind::File},
                 {"wrl", Kind::File},     {"link.wrl", Kind::Other}, {"..", Kind::Folder}, {"again", Kind::Folder},
                 {std::string(180, 'n') + ".wrl", Kind::File}};
        return folder.rfind("r\\", 0) == 0;
    };
    const FolderScan scan = scanModelFolder(lister, "r\\");
    EXPECT_TRUE(scan.listed);
    // Depths 0 to 16 ("r\" and "again\" each); the long name fits up to depth 11 (2 + 6 * 11 + 184 = 252).
    EXPECT_EQ(lister.asked.size(), size_t(kMaxFolderDepth + 1));
    EXPECT_EQ(scan.files.size(), size_t(3 * (kMaxFolderDepth + 1) + 12));
    EXPECT_EQ(std::vector<std::string>(scan.files.begin(), scan.files.begin() + 3),
              (std::vector<std::string>{"r\\a.wrl", "r\\b.WRZ", "r\\c.3Ds"}));
    EXPECT_EQ(lister.asked.back().size(), 2 + 6 * size_t(kMaxFolderDepth));
    for (const std::string& file : scan.files) EXPECT_LE(file.size(), kMaxModelPathChars);
    EXPECT_FALSE(scanModelFolder(lister, "gone/").listed);
}

TEST(FolderScan, theSystemListerNamesFilesInUtf8AndFollowsNoLinkOutOfTheFolderOrIntoALoop) {
    testing::TempDir dir;
    const std::string in = dir.path("in"), accented = u8"mod\u00e8les";
    fs::create_directories(fs::u8path(in + "/" + accented));
    fs::create_directories(dir.path("outside"));
    std::ofstream(fs::u8path(in + "/" + accented + u8"/\u00e9t\u00e9.wrl"), std::ios::binary) << kTriangle;
    testing::writeFile(dir.path("outside/c.wrl"), kTriangle);
    std::error_code unsupported;  // where the system makes no links, there are none to pass over
    fs::create_directory_symlink(dir.path("outside"), in + "/away", unsupported);
    fs::create_directory_symlink(in, fs::u8path(in + "/" + accented + "/loop"), unsupported);
    fs::create_symlink(dir.path("outside/c.wrl"), in + "/c.wrl", unsupported);
    SystemLister lister;
    const char separator = fs::path::preferred_separator == '/' ? '/' : '\\';
    const FolderScan scan = scanModelFolder(lister, in + separator);
    EXPECT_EQ(scan.files, std::vector<std::string>{in + separator + accented + separator + u8"\u00e9t\u00e9.wrl"});
}

// A load sequence over folders of small models and broken files in a temporary folder.
struct FolderChoice : ::testing::Test, LoadProgress {
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string& caption) override { errors.push_back(text + caption); }
    void showSkipped(const std::string& text) override { skipped.push_back(text); }
    bool cancelled() override { return false; }
    void nextFile() override { ++tries; }
    void showFile(const std::string&) override {}

    std::string makeFolder(const std::string& name, int good, int broken) {
        fs::create_directories(dir.path(name + "/sub"));
        for (int i = 0; i < good + broken; ++i) {
            testing::writeFile(dir.path(name + (i % 2 ? "/sub/" : "/") + std::to_string(i) + ".wrl"),
                               i < good ? kTriangle : "#VRML V1.0 ascii\nbroken {");
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
    SystemLister lister;
    SaverSettings settings;
    ModelSlot slots[MAX_MODELS];
    ModelLoader loader{testing::fileOpener()};
    int tries = 0;
    std::vector<std::string> errors, skipped;
};

TEST_F(FolderChoice, drawsDistinctFilesOfTheFolderWithItsSettingsSharesTheFreePlacesAndDrawsOthersAtAnotherStart) {
    const std::string many = makeFolder("many", 40, 0), few = makeFolder("few", 3, 0);
    for (const std::string& path : {many, std::string(GLOWPOND_SAMPLE_MODELS) + "/rocket.3ds", few}) {
        settings.addModel(settings.modelCount, path);
    }
    const ModelPlan plan = planModels(settings, &lister, 7);
    EXPECT_EQ(std::tie(plan.entries[0].places, plan.entries[1].places, plan.entries[2].places), std::tuple(11, 1, 3));
    const LoadOutcome first = load(7);
    ASSERT_EQ(first.loaded, MAX_MODELS);
    EXPECT_EQ(std::set<std::string>(first.files.begin(), first.files.end()).size(), size_t(MAX_MODELS));
    for (int i = 0; i < MAX_MODELS; ++i) {
        const int entry = i < 11 ? 0 : i == 11 ? 1 : 2;
        EXPECT_EQ(slots[i].settingsIndex, entry);
        const std::string& file = first.files[size_t(i)];
        EXPECT_EQ(file.rfind(entry == 0 ? many : entry == 2 ? few : file, 0), 0u) << file;
    }
    EXPECT_EQ(load(7).files, first.files);
    EXPECT_NE(load(8).files, first.files);
    EXPECT_TRUE(errors.empty() && skipped.empty());
}

TEST_F(FolderChoice, brokenFilesArePassedOverQuietlyAndOnlyAFolderWithNothingToShowGetsOneMessage) {
    settings.addModel(0, makeFolder("mixed", 4, 6));
    EXPECT_EQ(load(3).loaded, 4);
    EXPECT_EQ(std::make_tuple(errors.size(), skipped.size(), tries), std::make_tuple(size_t(0), size_t(6), 10));
    EXPECT_NE(skipped[0].find("parse error"), std::string::npos) << skipped[0];

    settings = SaverSettings();
    for (const std::string& path : {makeFolder("broken", 0, 40), dir.path("unplugged") + "/", makeFolder("empty", 0, 0)}) {
        settings.addModel(settings.modelCount, path);
    }
    EXPECT_EQ(load(5).loaded, 0);
    EXPECT_EQ(tries, kFolderSpareTries);  // though 24 files were left
    EXPECT_EQ(errors, (std::vector<std::string>{settings.models[0].file + "Error: No model file in this folder could be read.",
                                                settings.models[1].file + "Error: Can't open this folder.",
                                                settings.models[2].file + "Error: No model files in this folder."}));
}

}  // namespace
}  // namespace glowpond
