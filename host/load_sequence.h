// Filling the model slots at start-up: the configured files for the
// full-screen saver, random cubes for the preview.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/random.h"
#include "loading/load_driver.h"
#include "loading/model_folder.h"

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
    // Why a file drawn from a folder was passed over: such files get no
    // message box, another one is tried instead.
    virtual void showSkipped(const std::string& text) {
        if (showsStatus()) showStatus(text);
    }
};

struct LoadOutcome {
    int32_t loaded = 0;      // slots 0 .. loaded - 1 hold set-up models
    bool cancelled = false;  // the user cancelled the sequence
    std::vector<std::string> files;  // the file each loaded slot holds
};

// What a start loads: every file entry once, and for each folder entry a
// number of files drawn from it at random.
struct ModelPlan {
    struct Entry {
        int32_t index = 0;  // the entry of the settings, whose per-model values apply
        bool folder = false;
        bool listed = false;            // a folder that could be listed
        std::vector<std::string> pool;  // a folder's files not drawn yet
        int32_t places = 1;             // how many models it is to give
    };
    std::vector<Entry> entries;
    StandardRandom random;

    // The models the plan asks for, at most MAX_MODELS.
    int32_t places() const;
};

// The loads of `settings`' entries, in entry order. The places that the
// file entries leave of MAX_MODELS go to the folder entries one at a time
// in turn, while they have files. Folders are listed through `lister`;
// without one, every folder entry counts as missing. `seed` decides the
// draws, so that each start shows other files.
ModelPlan planModels(const SaverSettings& settings, FolderLister* lister, uint32_t seed);

// How many files a folder entry may fail to load before it gives up.
constexpr int32_t kFolderSpareTries = 16;

// Loads every file of `settings` into `slots` (room for MAX_MODELS), in file
// order. A file that fails is left out and its slot is reused, but each
// loaded model keeps the per-model settings of its own file. Stops when the
// progress reports a cancel before or after a file. Sets
// settings.modelCount to the number loaded.
LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress);
// The same for a plan: a file drawn from a folder that does not load is
// passed over (its reason through showSkipped) and another drawn in its
// place, up to kFolderSpareTries times; a folder that is missing, or from
// which nothing loads, gets one message. A model drawn from a folder takes
// the folder entry's per-model settings.
LoadOutcome loadModelFiles(ModelSlot* slots, SaverSettings& settings, ModelLoader& loader, LoadProgress& progress,
                           ModelPlan plan);

// Fills slots 0 .. modelCount - 1 with cubes of random colour, stretch and
// turn (drawn from `random`), each set up with the per-model settings of its
// entry.
void buildPreviewSlots(ModelSlot* slots, const SaverSettings& settings, StandardRandom& random);

}  // namespace glowpond
