// The platform of builds without Win32: messages go to standard error, there
// is no application registry, files are replaced with POSIX rename.
#include "platform/platform.h"

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

class PortablePlatform final : public Platform {
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

    bool replaceFileContents(const std::string& path, const std::string& contents) override {
        std::vector<char> temp(path.begin(), path.end());
        const char suffix[] = ".XXXXXX";
        temp.insert(temp.end(), suffix, suffix + sizeof suffix);  // keeps the terminator
        int fd = ::mkstemp(temp.data());
        if (fd < 0) return false;
        // mkstemp creates 0600: keep the mode of the file being replaced instead.
        struct stat old;
        ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
        bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        if (ok && ::rename(temp.data(), path.c_str()) == 0) return true;
        ::unlink(temp.data());
        return false;
    }
};

}  // namespace

std::unique_ptr<Platform> makeSystemPlatform() { return std::make_unique<PortablePlatform>(); }

}  // namespace glowpond
