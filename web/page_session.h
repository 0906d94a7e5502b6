// What the browser page shows: the models chosen together, the settings
// they run with, and what a change of a setting asks of the page. Portable,
// so that it runs in the native tests as in the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "host/load_sequence.h"
#include "loading/decompression.h"
#include "loading/load_driver.h"

namespace glowpond {

// The page unpacks gzip files with the browser's own decompressor before
// their bytes reach the loader. Gzip bytes that still arrive are what the
// browser could not unpack: damaged, or more than the loader would take.
class BrowserUnpacked final : public Decompressor {
public:
    bool recognises(const uint8_t* data, size_t size) const override;
    Result unpack(const uint8_t* data, size_t size, size_t maxBytes, std::vector<uint8_t>& out,
                  uint64_t& ignoredBytes) const override;
};

class PageSession {
public:
    // What a changed setting needs of the page beyond the session.
    enum class Change {
        None,     // the value was already in force, or the key is unknown
        Colour,   // the slots glow in the new colour from the next frame
        Light,    // the renderer's surface is to be set up again
        Restart,  // the animation is to start again with the new timing
        Reload,   // the models were loaded again at the new size: restart
    };

    // Files are opened through `opener` (borrowed); the loader reads
    // without strictness and takes the browser's unpacking.
    explicit PageSession(ModelFileOpener& opener);

    // Of the files chosen together, the ones to load as models: those whose
    // names claim a format. When none does, all of them, so that each gets
    // its message.
    static std::vector<std::string> modelFiles(const std::vector<std::string>& chosen);

    // Loads the models among `chosen` (paths relative to the folder the
    // files were put in; the companions resolve there), at most MAX_MODELS.
    // When any loads, they replace the shown models; when none does, the
    // shown models stay. Returns how many loaded.
    int32_t show(const std::vector<std::string>& chosen, LoadProgress& progress);

    // Sets an option or a lava colour component by its INI key (one of the
    // six speed, size and timing options, or lavaRed, lavaGreen, lavaBlue),
    // brought into its range. A Reload has reloaded the shown files through
    // `progress`.
    Change set(const std::string& key, int32_t value, LoadProgress& progress);

    // The value set for `key` (a colour component as 0..255); 0 for an
    // unknown key.
    int32_t get(const std::string& key) const;

    const SaverSettings& settings() const { return settings_; }
    ModelSlot* slots() { return slots_.data(); }
    int32_t modelCount() const { return settings_.modelCount; }
    // The files of the shown models, in the order they run.
    const std::vector<std::string>& shownFiles() const { return shown_; }

private:
    int32_t load(const std::vector<std::string>& files, SaverSettings& settings, std::vector<ModelSlot>& slots,
                 LoadProgress& progress);
    // Makes a successful load's settings and slots the shown ones.
    void take(SaverSettings& settings, std::vector<ModelSlot>& slots);

    BrowserUnpacked unpacked_;
    ModelLoader loader_;
    SaverSettings settings_;
    std::vector<ModelSlot> slots_;
    std::vector<std::string> files_;  // what was chosen: reloads start from it
    std::vector<std::string> shown_;
};

}  // namespace glowpond
