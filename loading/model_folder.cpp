#include "loading/model_folder.h"

#include <utility>

#include "importers/reader_table.h"
#include "loading/load_driver.h"

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace glowpond {

bool isFolderEntry(const std::string& path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string asFolderEntry(const std::string& path, char separator) {
    if (path.empty() || isFolderEntry(path)) return path;
    const size_t last = path.find_last_of("/\\");
    return path + (last == std::string::npos ? separator : path[last]);
}

FolderScan scanModelFolder(FolderLister& lister, const std::string& folder) {
    FolderScan scan;
    const std::string root = asFolderEntry(folder, '/');
    const char separator = root.back();
    std::vector<std::pair<std::string, int32_t>> pending{{root, 0}};
    std::vector<FolderItem> items;
    bool first = true;
    while (!pending.empty() && scan.files.size() < kMaxFolderFiles) {
        const auto [path, depth] = std::move(pending.back());
        pending.pop_back();
        items.clear();
        const bool listed = lister.list(path, items);
        if (first) scan.listed = listed;
        first = false;
        for (const FolderItem& item : items) {
            if (item.name.empty() || item.name == "." || item.name == "..") continue;
            if (item.kind == FolderItem::Kind::Folder) {
                if (depth < kMaxFolderDepth) pending.emplace_back(path + item.name + separator, depth + 1);
            } else if (item.kind == FolderItem::Kind::File && hasModelSuffix(item.name) &&
                       path.size() + item.name.size() <= kMaxModelPathChars) {
                scan.files.push_back(path + item.name);
                if (scan.files.size() == kMaxFolderFiles) break;
            }
        }
    }
    return scan;
}

#ifndef _WIN32
bool PosixFolderLister::list(const std::string& folder, std::vector<FolderItem>& items) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        FolderItem item{entry->d_name, FolderItem::Kind::Other};
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info;
            if (::lstat((folder + item.name).c_str(), &info) == 0) {
                type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_LNK;
            }
        }
        if (type == DT_REG) item.kind = FolderItem::Kind::File;
        if (type == DT_DIR) item.kind = FolderItem::Kind::Folder;
        items.push_back(std::move(item));
    }
    ::closedir(dir);
    return true;
}
#endif

}  // namespace glowpond
