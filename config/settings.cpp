#include "config/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "config/ini_file.h"
#include "platform/platform.h"

namespace glowpond {
namespace {

const char kFilesSection[] = "files";
const char kOptionsSection[] = "options";

// The scalar options in the order they are written, with the value a missing key reads as.
struct IntOption {
    const char* key;
    int32_t SaverSettings::*field;
    int32_t fallback;
};
const IntOption kIntOptions[] = {
    {"lightHeight", &SaverSettings::lightHeight, 10},
    {"objectDuration", &SaverSettings::objectDuration, 1},
    {"totalSize", &SaverSettings::totalSize, 9},
    {"speed", &SaverSettings::speed, 7},
    {"spinSpeed", &SaverSettings::spinSpeed, 8},
    {"pulseSpeed", &SaverSettings::pulseSpeed, 8},
    {"AllowAdvanced", &SaverSettings::allowAdvanced, 1},
    {"allowAcceleration", &SaverSettings::allowAcceleration, 1},
    {"showStatus", &SaverSettings::showStatus, 1},
};

// Colour components, stored in the file as 0..255.
struct ColorOption {
    const char* key;
    float SaverSettings::*field;
    int32_t fallback;
};
const ColorOption kColorOptions[] = {
    {"lavaRed", &SaverSettings::lavaRed, 0},
    {"lavaGreen", &SaverSettings::lavaGreen, 255},
    {"lavaBlue", &SaverSettings::lavaBlue, 0},
};

// The numbered per-model keys, in the order they are written. A key either
// holds an int array entry or, when `values` is null, one axis of the rotation.
struct ModelOption {
    const char* format;
    std::array<int32_t, MAX_MODELS> SaverSettings::*values;
    int axis;
    int32_t fallback;
};
const ModelOption kModelOptions[] = {
    {"size%d", &SaverSettings::modelSize, 0, 5},
    {"X-rot%d", nullptr, 0, 0},
    {"Y-rot%d", nullptr, 1, 0},
    {"Z-rot%d", nullptr, 2, 0},
    {"Reverse%d", &SaverSettings::reverseNormals, 0, 0},
    {"BackCull%d", &SaverSettings::backCull, 0, 0},
    {"2Sided%d", &SaverSettings::twoSided, 0, 1},
};

std::string numberedKey(const char* format, int number) {
    char key[32];
    std::snprintf(key, sizeof key, format, number);
    return key;
}

// Truncation towards zero, saturated: a value read back from a corrupt file
// must not turn a float-to-int conversion into undefined behaviour.
int32_t truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Numeric values carry a trailing line feed, as the settings file has always had them.
std::string numberText(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d\n", static_cast<int>(value));
    return text;
}

void readFrom(SaverSettings& settings, const IniFile& ini) {
    settings.modelCount = 0;
    settings.modelFile.fill(std::string());
    for (int n = 1; n <= MAX_MODELS; ++n) {
        std::string file = ini.getString(kFilesSection, numberedKey("file%d", n), "");
        if (file.size() > MAX_PATH_CHARS - 1) file.resize(MAX_PATH_CHARS - 1);
        // The list is packed: an empty file key takes no entry, but the
        // per-model keys below still belong to entry n - 1.
        if (!file.empty()) settings.modelFile[static_cast<size_t>(settings.modelCount++)] = file;

        size_t entry = static_cast<size_t>(n - 1);
        for (const ModelOption& option : kModelOptions) {
            int32_t value = ini.getInt(kOptionsSection, numberedKey(option.format, n), option.fallback);
            if (option.values) {
                (settings.*option.values)[entry] = value;
            } else {
                settings.modelRotation[entry][static_cast<size_t>(option.axis)] = static_cast<float>(value);
            }
        }
    }
    for (const IntOption& option : kIntOptions) {
        settings.*option.field = ini.getInt(kOptionsSection, option.key, option.fallback);
    }
    for (const ColorOption& option : kColorOptions) {
        settings.*option.field =
            static_cast<float>(ini.getInt(kOptionsSection, option.key, option.fallback)) * kColorFromByte;
    }
}

bool writeTo(const SaverSettings& settings, IniFile& ini) {
    bool ok = true;
    const int count = std::clamp(settings.modelCount, 0, MAX_MODELS);
    for (int n = 1; n <= MAX_MODELS; ++n) {
        const std::string& file = n <= count ? settings.modelFile[static_cast<size_t>(n - 1)] : std::string();
        ok = ini.set(kFilesSection, numberedKey("file%d", n), file) && ok;
    }
    for (const IntOption& option : kIntOptions) {
        ok = ini.set(kOptionsSection, option.key, numberText(settings.*option.field)) && ok;
    }
    for (const ColorOption& option : kColorOptions) {
        ok = ini.set(kOptionsSection, option.key, numberText(truncateToInt(settings.*option.field * 255.0))) && ok;
    }
    // Keys of models beyond the count are left alone: an earlier, longer
    // list keeps its values in the file.
    for (int n = 1; n <= count; ++n) {
        size_t entry = static_cast<size_t>(n - 1);
        for (const ModelOption& option : kModelOptions) {
            int32_t value = option.values ? (settings.*option.values)[entry]
                                          : truncateToInt(settings.modelRotation[entry][static_cast<size_t>(option.axis)]);
            ok = ini.set(kOptionsSection, numberedKey(option.format, n), numberText(value)) && ok;
        }
    }
    return ok;
}

}  // namespace

SaverSettings::SaverSettings() {
    setDefaults();
    AppPathLookup found = platform().lookupAppPath(kAppPathsName);
    switch (found.status) {
        case AppPathLookup::Status::Found:
            installDir = found.path;
            helpFile = found.path + kHelpFileName;
            break;
        case AppPathLookup::Status::NoKey:
            platform().messageBox(nullptr, "Couldn't get path key", "ERROR");
            break;
        case AppPathLookup::Status::NoValue:
            platform().messageBox(nullptr, "Couldn't get path value", "ERROR");
            break;
        case AppPathLookup::Status::Unsupported:
            break;  // no application registry: the INI file lives in the current directory
    }
}

void SaverSettings::setDefaults() { readFrom(*this, IniFile()); }

std::string SaverSettings::iniFilePath() const {
    // The change of directory lasts: relative paths in the file then resolve
    // against the install directory too.
    if (installDir) platform().setCurrentDirectory(*installDir);
    return platform().fullPath(kIniFileName);
}

bool SaverSettings::readSettings(const char* path) {
    IniFile ini;
    if (ini.load(path ? std::string(path) : iniFilePath()) == IniFile::LoadResult::Failed) return false;
    readFrom(*this, ini);
    return true;
}

bool SaverSettings::writeSettings(const char* path) const {
    const std::string target = path ? std::string(path) : iniFilePath();
    IniFile ini;
    // Writing over a file we could not read would lose its other sections.
    if (ini.load(target) == IniFile::LoadResult::Failed) return false;
    return writeTo(*this, ini) && ini.save(target);
}

bool SaverSettings::addModel(int index, const std::string& path) {
    if (modelCount >= MAX_MODELS || index < 0 || index > modelCount) return false;
    if (path.empty() || path.size() > MAX_PATH_CHARS - 1) return false;

    auto insertAt = [index, this](auto& values, auto value) {
        std::move_backward(values.begin() + index, values.begin() + modelCount, values.begin() + modelCount + 1);
        values[static_cast<size_t>(index)] = value;
    };
    insertAt(modelFile, path);
    insertAt(modelSize, 5);
    insertAt(modelRotation, std::array<float, 3>{0.0f, 0.0f, 0.0f});
    insertAt(reverseNormals, 0);
    insertAt(backCull, 0);
    insertAt(twoSided, 1);
    ++modelCount;
    return true;
}

bool SaverSettings::removeModel(int index) {
    if (index < 0 || index >= modelCount) return false;
    auto removeAt = [index, this](auto& values) {
        std::move(values.begin() + index + 1, values.begin() + modelCount, values.begin() + index);
    };
    removeAt(modelFile);
    removeAt(modelSize);
    removeAt(modelRotation);
    removeAt(reverseNormals);
    removeAt(backCull);
    removeAt(twoSided);
    --modelCount;
    modelFile[static_cast<size_t>(modelCount)].clear();
    return true;
}

SaverSettings& savedSettings() {
    static SaverSettings settings;
    return settings;
}

SaverSettings& workingSettings() {
    static SaverSettings settings;
    return settings;
}

}  // namespace glowpond
