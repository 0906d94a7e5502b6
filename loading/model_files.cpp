#include "loading/model_files.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace glowpond {
namespace {

int64_t fileSize(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    const int64_t size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return size;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool readModelFile(ModelFileOpener& opener, const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const OpenedFile file = opener.open(path);
    if (!file) return false;
    // The size, where it can be told, spares the buffer its growing; the
    // file is read to its end all the same.
    const int64_t size = fileSize(file.get());
    if (size > 0 && uint64_t(size) < SIZE_MAX / 2) bytes.reserve(static_cast<size_t>(size));
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    if (std::ferror(file.get())) {
        bytes.clear();
        return false;
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FolderResolver::staysInside(const std::string& relativeName) {
    if (relativeName.empty() || isSeparator(relativeName[0])) return false;
    if (relativeName.find(':') != std::string::npos) return false;  // a drive or a scheme
    int depth = 0;
    for (size_t at = 0; at <= relativeName.size();) {
        size_t end = at;
        while (end < relativeName.size() && !isSeparator(relativeName[end])) ++end;
        const std::string part = relativeName.substr(at, end - at);
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        at = end + 1;
    }
    return true;
}

bool FolderResolver::read(const std::string& relativeName, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (!staysInside(relativeName)) return false;
    return readModelFile(opener_, folder_ + relativeName, bytes);
}

}  // namespace glowpond
