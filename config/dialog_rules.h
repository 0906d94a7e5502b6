// The decisions of the settings and model settings dialogs that need no
// window: button availability, taking control values into a record, the
// commit on OK, and the per-model values behind the model dialog's controls.
#pragma once

#include <cstdint>

#include "config/settings.h"
#include "mesh/matrix.h"

namespace glowpond {

// States of the push-like three-state "Add" and "Delete" buttons (the Win32
// check states): an unavailable button is drawn greyed and ignores clicks.
constexpr int32_t kButtonAvailable = 0;
constexpr int32_t kButtonUnavailable = 2;

struct ListButtonStates {
    int32_t add;
    int32_t remove;
};

// "Add" is unavailable with a full list, "Delete" with an empty one.
ListButtonStates listButtonStates(int32_t modelCount);

// The value an up-down control's position stands for: its low 16 bits.
inline int32_t spinValue(intptr_t position) { return static_cast<int32_t>(position & 0xFFFF); }

// What the settings dialog's controls hold besides the list, the per-model
// values and the colour (which the record already has).
struct SettingsControls {
    int32_t speed = 0, totalSize = 0, lightHeight = 0;
    int32_t spinSpeed = 0, pulseSpeed = 0, objectDuration = 0;
    int32_t modelCount = 0;
    bool showStatus = false, allowAcceleration = false;
};

// Sets the nine fields the controls stand for.
void takeControls(SaverSettings& record, const SettingsControls& controls);

// The dialog's first initialisation: `saved` from the INI file, then copied
// whole into `working`.
void beginEditing(SaverSettings& saved, SaverSettings& working);

// OK: writes `working` with the controls taken in to the INI file. Only when
// that succeeds does it become `saved`, and `working` gives up the install
// directory and help file texts (they stay with `saved`). False, with both
// records exactly as they were, when the file cannot be written.
bool acceptSettings(SaverSettings& saved, SaverSettings& working, const SettingsControls& controls);

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

// The turn one notification of a model dialog spin control asks for: the
// first control turns about z, the second about y, the third about x with
// the sign reversed. `control` is 0, 1 or 2; `position` the control's signed
// 16-bit position.
struct SpinTurn {
    Vec3f axis;
    float angle;  // degrees
};
SpinTurn spinTurn(int32_t control, int16_t position);

}  // namespace glowpond
