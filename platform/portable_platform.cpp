// The platform of builds without Win32: messages go to standard error, there
// is no application registry, files are replaced with POSIX rename, and the
// ANSI code page is Windows-1252.
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

// Windows-1252, the ANSI code page of Western Windows and of the Wine that
// runs the tests, so that both builds read a Unicode INI file alike: bytes
// 0x80 to 0x9F hold these characters (the five undefined ones stand for
// themselves, as on Windows), all other bytes the character of their value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Writes `contents`, makes it durable and closes `fd`; false when a step fails.
bool writeAndClose(int fd, const std::string& contents) {
    const bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
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

std::unique_ptr<Platform> makeSystemPlatform() { return std::make_unique<PortablePlatform>(); }

std::string ansiFromUtf16(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = static_cast<char>(c);
        } else {
            for (unsigned i = 0; i < 32; ++i) {
                if (kHighControls[i] == c) byte = static_cast<char>(0x80 + i);
            }
        }
        out += byte;
    }
    return out;
}

std::u16string utf16FromAnsi(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : char16_t{byte};
    }
    return out;
}

}  // namespace glowpond
