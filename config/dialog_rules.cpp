#include "config/dialog_rules.h"

#include <cmath>

namespace glowpond {

ListButtons listButtons(int32_t modelCount) { return {modelCount < MAX_MODELS, modelCount > 0}; }

void takeControls(SaverSettings& record, const SettingsControls& controls) {
    for (const auto& [option, value] : controls.options) record.*optionInfo(option).field = value;
    record.modelCount = controls.modelCount;
}

void beginEditing(SaverSettings& saved, SaverSettings& working, SystemServices& platform) {
    readIniFile(saved, platform);
    working = saved;
}

bool acceptSettings(SaverSettings& saved, SaverSettings& working, const SettingsControls& controls,
                    SystemServices& platform) {
    SaverSettings candidate = working;
    takeControls(candidate, controls);
    if (!writeIniFile(candidate, platform)) return false;
    saved = candidate;
    discardSettings(working);
    return true;
}

void discardSettings(SaverSettings& working) {
    working.installDir.reset();
    working.helpFile.reset();
}

ModelChecks checksForModel(const SaverSettings& settings, int32_t model) {
    const ModelSettings& m = settings.models[static_cast<size_t>(model)];
    return {m.twoSided == 0, m.backCull != 0, m.reverseNormals != 0};
}

void storeModel(SaverSettings& settings, int32_t model, const ModelChecks& checks, const Mat4f* orientation) {
    ModelSettings& m = settings.models[static_cast<size_t>(model)];
    if (orientation) {
        Vec3f angles = m.rotation;
        extractAngles(*orientation, angles);
        for (float& angle : angles) {
            const float whole = std::round(angle);
            if (std::fabs(angle - whole) < 1e-3f) angle = whole;
        }
        m.rotation = angles;
    }
    m.twoSided = checks.singleLight ? 0 : 1;
    m.reverseNormals = checks.reverseNormals ? 1 : 0;
    m.backCull = checks.backCull ? 1 : 0;
}

SpinTurn spinTurn(TurnControl control, int16_t position) {
    const auto p = static_cast<float>(position);
    switch (control) {
    case TurnControl::Z:
        return {{0.0f, 0.0f, 1.0f}, p};
    case TurnControl::Y:
        return {{0.0f, 1.0f, 0.0f}, p};
    case TurnControl::X:
        break;
    }
    return {{1.0f, 0.0f, 0.0f}, -p};
}

std::string folderEntryText(const std::string& folder, size_t modelFiles) {
    return folder + " (" + std::to_string(modelFiles) + (modelFiles == 1 ? " model)" : " models)");
}

}  // namespace glowpond
