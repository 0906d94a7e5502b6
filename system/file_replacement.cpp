// Reading a file, and replacing its contents, on any system: the steps come
// from its platform.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include "system/system_services.h"

namespace glowpond {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FileRead SystemServices::readFile(const std::string& path, size_t limit, std::string& contents) {
    contents.clear();
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return (errno == ENOENT || errno == ENOTDIR) ? FileRead::Missing : FileRead::Failed;
    char buffer[16384];
    size_t got;
    while (contents.size() < limit &&
           (got = std::fread(buffer, 1, std::min(sizeof buffer, limit - contents.size()), file.get())) > 0) {
        contents.append(buffer, got);
    }
    // Reading a folder "succeeds" in opening it on some systems; the read then fails.
    return std::ferror(file.get()) ? FileRead::Failed : FileRead::Read;
}

bool SystemServices::replaceFileContents(const std::string& path, const std::string& contents) {
    if (replaceThroughTempFile(path, contents)) return true;

    // In place: only here can a failure leave the file half written, so the
    // old contents wait elsewhere until the new ones are complete.
    std::string old;
    const FileRead found = readFile(path, SIZE_MAX, old);
    if (found == FileRead::Failed) return false;
    std::string copy;
    if (found == FileRead::Read && (copy = writeTempCopy(old)).empty()) return false;
    if (writeInPlace(path, contents)) {
        if (!copy.empty()) removeFile(copy);
        return true;
    }
    // The copy stays in the temporary folder only when it is the one whole
    // version left; a file that could not even be opened still is whole.
    std::string now;
    if (found == FileRead::Missing) {
        removeFile(path);
    } else if (writeInPlace(path, old) || (readFile(path, SIZE_MAX, now) == FileRead::Read && now == old)) {
        removeFile(copy);
    }
    return false;
}

}  // namespace glowpond
