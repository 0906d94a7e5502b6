// The Windows programs' folder listing (Windows build only).
#pragma once

#include "loading/model_folder.h"

namespace glowpond {

// Lists through FindFirstFileExW; paths are UTF-8 on both sides. A folder
// that is a reparse point (a junction, a link, a mount) is never entered,
// and a file that is a symbolic link is passed over; other reparse points
// on files (cloud placeholders, deduplicated files) are plain files.
class Win32FolderLister final : public FolderLister {
public:
    bool list(const std::string& folder, std::vector<FolderItem>& items) override;
};

}  // namespace glowpond
