#include <gtest/gtest.h>

#include <memory>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "saver/load_sequence.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;

std::string sampleModel(const char* name) { return std::string(GLOWPOND_SAMPLE_MODELS) + "/" + name; }

struct RecordedProgress : LoadProgress {
    void nextFile() override {
        ++steps;
        if (cancelAtStep == steps) *cancelFlag = 1;
    }
    void showFile(const std::string& path) override { files.push_back(path); }
    WindowHandle loaderStatusWindow() const override { return nullptr; }

    int steps = 0;
    int cancelAtStep = 0;
    int32_t* cancelFlag = nullptr;
    std::vector<std::string> files;
};

class LoadSequence : public ::testing::Test {
protected:
    LoadSequence() {
        recordingPlatform().appPath = AppPathLookup{};
        settings = std::make_unique<SaverSettings>();
    }
    void addFiles(std::initializer_list<std::string> paths) {
        for (const std::string& path : paths) settings->addModel(settings->modelCount, path);
    }

    std::unique_ptr<SaverSettings> settings;
    ModelSlot slots[MAX_MODELS];
    int32_t cancelled = 0;
};

TEST_F(LoadSequence, aFailedFileIsLeftOutAndTheNextOneKeepsItsOwnSettings) {
    const std::string missing = sampleModel("missing.wrl");
    addFiles({sampleModel("lava_lamp.wrl"), missing, sampleModel("rocket.3ds")});
    settings->backCull = {0, 0, 1};
    RecordedProgress progress;
    const LoadOutcome outcome = loadModelFiles(slots, *settings, &progress, &cancelled);

    EXPECT_EQ(outcome.loaded, 2);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(settings->modelCount, 2);
    ASSERT_TRUE(slots[0].model && slots[1].model && slots[1].blob);
    EXPECT_EQ(slots[0].settingsIndex, 0);
    EXPECT_EQ(slots[1].settingsIndex, 2);
    EXPECT_EQ(slots[1].model->cullBackFaces, 1);
    EXPECT_FALSE(slots[2].model || slots[2].blob);
    EXPECT_EQ(progress.steps, 3);
    EXPECT_EQ(progress.files, (std::vector<std::string>{sampleModel("lava_lamp.wrl"), missing, sampleModel("rocket.3ds")}));
    ASSERT_EQ(recordingPlatform().messages.size(), 1u);
    EXPECT_EQ(recordingPlatform().messages[0].text, missing);
}

TEST_F(LoadSequence, nothingLoadableLeavesNoModels) {
    addFiles({sampleModel("missing.3ds"), sampleModel("missing.wrl")});
    const LoadOutcome outcome = loadModelFiles(slots, *settings, nullptr, &cancelled);
    EXPECT_EQ(outcome.loaded, 0);
    EXPECT_EQ(settings->modelCount, 0);
    EXPECT_FALSE(slots[0].model);
    EXPECT_EQ(recordingPlatform().messages.size(), 2u);
}

TEST_F(LoadSequence, cancellingStopsBeforeTheNextFileAndKeepsWhatLoaded) {
    addFiles({sampleModel("lava_lamp.wrl"), sampleModel("crystal.wrl"), sampleModel("ring.3ds")});
    RecordedProgress progress;
    progress.cancelFlag = &cancelled;
    progress.cancelAtStep = 2;
    const LoadOutcome outcome = loadModelFiles(slots, *settings, &progress, &cancelled);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.loaded, 1);
    EXPECT_EQ(settings->modelCount, 1);
    EXPECT_EQ(progress.files.size(), 1u);
    EXPECT_FALSE(slots[1].model);
}

TEST_F(LoadSequence, previewCubesAreRepeatableAndUseTheirEntrysSettings) {
    settings->modelCount = 3;
    settings->backCull = {1, 0, 1};
    buildPreviewSlots(slots, *settings);
    ModelSlot again[MAX_MODELS];
    recordingPlatform().random = StandardRandom();
    buildPreviewSlots(again, *settings);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(slots[i].model && slots[i].blob);
        EXPECT_EQ(slots[i].settingsIndex, i);
        EXPECT_EQ(slots[i].model->cullBackFaces, settings->backCull[i]);
        EXPECT_EQ(slots[i].model->parts[0].vertices[0].position[0], again[i].model->parts[0].vertices[0].position[0]);
    }
    EXPECT_FALSE(slots[3].model);
    // Each cube draws its own colour, stretch and turn.
    EXPECT_NE(slots[0].model->parts[0].vertices[0].position[0], slots[1].model->parts[0].vertices[0].position[0]);
}

}  // namespace
}  // namespace glowpond
