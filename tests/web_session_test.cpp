// The browser page's session: which of the files chosen together load, what
// stays shown when none does, and what each setting asks of the page.
#include <gtest/gtest.h>

#include <string>
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

TEST_F(PageSessionTest, RefusedFilesGetTheirMessageAndTheOthersReplaceTheShownModels) {
    ASSERT_EQ(session.show({file("one.wrl", kTriangle)}, progress), 1);
    const std::string broken = file("broken.3ds", "not a 3DS file");
    const std::string good = file("two.wrl", kTriangle);
    EXPECT_EQ(session.show({broken, good}, progress), 1);
    ASSERT_EQ(progress.messages.size(), 1u);
    EXPECT_EQ(progress.messages[0].text, broken);
    EXPECT_EQ(progress.messages[0].caption, "Error: Not a valid 3DS file.");
    EXPECT_EQ(session.shownFiles(), (std::vector<std::string>{good}));
    EXPECT_EQ(session.modelCount(), 1);
}

TEST_F(PageSessionTest, WhenNothingLoadsTheShownModelsStay) {
    const std::string shown = file("one.wrl", kTriangle);
    ASSERT_EQ(session.show({shown}, progress), 1);
    const DisplayMesh* mesh = session.slots()[0].model.get();
    EXPECT_EQ(session.show({file("v2.wrl", "#VRML V2.0 utf8\n"), file("readme.txt", "hello")}, progress), 0);
    ASSERT_EQ(progress.messages.size(), 1u);
    EXPECT_EQ(progress.messages[0].caption, "Error: VRML 2.0 not supported in this version.");
    EXPECT_EQ(session.shownFiles(), (std::vector<std::string>{shown}));
    EXPECT_EQ(session.modelCount(), 1);
    EXPECT_EQ(session.slots()[0].model.get(), mesh);
}

TEST_F(PageSessionTest, GzipTheBrowserCouldNotUnpackIsRefusedAndUnpackedFilesLoad) {
    std::string damaged = gzipped(kTriangle);
    damaged.resize(damaged.size() / 2);
    const std::string unpacked = file("unpacked.wrz", kTriangle);
    EXPECT_EQ(session.show({file("damaged.wrz", damaged), unpacked}, progress), 1);
    ASSERT_EQ(progress.messages.size(), 1u);
    EXPECT_EQ(progress.messages[0].caption, "Error: Not a valid VRML 1.0 file.");
    EXPECT_EQ(session.shownFiles(), (std::vector<std::string>{unpacked}));
}

TEST_F(PageSessionTest, EachSettingAsksForWhatItChanges) {
    ASSERT_EQ(session.show({file("one.wrl", kTriangle)}, progress), 1);
    using Change = PageSession::Change;

    EXPECT_EQ(session.set("lavaRed", 90, progress), Change::Colour);
    EXPECT_NEAR(session.slots()[0].lavaColor[0], 90.0f / 255.0f, 1e-6f);
    EXPECT_EQ(session.get("lavaRed"), 90);
    EXPECT_EQ(session.set("lavaRed", 90, progress), Change::None);
    EXPECT_EQ(session.set("lavaBlue", 400, progress), Change::Colour);
    EXPECT_EQ(session.get("lavaBlue"), 255);

    EXPECT_EQ(session.set("speed", 99, progress), Change::Restart);
    EXPECT_EQ(session.get("speed"), kSettingMax);
    EXPECT_EQ(session.set("spinSpeed", -5, progress), Change::Restart);
    EXPECT_EQ(session.get("spinSpeed"), kSettingMin);
    EXPECT_EQ(session.set("lightHeight", 3, progress), Change::Light);
    EXPECT_EQ(session.set("showStatus", 0, progress), Change::None);
    EXPECT_EQ(session.set("nonsense", 4, progress), Change::None);
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
