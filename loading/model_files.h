// Model files on disk: a file read whole, and the companions of a model
// read from its folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "importers/model_source.h"
#include "loading/model_file.h"

namespace glowpond {

// Reads the whole file at `path`, opened through `opener`, into `bytes`;
// false when it cannot be opened or read. May throw std::bad_alloc.
bool readModelFile(ModelFileOpener& opener, const std::string& path, std::vector<uint8_t>& bytes);

// The folder of `path` ("" for a bare name: the current folder).
std::string folderOf(const std::string& path);

// Companions of a model from its folder on disk. It refuses names that could
// reach outside the folder: absolute names, names with a drive or a scheme
// ("C:", "http:"), and names whose ".." climbs above the folder.
class FolderResolver final : public FileResolver {
public:
    // Files are opened through `opener` (borrowed).
    FolderResolver(ModelFileOpener& opener, std::string folder) : opener_(opener), folder_(std::move(folder)) {}

    bool read(const std::string& relativeName, std::vector<uint8_t>& bytes) override;

    // Whether `relativeName` stays inside the folder by the rules above.
    static bool staysInside(const std::string& relativeName);

private:
    ModelFileOpener& opener_;
    std::string folder_;
};

}  // namespace glowpond
