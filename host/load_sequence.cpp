#include "host/load_sequence.h"

#include <memory>
#include <utility>

#include "config/settings.h"
#include "engine/model_slot.h"

namespace glowpond {

namespace {

const char kFolderMissing[] = "Error: Can't open this folder.";
const char kFolderEmpty[] = "Error: No model files in this folder.";
const char kFolderUnreadable[] = "Error: No model file in this folder could be read.";

// A load of a file drawn from a folder: what would be a message box is told
// as the reason the file was passed over.
class DrawnFileObserver final : public LoadObserver {
public:
    DrawnFileObserver(LoadProgress& progress, const std::string& path) : progress_(progress), path_(path) {}
    bool showsStatus() const override { return progress_.showsStatus(); }
    void showStatus(const std::string& text) override { progress_.showStatus(text); }
    void showError(const std::string& text, const std::string& caption) override {
        std::string reason = text == path_ ? caption : text;
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
        progress_.showSkipped("Skipped " + path_ + ": " + reason);
    }
    bool cancelled() override { return progress_.cancelled(); }

private:
    LoadProgress& progress_;
    const std::string& path_;
};

// A draw from the whole range of a folder's files (the generator gives 15 bits).
size_t drawIndex(StandardRandom& random, size_t count) {
    const uint32_t high = static_cast<uint32_t>(random.next());
    const uint32_t value = (high << 15) | static_cast<uint32_t>(random.next());
    return static_cast<size_t>(value) % count;
}

std::string takeAtRandom(std::vector<std::string>& pool, StandardRandom& random) {
    const size_t at = drawIndex(random, pool.size());
    std::swap(pool[at], pool.back());
    std::string path = std::move(pool.back());
    pool.pop_back();
    return path;
}

}  // namespace

int32_t ModelPlan::places() const {
    int32_t total = 0;
    for (const Entry& entry : entries) total += entry.places;
    return total < MAX_MODELS ? total : MAX_MODELS;
}

ModelPlan planModels(const SaverSettings& settings, FolderLister* lister, uint32_t seed) {
    ModelPlan plan;
    plan.random.seed(seed);
    const int32_t count = settings.modelCount < MAX_MODELS ? settings.modelCount : MAX_MODELS;
    int32_t free = MAX_MODELS;
    for (int32_t i = 0; i < count; ++i) {
        ModelPlan::Entry entry;
        entry.index = i;
        const std::string& path = settings.models[static_cast<size_t>(i)].file;
        if (isFolderEntry(path)) {
            entry.folder = true;
            entry.places = 0;
            if (lister) {
                FolderScan scan = scanModelFolder(*lister, path);
                entry.listed = scan.listed;
                entry.pool = std::move(scan.files);
            }
        } else {
            --free;
        }
        plan.entries.push_back(std::move(entry));
    }
    // One place at a time to each folder in turn, so that two folders share
    // the free places evenly unless one runs out of files.
    for (bool gave = true; gave && free > 0;) {
        gave = false;
        for (ModelPlan::Entry& entry : plan.entries) {
            if (free == 0) break;
            if (!entry.folder || size_t(entry.places) >= entry.pool.size()) continue;
            ++entry.places;
            --free;
            gave = true;
        }
    }
    return plan;
}

LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress) {
    return loadModelFiles(slots, settings, loader, progress, planModels(settings, nullptr, 1));
}

LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress,
                           ModelPlan plan) {
    LoadOutcome outcome;
    // One file into the next free slot; false when the load was cancelled.
    auto loadOne = [&](const std::string& path, int32_t index, LoadObserver& observer, bool& loaded) {
        loaded = false;
        progress.nextFile();
        if (progress.cancelled()) return false;
        ModelSlot& slot = slots[outcome.loaded];
        slot.model = std::make_unique<DisplayMesh>();
        progress.showFile(path);
        const bool ok = loader.load(path, *slot.model, observer);
        if (progress.cancelled()) {
            slot.model.reset();
            return false;
        }
        if (ok && slot.model->faceCount != 0 && slot.model->vertexCount != 0) {
            slot.setUp(index, settings);
            ++outcome.loaded;
            outcome.files.push_back(path);
            loaded = true;
        } else {
            slot.model.reset();
        }
        return true;
    };
    for (ModelPlan::Entry& entry : plan.entries) {
        if (outcome.loaded == MAX_MODELS) break;
        const std::string& entryPath = settings.models[static_cast<size_t>(entry.index)].file;
        bool loaded = false;
        if (!entry.folder) {
            if (!loadOne(entryPath, entry.index, progress, loaded)) {
                outcome.cancelled = true;
                break;
            }
            continue;
        }
        if (!entry.listed) {
            progress.showError(entryPath, kFolderMissing);
            continue;
        }
        if (entry.pool.empty()) {
            progress.showError(entryPath, kFolderEmpty);
            continue;
        }
        int32_t shown = 0;
        int32_t failures = 0;
        while (shown < entry.places && outcome.loaded < MAX_MODELS && !entry.pool.empty() &&
               failures < kFolderSpareTries) {
            const std::string path = takeAtRandom(entry.pool, plan.random);
            DrawnFileObserver observer(progress, path);
            if (!loadOne(path, entry.index, observer, loaded)) {
                outcome.cancelled = true;
                break;
            }
            loaded ? ++shown : ++failures;
        }
        if (outcome.cancelled) break;
        if (shown == 0 && entry.places > 0) progress.showError(entryPath, kFolderUnreadable);
    }
    settings.modelCount = outcome.loaded;
    return outcome;
}

void buildPreviewSlots(ModelSlot* slots, const SaverSettings& settings, StandardRandom& random) {
    // 0.0027466659 is 90 / 32767: a turn of up to a quarter about each axis.
    auto quarterTurn = [&] { return static_cast<float>(random.next()) * 0.0027466659f; };
    const int32_t count = settings.modelCount < MAX_MODELS ? settings.modelCount : MAX_MODELS;
    for (int32_t i = 0; i < count; ++i) {
        ModelSlot& slot = slots[i];
        slot.model = std::make_unique<DisplayMesh>();
        // Named steps: the order of the draws fixes which value goes where.
        const float red = random.unit();
        const float green = random.unit();
        const float blue = random.unit();
        slot.model->makeCube(red, green, blue);
        const float sx = random.unit() + 1.0f;
        const float sy = random.unit() + 1.0f;
        const float sz = random.unit() + 1.0f;
        slot.model->scaleXYZ(sx, sy, sz);
        const float ax = quarterTurn();
        const float ay = quarterTurn();
        const float az = quarterTurn();
        slot.model->rotateXYZ({ax, ay, az});
        slot.setUp(i, settings);
    }
}

}  // namespace glowpond
