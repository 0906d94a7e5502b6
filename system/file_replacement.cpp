// Replacing a file's contents, on any system: the steps come from its platform.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>

#include "system/system_services.h"

namespace glowpond {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

enum class OldFile { Missing, Read, Unreadable };

OldFile readOldFile(const std::string& path, std::string& contents) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return (errno == ENOENT || errno == ENOTDIR) ? OldFile::Missing : OldFile::Unreadable;
    char buffer[16384];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) contents.append(buffer, got);
    return std::ferror(file.get()) ? OldFile::Unreadable : OldFile::Read;
}

}  // namespace

bool SystemServices::replaceFileContents(const std::string& path, const std::string& contents) {
    if (replaceThroughTempFile(path, contents)) return true;

    // In place: only here can a failure leave the file half written, so the
    // old contents wait elsewhere until the new ones are complete.
    std::string old;
    const OldFile found = readOldFile(path, old);
    if (found == OldFile::Unreadable) return false;
    std::string copy;
    if (found == OldFile::Read && (copy = writeTempCopy(old)).empty()) return false;
    if (writeInPlace(path, contents)) {
        if (!copy.empty()) removeFile(copy);
        return true;
    }
    // The copy stays in the temporary folder only when it is the one whole
    // version left; a file that could not even be opened still is whole.
    std::string now;
    if (found == OldFile::Missing) {
        removeFile(path);
    } else if (writeInPlace(path, old) || (readOldFile(path, now) == OldFile::Read && now == old)) {
        removeFile(copy);
    }
    return false;
}

}  // namespace glowpond
