#include "saver/load_sequence.h"

#include <memory>

#include "config/settings.h"
#include "engine/model_slot.h"

namespace glowpond {
namespace {

void prepareSlot(ModelSlot& slot, int32_t settingsIndex, const SaverSettings& settings) {
    slot.pulse.init(settings.pulseSpeed);
    slot.buildBlob();
    slot.prepare(settingsIndex, settings);
}

}  // namespace

LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, LoadProgress* progress,
                           int32_t* cancelFlag) {
    LoadOutcome outcome;
    const int32_t files = settings.modelCount < MAX_MODELS ? settings.modelCount : MAX_MODELS;
    for (int32_t i = 0; i < files; ++i) {
        if (progress) progress->nextFile();
        if (*cancelFlag) {
            outcome.cancelled = true;
            break;
        }
        ModelSlot& slot = slots[outcome.loaded];
        slot.model = std::make_unique<DisplayMesh>();
        slot.blob = std::make_unique<DisplayMesh>();
        const std::string& path = settings.modelFile[i];
        if (progress) progress->showFile(path);
        const bool ok = slot.model->loadModel(path, progress ? progress->loaderStatusWindow() : nullptr, cancelFlag);
        if (*cancelFlag) {
            slot.model.reset();
            slot.blob.reset();
            outcome.cancelled = true;
            break;
        }
        if (ok && slot.model->faceCount != 0 && slot.model->vertexCount != 0) {
            prepareSlot(slot, i, settings);
            ++outcome.loaded;
        } else {
            slot.model.reset();
            slot.blob.reset();
        }
    }
    settings.modelCount = outcome.loaded;
    return outcome;
}

void buildPreviewSlots(ModelSlot* slots, const SaverSettings& settings) {
    auto unit = [] { return static_cast<float>(platform().randomValue()) * 3.0518509e-5f; };
    auto quarterTurn = [] { return static_cast<float>(platform().randomValue()) * 0.0027466659f; };
    const int32_t count = settings.modelCount < MAX_MODELS ? settings.modelCount : MAX_MODELS;
    for (int32_t i = 0; i < count; ++i) {
        ModelSlot& slot = slots[i];
        slot.model = std::make_unique<DisplayMesh>();
        slot.blob = std::make_unique<DisplayMesh>();
        // Named steps: the order of the draws fixes which value goes where.
        const float red = unit();
        const float green = unit();
        const float blue = unit();
        slot.model->makeCube(red, green, blue);
        const float sx = unit() + 1.0f;
        const float sy = unit() + 1.0f;
        const float sz = unit() + 1.0f;
        slot.model->scaleXYZ(sx, sy, sz);
        const float ax = quarterTurn();
        const float ay = quarterTurn();
        const float az = quarterTurn();
        slot.model->rotateXYZ({ax, ay, az});
        prepareSlot(slot, i, settings);
    }
}

}  // namespace glowpond
