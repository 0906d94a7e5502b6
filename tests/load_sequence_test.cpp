#include "saver/load_sequence.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "engine/model_slot.h"

namespace glowpond {
namespace {

std::string sample(const char* name) { return std::string(GLOWPOND_SAMPLE_MODELS) + "/" + name; }

// A load sequence with its record, slots and progress, which is cancelled
// whenever `cancelWhen` says so.
struct Sequence : LoadProgress {
    explicit Sequence(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) settings.addModel(settings.modelCount, path);
    }
    LoadOutcome load() { return loadModelFiles(slots, settings, loader, *this); }
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string&) override { errors.push_back(text); }
    bool cancelled() override { return cancelWhen(*this); }
    void nextFile() override { ++steps; }
    void showFile(const std::string& path) override { files.push_back(path); }

    SaverSettings settings;
    ModelSlot slots[MAX_MODELS];
    ModelLoader loader;
    bool (*cancelWhen)(const Sequence&) = [](const Sequence&) { return false; };
    int steps = 0;
    std::vector<std::string> errors, files;
};

TEST(LoadSequence, aFailedFileIsLeftOutTheNextOneKeepsItsOwnSettingsAndPreviewCubesTakeTheirEntries) {
    const std::vector<std::string> files{sample("lava_lamp.wrl"), sample("missing.wrl"), sample("rocket.3ds")};
    Sequence s(files);
    const LoadOutcome outcome = s.load();
    EXPECT_EQ(std::tie(outcome.loaded, outcome.cancelled, s.settings.modelCount), std::tuple(2, false, 2));
    ASSERT_TRUE(s.slots[0].model && s.slots[1].model && s.slots[1].blob);
    EXPECT_EQ(std::tie(s.slots[0].settingsIndex, s.slots[1].settingsIndex, s.steps, s.files, s.errors),
              std::tuple(0, 2, 3, files, std::vector{files[1]}));
    // Preview cubes in their place: one for each entry, with its settings and its own colour, stretch and turn.
    StandardRandom random;
    buildPreviewSlots(s.slots, s.settings, random);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(s.slots[i].model && s.slots[i].blob && s.slots[i].settingsIndex == i) << i;
    EXPECT_FALSE(s.slots[2].model);
    EXPECT_NE(s.slots[0].model->parts[0].color, s.slots[1].model->parts[0].color);
    EXPECT_NE(s.slots[0].model->parts[0].bounds, s.slots[1].model->parts[0].bounds);
}

TEST(LoadSequence, aCancelBeforeOrAfterAFileKeepsOnlyTheFilesBeforeIt) {
    bool (*const cancels[])(const Sequence&) = {
        [](const Sequence& s) { return s.slots[0].model && s.slots[0].model->faceCount > 0; },  // the first file is in
        [](const Sequence& s) { return s.steps == 2; }};  // the second begins
    for (int kept : {0, 1}) {
        Sequence s({sample("lava_lamp.wrl"), sample("crystal.wrl")});
        s.cancelWhen = cancels[kept];
        const LoadOutcome outcome = s.load();
        EXPECT_EQ(std::tie(outcome.loaded, outcome.cancelled, s.settings.modelCount), std::tuple(kept, true, kept));
        EXPECT_FALSE(s.files.size() != 1 || s.slots[kept].model);
    }
}

}  // namespace
}  // namespace glowpond
