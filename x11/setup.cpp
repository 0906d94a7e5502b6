#include "x11/setup.h"

#include <filesystem>
#include <vector>

#include "config/settings.h"
#include "loading/model_folder.h"
#include "system/system_services.h"
#include "x11/paths.h"

namespace glowpond {
namespace {

// A path that names a folder becomes a folder entry, as if written with its
// trailing separator.
void markFolder(std::string& path) {
    std::error_code error;
    if (!isFolderEntry(path) && std::filesystem::is_directory(path, error)) path = asFolderEntry(path, '/');
}

void showModels(SaverSettings& settings, const std::vector<std::string>& files, SystemServices& platform) {
    if (files.size() > MAX_MODELS) {
        platform.messageBox(nullptr, "Only the first 15 models are shown.", "glowpond");
    }
    // Straight into the list, not through addModel: a path the loader
    // refuses then gets its message.
    settings.modelCount = 0;
    for (ModelSettings& model : settings.models) model = ModelSettings{};
    for (const std::string& file : files) {
        if (settings.modelCount == MAX_MODELS) break;
        std::string& entry = settings.models[static_cast<size_t>(settings.modelCount++)].file;
        entry = file;
        markFolder(entry);
    }
}

}  // namespace

bool gatherSettings(const CommandLine& line, const std::string& sampleFolder, SystemServices& platform,
                    SaverSettings& settings) {
    namespace fs = std::filesystem;
    settings = SaverSettings();
    const std::string iniPath = line.iniPath.empty() ? userIniPath() : line.iniPath;
    std::error_code error;
    const bool haveIni = !iniPath.empty() && fs::is_regular_file(iniPath, error);
    if (haveIni) {
        if (!settings.readSettings(iniPath, platform)) {
            platform.messageBox(nullptr, iniPath, "Cannot read the settings file.");
            return false;
        }
        const std::string folder = fs::absolute(iniPath, error).parent_path().string();
        for (int32_t i = 0; i < settings.modelCount; ++i) {
            std::string& file = settings.models[static_cast<size_t>(i)].file;
            file = resolveAgainst(folder, file);
            markFolder(file);
        }
    } else if (!line.iniPath.empty()) {
        platform.messageBox(nullptr, line.iniPath, "Cannot read the settings file.");
        return false;
    } else {
        showModels(settings, modelFilesIn(sampleFolder), platform);
    }
    if (!line.files.empty()) showModels(settings, line.files, platform);
    applySettings(line, settings);
    settings.showStatus = line.status ? 1 : 0;
    return true;
}

}  // namespace glowpond
