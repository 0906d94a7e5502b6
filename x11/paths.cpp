#include "x11/paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "importers/reader_table.h"

namespace glowpond {
namespace fs = std::filesystem;

std::string userIniPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return (fs::path(config) / "glowpond" / "glowpond.ini").string();
    const char* home = std::getenv("HOME");
    if (home && *home) return (fs::path(home) / ".config" / "glowpond" / "glowpond.ini").string();
    return {};
}

std::string sampleModelFolder(const std::string& relative) {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return relative;
    return (program.parent_path() / relative).lexically_normal().string();
}

std::vector<std::string> modelFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (hasModelSuffix(entry.path().filename().string())) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string resolveAgainst(const std::string& folder, const std::string& path) {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    return (fs::path(folder) / path).lexically_normal().string();
}

}  // namespace glowpond
