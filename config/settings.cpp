#include "config/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "config/ini_file.h"
#include "system/system_services.h"

namespace glowpond {

namespace {

const char kFilesSection[] = "files";
const char kOptionsSection[] = "options";

// The numbered per-model keys, in the order they are written. A key holds
// either an int of the record (`value`) or, when that is null, one axis of
// its rotation.
struct ModelOption {
    const char* format;
    int32_t ModelSettings::*value;
    int axis;
};
const ModelOption kModelOptions[] = {
    {"size%d", &ModelSettings::size, 0},
    {"X-rot%d", nullptr, 0},
    {"Y-rot%d", nullptr, 1},
    {"Z-rot%d", nullptr, 2},
    {"Reverse%d", &ModelSettings::reverseNormals, 0},
    {"BackCull%d", &ModelSettings::backCull, 0},
    {"2Sided%d", &ModelSettings::twoSided, 0},
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

void readModels(SaverSettings& settings, const IniFile& ini) {
    const ModelSettings defaults;
    settings.modelCount = 0;
    for (ModelSettings& model : settings.models) model.file.clear();
    for (int n = 1; n <= MAX_MODELS; ++n) {
        std::string file = ini.getString(kFilesSection, numberedKey("file%d", n), "");
        if (file.size() > MAX_PATH_CHARS - 1) file.resize(MAX_PATH_CHARS - 1);
        if (!file.empty()) settings.models[static_cast<size_t>(settings.modelCount++)].file = file;

        ModelSettings& model = settings.models[static_cast<size_t>(n - 1)];
        for (const ModelOption& option : kModelOptions) {
            const std::string key = numberedKey(option.format, n);
            if (option.value) {
                model.*option.value = ini.getInt(kOptionsSection, key, defaults.*option.value);
            } else {
                const size_t axis = static_cast<size_t>(option.axis);
                model.rotation[axis] = static_cast<float>(
                    ini.getInt(kOptionsSection, key, static_cast<int32_t>(defaults.rotation[axis])));
            }
        }
    }
}

void readFrom(SaverSettings& settings, const IniFile& ini) {
    readModels(settings, ini);
    for (const OptionInfo& option : kOptions) {
        settings.*option.field = ini.getInt(kOptionsSection, option.key, option.defaultValue);
    }
    for (const ColorOption& option : kColorOptions) {
        settings.*option.field =
            static_cast<float>(ini.getInt(kOptionsSection, option.key, option.defaultValue)) * kColorFromByte;
    }
}

bool writeTo(const SaverSettings& settings, IniFile& ini) {
    bool ok = true;
    const int count = std::clamp(settings.modelCount, 0, MAX_MODELS);
    for (int n = 1; n <= MAX_MODELS; ++n) {
        const std::string& file = n <= count ? settings.models[static_cast<size_t>(n - 1)].file : std::string();
        ok = ini.set(kFilesSection, numberedKey("file%d", n), file) && ok;
    }
    for (const OptionInfo& option : kOptions) {
        ok = ini.set(kOptionsSection, option.key, numberText(settings.*option.field)) && ok;
    }
    for (const ColorOption& option : kColorOptions) {
        ok = ini.set(kOptionsSection, option.key, numberText(truncateToInt(settings.*option.field * 255.0))) && ok;
    }
    // Keys of models beyond the count are left alone: an earlier, longer
    // list keeps its values in the file.
    for (int n = 1; n <= count; ++n) {
        const ModelSettings& model = settings.models[static_cast<size_t>(n - 1)];
        for (const ModelOption& option : kModelOptions) {
            const int32_t value = option.value ? model.*option.value
                                               : truncateToInt(model.rotation[static_cast<size_t>(option.axis)]);
            ok = ini.set(kOptionsSection, numberedKey(option.format, n), numberText(value)) && ok;
        }
    }
    return ok;
}

#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

// Makes `folder` current, when it is known, and names the INI file there.
// The change of directory lasts: relative model paths in the file then
// resolve against that folder too.
std::string enterFolder(const std::optional<std::string>& folder, SystemServices& platform) {
    if (folder) platform.setCurrentDirectory(*folder);
    return platform.fullPath(kIniFileName);
}

bool isRelative(const std::string& path) {
    return !path.empty() && path[0] != '\\' && path[0] != '/' && (path.size() < 2 || path[1] != ':');
}

// The installed file's relative model paths as full paths (the current
// directory is its folder): the user's own file, where the record is saved,
// lies elsewhere. A path that would grow too long stays as it is.
void resolveModelPaths(SaverSettings& settings, SystemServices& platform) {
    for (int32_t i = 0; i < settings.modelCount && i < MAX_MODELS; ++i) {
        std::string& file = settings.models[static_cast<size_t>(i)].file;
        if (!isRelative(file)) continue;
        const std::string full = platform.fullPath(file);
        if (full.size() <= MAX_PATH_CHARS - 1) file = full;
    }
}

}  // namespace

SaverSettings::SaverSettings() { readFrom(*this, IniFile()); }

void SaverSettings::setInstallDir(std::optional<std::string> directory) {
    installDir = std::move(directory);
    helpFile.reset();
    if (installDir) helpFile = *installDir + kHelpFileName;
}

bool SaverSettings::readSettings(const std::string& path, SystemServices& platform) {
    IniFile ini;
    if (ini.load(path, platform) == IniFile::LoadResult::Failed) return false;
    readFrom(*this, ini);
    return true;
}

bool SaverSettings::writeSettings(const std::string& path, SystemServices& platform) const {
    IniFile ini;
    // Writing over a file we could not read would lose its other sections.
    if (ini.load(path, platform) == IniFile::LoadResult::Failed) return false;
    return writeTo(*this, ini) && ini.save(path, platform);
}

bool SaverSettings::addModel(int index, const std::string& path) {
    if (modelCount >= MAX_MODELS || index < 0 || index > modelCount) return false;
    if (path.empty() || path.size() > MAX_PATH_CHARS - 1) return false;
    std::move_backward(models.begin() + index, models.begin() + modelCount, models.begin() + modelCount + 1);
    models[static_cast<size_t>(index)] = ModelSettings{path};
    ++modelCount;
    return true;
}

bool SaverSettings::removeModel(int index) {
    if (index < 0 || index >= modelCount) return false;
    std::move(models.begin() + index + 1, models.begin() + modelCount, models.begin() + index);
    --modelCount;
    models[static_cast<size_t>(modelCount)].file.clear();
    return true;
}

uint8_t colorByte(float component) {
    return static_cast<uint8_t>(std::clamp(truncateToInt(component * 255.0), 0, 255));
}

std::optional<std::string> lookUpInstallDir(SystemServices& platform) {
    AppPathLookup found = platform.lookupAppPath(kAppPathsName);
    switch (found.status) {
    case AppPathLookup::Status::Found:
        return found.path;
    case AppPathLookup::Status::NoKey:
        platform.messageBox(nullptr, "Couldn't get path key", "ERROR");
        break;
    case AppPathLookup::Status::NoValue:
        platform.messageBox(nullptr, "Couldn't get path value", "ERROR");
        break;
    case AppPathLookup::Status::Unsupported:
        break;  // no application registry: the INI file lives in the current directory
    }
    return std::nullopt;
}

std::optional<std::string> userSettingsFolder(SystemServices& platform) {
    const std::optional<std::string> data = platform.userDataFolder();
    if (!data || data->empty()) return std::nullopt;
    return *data + kSeparator + kSettingsFolderName;
}

bool readIniFile(SaverSettings& settings, SystemServices& platform) {
    const std::optional<std::string> own = userSettingsFolder(platform);
    if (!own) return settings.readSettings(enterFolder(settings.installDir, platform), platform);
    const std::string ownFile = *own + kSeparator + kIniFileName;
    IniFile ini;
    switch (ini.load(ownFile, platform)) {
    case IniFile::LoadResult::Loaded:
        platform.setCurrentDirectory(*own);
        readFrom(settings, ini);
        return true;
    case IniFile::LoadResult::Failed:
        return false;
    case IniFile::LoadResult::Missing:
        break;
    }
    // Until the user saves their own, the installed settings are theirs.
    if (!settings.readSettings(enterFolder(settings.installDir, platform), platform)) return false;
    resolveModelPaths(settings, platform);
    return true;
}

bool writeIniFile(const SaverSettings& settings, SystemServices& platform) {
    const std::optional<std::string> own = userSettingsFolder(platform);
    if (!own) return settings.writeSettings(enterFolder(settings.installDir, platform), platform);
    if (!platform.makeFolder(*own)) return false;
    platform.setCurrentDirectory(*own);
    return settings.writeSettings(*own + kSeparator + kIniFileName, platform);
}

}  // namespace glowpond
