#include "host/load_sequence.h"

#include <memory>

#include "config/settings.h"
#include "engine/model_slot.h"

namespace glowpond {

LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress) {
    LoadOutcome outcome;
    const int32_t files = settings.modelCount < MAX_MODELS ? settings.modelCount : MAX_MODELS;
    for (int32_t i = 0; i < files; ++i) {
        progress.nextFile();
        if (progress.cancelled()) {
            outcome.cancelled = true;
            break;
        }
        ModelSlot& slot = slots[outcome.loaded];
        slot.model = std::make_unique<DisplayMesh>();
        const std::string& path = settings.models[static_cast<size_t>(i)].file;
        progress.showFile(path);
        const bool ok = loader.load(path, *slot.model, progress);
        if (progress.cancelled()) {
            slot.model.reset();
            outcome.cancelled = true;
            break;
        }
        if (ok && slot.model->faceCount != 0 && slot.model->vertexCount != 0) {
            slot.setUp(i, settings);
            ++outcome.loaded;
        } else {
            slot.model.reset();
        }
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
