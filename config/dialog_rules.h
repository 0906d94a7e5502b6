// The decisions of the settings and model settings dialogs that need no
// window: which list buttons act, taking the controls' values into a record,
// the commit on OK, and the per-model values behind the model dialog's
// controls.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "mesh/matrix.h"

namespace glowpond {

// "Add" acts unless the list is full, "Delete" unless it is empty.
struct ListButtons {
    bool canAdd;
    bool canDelete;
};
ListButtons listButtons(int32_t modelCount);

// How the model lists show a folder entry (its path ends in a separator):
// the path and the number of model files found in it, "C:\Models\ (312 models)".
std::string folderEntryText(const std::string& folder, size_t modelFiles);

// What the settings dialog's controls hold besides the list, the per-model
// values and the colour (which the record already has): a value for each
// option it shows (a check box counts 0 or 1), and the list's length.
struct SettingsControls {
    std::vector<std::pair<Option, int32_t>> options;
    int32_t modelCount = 0;
};

// Sets the fields the controls stand for.
void takeControls(SaverSettings& record, const SettingsControls& controls);

// The dialog's first initialisation: `saved` from the INI file, then copied
// whole into `working`.
void beginEditing(SaverSettings& saved, SaverSettings& working, SystemServices& platform);

// OK: writes `working` with the controls taken in to the INI file. Only when
// that succeeds does it become `saved`, and `working` gives up the install
// directory and help file texts (they stay with `saved`). False, with both
// records exactly as they were, when the file cannot be written.
bool acceptSettings(SaverSettings& saved, SaverSettings& working, const SettingsControls& controls,
                    SystemServices& platform);

// Cancel: `working` gives up the two texts; `saved` keeps them.
void discardSettings(SaverSettings& working);

// The model settings dialog's three check boxes for one model.
struct ModelChecks {
    bool singleLight = false;  // the inverse of twoSided
    bool backCull = false;
    bool reverseNormals = false;
};

ModelChecks checksForModel(const SaverSettings& settings, int32_t model);

// Stores the check boxes as the model's flags and, when the model has been
// on display (`orientation` not null), its angles. Angles within float noise
// of a whole degree are stored as that degree: the files keep whole degrees,
// and 2.9999998 would otherwise come back as 2.
void storeModel(SaverSettings& settings, int32_t model, const ModelChecks& checks, const Mat4f* orientation);

// The model dialog's three turn controls, in the order of the dialog.
enum class TurnControl { Z, Y, X };

// The turn one notification of a turn control asks for, `position` being
// the control's signed position: about z and y as given, about x with the
// sign reversed.
struct SpinTurn {
    Vec3f axis;
    float angle;  // degrees
};
SpinTurn spinTurn(TurnControl control, int16_t position);

}  // namespace glowpond
