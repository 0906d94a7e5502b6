// Filling the model slots at start-up: the configured files for the
// full-screen saver, random cubes for the preview.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace glowpond {

struct ModelSlot;
struct SaverSettings;

// What the user sees of a load sequence; the saver shows its load-status
// window through this, and no implementation means nothing is shown.
class LoadProgress {
public:
    virtual ~LoadProgress() = default;
    // Before each file: advance the bar and let the window's Cancel act.
    virtual void nextFile() = 0;
    // The path of the file about to be loaded.
    virtual void showFile(const std::string& path) = 0;
    // The window the loader shows its status texts in (null for none).
    virtual WindowHandle loaderStatusWindow() const = 0;
};

struct LoadOutcome {
    int32_t loaded = 0;      // slots 0 .. loaded - 1 hold prepared models
    bool cancelled = false;  // the cancel flag stopped the sequence
};

// Loads every file of `settings` into `slots` (room for MAX_MODELS), in file
// order. A file that fails is left out and its slot is reused, but each
// loaded model keeps the per-model settings of its own file. Stops when
// `*cancelFlag` is set before or after a file. Sets settings.modelCount to
// the number loaded. `progress` may be null.
LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, LoadProgress* progress,
                           int32_t* cancelFlag);

// Fills slots 0 .. modelCount - 1 with cubes of random colour, stretch and
// turn (from platform().randomValue()), each prepared with the per-model
// settings of its entry.
void buildPreviewSlots(ModelSlot* slots, const SaverSettings& settings);

}  // namespace glowpond
