#include "web/page_session.h"

#include <algorithm>
#include <cmath>

#include "importers/reader_table.h"

namespace glowpond {

bool BrowserUnpacked::recognises(const uint8_t* data, size_t size) const {
    return size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
}

Decompressor::Result BrowserUnpacked::unpack(const uint8_t*, size_t, size_t, std::vector<uint8_t>& out,
                                             uint64_t& ignoredBytes) const {
    out.clear();
    ignoredBytes = 0;
    return Result::Damaged;
}

PageSession::PageSession(ModelFileOpener& opener) : loader_(opener, {{}, &unpacked_}), slots_(MAX_MODELS) {
    settings_.modelCount = 0;
}

std::vector<std::string> PageSession::modelFiles(const std::vector<std::string>& chosen) {
    std::vector<std::string> models;
    for (const std::string& name : chosen) {
        if (formatOfName(name, true)) models.push_back(name);
    }
    return models.empty() ? chosen : models;
}

int32_t PageSession::load(const std::vector<std::string>& files, SaverSettings& settings,
                          std::vector<ModelSlot>& slots, LoadProgress& progress) {
    settings.modelCount = 0;
    for (const std::string& file : files) {
        // A name the settings cannot hold is still tried, so that it gets
        // its message; its entry then keeps the defaults.
        if (!settings.addModel(settings.modelCount, file)) {
            if (settings.modelCount == MAX_MODELS) break;
            settings.addModel(settings.modelCount, "?");
            settings.models[static_cast<size_t>(settings.modelCount - 1)].file = file;
        }
    }
    return loadModelFiles(slots.data(), settings, loader_, progress).loaded;
}

void PageSession::take(SaverSettings& settings, std::vector<ModelSlot>& slots) {
    settings_ = std::move(settings);
    slots_ = std::move(slots);
    shown_.clear();
    // A refused file's slot went to the next file: each slot names its entry.
    for (int32_t i = 0; i < settings_.modelCount; ++i) {
        shown_.push_back(settings_.models[static_cast<size_t>(slots_[static_cast<size_t>(i)].settingsIndex)].file);
    }
}

int32_t PageSession::show(const std::vector<std::string>& chosen, LoadProgress& progress) {
    const std::vector<std::string> files = modelFiles(chosen);
    SaverSettings next = settings_;
    std::vector<ModelSlot> slots(MAX_MODELS);
    const int32_t loaded = load(files, next, slots, progress);
    if (loaded == 0) return 0;
    files_ = files;
    take(next, slots);
    return loaded;
}

PageSession::Change PageSession::set(const std::string& key, int32_t value, LoadProgress& progress) {
    for (const ColorOption& colour : kColorOptions) {
        if (key != colour.key) continue;
        const float component = float(std::clamp(value, 0, 255)) / 255.0f;
        if (settings_.*colour.field == component) return Change::None;
        settings_.*colour.field = component;
        for (int32_t i = 0; i < modelCount(); ++i) {
            slots_[static_cast<size_t>(i)].lavaColor = {settings_.lavaRed, settings_.lavaGreen, settings_.lavaBlue};
        }
        return Change::Colour;
    }
    for (const OptionInfo& option : kOptions) {
        if (key != option.key || option.max != kSettingMax) continue;
        const int32_t ranged = inSettingRange(value);
        if (settings_.*option.field == ranged) return Change::None;
        settings_.*option.field = ranged;
        switch (option.id) {
            case Option::LightHeight: return Change::Light;
            case Option::PulseSpeed:
                for (int32_t i = 0; i < modelCount(); ++i) slots_[static_cast<size_t>(i)].pulse.init(ranged);
                return Change::Restart;
            case Option::TotalSize: {
                // The size is baked into the prepared models: only a fresh
                // load can take it back.
                if (files_.empty()) return Change::Restart;
                std::vector<ModelSlot> slots(MAX_MODELS);
                SaverSettings next = settings_;
                if (load(files_, next, slots, progress) == 0) return Change::Restart;
                take(next, slots);
                return Change::Reload;
            }
            default: return Change::Restart;
        }
    }
    return Change::None;
}

int32_t PageSession::get(const std::string& key) const {
    for (const ColorOption& colour : kColorOptions) {
        if (key == colour.key) return static_cast<int32_t>(std::lround(settings_.*colour.field * 255.0f));
    }
    for (const OptionInfo& option : kOptions) {
        if (key == option.key) return settings_.*option.field;
    }
    return 0;
}

}  // namespace glowpond
