// The Windows programs' opener of model files (Windows build only).
#pragma once

#include "loading/model_file.h"

namespace glowpond {

// Opens files on disk alone, and never as a device: a path that names one
// (namesWindowsDevice) is refused unopened, and whatever else is not a disk
// file once open (a pipe reached through a share, say) is closed unread. A
// pipe's server can only identify the saver's user, never act as them.
class Win32FileOpener final : public ModelFileOpener {
public:
    OpenedFile open(const std::string& path) override;
};

}  // namespace glowpond
