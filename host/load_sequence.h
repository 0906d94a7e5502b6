// Filling the model slots at start-up: the configured files for the
// full-screen saver, random cubes for the preview.
#pragma once

#include <cstdint>
#include <string>

#include "engine/random.h"
#include "loading/load_driver.h"

namespace glowpond {

struct ModelSlot;
struct SaverSettings;

// What the user sees of a load sequence: what every load tells (see
// LoadObserver), and the progress from file to file. The saver shows its
// load-status window through this.
class LoadProgress : public LoadObserver {
public:
    // Before each file: advance the bar and let the window's Cancel act.
    virtual void nextFile() = 0;
    // The path of the file about to be loaded.
    virtual void showFile(const std::string& path) = 0;
};

struct LoadOutcome {
    int32_t loaded = 0;      // slots 0 .. loaded - 1 hold set-up models
    bool cancelled = false;  // the user cancelled the sequence
};

// Loads every file of `settings` into `slots` (room for MAX_MODELS), in file
// order. A file that fails is left out and its slot is reused, but each
// loaded model keeps the per-model settings of its own file. Stops when the
// progress reports a cancel before or after a file. Sets
// settings.modelCount to the number loaded.
LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress);

// Fills slots 0 .. modelCount - 1 with cubes of random colour, stretch and
// turn (drawn from `random`), each set up with the per-model settings of its
// entry.
void buildPreviewSlots(ModelSlot* slots, const SaverSettings& settings, StandardRandom& random);

}  // namespace glowpond
