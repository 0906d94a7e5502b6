#include "config/dialog_rules.h"

#include <cmath>

namespace glowpond {

ListButtonStates listButtonStates(int32_t modelCount) {
    return {modelCount >= MAX_MODELS ? kButtonUnavailable : kButtonAvailable,
            modelCount <= 0 ? kButtonUnavailable : kButtonAvailable};
}

void takeControls(SaverSettings& record, const SettingsControls& controls) {
    record.lightHeight = controls.lightHeight;
    record.pulseSpeed = controls.pulseSpeed;
    record.spinSpeed = controls.spinSpeed;
    record.totalSize = controls.totalSize;
    record.speed = controls.speed;
    record.objectDuration = controls.objectDuration;
    record.modelCount = controls.modelCount;
    record.showStatus = controls.showStatus ? 1 : 0;
    record.allowAcceleration = controls.allowAcceleration ? 1 : 0;
}

void beginEditing(SaverSettings& saved, SaverSettings& working) {
    saved.readSettings();
    working = saved;
}

bool acceptSettings(SaverSettings& saved, SaverSettings& working, const SettingsControls& controls) {
    SaverSettings candidate = working;
    takeControls(candidate, controls);
    if (!candidate.writeSettings()) return false;
    saved = candidate;
    discardSettings(working);
    return true;
}

void discardSettings(SaverSettings& working) {
    working.installDir.reset();
    working.helpFile.reset();
}

ModelChecks checksForModel(const SaverSettings& settings, int32_t model) {
    const auto k = static_cast<size_t>(model);
    return {settings.twoSided[k] == 0, settings.backCull[k] != 0, settings.reverseNormals[k] != 0};
}

void storeModel(SaverSettings& settings, int32_t model, const ModelChecks& checks, const Mat4f* orientation) {
    const auto k = static_cast<size_t>(model);
    if (orientation) {
        Vec3f angles = settings.modelRotation[k];
        extractAngles(*orientation, angles);
        for (float& angle : angles) {
            const float whole = std::round(angle);
            if (std::fabs(angle - whole) < 1e-3f) angle = whole;
        }
        settings.modelRotation[k] = angles;
    }
    settings.twoSided[k] = checks.singleLight ? 0 : 1;
    settings.reverseNormals[k] = checks.reverseNormals ? 1 : 0;
    settings.backCull[k] = checks.backCull ? 1 : 0;
}

SpinTurn spinTurn(int32_t control, int16_t position) {
    const auto p = static_cast<float>(position);
    switch (control) {
    case 0:
        return {{0.0f, 0.0f, 1.0f}, p};
    case 1:
        return {{0.0f, 1.0f, 0.0f}, p};
    default:
        return {{1.0f, 0.0f, 0.0f}, -p};
    }
}

}  // namespace glowpond
