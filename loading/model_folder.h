// Folders as model entries: an entry whose path ends in a separator stands
// for the model files in that folder and its subfolders. Listing a folder is
// the system's business, so the scan goes through a FolderLister that each
// program hands in (Win32 in the Windows front end, POSIX elsewhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glowpond {

struct FolderItem {
    enum class Kind {
        File,
        Folder,
        // A symbolic link, junction or anything else that is neither: never
        // followed, so the scan stays inside the folder and cannot loop.
        Other,
    };
    std::string name;  // the bare name, without the folder
    Kind kind = Kind::Other;
};

class FolderLister {
public:
    virtual ~FolderLister() = default;

    // Appends the items of `folder` (a path ending in a separator) to
    // `items`, without "." and "..". False when the folder cannot be listed.
    virtual bool list(const std::string& folder, std::vector<FolderItem>& items) = 0;
};

// Whether a model entry names a folder: its path ends in '/' or '\'.
bool isFolderEntry(const std::string& path);

// `path` as a folder entry: with a trailing separator (the one it already
// uses, else `separator`).
std::string asFolderEntry(const std::string& path, char separator);

// How deep the scan goes below the folder it starts in.
constexpr int32_t kMaxFolderDepth = 16;
// A scan stops taking files after this many: a whole drive named as a
// folder must not take the start's memory or time.
constexpr size_t kMaxFolderFiles = 100000;

struct FolderScan {
    bool listed = false;             // the folder itself could be listed
    std::vector<std::string> files;  // full paths of its model files, in listing order
};

// The model files (suffixes of the reader table, packed ones included) in
// `folder` and its subfolders down to kMaxFolderDepth, following no link;
// paths longer than the loader takes are left out.
FolderScan scanModelFolder(FolderLister& lister, const std::string& folder);

#ifndef _WIN32
// Listing through opendir; links are told by the entry's type, or lstat
// where the file system does not say.
class PosixFolderLister final : public FolderLister {
public:
    bool list(const std::string& folder, std::vector<FolderItem>& items) override;
};
#endif

}  // namespace glowpond
