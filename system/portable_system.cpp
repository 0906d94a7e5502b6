// The system services of builds without Win32: messages go to standard error, there
// is no application registry, files are replaced with POSIX rename, and the
// ANSI code page is Windows-1252 (the base class's).
#include "system/system_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace glowpond {
namespace {

bool writeAll(int fd, const std::string& contents) {
    const char* data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Writes `contents`, makes it durable and closes `fd`; false when a step fails.
bool writeAndClose(int fd, const std::string& contents) {
    const bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

class PortablePlatform final : public SystemServices {
public:
    int messageBox(WindowHandle, const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return kButtonOk;
    }

    AppPathLookup lookupAppPath(const std::string&) override { return {}; }

    bool setCurrentDirectory(const std::string& path) override {
        return ::chdir(path.c_str()) == 0;
    }

    std::string fullPath(const std::string& name) override {
        std::error_code error;
        std::filesystem::path full = std::filesystem::absolute(name, error);
        if (error) return name;
        return full.lexically_normal().string();
    }

    bool replaceThroughTempFile(const std::string& path, const std::string& contents) override {
        std::vector<char> temp(path.begin(), path.end());
        const char suffix[] = ".XXXXXX";
        temp.insert(temp.end(), suffix, suffix + sizeof suffix);  // keeps the terminator
        int fd = ::mkstemp(temp.data());
        if (fd < 0) return false;
        // mkstemp creates 0600: keep the mode of the file being replaced instead.
        struct stat old;
        ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
        if (writeAndClose(fd, contents) && ::rename(temp.data(), path.c_str()) == 0) return true;
        ::unlink(temp.data());
        return false;
    }

    bool writeInPlace(const std::string& path, const std::string& contents) override {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, contents) && ::ftruncate(fd, static_cast<off_t>(contents.size())) == 0;
        return writeAndClose(fd, "") && ok;
    }

    std::string writeTempCopy(const std::string& contents) override {
        std::error_code error;
        std::string name = (std::filesystem::temp_directory_path(error) / "glowpond-XXXXXX").string();
        if (error) return "";
        int fd = ::mkstemp(name.data());
        if (fd < 0) return "";
        if (writeAndClose(fd, contents)) return name;
        ::unlink(name.c_str());
        return "";
    }

    bool removeFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    bool makeFolder(const std::string& path) override {
        struct stat info;
        return ::mkdir(path.c_str(), 0700) == 0 || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    }
};

}  // namespace

std::unique_ptr<SystemServices> makeSystemServices() { return std::make_unique<PortablePlatform>(); }

}  // namespace glowpond
