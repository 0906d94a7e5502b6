// The browser page's session: which of the files chosen together load, what
// stays shown when none does, and what each setting asks of the page.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"
#include "web/page_session.h"

namespace glowpond {
namespace {

using testing::fileOpener;
using testing::gzipped;
using testing::TempDir;
using testing::writeFile;

const char kTriangle[] = "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [0 0 0, 1 0 0, 0 1 0, 0 0 1] }\n"
                         "IndexedFaceSet { coordIndex [0, 1, 2, -1, 0, 2, 3, -1, 0, 3, 1, -1] } }\n";

struct Message {
    std::string text, caption;
};

class RecordedProgress final : public LoadProgress {
public:
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string& caption) override { messages.push_back({text, caption}); }
    bool cancelled() override { return false; }
    void nextFile() override {}
    void showFile(const std::string&) override {}

    std::vector<Message> messages;
};

class PageSessionTest : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& contents) {
        return writeFile(folder.path(name), contents);
    }

    TempDir folder;
    PageSession session{fileOpener()};
    RecordedProgress progress;
};

TEST(PageModelFiles, LoadsTheModelsAmongTheChosenFilesAndTriesEveryFileWhenNoneClaimsAFormat) {
    EXPECT_EQ(PageSession::modelFiles({"red.mtl", "box.wrl", "lamp.wrz", "x.3DS"}),
              (std::vector<std::string>{"box.wrl", "lamp.wrz", "x.3DS"}));
    EXPECT_EQ(PageSession::modelFiles({"notes.txt", "noext"}), (std::vector<std::string>{"notes.txt", "noext"}));
}

TEST_F(PageSessionTest, FilesChosenWithAModelAreLeftToItAndNotReportedAsRefused) {
    const std::string model = file("one.wrl", kTriangle);
    ASSERT_EQ(session.show({file("Texture.png", "png"), model, file("one.bin", "bin")}, progress), 1);
    EXPECT_TRUE(progress.messages.empty());
    EXPECT_EQ(session.shownFiles(), (std::vector<std::string>{model}));
}

TEST_F(PageSessionTest, RefusedFilesGetTheirMessageAndOnlyFilesThatLoadReplaceTheShownModels) {
    std::string damaged = gzipped(kTriangle);  // gzip the browser could not unpack
    damaged.resize(damaged.size() / 2);
    const std::string first = file("one.wrl", kTriangle), good = file("two.wrl", kTriangle);
    const std::string unpacked = file("unpacked.wrz", kTriangle);
    // The files chosen, the caption of the one message, and the files shown then.
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{file("broken.3ds", "not a 3DS file"), good}, "Error: Not a valid 3DS file.", good},
        {{file("v2.wrl", "#VRML V2.0 utf8\n"), file("readme.txt", "hello")},
         "Error: VRML 2.0 not supported in this version.", first},
        {{file("damaged.wrz", damaged), unpacked}, "Error: Not a valid VRML 1.0 file.", unpacked}};
    for (const auto& [chosen, caption, shown] : cases) {
        ASSERT_EQ(session.show({first}, progress), 1);
        const DisplayMesh* mesh = session.slots()[0].model.get();
        progress.messages.clear();
        EXPECT_EQ(session.show(chosen, progress), shown == first ? 0 : 1) << caption;
        ASSERT_EQ(progress.messages.size(), 1u) << caption;
        EXPECT_EQ(std::tie(progress.messages[0].text, progress.messages[0].caption), std::tie(chosen[0], caption));
        EXPECT_EQ(std::make_pair(session.shownFiles(), session.modelCount()),
                  std::make_pair(std::vector<std::string>{shown}, 1));
        EXPECT_TRUE(shown != first || session.slots()[0].model.get() == mesh);  // nothing loaded: kept as it was
    }
}

TEST_F(PageSessionTest, EachSettingAsksForWhatItChanges) {
    ASSERT_EQ(session.show({file("one.wrl", kTriangle)}, progress), 1);
    using Change = PageSession::Change;
    // Key, value set, what it asks for, the value kept (the page leaves the load status alone).
    const std::tuple<const char*, int32_t, Change, int32_t> cases[] = {
        {"lavaRed", 90, Change::Colour, 90}, {"lavaRed", 90, Change::None, 90}, {"lavaBlue", 400, Change::Colour, 255},
        {"speed", 99, Change::Restart, kSettingMax}, {"spinSpeed", -5, Change::Restart, kSettingMin},
        {"lightHeight", 3, Change::Light, 3}, {"showStatus", 0, Change::None, 1}, {"nonsense", 4, Change::None, 0}};
    for (const auto& [key, value, change, kept] : cases) {
        EXPECT_EQ(session.set(key, value, progress), change) << key;
        EXPECT_EQ(session.get(key), kept) << key;
    }
    EXPECT_NEAR(session.slots()[0].lavaColor[0], 90.0f / 255.0f, 1e-6f);
}

TEST_F(PageSessionTest, ANewSizeReloadsTheModelsInsteadOfScalingThemTwice) {
    const std::string model = file("one.wrl", kTriangle);
    ASSERT_EQ(session.show({model}, progress), 1);
    ASSERT_EQ(session.set("totalSize", 4, progress), PageSession::Change::Reload);
    const Bounds reloaded = session.slots()[0].model->bounds;

    PageSession fresh(fileOpener());
    fresh.set("totalSize", 4, progress);
    ASSERT_EQ(fresh.show({model}, progress), 1);
    const Bounds expected = fresh.slots()[0].model->bounds;
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_FLOAT_EQ(reloaded[i], expected[i]);
    EXPECT_TRUE(progress.messages.empty());
}

}  // namespace
}  // namespace glowpond
